// The address book's defaults: personal address book, default directory and
// search path, each a container identifier kept in the property list.

#include <algorithm>

#include "address_book.h"
#include "allocator.h"
#include "checks.h"
#include "hierarchy.h"
#include "pdx/status.h"
#include "pdx/tags.h"
#include "row_reader.h"

namespace pdx::core {

using Lock = std::lock_guard<std::recursive_mutex>;

std::vector<EntryId> AddressBook::storedIds(ULONG tag) {
    std::vector<EntryId> ids;
    const PropNode* node = bag_.list().find(tag);
    if (!node) return ids;
    Buffer<uint8_t> holder;
    if (FAILED(allocRoot(0, holder.out()))) return ids;
    SPropValue v{};
    if (FAILED(copyNodeOut(*node, v, holder.get()))) return ids;
    if (PROP_TYPE(v.ulPropTag) == PT_BINARY) {
        if (v.Value.bin.cb) ids.push_back(entryIdOf(v.Value.bin));
    } else if (PROP_TYPE(v.ulPropTag) == PT_MV_BINARY) {
        for (ULONG i = 0; i < v.Value.MVbin.cValues; ++i)
            if (v.Value.MVbin.lpbin[i].cb) ids.push_back(entryIdOf(v.Value.MVbin.lpbin[i]));
    }
    return ids;
}

HRESULT AddressBook::storeIds(ULONG tag, const std::vector<EntryId>& ids, bool changed) {
    SPropValue v{};
    v.ulPropTag = tag;
    std::vector<SBinary> bins;
    for (const auto& id : ids) bins.push_back({entrySize(id), const_cast<BYTE*>(id.data())});
    if (PROP_TYPE(tag) == PT_MV_BINARY) {
        v.Value.MVbin = {ULONG(bins.size()), bins.data()};
    } else {
        if (bins.size() != 1) return E_INVALIDARG;
        v.Value.bin = bins[0];
    }
    PropList& list = bag_.list();
    if (HRESULT h = list.set(v); FAILED(h)) return h;
    if (!changed) list.find(tag)->flags &= ~kNodeChanged;
    return S_OK;
}

bool AddressBook::validContainer(const EntryId& id, ULONG containerFlags) {
    EntryId copy = id;
    ULONG type = 0;
    object_ptr<IUnknown> opened;
    if (FAILED(OpenEntry(entrySize(copy), entryPtr(copy), nullptr, 0, &type, opened.out())) || !opened) return false;
    SPropTagArray tag{1, {PR_CONTAINER_FLAGS}};
    ULONG n = 0;
    Buffer<SPropValue> v;
    if (FAILED(reinterpret_cast<IMAPIProp*>(opened.get())->GetProps(&tag, 0, &n, v.out())) || n != 1 || !v ||
        v[0].ulPropTag != PR_CONTAINER_FLAGS)
        return false;
    return (v[0].Value.ul & containerFlags) == containerFlags;
}

HRESULT AddressBook::hierarchyContainers(std::vector<std::pair<EntryId, ULONG>>& out) {
    object_ptr<IMAPITable> table;
    HRESULT h = buildHierarchy(*this, providers_->providers(), CONVENIENT_DEPTH, table.out());
    if (FAILED(h)) return h;
    struct { ULONG c; ULONG t[2]; } cols = {2, {PR_ENTRYID, PR_CONTAINER_FLAGS}};
    return readRows(table.get(), reinterpret_cast<SPropTagArray*>(&cols), [&](SRow& row) {
        const SPropValue* id = columnValue(row, 0, PR_ENTRYID);
        const SPropValue* flags = columnValue(row, 1, PR_CONTAINER_FLAGS);
        if (id && flags) out.emplace_back(entryIdOf(id->Value.bin), flags->Value.ul);
        return S_OK;
    });
}

HRESULT AddressBook::getDefault(ULONG containerFlags, ULONG tag, ULONG* cb, ENTRYID** out) {
    if (!writableOut(cb) || !writableOut(out)) return E_INVALIDARG;
    *out = nullptr;
    Lock g(bag_.lock());
    const std::vector<EntryId> stored = storedIds(tag);
    if (stored.size() == 1 && validContainer(stored[0], containerFlags)) return copyEntryIdOut(stored[0], cb, out);
    std::vector<std::pair<EntryId, ULONG>> rows;
    if (HRESULT h = hierarchyContainers(rows); FAILED(h)) return h;
    for (const auto& [id, flags] : rows) {
        if ((flags & containerFlags) != containerFlags) continue;
        // Remembered for this session only: the registry keeps what it held.
        if (HRESULT h = storeIds(tag, {id}, false); FAILED(h)) return h;
        return copyEntryIdOut(id, cb, out);
    }
    return E_FAIL;
}

HRESULT AddressBook::setDefault(ULONG containerFlags, ULONG tag, ULONG cb, ENTRYID* id) {
    if (cb == 0 || !id) return E_FAIL;
    if (!readable(id, cb)) return E_INVALIDARG;
    const EntryId wanted(reinterpret_cast<const uint8_t*>(id), reinterpret_cast<const uint8_t*>(id) + cb);
    Lock g(bag_.lock());
    if (!validContainer(wanted, containerFlags)) return E_FAIL;
    return storeIds(tag, {wanted}, true);
}

void AddressBook::checkSearchPath() {
    Lock g(bag_.lock());
    const std::vector<EntryId> stored = storedIds(PR_AB_SEARCH_PATH);
    if (!stored.empty()) {
        std::vector<EntryId> passing;
        for (const auto& id : stored)
            if (validContainer(id, AB_RECIPIENTS)) passing.push_back(id);
        // Only a path that lost some of its containers is trimmed and saved; a
        // path that is still whole is rebuilt from the hierarchy like a
        // missing one, for this session only.
        if (!passing.empty() && passing.size() < stored.size()) {
            storeIds(PR_AB_SEARCH_PATH, passing, true); // shortened, and written back at the end
            return;
        }
    }
    std::vector<std::pair<EntryId, ULONG>> rows;
    if (FAILED(hierarchyContainers(rows))) return;
    std::vector<EntryId> path;
    for (const auto& [id, flags] : rows)
        if (flags & AB_RECIPIENTS) path.push_back(id);
    storeIds(PR_AB_SEARCH_PATH, path, false);
}

HRESULT AddressBook::GetSearchPath(ULONG flags, SRowSet** path) {
    return inSession([&]() -> HRESULT {
        if (!writableOut(path)) return E_INVALIDARG;
        *path = nullptr;
        if (flags & MAPI_UNICODE) return MAPI_E_BAD_CHARWIDTH;
        std::vector<EntryId> ids;
        {
            Lock g(bag_.lock());
            ids = storedIds(PR_AB_SEARCH_PATH);
        }
        if (ids.empty()) return MAPI_E_NOT_FOUND;
        RowSet rows;
        if (HRESULT h = allocRoot(cbRowSet(ULONG(ids.size())), rows.out()); FAILED(h)) return h;
        for (size_t i = 0; i < ids.size(); ++i) {
            SRow& row = rows->aRow[i];
            if (HRESULT h = allocRoot(sizeof(SPropValue), &row.lpProps); FAILED(h)) return h;
            rows->cRows = ULONG(i + 1);
            row.cValues = 1;
            row.lpProps->ulPropTag = PR_ENTRYID;
            BYTE* bytes = nullptr;
            if (HRESULT h = allocMore(ids[i].size(), row.lpProps, &bytes); FAILED(h)) return h;
            std::copy(ids[i].begin(), ids[i].end(), bytes);
            row.lpProps->Value.bin = {entrySize(ids[i]), bytes};
        }
        *path = rows.release();
        return S_OK;
    });
}

HRESULT AddressBook::SetSearchPath(ULONG flags, SRowSet* path) {
    return inSession([&]() -> HRESULT {
        if (flags & MAPI_UNICODE) return MAPI_E_BAD_CHARWIDTH;
        if (!path || !readable(path, sizeof(ULONG)) || path->cRows == 0 || !readable(path, cbRowSet(path->cRows)))
            return E_INVALIDARG;
        std::vector<EntryId> kept;
        Lock g(bag_.lock());
        for (ULONG i = 0; i < path->cRows; ++i) {
            const SRow& row = path->aRow[i];
            if (row.cValues == 0 || !readable(row.lpProps, sizeof(SPropValue))) continue;
            const SPropValue& first = row.lpProps[0];
            if (first.ulPropTag != PR_ENTRYID || first.Value.bin.cb == 0 ||
                !readable(first.Value.bin.lpb, first.Value.bin.cb))
                continue;
            EntryId id = entryIdOf(first.Value.bin);
            if (validContainer(id, AB_RECIPIENTS)) kept.push_back(std::move(id));
        }
        if (kept.empty()) return E_INVALIDARG;
        return storeIds(PR_AB_SEARCH_PATH, kept, true);
    });
}

} // namespace pdx::core
