#include "uid_scan.h"

#include <cstring>

#include "pdx/memory.h"
#include "pdx/status.h"
#include "pdx/tags.h"

namespace pdx::mapi {
namespace {

// PR_DISPLAY_NAME, PR_ENTRYID, PR_OBJECT_TYPE, PR_CONTAINER_FLAGS, PR_DEPTH.
struct ScanColumns {
    ULONG cValues = 5;
    ULONG aulPropTag[5] = {PR_DISPLAY_NAME, PR_ENTRYID, PR_OBJECT_TYPE, PR_CONTAINER_FLAGS, PR_DEPTH};
    const SPropTagArray* get() const { return reinterpret_cast<const SPropTagArray*>(this); }
};
constexpr LONG kBatch = 10;

// The UID in bytes 4-19 of a row's PR_ENTRYID, when it has one that long.
bool rowUid(const SRow& row, MAPIUID& uid, SBinary* id = nullptr) {
    for (ULONG i = 0; i < row.cValues; ++i) {
        const SPropValue& v = row.lpProps[i];
        if (v.ulPropTag != PR_ENTRYID || v.Value.bin.cb < 20 || !v.Value.bin.lpb) continue;
        std::memcpy(uid.ab, v.Value.bin.lpb + 4, 16);
        if (id) *id = v.Value.bin;
        return true;
    }
    return false;
}

struct Rows {
    const MapiLibrary& lib;
    SRowSet* rows = nullptr;
    ~Rows() {
        if (rows) lib.freeProws(rows);
    }
};

// The UID of the container's first entry.
void scanFirstEntry(const MapiLibrary& lib, IAddrBook* book, const SBinary& id, IPDXSupport* support,
                    UidList& list) {
    ULONG type = 0;
    object_ptr<IUnknown> opened;
    if (FAILED(book->OpenEntry(id.cb, reinterpret_cast<ENTRYID*>(id.lpb), nullptr, 0, &type, opened.out())) ||
        !opened)
        return;
    object_ptr<IMAPITable> contents;
    if (FAILED(reinterpret_cast<IMAPIContainer*>(opened.get())->GetContentsTable(0, contents.out())) || !contents)
        return;
    const ScanColumns columns;
    if (FAILED(contents->SetColumns(columns.get(), 0)) || FAILED(contents->SeekRow(BOOKMARK_BEGINNING, 0, nullptr)))
        return;
    Rows first{lib};
    if (FAILED(contents->QueryRows(1, 0, &first.rows)) || !first.rows || !first.rows->cRows) return;
    MAPIUID uid;
    if (rowUid(first.rows->aRow[0], uid)) list.add(support, uid);
}

} // namespace

void UidList::add(IPDXSupport* support, const MAPIUID& uid) {
    for (const MAPIUID& known : uids_)
        if (std::memcmp(known.ab, uid.ab, 16) == 0) return;
    uids_.push_back(uid);
    support->SetProviderUID(&uid, 0);
}

void scanUids(const MapiLibrary& lib, IAddrBook* book, IPDXSupport* support, const MAPIUID& own, UidList& list) {
    ULONG type = 0;
    object_ptr<IUnknown> root;
    object_ptr<IMAPITable> hierarchy;
    if (SUCCEEDED(book->OpenEntry(0, nullptr, nullptr, 0, &type, root.out())) && root)
        reinterpret_cast<IMAPIContainer*>(root.get())->GetHierarchyTable(CONVENIENT_DEPTH, hierarchy.out());
    list.add(support, own);
    if (!hierarchy) return;
    const ScanColumns columns;
    if (FAILED(hierarchy->SetColumns(columns.get(), 0)) || FAILED(hierarchy->SeekRow(BOOKMARK_BEGINNING, 0, nullptr)))
        return;
    for (;;) {
        Rows batch{lib};
        if (FAILED(hierarchy->QueryRows(kBatch, 0, &batch.rows)) || !batch.rows) return;
        for (ULONG i = 0; i < batch.rows->cRows; ++i) {
            MAPIUID uid;
            SBinary id{};
            if (!rowUid(batch.rows->aRow[i], uid, &id)) continue;
            list.add(support, uid);
            scanFirstEntry(lib, book, id, support, list);
        }
        if (batch.rows->cRows < ULONG(kBatch)) return;
    }
}

} // namespace pdx::mapi
