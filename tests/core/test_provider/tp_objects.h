#pragma once
// The objects the test provider hands out: its root, containers, mail users
// and distribution lists, all through one class with the container slot
// layout (a list's slots are the same; a mail user uses the property slots).

#include <atomic>
#include <map>
#include <memory>

#include "tp_store.h"

namespace testprovider {

struct Context {
    std::shared_ptr<Store> store;
    object_ptr<IPDXSupport> support;
};

class Object final : public IABContainer {
public:
    // An existing record.
    Object(std::shared_ptr<Context> context, int index);
    // A new entry made from a template in `container` or in the list `ownerList`.
    Object(std::shared_ptr<Context> context, Kind kind, int container, int ownerList);

    HRESULT QueryInterface(LPCIID iid, void** out) override;
    ULONG AddRef() override { return ++refs_; }
    ULONG Release() override;
    HRESULT GetLastError(HRESULT, ULONG, MAPIERROR**) override { return MAPI_E_NO_SUPPORT; }
    HRESULT SaveChanges(ULONG flags) override;
    HRESULT GetProps(const SPropTagArray* tags, ULONG flags, ULONG* count, SPropValue** values) override;
    HRESULT GetPropList(ULONG flags, SPropTagArray** tags) override;
    HRESULT OpenProperty(ULONG tag, LPCIID iid, ULONG interfaceOptions, ULONG flags, IUnknown** out) override;
    HRESULT SetProps(ULONG count, const SPropValue* values, SPropProblemArray** problems) override;
    HRESULT DeleteProps(const SPropTagArray*, SPropProblemArray**) override { return MAPI_E_NO_SUPPORT; }
    HRESULT CopyTo(ULONG ciidExclude, LPCIID iidExclude, const SPropTagArray* excludeTags, ULONG_PTR ulUIParam,
                   IMAPIProgress* progress, LPCIID iface, void* destination, ULONG flags,
                   SPropProblemArray** problems) override;
    HRESULT CopyProps(const SPropTagArray* includeTags, ULONG_PTR ulUIParam, IMAPIProgress* progress, LPCIID iface,
                      void* destination, ULONG flags, SPropProblemArray** problems) override;
    HRESULT GetNamesFromIDs(SPropTagArray**, GUID*, ULONG, ULONG*, MAPINAMEID***) override { return MAPI_E_NO_SUPPORT; }
    HRESULT GetIDsFromNames(ULONG, MAPINAMEID**, ULONG, SPropTagArray**) override { return MAPI_E_NO_SUPPORT; }
    HRESULT GetContentsTable(ULONG flags, IMAPITable** table) override;
    HRESULT GetHierarchyTable(ULONG flags, IMAPITable** table) override;
    HRESULT OpenEntry(ULONG cbEntryID, ENTRYID* entryId, LPCIID iid, ULONG flags, ULONG* objType,
                      IUnknown** out) override;
    HRESULT SetSearchCriteria(SRestriction*, ENTRYLIST*, ULONG) override { return MAPI_E_NO_SUPPORT; }
    HRESULT GetSearchCriteria(ULONG, SRestriction**, ENTRYLIST**, ULONG*) override { return MAPI_E_NO_SUPPORT; }
    HRESULT CreateEntry(ULONG cbEntryID, ENTRYID* entryId, ULONG createFlags, IMAPIProp** out) override;
    HRESULT CopyEntries(ENTRYLIST* entries, ULONG_PTR, IMAPIProgress*, ULONG flags) override;
    HRESULT DeleteEntries(ENTRYLIST* entries, ULONG flags) override;
    HRESULT ResolveNames(const SPropTagArray*, ULONG, ADRLIST*, SFlagList*) override { return MAPI_E_NO_SUPPORT; }

private:
    Props props() const; // caller holds the store lock
    const IID& ownIid() const;
    bool isContainer() const { return kind_ == Kind::Root || kind_ == Kind::Container; }

    std::atomic<ULONG> refs_{1};
    std::shared_ptr<Context> context_;
    Kind kind_;
    int index_ = -1; // -1 until a new entry is saved
    int container_ = -1;
    int ownerList_ = -1;
    std::map<ULONG, std::string> changes_;
};

// OpenEntry of one of the provider's identifiers.
HRESULT openObject(const std::shared_ptr<Context>& context, ULONG cb, const ENTRYID* id, LPCIID iid, ULONG* objType,
                   IUnknown** out);
ULONG objectType(Kind kind);

} // namespace testprovider
