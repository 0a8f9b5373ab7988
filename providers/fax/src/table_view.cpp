#include "table_view.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "pdx/guard.h"
#include "pdx/status.h"
#include "table_data.h"

namespace vqfax {

TableView* TableView::create(TableData* data) { return new (std::nothrow) TableView(data); }

TableView::TableView(TableData* data) : data_(data) { data_->AddRef(); }
TableView::~TableView() { data_->Release(); }

HRESULT TableView::QueryInterface(LPCIID iid, void** out) {
    if (!writableOut(out)) return E_INVALIDARG;
    if (!isIid(iid, IID_IUnknown) && !isIid(iid, IID_IMAPITable)) {
        *out = nullptr;
        return E_NOINTERFACE;
    }
    AddRef();
    *out = static_cast<IMAPITable*>(this);
    return S_OK;
}

ULONG TableView::AddRef() {
    std::lock_guard g(lock_);
    return ++refs_;
}

ULONG TableView::Release() {
    ULONG left;
    {
        std::lock_guard g(lock_);
        left = --refs_;
    }
    if (!left) delete this;
    return left;
}

HRESULT TableView::GetLastError(HRESULT, ULONG, MAPIERROR**) { return MAPI_E_NO_SUPPORT; }
HRESULT TableView::Advise(ULONG, IMAPIAdviseSink*, ULONG_PTR*) { return MAPI_E_NO_SUPPORT; }
HRESULT TableView::Unadvise(ULONG_PTR) { return MAPI_E_NO_SUPPORT; }

HRESULT TableView::GetStatus(ULONG* status, ULONG* type) {
    if (!writableOut(status) || !writableOut(type)) return E_INVALIDARG;
    *status = 0;
    *type = TableData::kTableType;
    return S_OK;
}

HRESULT TableView::SetColumns(const SPropTagArray* columns, ULONG) {
    return guarded([&]() -> HRESULT {
        if (!columns || !readableIn(columns, cbTagArray(0)) || !readableIn(columns, cbTagArray(columns->cValues)))
            return E_INVALIDARG;
        Owned<SPropTagArray> copy;
        if (HRESULT h = allocate(cbTagArray(columns->cValues), copy.out()); FAILED(h)) return h;
        std::memcpy(copy.get(), columns, cbTagArray(columns->cValues));
        std::lock_guard g(lock_);
        columns_ = std::move(copy);
        return S_OK;
    });
}

HRESULT TableView::QueryColumns(ULONG, SPropTagArray** columns) {
    return guarded([&]() -> HRESULT {
        if (!writableOut(columns)) return E_INVALIDARG;
        *columns = nullptr;
        std::lock_guard g(lock_);
        const SPropTagArray* current = columns_ ? columns_.get() : data_->columns();
        Owned<SPropTagArray> copy;
        if (HRESULT h = allocate(cbTagArray(current->cValues), copy.out()); FAILED(h)) return h;
        std::memcpy(copy.get(), current, cbTagArray(current->cValues));
        *columns = copy.release();
        return S_OK;
    });
}

HRESULT TableView::GetRowCount(ULONG, ULONG* count) {
    if (!writableOut(count)) return E_INVALIDARG;
    *count = data_->rowCount();
    return S_OK;
}

HRESULT TableView::seek(BOOKMARK origin, LONG rows) {
    const LONG count = static_cast<LONG>(data_->rowCount());
    int64_t base;
    if (origin == BOOKMARK_BEGINNING) base = 0;
    else if (origin == BOOKMARK_CURRENT) base = current_;
    else if (origin == BOOKMARK_END) base = int64_t(count) - 1;
    else if (origin >= kFirstBookmark && origin < kFirstBookmark + kBookmarkSlots && bookmarks_ &&
             (*bookmarks_)[origin - kFirstBookmark] >= 0)
        base = (*bookmarks_)[origin - kFirstBookmark];
    else return MAPI_E_INVALID_BOOKMARK;
    // Clamped to the rows there are; an empty table stays at row 0, where
    // reading finds nothing.
    int64_t target = std::min<int64_t>(base + rows, int64_t(count) - 1);
    current_ = static_cast<LONG>(std::max<int64_t>(target, 0));
    return S_OK;
}

HRESULT TableView::SeekRow(BOOKMARK origin, LONG rowCount, LONG* rowsSought) {
    std::lock_guard g(lock_);
    if (HRESULT h = seek(origin, rowCount); FAILED(h)) return h;
    if (rowsSought && writableOut(rowsSought)) *rowsSought = current_;
    return S_OK;
}

HRESULT TableView::SeekRowApprox(ULONG numerator, ULONG denominator) {
    if (denominator == 0) return E_INVALIDARG;
    std::lock_guard g(lock_);
    const uint64_t target = uint64_t(numerator) * data_->rowCount() / denominator;
    return seek(BOOKMARK_BEGINNING, static_cast<LONG>(std::min<uint64_t>(target, INT32_MAX)));
}

HRESULT TableView::QueryPosition(ULONG* row, ULONG* numerator, ULONG* denominator) {
    std::lock_guard g(lock_);
    const ULONG count = data_->rowCount();
    if (row && writableOut(row)) *row = ULONG(current_);
    if (numerator && writableOut(numerator)) *numerator = ULONG(current_);
    if (denominator && writableOut(denominator)) *denominator = count;
    return S_OK;
}

HRESULT TableView::FindRow(SRestriction*, BOOKMARK, ULONG) { return MAPI_E_NO_SUPPORT; }
HRESULT TableView::Restrict(SRestriction*, ULONG) { return MAPI_E_NO_SUPPORT; }

HRESULT TableView::CreateBookmark(BOOKMARK* position) {
    if (!writableOut(position)) return E_INVALIDARG;
    std::lock_guard g(lock_);
    if (!bookmarks_) {
        bookmarks_.emplace();
        bookmarks_->fill(-1);
    }
    for (size_t slot = 0; slot < kBookmarkSlots; ++slot) {
        if ((*bookmarks_)[slot] < 0) {
            (*bookmarks_)[slot] = current_;
            *position = kFirstBookmark + slot;
            return S_OK;
        }
    }
    return MAPI_E_UNABLE_TO_COMPLETE;
}

HRESULT TableView::FreeBookmark(BOOKMARK position) {
    std::lock_guard g(lock_);
    // A slot already freed no longer names a bookmark, for this as for SeekRow.
    if (position < kFirstBookmark || position >= kFirstBookmark + kBookmarkSlots || !bookmarks_ ||
        (*bookmarks_)[position - kFirstBookmark] < 0)
        return MAPI_E_INVALID_BOOKMARK;
    (*bookmarks_)[position - kFirstBookmark] = -1;
    return S_OK;
}

HRESULT TableView::SortTable(SSortOrderSet*, ULONG) { return MAPI_E_NO_SUPPORT; }
HRESULT TableView::QuerySortOrder(SSortOrderSet**) { return MAPI_E_NO_SUPPORT; }

HRESULT TableView::QueryRows(LONG rowCount, ULONG, SRowSet** rows) {
    return guarded([&]() -> HRESULT {
        // Reading backwards is not offered: no caller of this system asks for it.
        if (rowCount <= 0) return E_INVALIDARG;
        if (!writableOut(rows)) return E_INVALIDARG;
        *rows = nullptr;
        std::lock_guard g(lock_);
        const ULONG count = data_->rowCount();
        const ULONG available = ULONG(current_) < count ? count - ULONG(current_) : 0;
        const ULONG wanted = std::min<ULONG>(ULONG(rowCount), available);
        Owned<SRowSet> set;
        if (HRESULT h = allocate(cbRowSet(wanted ? wanted : 1), set.out()); FAILED(h)) return h;
        set->cRows = 0;
        auto freeRows = [&] {
            for (ULONG i = 0; i < set->cRows; ++i) freeBuffer(set->aRow[i].lpProps);
        };
        for (ULONG i = 0; i < wanted; ++i) {
            SRow row{};
            HRESULT h = data_->projectRow(ULONG(current_) + i, columns_.get(), row);
            if (h == MAPI_E_NOT_FOUND) continue; // deleted meanwhile
            if (FAILED(h)) {
                freeRows();
                return h;
            }
            set->aRow[set->cRows++] = row;
        }
        current_ += LONG(set->cRows);
        *rows = set.release();
        return S_OK;
    });
}

HRESULT TableView::Abort() { return MAPI_E_NO_SUPPORT; }
HRESULT TableView::ExpandRow(BOOKMARK, ULONG, ULONG, SRowSet**, ULONG*) { return MAPI_E_NO_SUPPORT; }
HRESULT TableView::CollapseRow(BOOKMARK, ULONG, ULONG*) { return MAPI_E_NO_SUPPORT; }
HRESULT TableView::WaitForCompletion(ULONG, ULONG, ULONG*) { return MAPI_E_NO_SUPPORT; }
HRESULT TableView::GetCollapseState(ULONG, ULONG, BYTE*, ULONG*, BYTE**) { return MAPI_E_NO_SUPPORT; }
HRESULT TableView::SetCollapseState(ULONG, ULONG, BYTE*, BOOKMARK*) { return MAPI_E_NO_SUPPORT; }

} // namespace vqfax
