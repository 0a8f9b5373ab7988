// IDistList over an entry state: its members are the list card's MEMBER lines.

#include "objects.h"
#include "pdx/guard.h"
#include "pdx/tags.h"
#include "wab_tags.h"

namespace wab32 {

using namespace pdx;

IMAPIProp* newMailUser(std::shared_ptr<EntryState> state);

namespace {

class DistList final : public Object<DistList, IDistList> {
public:
    explicit DistList(std::shared_ptr<EntryState> s) : state_(std::move(s)) {}

    HRESULT QueryInterface(LPCIID iid, void** out) override {
        return answer(iid, out, {&IID_IUnknown, &IID_IMAPIProp, &IID_IMAPIContainer, &IID_IDistList});
    }
    HRESULT GetLastError(HRESULT, ULONG, MAPIERROR**) override { return MAPI_E_NO_SUPPORT; }
    HRESULT SaveChanges(ULONG flags) override { return guarded([&] { return state_->saveChanges(flags); }); }
    HRESULT GetProps(const SPropTagArray* tags, ULONG flags, ULONG* count, SPropValue** values) override {
        return guarded([&] { return state_->getProps(tags, flags, count, values); });
    }
    HRESULT GetPropList(ULONG flags, SPropTagArray** tags) override {
        return guarded([&] { return state_->getPropList(flags, tags); });
    }
    HRESULT OpenProperty(ULONG tag, LPCIID iid, ULONG, ULONG flags, IUnknown** out) override {
        if (!out) return E_INVALIDARG;
        *out = nullptr;
        if (tag != PR_CONTAINER_CONTENTS) return MAPI_E_NO_SUPPORT;
        if (!isIid(iid, IID_IMAPITable)) return E_NOINTERFACE;
        return GetContentsTable(flags, reinterpret_cast<IMAPITable**>(out));
    }
    HRESULT SetProps(ULONG count, const SPropValue* values, SPropProblemArray** problems) override {
        return guarded([&] { return state_->setProps(count, values, problems); });
    }
    HRESULT DeleteProps(const SPropTagArray* tags, SPropProblemArray** problems) override {
        return guarded([&] { return state_->deleteProps(tags, problems); });
    }
    HRESULT CopyTo(ULONG, LPCIID, const SPropTagArray* exclude, ULONG_PTR, IMAPIProgress*, LPCIID iface,
                   void* destination, ULONG, SPropProblemArray** problems) override {
        return guarded([&] { return state_->copyTo(nullptr, exclude, iface, destination, problems); });
    }
    HRESULT CopyProps(const SPropTagArray* include, ULONG_PTR, IMAPIProgress*, LPCIID iface, void* destination,
                      ULONG, SPropProblemArray** problems) override {
        return guarded([&] { return state_->copyTo(include, nullptr, iface, destination, problems); });
    }
    HRESULT GetNamesFromIDs(SPropTagArray**, GUID*, ULONG, ULONG*, MAPINAMEID***) override { return MAPI_E_NO_SUPPORT; }
    HRESULT GetIDsFromNames(ULONG, MAPINAMEID**, ULONG, SPropTagArray**) override { return MAPI_E_NO_SUPPORT; }

    HRESULT GetContentsTable(ULONG flags, IMAPITable** table) override {
        if (!table) return E_INVALIDARG;
        *table = nullptr;
        if (flags & MAPI_UNICODE) return MAPI_E_BAD_CHARWIDTH;
        return guarded([&] {
            ContactStore& store = *state_->session()->store;
            std::vector<common::TableRow> rows;
            {
                std::lock_guard g(store.mutex());
                if (auto key = state_->key()) {
                    if (const Entry* e = store.find(*key)) rows = store.memberRows(*e);
                } else {
                    Entry pending;
                    pending.memberIds = state_->pendingMembers();
                    rows = store.memberRows(pending);
                }
            }
            *table = newContentsTable(std::move(rows));
            return *table ? S_OK : E_OUTOFMEMORY;
        });
    }
    HRESULT GetHierarchyTable(ULONG, IMAPITable** table) override {
        if (table) *table = nullptr;
        return MAPI_E_NO_SUPPORT;
    }
    HRESULT OpenEntry(ULONG cb, ENTRYID* id, LPCIID iid, ULONG flags, ULONG* type, IUnknown** out) override {
        return guarded([&] { return openEntry(state_->session(), cb, id, iid, flags, type, out); });
    }
    HRESULT SetSearchCriteria(SRestriction*, ENTRYLIST*, ULONG) override { return MAPI_E_NO_SUPPORT; }
    HRESULT GetSearchCriteria(ULONG, SRestriction**, ENTRYLIST**, ULONG*) override { return MAPI_E_NO_SUPPORT; }

    // A template makes a new entry that joins the list when saved; an
    // existing entry's id gives that entry, joining the list when saved.
    HRESULT CreateEntry(ULONG cb, ENTRYID* id, ULONG flags, IMAPIProp** out) override {
        if (!out) return E_INVALIDARG;
        *out = nullptr;
        return guarded([&]() -> HRESULT {
            EntryRef ref;
            if (!parseEntryId(id, cb, ref)) return MAPI_E_INVALID_ENTRYID;
            const std::shared_ptr<Session>& session = state_->session();
            std::shared_ptr<EntryState> member;
            switch (ref.kind) {
            case EntryKind::MailUserTemplate: member = EntryState::created(session, EntryKind::MailUser, flags); break;
            case EntryKind::DistListTemplate: member = EntryState::created(session, EntryKind::DistList, flags); break;
            case EntryKind::OneOff: member = EntryState::oneOff(session, ref); break;
            case EntryKind::MailUser:
            case EntryKind::DistList: {
                std::lock_guard g(session->store->mutex());
                const Entry* e = session->store->find(ref.key);
                if (!e || e->kind != ref.kind) return MAPI_E_NOT_FOUND;
                member = EntryState::existing(session, *e);
                break;
            }
            default: return MAPI_E_INVALID_ENTRYID;
            }
            member->setMemberOf(state_);
            *out = newEntryObject(std::move(member));
            return *out ? S_OK : E_OUTOFMEMORY;
        });
    }
    HRESULT CopyEntries(ENTRYLIST* entries, ULONG_PTR, IMAPIProgress*, ULONG) override {
        return guarded([&]() -> HRESULT {
            size_t foreign = 0;
            const std::vector<std::string> ids = ownIds(entries, &foreign);
            if (ids.empty() && foreign == 0) return S_OK;
            size_t added = ids.size();
            if (auto key = state_->key()) {
                ContactStore& store = *state_->session()->store;
                std::lock_guard g(store.mutex());
                HRESULT h = store.addMembers(*key, ids, &added);
                if (FAILED(h)) return h;
                state_->syncFromStore();
            } else {
                state_->addPendingMembers(ids);
            }
            if (added) state_->session()->advise.notify(fnevObjectModified, state_->entryId(), MAPI_DISTLIST);
            return added == ids.size() && foreign == 0 ? S_OK : MAPI_W_PARTIAL_COMPLETION;
        });
    }
    HRESULT DeleteEntries(ENTRYLIST* entries, ULONG) override {
        return guarded([&]() -> HRESULT {
            size_t foreign = 0;
            const std::vector<std::string> ids = ownIds(entries, &foreign);
            auto key = state_->key();
            if (!key) return MAPI_E_NOT_FOUND;
            size_t removed = 0;
            {
                ContactStore& store = *state_->session()->store;
                std::lock_guard g(store.mutex());
                HRESULT h = store.removeMembers(*key, ids, &removed);
                if (FAILED(h)) return h;
                state_->syncFromStore();
            }
            if (removed) state_->session()->advise.notify(fnevObjectModified, state_->entryId(), MAPI_DISTLIST);
            return removed >= ids.size() && foreign == 0 ? S_OK : MAPI_W_PARTIAL_COMPLETION;
        });
    }
    HRESULT ResolveNames(const SPropTagArray*, ULONG, ADRLIST*, SFlagList*) override { return MAPI_E_NO_SUPPORT; }

private:
    std::shared_ptr<EntryState> state_;
};

} // namespace

IMAPIProp* newEntryObject(std::shared_ptr<EntryState> state) {
    if (state->kind() == EntryKind::DistList) return new (std::nothrow) DistList(std::move(state));
    return newMailUser(std::move(state));
}

} // namespace wab32
