#pragma once
// The container behind the null entry identifier: its hierarchy is every
// provider's, its other operations mostly unsupported, and DeleteEntries
// hands each provider its own identifiers.

#include <mutex>

#include "pdx/interfaces.h"
#include "pdx/memory.h"
#include "provider_list.h"

namespace pdx::core {

class AddressBook;

class RootContainer final : public IABContainer {
public:
    // Holds references on both; answers MAPI_E_NOT_INITIALIZED until set up.
    static RootContainer* create(AddressBook* book, ProviderList* providers);
    void setUp();

    HRESULT QueryInterface(LPCIID iid, void** out) override;
    ULONG AddRef() override;
    ULONG Release() override;
    HRESULT GetLastError(HRESULT status, ULONG flags, MAPIERROR** out) override;
    HRESULT SaveChanges(ULONG flags) override;
    HRESULT GetProps(const SPropTagArray* tags, ULONG flags, ULONG* count, SPropValue** values) override;
    HRESULT GetPropList(ULONG flags, SPropTagArray** tags) override;
    HRESULT OpenProperty(ULONG tag, LPCIID iid, ULONG interfaceOptions, ULONG flags, IUnknown** out) override;
    HRESULT SetProps(ULONG count, const SPropValue* values, SPropProblemArray** problems) override;
    HRESULT DeleteProps(const SPropTagArray* tags, SPropProblemArray** problems) override;
    HRESULT CopyTo(ULONG ciidExclude, LPCIID iidExclude, const SPropTagArray* excludeTags, ULONG_PTR ulUIParam,
                   IMAPIProgress* progress, LPCIID iface, void* destination, ULONG flags,
                   SPropProblemArray** problems) override;
    HRESULT CopyProps(const SPropTagArray* includeTags, ULONG_PTR ulUIParam, IMAPIProgress* progress, LPCIID iface,
                      void* destination, ULONG flags, SPropProblemArray** problems) override;
    HRESULT GetNamesFromIDs(SPropTagArray** tags, GUID* propSet, ULONG flags, ULONG* count,
                            MAPINAMEID*** names) override;
    HRESULT GetIDsFromNames(ULONG count, MAPINAMEID** names, ULONG flags, SPropTagArray** tags) override;
    HRESULT GetContentsTable(ULONG flags, IMAPITable** table) override;
    HRESULT GetHierarchyTable(ULONG flags, IMAPITable** table) override;
    HRESULT OpenEntry(ULONG cbEntryID, ENTRYID* entryId, LPCIID iid, ULONG flags, ULONG* objType,
                      IUnknown** out) override;
    HRESULT SetSearchCriteria(SRestriction* restriction, ENTRYLIST* containers, ULONG searchFlags) override;
    HRESULT GetSearchCriteria(ULONG flags, SRestriction** restriction, ENTRYLIST** containers,
                              ULONG* searchState) override;
    HRESULT CreateEntry(ULONG cbEntryID, ENTRYID* entryId, ULONG createFlags, IMAPIProp** out) override;
    HRESULT CopyEntries(ENTRYLIST* entries, ULONG_PTR ulUIParam, IMAPIProgress* progress, ULONG flags) override;
    HRESULT DeleteEntries(ENTRYLIST* entries, ULONG flags) override;
    HRESULT ResolveNames(const SPropTagArray* tags, ULONG flags, ADRLIST* list, SFlagList* flagList) override;

private:
    RootContainer(AddressBook* book, ProviderList* providers);
    ~RootContainer();
    // Runs the body once the container is set up.
    template <class Body>
    HRESULT ready(Body&& body);

    std::recursive_mutex lock_;
    ULONG refs_ = 1;
    bool setUp_ = false;
    AddressBook* book_;
    object_ptr<ProviderList> providers_;
};

} // namespace pdx::core
