#pragma once
// The MAPI-shaped objects the component hands out, and how they are made.

#include <atomic>
#include <initializer_list>
#include <memory>

#include "entry_state.h"
#include "pdx/guids.h"
#include "pdx/interfaces.h"
#include "pdx/wab.h"
#include "pdx/status.h"
#include "session.h"

namespace wab32 {

// Reference counting and QueryInterface for an object answering `Iface`
// and the identifiers given to answer().
template <class Derived, class Iface>
class Object : public Iface {
public:
    pdx::ULONG AddRef() override { return ++refs_; }
    pdx::ULONG Release() override {
        const pdx::ULONG left = --refs_;
        if (left == 0) delete static_cast<Derived*>(this);
        return left;
    }

protected:
    pdx::HRESULT answer(pdx::LPCIID iid, void** out, std::initializer_list<const pdx::IID*> accepted) {
        if (!out) return pdx::E_INVALIDARG;
        *out = nullptr;
        for (const pdx::IID* a : accepted)
            if (pdx::isIid(iid, *a)) {
                AddRef();
                *out = static_cast<Iface*>(this);
                return pdx::S_OK;
            }
        return pdx::E_NOINTERFACE;
    }

private:
    std::atomic<pdx::ULONG> refs_{1};
};

// OpenEntry of the address book and of every container: null is the root.
pdx::HRESULT openEntry(const std::shared_ptr<Session>& session, pdx::ULONG cb, const pdx::ENTRYID* id,
                       pdx::LPCIID iid, pdx::ULONG flags, pdx::ULONG* objectType, pdx::IUnknown** out);

// A mail user (IMailUser) or list (IDistList) object over the state, with one reference.
pdx::IMAPIProp* newEntryObject(std::shared_ptr<EntryState> state);
pdx::IABContainer* newContainer(std::shared_ptr<Session> session, bool root);
pdx::IAddrBook* newAddrBook(std::shared_ptr<Session> session);
pdx::IWABObject* newWabObject(std::shared_ptr<Session> session);

// Tables: a snapshot of the rows in the component's memory domain.
pdx::IMAPITable* newTable(std::vector<pdx::common::TableRow> rows, std::initializer_list<pdx::ULONG> columns);
// The columns a contents table starts with.
pdx::IMAPITable* newContentsTable(std::vector<pdx::common::TableRow> rows);

// Entry ids of an entry list that are ours, as strings; `foreign` counts the others.
std::vector<std::string> ownIds(const pdx::ENTRYLIST* list, size_t* foreign);

} // namespace wab32
