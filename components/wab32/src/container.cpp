// The root container and the file's container. The root holds the file's
// container; the file's container holds the mail users and lists of the file.

#include "card_mapping.h"
#include "duplicates.h"
#include "objects.h"
#include "pdx/guard.h"
#include "pdx/tags.h"
#include "pdx_common/prop_copy.h"
#include "prop_answers.h"
#include "resolve.h"
#include "wab_tags.h"

namespace wab32 {

using namespace pdx;
using common::PropArray;

namespace {

PropArray containerProps(const Session& session, bool root) {
    PropArray p;
    const std::string id = root ? ContactStore::rootId() : ContactStore::containerId();
    p.setString(PR_DISPLAY_NAME, root ? std::string() : session.store->displayName());
    p.setBinary(PR_ENTRYID, id.data(), ULONG(id.size()));
    p.setBinary(PR_RECORD_KEY, id.data(), ULONG(id.size()));
    p.setBinary(PR_INSTANCE_KEY, id.data(), ULONG(id.size()));
    p.setLong(PR_OBJECT_TYPE, LONG(MAPI_ABCONT));
    if (root) {
        p.setLong(PR_CONTAINER_FLAGS, LONG(AB_SUBCONTAINERS | AB_UNMODIFIABLE));
        p.setLong(PR_DISPLAY_TYPE, LONG(DT_NOT_SPECIFIC));
    } else {
        p.setLong(PR_CONTAINER_FLAGS, LONG(AB_MODIFIABLE | AB_RECIPIENTS));
        p.setLong(PR_DISPLAY_TYPE, LONG(DT_MODIFIABLE));
        const std::string user = makeEntryId(EntryKind::MailUserTemplate);
        const std::string list = makeEntryId(EntryKind::DistListTemplate);
        p.setBinary(PR_DEF_CREATE_MAILUSER, user.data(), ULONG(user.size()));
        p.setBinary(PR_DEF_CREATE_DL, list.data(), ULONG(list.size()));
    }
    return p;
}

class Container final : public Object<Container, IABContainer> {
public:
    Container(std::shared_ptr<Session> s, bool root) : session_(std::move(s)), root_(root) {}

    HRESULT QueryInterface(LPCIID iid, void** out) override {
        return answer(iid, out, {&IID_IUnknown, &IID_IMAPIProp, &IID_IMAPIContainer, &IID_IABContainer});
    }
    HRESULT GetLastError(HRESULT, ULONG, MAPIERROR**) override { return MAPI_E_NO_SUPPORT; }
    // Every change is written when it is made.
    HRESULT SaveChanges(ULONG) override { return S_OK; }
    HRESULT GetProps(const SPropTagArray* tags, ULONG flags, ULONG* count, SPropValue** values) override {
        return guarded([&] { return answerProps(containerProps(*session_, root_), tags, flags, count, values); });
    }
    // With the contents and hierarchy tables, which OpenProperty serves, so a
    // copy of the container's properties (CopyTo) copies its entries too.
    HRESULT GetPropList(ULONG flags, SPropTagArray** tags) override {
        return guarded([&] {
            common::PropArray props = containerProps(*session_, root_);
            for (ULONG tag : {PR_CONTAINER_CONTENTS, PR_CONTAINER_HIERARCHY}) {
                SPropValue table{};
                table.ulPropTag = tag;
                props.set(table);
            }
            return answerPropList(props, flags, tags);
        });
    }
    HRESULT OpenProperty(ULONG tag, LPCIID iid, ULONG, ULONG flags, IUnknown** out) override {
        if (!out) return E_INVALIDARG;
        *out = nullptr;
        if (tag != PR_CONTAINER_CONTENTS && tag != PR_CONTAINER_HIERARCHY) return MAPI_E_NO_SUPPORT;
        if (!isIid(iid, IID_IMAPITable)) return E_NOINTERFACE;
        auto** table = reinterpret_cast<IMAPITable**>(out);
        return tag == PR_CONTAINER_CONTENTS ? GetContentsTable(flags, table) : GetHierarchyTable(flags, table);
    }
    // The container's properties follow from the file; they are not set.
    // Each one is reported as a problem, as MAPI objects report properties
    // they keep, so a copy into the container goes on with its entries.
    HRESULT SetProps(ULONG count, const SPropValue* values, SPropProblemArray** problems) override {
        return guarded([&] {
            std::vector<SPropProblem> refused;
            for (ULONG i = 0; i < count; ++i) refused.push_back({i, values[i].ulPropTag, E_ACCESSDENIED});
            return answerProblems(refused, problems);
        });
    }
    HRESULT DeleteProps(const SPropTagArray*, SPropProblemArray** problems) override {
        if (problems) *problems = nullptr;
        return E_ACCESSDENIED;
    }
    HRESULT CopyTo(ULONG, LPCIID, const SPropTagArray*, ULONG_PTR, IMAPIProgress*, LPCIID, void*, ULONG,
                   SPropProblemArray** problems) override {
        if (problems) *problems = nullptr;
        return MAPI_E_NO_SUPPORT;
    }
    HRESULT CopyProps(const SPropTagArray*, ULONG_PTR, IMAPIProgress*, LPCIID, void*, ULONG,
                      SPropProblemArray** problems) override {
        if (problems) *problems = nullptr;
        return MAPI_E_NO_SUPPORT;
    }
    HRESULT GetNamesFromIDs(SPropTagArray**, GUID*, ULONG, ULONG*, MAPINAMEID***) override { return MAPI_E_NO_SUPPORT; }
    HRESULT GetIDsFromNames(ULONG, MAPINAMEID**, ULONG, SPropTagArray**) override { return MAPI_E_NO_SUPPORT; }

    // WAB_LOCAL_CONTAINERS asks for local containers only: every container
    // here is the local file's. In profile mode the root holds folders, not
    // entries, unless WAB_PROFILE_CONTENTS asks for every folder's contents.
    HRESULT GetContentsTable(ULONG flags, IMAPITable** table) override {
        if (!table) return E_INVALIDARG;
        *table = nullptr;
        if (flags & MAPI_UNICODE) return MAPI_E_BAD_CHARWIDTH;
        return guarded([&] {
            std::vector<common::TableRow> rows;
            if (!root_ || !session_->profiles || (flags & WAB_PROFILE_CONTENTS)) {
                std::lock_guard g(session_->store->mutex());
                session_->store->refresh();
                rows = session_->store->rows();
            }
            *table = newContentsTable(std::move(rows));
            return *table ? S_OK : E_OUTOFMEMORY;
        });
    }
    HRESULT GetHierarchyTable(ULONG flags, IMAPITable** table) override {
        if (!table) return E_INVALIDARG;
        *table = nullptr;
        if (flags & MAPI_UNICODE) return MAPI_E_BAD_CHARWIDTH;
        return guarded([&] {
            std::vector<common::TableRow> rows;
            if (root_) {
                auto row = std::make_shared<PropArray>(containerProps(*session_, false));
                row->setLong(PR_DEPTH, 0);
                rows.push_back(std::move(row));
            }
            *table = newTable(std::move(rows), {PR_DISPLAY_NAME, PR_ENTRYID, PR_OBJECT_TYPE, PR_CONTAINER_FLAGS,
                                                PR_DEPTH, PR_DISPLAY_TYPE, PR_INSTANCE_KEY});
            return *table ? S_OK : E_OUTOFMEMORY;
        });
    }
    HRESULT OpenEntry(ULONG cb, ENTRYID* id, LPCIID iid, ULONG flags, ULONG* type, IUnknown** out) override {
        return guarded([&] { return openEntry(session_, cb, id, iid, flags, type, out); });
    }
    HRESULT SetSearchCriteria(SRestriction*, ENTRYLIST*, ULONG) override { return MAPI_E_NO_SUPPORT; }
    HRESULT GetSearchCriteria(ULONG, SRestriction**, ENTRYLIST**, ULONG*) override { return MAPI_E_NO_SUPPORT; }

    // A creation template gives a new entry; an existing entry's id gives a
    // new entry with a copy of its properties. Either is written by its
    // SaveChanges, which also does the duplicate check the flags ask for.
    HRESULT CreateEntry(ULONG cb, ENTRYID* id, ULONG flags, IMAPIProp** out) override {
        if (!out) return E_INVALIDARG;
        *out = nullptr;
        return guarded([&]() -> HRESULT {
            EntryRef ref;
            if (!parseEntryId(id, cb, ref)) return MAPI_E_INVALID_ENTRYID;
            std::shared_ptr<EntryState> state;
            switch (ref.kind) {
            case EntryKind::MailUserTemplate: state = EntryState::created(session_, EntryKind::MailUser, flags); break;
            case EntryKind::DistListTemplate: state = EntryState::created(session_, EntryKind::DistList, flags); break;
            case EntryKind::MailUser:
            case EntryKind::DistList:
            case EntryKind::OneOff: {
                std::shared_ptr<const PropArray> source;
                {
                    std::lock_guard g(session_->store->mutex());
                    source = session_->store->propsOf(ref);
                }
                if (!source) return MAPI_E_NOT_FOUND;
                state = EntryState::created(
                    session_, ref.kind == EntryKind::DistList ? EntryKind::DistList : EntryKind::MailUser, flags);
                std::vector<SPropValue> copy;
                for (ULONG i = 0; i < source->size(); ++i)
                    if (SUCCEEDED(canStore(source->data()[i]))) copy.push_back(source->data()[i]);
                HRESULT h = state->setProps(ULONG(copy.size()), copy.data(), nullptr);
                if (FAILED(h)) return h;
                break;
            }
            default: return MAPI_E_INVALID_ENTRYID;
            }
            *out = newEntryObject(std::move(state));
            return *out ? S_OK : E_OUTOFMEMORY;
        });
    }
    HRESULT CopyEntries(ENTRYLIST* entries, ULONG_PTR, IMAPIProgress*, ULONG flags) override {
        return guarded([&]() -> HRESULT {
            size_t foreign = 0;
            const std::vector<std::string> ids = ownIds(entries, &foreign);
            size_t copied = 0;
            for (const std::string& id : ids) {
                EntryRef ref;
                parseEntryId(id.data(), ULONG(id.size()), ref);
                if (ref.kind != EntryKind::MailUser && ref.kind != EntryKind::DistList) continue;
                // The file holds one container, so the copy would duplicate its own
                // source: a duplicate check leaves it out, a replace leaves the
                // source as it is (the copy would replace it with itself).
                if (flags & CREATE_REPLACE) {
                    ++copied;
                    continue;
                }
                if (flags & (CREATE_CHECK_DUP_STRICT | CREATE_CHECK_DUP_LOOSE)) continue;
                Key copy{};
                HRESULT h;
                {
                    std::lock_guard g(session_->store->mutex());
                    h = session_->store->duplicate(ref.key, &copy);
                }
                if (h == MAPI_E_OBJECT_CHANGED || h == MAPI_E_CORRUPT_DATA) return h;
                if (FAILED(h)) continue;
                ++copied;
                session_->advise.notify(fnevObjectCreated, makeEntryId(ref.kind, copy),
                                        ref.kind == EntryKind::DistList ? MAPI_DISTLIST : MAPI_MAILUSER);
            }
            return copied == ids.size() && foreign == 0 ? S_OK : MAPI_W_PARTIAL_COMPLETION;
        });
    }
    HRESULT DeleteEntries(ENTRYLIST* entries, ULONG) override {
        return guarded([&]() -> HRESULT {
            size_t foreign = 0;
            const std::vector<std::string> ids = ownIds(entries, &foreign);
            std::vector<Key> keys;
            std::vector<EntryRef> refs;
            for (const std::string& id : ids) {
                EntryRef ref;
                parseEntryId(id.data(), ULONG(id.size()), ref);
                if (ref.kind == EntryKind::MailUser || ref.kind == EntryKind::DistList) {
                    keys.push_back(ref.key);
                    refs.push_back(ref);
                }
            }
            size_t deleted = 0;
            {
                std::lock_guard g(session_->store->mutex());
                HRESULT h = session_->store->deleteEntries(keys, &deleted);
                if (FAILED(h)) return h;
            }
            for (const EntryRef& r : refs)
                session_->advise.notify(fnevObjectDeleted, makeEntryId(r.kind, r.key),
                                        r.kind == EntryKind::DistList ? MAPI_DISTLIST : MAPI_MAILUSER);
            return deleted == ids.size() && foreign == 0 ? S_OK : MAPI_W_PARTIAL_COMPLETION;
        });
    }
    // Unresolved entries whose display name names exactly one entry take its
    // properties; several make the entry ambiguous.
    HRESULT ResolveNames(const SPropTagArray* tags, ULONG flags, ADRLIST* list, SFlagList* flagList) override {
        if (!list || !flagList || flagList->cFlags != list->cEntries) return E_INVALIDARG;
        if (flags & MAPI_UNICODE) return MAPI_E_BAD_CHARWIDTH;
        return guarded([&]() -> HRESULT {
            std::lock_guard g(session_->store->mutex());
            session_->store->refresh();
            for (ULONG i = 0; i < list->cEntries; ++i) {
                if (flagList->ulFlag[i] != MAPI_UNRESOLVED) continue;
                ADRENTRY& entry = list->aEntries[i];
                const SPropValue* name = common::findProp(entry.rgPropVals, entry.rgPropVals ? entry.cValues : 0,
                                                          PR_DISPLAY_NAME);
                if (!name || !name->Value.lpszA) continue;
                const std::vector<const Entry*> found = matchName(*session_->store, name->Value.lpszA);
                if (found.size() > 1) flagList->ulFlag[i] = MAPI_AMBIGUOUS;
                if (found.size() != 1) continue;
                HRESULT h = fillAdrEntry(entry, *found.front()->props, tags);
                if (FAILED(h)) return h;
                flagList->ulFlag[i] = MAPI_RESOLVED;
            }
            return S_OK;
        });
    }

private:
    std::shared_ptr<Session> session_;
    bool root_;
};

} // namespace

IABContainer* newContainer(std::shared_ptr<Session> session, bool root) {
    return new (std::nothrow) Container(std::move(session), root);
}

} // namespace wab32
