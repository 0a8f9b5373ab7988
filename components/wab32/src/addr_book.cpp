// IAddrBook: entry points into the store, the personal address book and
// default directory (the file's container), search path, name resolution,
// recipient preparation, notifications, the contact dialog and the
// select-names dialog.

#include "address.h"
#include "contact_dialog.h"
#include "objects.h"
#include "pdx/guard.h"
#include "pdx/tags.h"
#include "prop_answers.h"
#include "resolve.h"
#include "wab_tags.h"

namespace wab32 {

using namespace pdx;

namespace {

bool isContainerId(ULONG cb, const ENTRYID* id) {
    EntryRef ref;
    return parseEntryId(id, cb, ref) && (ref.kind == EntryKind::Container || ref.kind == EntryKind::Root);
}

class AddrBook final : public Object<AddrBook, IAddrBook> {
public:
    explicit AddrBook(std::shared_ptr<Session> s) : session_(std::move(s)) {}

    HRESULT QueryInterface(LPCIID iid, void** out) override {
        return answer(iid, out, {&IID_IUnknown, &IID_IMAPIProp, &IID_IAddrBook});
    }
    HRESULT GetLastError(HRESULT, ULONG, MAPIERROR**) override { return MAPI_E_NO_SUPPORT; }
    // Changes are written by the objects that make them.
    HRESULT SaveChanges(ULONG) override { return S_OK; }
    HRESULT GetProps(const SPropTagArray*, ULONG, ULONG*, SPropValue**) override { return MAPI_E_NO_SUPPORT; }
    HRESULT GetPropList(ULONG, SPropTagArray**) override { return MAPI_E_NO_SUPPORT; }
    HRESULT OpenProperty(ULONG, LPCIID, ULONG, ULONG, IUnknown**) override { return MAPI_E_NO_SUPPORT; }
    HRESULT SetProps(ULONG, const SPropValue*, SPropProblemArray**) override { return MAPI_E_NO_SUPPORT; }
    HRESULT DeleteProps(const SPropTagArray*, SPropProblemArray**) override { return MAPI_E_NO_SUPPORT; }
    HRESULT CopyTo(ULONG, LPCIID, const SPropTagArray*, ULONG_PTR, IMAPIProgress*, LPCIID, void*, ULONG,
                   SPropProblemArray**) override {
        return MAPI_E_NO_SUPPORT;
    }
    HRESULT CopyProps(const SPropTagArray*, ULONG_PTR, IMAPIProgress*, LPCIID, void*, ULONG,
                      SPropProblemArray**) override {
        return MAPI_E_NO_SUPPORT;
    }
    HRESULT GetNamesFromIDs(SPropTagArray**, GUID*, ULONG, ULONG*, MAPINAMEID***) override { return MAPI_E_NO_SUPPORT; }
    HRESULT GetIDsFromNames(ULONG, MAPINAMEID**, ULONG, SPropTagArray**) override { return MAPI_E_NO_SUPPORT; }

    HRESULT OpenEntry(ULONG cb, ENTRYID* id, LPCIID iid, ULONG flags, ULONG* type, IUnknown** out) override {
        return guarded([&] { return openEntry(session_, cb, id, iid, flags, type, out); });
    }

    HRESULT CompareEntryIDs(ULONG cb1, ENTRYID* id1, ULONG cb2, ENTRYID* id2, ULONG, ULONG* result) override {
        if (!result) return E_INVALIDARG;
        return guarded([&]() -> HRESULT {
            EntryRef a, b;
            // No identifier is the root.
            const bool okA = (cb1 == 0 || !id1) ? (a.kind = EntryKind::Root, true) : parseEntryId(id1, cb1, a);
            const bool okB = (cb2 == 0 || !id2) ? (b.kind = EntryKind::Root, true) : parseEntryId(id2, cb2, b);
            if (!okA || !okB) return MAPI_E_UNKNOWN_ENTRYID;
            *result = a.kind == b.kind && a.key == b.key ? 1 : 0;
            return S_OK;
        });
    }

    HRESULT Advise(ULONG cb, ENTRYID* id, ULONG mask, IMAPIAdviseSink* sink, ULONG_PTR* connection) override {
        if (!sink || !connection || mask == 0) return E_INVALIDARG;
        return guarded([&]() -> HRESULT {
            EntryRef ref;
            std::string entry;
            if (cb == 0 || !id) entry = ContactStore::rootId();
            else if (parseEntryId(id, cb, ref)) entry.assign(reinterpret_cast<const char*>(id), cb);
            else return MAPI_E_INVALID_ENTRYID;
            return session_->advise.add(std::move(entry), mask, sink, connection);
        });
    }
    HRESULT Unadvise(ULONG_PTR connection) override {
        return guarded([&] { return session_->advise.remove(connection); });
    }

    HRESULT CreateOneOff(char* name, char* addrType, char* address, ULONG flags, ULONG* cb, ENTRYID** id) override {
        if (!name || !addrType || !address || !cb || !id) return E_INVALIDARG;
        if (flags & MAPI_UNICODE) return MAPI_E_BAD_CHARWIDTH;
        return guarded([&] { return answerEntryId(makeOneOffId({name, addrType, address}), cb, id); });
    }

    HRESULT NewEntry(ULONG_PTR ui, ULONG, ULONG cbContainer, ENTRYID* container, ULONG cbTemplate,
                     ENTRYID* templateId, ULONG* cbNew, ENTRYID** newId) override {
        if (cbNew) *cbNew = 0;
        if (newId) *newId = nullptr;
        return guarded([&]() -> HRESULT {
            if (cbContainer && container && !isContainerId(cbContainer, container)) return MAPI_E_INVALID_ENTRYID;
            EntryKind kind = EntryKind::MailUser;
            if (cbTemplate && templateId) {
                EntryRef ref;
                if (!parseEntryId(templateId, cbTemplate, ref)) return MAPI_E_INVALID_ENTRYID;
                if (ref.kind == EntryKind::DistListTemplate) kind = EntryKind::DistList;
                else if (ref.kind != EntryKind::MailUserTemplate) return MAPI_E_INVALID_ENTRYID;
            }
            const bool list = kind == EntryKind::DistList;
            ContactFields fields;
            switch (editContact(ui, fields, list)) {
            case DialogResult::Cancel: return MAPI_E_USER_CANCEL;
            case DialogResult::Unavailable: return MAPI_E_NO_SUPPORT;
            case DialogResult::Ok: break;
            }
            std::shared_ptr<EntryState> state = EntryState::created(session_, kind);
            HRESULT h = writeFields(*state, fields, list);
            if (FAILED(h)) return h;
            if (FAILED(h = state->saveChanges(0))) return h;
            if (cbNew && newId) return answerEntryId(state->entryId(), cbNew, newId);
            return S_OK;
        });
    }

    HRESULT ResolveName(ULONG_PTR, ULONG flags, char*, ADRLIST* list) override {
        if (!list) return E_INVALIDARG;
        if (flags & MAPI_UNICODE) return MAPI_E_BAD_CHARWIDTH;
        return guarded([&]() -> HRESULT {
            std::lock_guard g(session_->store->mutex());
            session_->store->refresh();
            HRESULT result = S_OK;
            for (ULONG i = 0; i < list->cEntries; ++i) {
                ADRENTRY& entry = list->aEntries[i];
                const ULONG n = entry.rgPropVals ? entry.cValues : 0;
                const SPropValue* id = common::findProp(entry.rgPropVals, n, PR_ENTRYID);
                EntryRef ref;
                if (id && parseEntryId(id->Value.bin.lpb, id->Value.bin.cb, ref)) continue; // resolved already
                const SPropValue* name = common::findProp(entry.rgPropVals, n, PR_DISPLAY_NAME);
                if (!name || !name->Value.lpszA) continue;
                const std::vector<const Entry*> found = matchName(*session_->store, name->Value.lpszA);
                if (found.size() != 1) {
                    // An ambiguous name outweighs one that is not found.
                    if (found.size() > 1) result = MAPI_E_AMBIGUOUS_RECIP;
                    else if (result == S_OK) result = MAPI_E_NOT_FOUND;
                    continue;
                }
                HRESULT h = fillAdrEntry(entry, *found.front()->props, nullptr);
                if (FAILED(h)) return h;
            }
            return result;
        });
    }

    HRESULT Address(ULONG_PTR* ui, ADRPARM* params, ADRLIST** list) override {
        return guarded([&] { return address(session_, ui, params, list); });
    }

    HRESULT Details(ULONG_PTR* ui, DismissFn, void*, ULONG cb, ENTRYID* id, ButtonFn, void*, char*, ULONG) override {
        if (!ui) return E_INVALIDARG;
        return guarded([&]() -> HRESULT {
            EntryRef ref;
            if (!parseEntryId(id, cb, ref)) return MAPI_E_INVALID_ENTRYID;
            if (ref.kind != EntryKind::MailUser && ref.kind != EntryKind::DistList) return MAPI_E_NO_SUPPORT;
            std::shared_ptr<EntryState> state;
            {
                std::lock_guard g(session_->store->mutex());
                session_->store->refresh();
                const Entry* e = session_->store->find(ref.key);
                if (!e || e->kind != ref.kind) return MAPI_E_NOT_FOUND;
                state = EntryState::existing(session_, *e);
            }
            const bool list = ref.kind == EntryKind::DistList;
            ContactFields fields = fieldsFrom(state->view());
            switch (editContact(*ui, fields, list)) {
            case DialogResult::Cancel: return S_OK; // closing the details changes nothing
            case DialogResult::Unavailable: return MAPI_E_NO_SUPPORT;
            case DialogResult::Ok: break;
            }
            HRESULT h = writeFields(*state, fields, list);
            return FAILED(h) ? h : state->saveChanges(0);
        });
    }

    HRESULT RecipOptions(ULONG_PTR, ULONG, ADRENTRY*) override { return MAPI_E_NO_SUPPORT; }
    HRESULT QueryDefaultRecipOpt(char*, ULONG, ULONG*, SPropValue**) override { return MAPI_E_NO_SUPPORT; }

    // The file's container is the personal address book and the default
    // directory; the root stands for it too.
    HRESULT GetPAB(ULONG* cb, ENTRYID** id) override {
        return guarded([&] { return answerEntryId(ContactStore::containerId(), cb, id); });
    }
    HRESULT SetPAB(ULONG cb, ENTRYID* id) override { return isContainerId(cb, id) ? S_OK : MAPI_E_INVALID_ENTRYID; }
    HRESULT GetDefaultDir(ULONG* cb, ENTRYID** id) override {
        return guarded([&] { return answerEntryId(ContactStore::containerId(), cb, id); });
    }
    HRESULT SetDefaultDir(ULONG cb, ENTRYID* id) override {
        return isContainerId(cb, id) ? S_OK : MAPI_E_INVALID_ENTRYID;
    }

    HRESULT GetSearchPath(ULONG flags, SRowSet** path) override {
        if (!path) return E_INVALIDARG;
        *path = nullptr;
        if (flags & MAPI_UNICODE) return MAPI_E_BAD_CHARWIDTH;
        return guarded([&]() -> HRESULT {
            std::lock_guard g(lock_);
            const std::vector<std::string> ids = searchPath_.empty()
                                                     ? std::vector<std::string>{ContactStore::containerId()}
                                                     : searchPath_;
            void* p = nullptr;
            HRESULT h = wabDomain().allocate(ULONG(cbRowSet(ULONG(ids.size()))), &p);
            if (FAILED(h)) return h;
            auto* rows = static_cast<SRowSet*>(p);
            for (size_t i = 0; i < ids.size(); ++i) {
                SPropValue v{};
                v.ulPropTag = PR_ENTRYID;
                v.Value.bin = {ULONG(ids[i].size()), reinterpret_cast<BYTE*>(const_cast<char*>(ids[i].data()))};
                h = common::copyProps(&v, 1, wabDomain(), &rows->aRow[i].lpProps);
                if (FAILED(h)) {
                    common::freeRowSet(rows, wabDomain());
                    return h;
                }
                rows->aRow[i].cValues = 1;
                rows->cRows = ULONG(i + 1);
            }
            *path = rows;
            return S_OK;
        });
    }
    HRESULT SetSearchPath(ULONG, SRowSet* path) override {
        if (!path) return E_INVALIDARG;
        return guarded([&]() -> HRESULT {
            std::vector<std::string> ids;
            for (ULONG i = 0; i < path->cRows; ++i) {
                const SRow& row = path->aRow[i];
                const SPropValue* v = common::findProp(row.lpProps, row.lpProps ? row.cValues : 0, PR_ENTRYID);
                if (!v || !isContainerId(v->Value.bin.cb, reinterpret_cast<ENTRYID*>(v->Value.bin.lpb)))
                    return MAPI_E_INVALID_ENTRYID;
                ids.emplace_back(reinterpret_cast<const char*>(v->Value.bin.lpb), v->Value.bin.cb);
            }
            std::lock_guard g(lock_);
            searchPath_ = std::move(ids);
            return S_OK;
        });
    }

    HRESULT PrepareRecips(ULONG flags, const SPropTagArray* tags, ADRLIST* list) override {
        if (!list) return E_INVALIDARG;
        if (flags & MAPI_UNICODE) return MAPI_E_BAD_CHARWIDTH;
        return guarded([&]() -> HRESULT {
            std::lock_guard g(session_->store->mutex());
            for (ULONG i = 0; i < list->cEntries; ++i) {
                ADRENTRY& entry = list->aEntries[i];
                const SPropValue* id =
                    common::findProp(entry.rgPropVals, entry.rgPropVals ? entry.cValues : 0, PR_ENTRYID);
                EntryRef ref;
                std::shared_ptr<const common::PropArray> props;
                if (id && parseEntryId(id->Value.bin.lpb, id->Value.bin.cb, ref)) props = session_->store->propsOf(ref);
                HRESULT h = prepareAdrEntry(entry, props.get(), tags);
                if (FAILED(h)) return h;
            }
            return S_OK;
        });
    }

private:
    static HRESULT writeFields(EntryState& state, const ContactFields& fields, bool list) {
        common::PropArray values;
        std::vector<ULONG> deleted;
        fieldsTo(fields, list, values, deleted);
        HRESULT h = state.setProps(values.size(), values.data(), nullptr);
        if (FAILED(h) || deleted.empty()) return h;
        std::vector<ULONG> buffer(deleted.size() + 1);
        auto* tags = reinterpret_cast<SPropTagArray*>(buffer.data());
        tags->cValues = ULONG(deleted.size());
        std::copy(deleted.begin(), deleted.end(), tags->aulPropTag);
        return state.deleteProps(tags, nullptr);
    }

    std::shared_ptr<Session> session_;
    std::mutex lock_;
    std::vector<std::string> searchPath_;
};

} // namespace

IAddrBook* newAddrBook(std::shared_ptr<Session> session) { return new (std::nothrow) AddrBook(std::move(session)); }

} // namespace wab32
