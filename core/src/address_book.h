#pragma once
// The session's IAddrBook. It holds no entries: every request that names an
// entry identifier goes to the provider that issued it. It keeps the three
// per-profile defaults (search path, default directory, personal address
// book) in its property list, read from the profile key and written back
// when the session ends.

#include <string>

#include "advise_registry.h"
#include "call_gate.h"
#include "entry_id.h"
#include "pdx/guard.h"
#include "pdx/interfaces.h"
#include "pdx/memory.h"
#include "pdx/status.h"
#include "prop_object.h"
#include "provider_list.h"

namespace pdx::core {

class AddressBook final : public IAddrBook {
public:
    // Reads the profile key's values, takes a reference on the provider list
    // and checks the search path. The new object has one reference.
    static HRESULT create(const std::string& profile, ProviderList* providers, AddressBook** out);

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
    HRESULT OpenEntry(ULONG cbEntryID, ENTRYID* entryId, LPCIID iid, ULONG flags, ULONG* objType,
                      IUnknown** out) override;
    HRESULT CompareEntryIDs(ULONG cb1, ENTRYID* id1, ULONG cb2, ENTRYID* id2, ULONG flags, ULONG* result) override;
    HRESULT Advise(ULONG cbEntryID, ENTRYID* entryId, ULONG eventMask, IMAPIAdviseSink* sink,
                   ULONG_PTR* connection) override;
    HRESULT Unadvise(ULONG_PTR connection) override;
    HRESULT CreateOneOff(char* name, char* addrType, char* address, ULONG flags, ULONG* cbEntryID,
                         ENTRYID** entryId) override;
    HRESULT NewEntry(ULONG_PTR ulUIParam, ULONG flags, ULONG cbContainer, ENTRYID* container, ULONG cbTemplate,
                     ENTRYID* templateId, ULONG* cbNew, ENTRYID** newId) override;
    HRESULT ResolveName(ULONG_PTR ulUIParam, ULONG flags, char* title, ADRLIST* list) override;
    HRESULT Address(ULONG_PTR* ulUIParam, ADRPARM* params, ADRLIST** list) override;
    HRESULT Details(ULONG_PTR* ulUIParam, DismissFn dismiss, void* dismissContext, ULONG cbEntryID,
                    ENTRYID* entryId, ButtonFn button, void* buttonContext, char* buttonText,
                    ULONG flags) override;
    HRESULT RecipOptions(ULONG_PTR ulUIParam, ULONG flags, ADRENTRY* recipient) override;
    HRESULT QueryDefaultRecipOpt(char* addrType, ULONG flags, ULONG* count, SPropValue** options) override;
    HRESULT GetPAB(ULONG* cbEntryID, ENTRYID** entryId) override;
    HRESULT SetPAB(ULONG cbEntryID, ENTRYID* entryId) override;
    HRESULT GetDefaultDir(ULONG* cbEntryID, ENTRYID** entryId) override;
    HRESULT SetDefaultDir(ULONG cbEntryID, ENTRYID* entryId) override;
    HRESULT GetSearchPath(ULONG flags, SRowSet** path) override;
    HRESULT SetSearchPath(ULONG flags, SRowSet* path) override;
    HRESULT PrepareRecips(ULONG flags, const SPropTagArray* tags, ADRLIST* list) override;

    // For the root container, the session and the list expansion. Each
    // answers MAPI_E_END_OF_SESSION once the session has ended.
    HRESULT hierarchyTable(ULONG flags, IMAPITable** out);
    HRESULT deleteEntries(const ENTRYLIST& entries);
    CallGate& gate() { return gate_; }
    ProviderList& providers() { return *providers_.get(); }

    // The end of the session: the changed defaults go to the profile key, the
    // advise connections are unadvised and the provider list let go. Later
    // calls answer MAPI_E_END_OF_SESSION.
    void endSession();

private:
    AddressBook(std::string profile, ProviderList* providers);
    ~AddressBook() = default;

    // Rules of the defaults (address_book_defaults.cpp).
    HRESULT getDefault(ULONG containerFlags, ULONG tag, ULONG* cb, ENTRYID** out);
    HRESULT setDefault(ULONG containerFlags, ULONG tag, ULONG cb, ENTRYID* id);
    bool validContainer(const EntryId& id, ULONG containerFlags);
    // PR_ENTRYID and PR_CONTAINER_FLAGS of every row of the root's full hierarchy.
    HRESULT hierarchyContainers(std::vector<std::pair<EntryId, ULONG>>& out);
    void checkSearchPath();
    std::vector<EntryId> storedIds(ULONG tag);
    HRESULT storeIds(ULONG tag, const std::vector<EntryId>& ids, bool changed);

    HRESULT openRoot(LPCIID iid, ULONG* objType, IUnknown** out);

    // Runs a slot's body while the session lasts; MAPI_E_END_OF_SESSION after it.
    template <class Body>
    HRESULT inSession(Body&& body) {
        return guarded([&]() -> HRESULT {
            GateCall call(gate_);
            if (!call) return MAPI_E_END_OF_SESSION;
            return body();
        });
    }

    PropertyBag bag_; // its lock is the object's lock
    ULONG refs_ = 1;
    std::string profile_;
    object_ptr<ProviderList> providers_;
    AdviseRegistry advise_;
    CallGate gate_;
};

} // namespace pdx::core
