#include <vector>

#include "objects.h"
#include "pdx/tags.h"
#include "pdx_common/snapshot_table.h"
#include "wab_tags.h"

namespace wab32 {

using namespace pdx;

HRESULT openEntry(const std::shared_ptr<Session>& session, ULONG cb, const ENTRYID* id, LPCIID iid, ULONG,
                  ULONG* objectType, IUnknown** out) {
    if (!objectType || !out) return E_INVALIDARG;
    *out = nullptr;
    *objectType = 0;
    EntryRef ref;
    if (cb == 0 || !id) ref.kind = EntryKind::Root;
    else if (!parseEntryId(id, cb, ref)) return MAPI_E_UNKNOWN_ENTRYID;

    IUnknown* object = nullptr;
    ULONG type = 0;
    switch (ref.kind) {
    case EntryKind::Root:
    case EntryKind::Container:
        object = newContainer(session, ref.kind == EntryKind::Root);
        type = MAPI_ABCONT;
        break;
    case EntryKind::MailUser:
    case EntryKind::DistList: {
        std::shared_ptr<EntryState> state;
        {
            std::lock_guard g(session->store->mutex());
            session->store->refresh();
            const Entry* e = session->store->find(ref.key);
            if (!e || e->kind != ref.kind) return MAPI_E_NOT_FOUND;
            state = EntryState::existing(session, *e);
        }
        object = newEntryObject(state);
        type = ref.kind == EntryKind::DistList ? MAPI_DISTLIST : MAPI_MAILUSER;
        break;
    }
    case EntryKind::OneOff:
        object = newEntryObject(EntryState::oneOff(session, ref));
        type = MAPI_MAILUSER;
        break;
    default:
        // Creation templates are used through CreateEntry, not opened.
        return MAPI_E_NO_SUPPORT;
    }
    if (!object) return E_OUTOFMEMORY;
    if (iid) {
        void* wanted = nullptr;
        const HRESULT h = object->QueryInterface(iid, &wanted);
        object->Release();
        if (FAILED(h)) return h;
        object = static_cast<IUnknown*>(wanted);
    }
    *objectType = type;
    *out = object;
    return S_OK;
}

IMAPITable* newTable(std::vector<common::TableRow> rows, std::initializer_list<ULONG> columns) {
    std::vector<ULONG> buffer(columns.size() + 1);
    auto* tags = reinterpret_cast<SPropTagArray*>(buffer.data());
    tags->cValues = ULONG(columns.size());
    std::copy(columns.begin(), columns.end(), tags->aulPropTag);
    return common::SnapshotTable::create(std::move(rows), tags, wabDomain());
}

IMAPITable* newContentsTable(std::vector<common::TableRow> rows) {
    return newTable(std::move(rows), {PR_DISPLAY_NAME, PR_ENTRYID, PR_OBJECT_TYPE, PR_DISPLAY_TYPE, PR_ADDRTYPE,
                                      PR_EMAIL_ADDRESS, PR_INSTANCE_KEY, PR_RECORD_KEY});
}

std::vector<std::string> ownIds(const ENTRYLIST* list, size_t* foreign) {
    std::vector<std::string> ids;
    *foreign = 0;
    if (!list || (list->cValues && !list->lpbin)) return ids;
    for (ULONG i = 0; i < list->cValues; ++i) {
        const SBinary& b = list->lpbin[i];
        EntryRef ref;
        if (parseEntryId(b.lpb, b.cb, ref)) ids.emplace_back(reinterpret_cast<const char*>(b.lpb), b.cb);
        else ++*foreign;
    }
    return ids;
}

} // namespace wab32
