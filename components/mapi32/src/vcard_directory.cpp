#include "vcard_directory.h"

#include <cstring>

#include "entry_ids.h"
#include "pdx/mapi.h"
#include "pdx/status.h"
#include "pdx/tags.h"
#include "wab_tags.h"

namespace mapi32 {

using namespace pdx;

namespace {
// The properties that hold an identifier of the store.
constexpr ULONG kIdTags[] = {PR_ENTRYID, wab32::PR_RECORD_KEY, PR_INSTANCE_KEY};
} // namespace

VCardDirectory::VCardDirectory(const ServiceConfig& config)
    : Directory(config), path_(config.setting(PR_VELMO_VCARD_FILE)) {
    idUid(wab32::ContactStore::containerId(), storeUid_);
}

HRESULT VCardDirectory::current(std::shared_ptr<wab32::ContactStore>& store, std::unique_lock<std::mutex>& lock) {
    if (path_.empty()) return MAPI_E_UNCONFIGURED;
    {
        std::lock_guard g(lock_);
        if (!store_)
            if (HRESULT h = wab32::ContactStore::open(path_, store_); FAILED(h)) return h;
        store = store_;
    }
    lock = std::unique_lock(store->mutex());
    return store->refresh();
}

std::string VCardDirectory::toService(std::string_view storeId) const {
    std::string id(storeId);
    MAPIUID u;
    if (idUid(id, u) && sameUid(u, storeUid_)) std::memcpy(id.data() + 4, uid().ab, 16);
    return id;
}

bool VCardDirectory::toStore(std::string_view serviceId, std::string& storeId) const {
    MAPIUID u;
    if (!idUid(serviceId, u) || !sameUid(u, uid())) return false;
    storeId.assign(serviceId);
    std::memcpy(storeId.data() + 4, storeUid_.ab, 16);
    return true;
}

TableRow VCardDirectory::toServiceRow(const common::PropArray& props) const {
    auto row = std::make_shared<common::PropArray>(props);
    for (ULONG tag : kIdTags)
        if (const SPropValue* v = props.find(tag); v && v->Value.bin.lpb) {
            const std::string id = toService({reinterpret_cast<const char*>(v->Value.bin.lpb), v->Value.bin.cb});
            row->setBinary(tag, id.data(), ULONG(id.size()));
        }
    return row;
}

HRESULT VCardDirectory::contents(std::vector<TableRow>& rows) {
    std::shared_ptr<wab32::ContactStore> store;
    std::unique_lock<std::mutex> lock;
    if (HRESULT h = current(store, lock); FAILED(h)) return h;
    rows.clear();
    rows.reserve(store->entries().size());
    for (const wab32::Entry& e : store->entries()) rows.push_back(toServiceRow(*e.props));
    return S_OK;
}

HRESULT VCardDirectory::entry(const std::string& id, TableRow& props) {
    std::string storeId;
    wab32::EntryRef ref;
    if (!toStore(id, storeId) || !wab32::parseEntryId(storeId.data(), ULONG(storeId.size()), ref))
        return MAPI_E_INVALID_ENTRYID;
    std::shared_ptr<wab32::ContactStore> store;
    std::unique_lock<std::mutex> lock;
    if (HRESULT h = current(store, lock); FAILED(h)) return h;
    auto found = store->propsOf(ref);
    if (!found) return MAPI_E_NOT_FOUND;
    props = toServiceRow(*found);
    return S_OK;
}

HRESULT VCardDirectory::members(const std::string& listId, std::vector<TableRow>& rows) {
    std::string storeId;
    wab32::EntryRef ref;
    if (!toStore(listId, storeId) || !wab32::parseEntryId(storeId.data(), ULONG(storeId.size()), ref) ||
        ref.kind != wab32::EntryKind::DistList)
        return MAPI_E_INVALID_ENTRYID;
    std::shared_ptr<wab32::ContactStore> store;
    std::unique_lock<std::mutex> lock;
    if (HRESULT h = current(store, lock); FAILED(h)) return h;
    const wab32::Entry* list = store->find(ref.key);
    if (!list || list->kind != wab32::EntryKind::DistList) return MAPI_E_NOT_FOUND;
    rows.clear();
    for (const TableRow& member : store->memberRows(*list)) rows.push_back(toServiceRow(*member));
    return S_OK;
}

} // namespace mapi32
