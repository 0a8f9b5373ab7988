#pragma once
// The root container and the groups: IABContainer (also answering IDistList,
// whose slots are the same) over an entry state and a cached contents table.

#include <mutex>

#include "entry_object.h"
#include "pdx/interfaces.h"

namespace vqfax {

class TableData;

class Container final : public IABContainer {
public:
    // A new object with one reference, its defaults put; nothing read yet.
    static Container* make(Logon* logon, const EntryId& id);
    // Built from the store: the record must exist.
    static HRESULT open(Logon* logon, const EntryId& id, Container** out);

    EntryState& state() { return state_; }

    HRESULT QueryInterface(LPCIID iid, void** out) override;
    ULONG AddRef() override;
    ULONG Release() override;
    HRESULT GetLastError(HRESULT, ULONG, MAPIERROR**) override;
    HRESULT SaveChanges(ULONG flags) override;
    HRESULT GetProps(const SPropTagArray* tags, ULONG flags, ULONG* count, SPropValue** values) override;
    HRESULT GetPropList(ULONG flags, SPropTagArray** tags) override;
    HRESULT OpenProperty(ULONG, LPCIID, ULONG, ULONG, IUnknown**) override;
    HRESULT SetProps(ULONG count, const SPropValue* values, SPropProblemArray** problems) override;
    HRESULT DeleteProps(const SPropTagArray*, SPropProblemArray**) override;
    HRESULT CopyTo(ULONG ciidExclude, LPCIID iidExclude, const SPropTagArray* excludeTags, ULONG_PTR ulUIParam,
                   IMAPIProgress* progress, LPCIID iface, void* destination, ULONG flags,
                   SPropProblemArray** problems) override;
    HRESULT CopyProps(const SPropTagArray* includeTags, ULONG_PTR ulUIParam, IMAPIProgress* progress, LPCIID iface,
                      void* destination, ULONG flags, SPropProblemArray** problems) override;
    HRESULT GetNamesFromIDs(SPropTagArray**, GUID*, ULONG, ULONG*, MAPINAMEID***) override;
    HRESULT GetIDsFromNames(ULONG, MAPINAMEID**, ULONG, SPropTagArray**) override;
    HRESULT GetContentsTable(ULONG flags, IMAPITable** table) override;
    HRESULT GetHierarchyTable(ULONG flags, IMAPITable** table) override;
    HRESULT OpenEntry(ULONG cbEntryID, ENTRYID* entryId, LPCIID iid, ULONG flags, ULONG* objType,
                      IUnknown** out) override;
    HRESULT SetSearchCriteria(SRestriction*, ENTRYLIST*, ULONG) override;
    HRESULT GetSearchCriteria(ULONG, SRestriction**, ENTRYLIST**, ULONG*) override;
    HRESULT CreateEntry(ULONG cbEntryID, ENTRYID* entryId, ULONG createFlags, IMAPIProp** out) override;
    HRESULT CopyEntries(ENTRYLIST* entries, ULONG_PTR ulUIParam, IMAPIProgress* progress, ULONG flags) override;
    HRESULT DeleteEntries(ENTRYLIST* entries, ULONG flags) override;
    HRESULT ResolveNames(const SPropTagArray*, ULONG, ADRLIST*, SFlagList*) override;

    // The 18 columns of a contents table.
    static const SPropTagArray* contentsColumns();

private:
    Container(Logon* logon, const EntryId& id) : state_(logon, id) {}
    ~Container();
    // Caller holds the state lock.
    HRESULT buildTable(TableData** out);

    EntryState state_;
    TableData* table_ = nullptr; // guarded by the state lock
    std::mutex refLock_;
    ULONG refs_ = 1;
};

} // namespace vqfax
