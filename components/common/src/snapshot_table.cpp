#include "pdx_common/snapshot_table.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "pdx/guard.h"
#include "pdx/guids.h"
#include "pdx/status.h"
#include "pdx/tags.h"
#include "pdx_common/row_filter.h"

namespace pdx::common {

using Lock = std::lock_guard<std::mutex>;

SnapshotTable::SnapshotTable(std::vector<TableRow> rows, const MemoryDomain& domain)
    : domain_(domain), rows_(std::move(rows)) {
    view_.resize(rows_.size());
    for (size_t i = 0; i < view_.size(); ++i) view_[i] = i;
}

SnapshotTable* SnapshotTable::create(std::vector<TableRow> rows, const SPropTagArray* columns,
                                     const MemoryDomain& domain) {
    auto* t = new (std::nothrow) SnapshotTable(std::move(rows), domain);
    if (t && columns) t->columns_.assign(columns->aulPropTag, columns->aulPropTag + columns->cValues);
    return t;
}

HRESULT SnapshotTable::QueryInterface(LPCIID iid, void** out) {
    if (!out) return E_INVALIDARG;
    if (!isIid(iid, IID_IUnknown) && !isIid(iid, IID_IMAPITable)) {
        *out = nullptr;
        return E_NOINTERFACE;
    }
    AddRef();
    *out = static_cast<IMAPITable*>(this);
    return S_OK;
}

ULONG SnapshotTable::AddRef() {
    Lock g(lock_);
    return ++refs_;
}

ULONG SnapshotTable::Release() {
    ULONG left;
    {
        Lock g(lock_);
        left = --refs_;
    }
    if (left == 0) delete this;
    return left;
}

HRESULT SnapshotTable::GetLastError(HRESULT, ULONG, MAPIERROR**) { return MAPI_E_NO_SUPPORT; }
// A snapshot never changes, so there is nothing to notify.
HRESULT SnapshotTable::Advise(ULONG, IMAPIAdviseSink*, ULONG_PTR*) { return MAPI_E_NO_SUPPORT; }
HRESULT SnapshotTable::Unadvise(ULONG_PTR) { return MAPI_E_NO_SUPPORT; }

HRESULT SnapshotTable::GetStatus(ULONG* status, ULONG* type) {
    if (!status || !type) return E_INVALIDARG;
    *status = 0; // TBLSTAT_COMPLETE
    *type = 0;   // TBLTYPE_SNAPSHOT
    return S_OK;
}

HRESULT SnapshotTable::SetColumns(const SPropTagArray* columns, ULONG) {
    if (!columns || columns->cValues == 0) return E_INVALIDARG;
    return guarded([&] {
        Lock g(lock_);
        columns_.assign(columns->aulPropTag, columns->aulPropTag + columns->cValues);
        return S_OK;
    });
}

HRESULT SnapshotTable::QueryColumns(ULONG flags, SPropTagArray** out) {
    if (!out) return E_INVALIDARG;
    *out = nullptr;
    return guarded([&] {
        Lock g(lock_);
        std::vector<ULONG> tags;
        if (flags & TBL_ALL_COLUMNS || columns_.empty()) {
            // Every property any row has, in the order first met.
            for (const TableRow& row : rows_)
                for (ULONG i = 0; i < row->size(); ++i) {
                    const ULONG tag = row->data()[i].ulPropTag;
                    if (std::find(tags.begin(), tags.end(), tag) == tags.end()) tags.push_back(tag);
                }
        } else {
            tags = columns_;
        }
        void* p = nullptr;
        HRESULT h = domain_.allocate(ULONG(cbTagArray(ULONG(tags.size()))), &p);
        if (FAILED(h)) return h;
        auto* array = static_cast<SPropTagArray*>(p);
        array->cValues = ULONG(tags.size());
        std::copy(tags.begin(), tags.end(), array->aulPropTag);
        *out = array;
        return S_OK;
    });
}

HRESULT SnapshotTable::GetRowCount(ULONG, ULONG* count) {
    if (!count) return E_INVALIDARG;
    Lock g(lock_);
    *count = ULONG(view_.size());
    return S_OK;
}

long SnapshotTable::positionOf(BOOKMARK bookmark) const {
    switch (bookmark) {
    case BOOKMARK_BEGINNING: return 0;
    case BOOKMARK_CURRENT: return long(cursor_);
    case BOOKMARK_END: return long(view_.size());
    default: {
        auto it = bookmarks_.find(bookmark);
        return it == bookmarks_.end() ? -1 : long(std::min(it->second, view_.size()));
    }
    }
}

HRESULT SnapshotTable::SeekRow(BOOKMARK origin, LONG rowCount, LONG* rowsSought) {
    Lock g(lock_);
    const long start = positionOf(origin);
    if (start < 0) return MAPI_E_INVALID_BOOKMARK;
    const int64_t target = std::clamp<int64_t>(int64_t(start) + rowCount, 0, int64_t(view_.size()));
    cursor_ = size_t(target);
    if (rowsSought) *rowsSought = LONG(target - start);
    return S_OK;
}

HRESULT SnapshotTable::SeekRowApprox(ULONG numerator, ULONG denominator) {
    if (denominator == 0) return E_INVALIDARG;
    Lock g(lock_);
    if (numerator >= denominator)
        cursor_ = view_.size();
    else
        cursor_ = size_t(uint64_t(view_.size()) * numerator / denominator);
    return S_OK;
}

HRESULT SnapshotTable::QueryPosition(ULONG* row, ULONG* numerator, ULONG* denominator) {
    if (!row || !numerator || !denominator) return E_INVALIDARG;
    Lock g(lock_);
    *row = ULONG(cursor_);
    *numerator = ULONG(cursor_);
    *denominator = ULONG(view_.size());
    return S_OK;
}

HRESULT SnapshotTable::FindRow(SRestriction* restriction, BOOKMARK origin, ULONG flags) {
    HRESULT h = checkRestriction(restriction);
    if (FAILED(h)) return h;
    if (flags & ~DIR_BACKWARD) return MAPI_E_UNKNOWN_FLAGS;
    Lock g(lock_);
    const long start = positionOf(origin);
    if (start < 0) return MAPI_E_INVALID_BOOKMARK;
    if (flags & DIR_BACKWARD) {
        for (long i = start - 1; i >= 0; --i)
            if (rowMatches(*restriction, *rows_[view_[size_t(i)]])) {
                cursor_ = size_t(i);
                return S_OK;
            }
    } else {
        for (size_t i = size_t(start); i < view_.size(); ++i)
            if (rowMatches(*restriction, *rows_[view_[i]])) {
                cursor_ = i;
                return S_OK;
            }
    }
    return MAPI_E_NOT_FOUND;
}

HRESULT SnapshotTable::Restrict(SRestriction* restriction, ULONG) {
    if (restriction) {
        HRESULT h = checkRestriction(restriction);
        if (FAILED(h)) return h;
    }
    return guarded([&] {
        Lock g(lock_);
        view_.clear();
        for (size_t i = 0; i < rows_.size(); ++i)
            if (!restriction || rowMatches(*restriction, *rows_[i])) view_.push_back(i);
        applySort();
        cursor_ = 0;
        bookmarks_.clear();
        return S_OK;
    });
}

HRESULT SnapshotTable::CreateBookmark(BOOKMARK* position) {
    if (!position) return E_INVALIDARG;
    return guarded([&] {
        Lock g(lock_);
        const BOOKMARK b = nextBookmark_++;
        bookmarks_[b] = cursor_;
        *position = b;
        return S_OK;
    });
}

HRESULT SnapshotTable::FreeBookmark(BOOKMARK position) {
    Lock g(lock_);
    if (position <= BOOKMARK_END) return S_OK;
    return bookmarks_.erase(position) ? S_OK : MAPI_E_INVALID_BOOKMARK;
}

void SnapshotTable::applySort() {
    if (sort_.empty()) {
        std::sort(view_.begin(), view_.end());
        return;
    }
    std::stable_sort(view_.begin(), view_.end(), [this](size_t a, size_t b) {
        for (const SSortOrder& key : sort_) {
            const SPropValue* x = rows_[a]->find(key.ulPropTag);
            const SPropValue* y = rows_[b]->find(key.ulPropTag);
            int c;
            if (!x || !y) {
                // Rows without the value come after those with it.
                c = (x ? 0 : 1) - (y ? 0 : 1);
            } else {
                bool comparable = false;
                c = compareValues(*x, *y, &comparable);
            }
            if (key.ulOrder == TABLE_SORT_DESCEND) c = -c;
            if (c != 0) return c < 0;
        }
        return a < b;
    });
}

HRESULT SnapshotTable::SortTable(SSortOrderSet* criteria, ULONG) {
    if (!criteria) return E_INVALIDARG;
    if (criteria->cCategories != 0) return MAPI_E_TOO_COMPLEX;
    for (ULONG i = 0; i < criteria->cSorts; ++i)
        if (criteria->aSort[i].ulOrder > TABLE_SORT_DESCEND) return MAPI_E_TOO_COMPLEX;
    return guarded([&] {
        Lock g(lock_);
        sort_.assign(criteria->aSort, criteria->aSort + criteria->cSorts);
        applySort();
        cursor_ = 0;
        bookmarks_.clear();
        return S_OK;
    });
}

HRESULT SnapshotTable::QuerySortOrder(SSortOrderSet** criteria) {
    if (!criteria) return E_INVALIDARG;
    *criteria = nullptr;
    Lock g(lock_);
    void* p = nullptr;
    HRESULT h = domain_.allocate(ULONG(cbSortOrderSet(ULONG(sort_.size()))), &p);
    if (FAILED(h)) return h;
    auto* set = static_cast<SSortOrderSet*>(p);
    set->cSorts = ULONG(sort_.size());
    std::copy(sort_.begin(), sort_.end(), set->aSort);
    *criteria = set;
    return S_OK;
}

HRESULT SnapshotTable::copyRow(const PropArray& row, SRow& out) const {
    out.ulAdrEntryPad = 0;
    if (columns_.empty()) {
        out.cValues = row.size();
        return copyProps(row.data(), row.size(), domain_, &out.lpProps);
    }
    const size_t n = columns_.size();
    std::vector<const SPropValue*> values(n);
    std::vector<SPropValue> missing(n);
    for (size_t i = 0; i < n; ++i) {
        const ULONG tag = columns_[i];
        values[i] = tag == PR_NULL ? nullptr : row.find(tag);
        missing[i].ulPropTag = tag == PR_NULL ? PR_NULL : CHANGE_PROP_TYPE(tag, PT_ERROR);
        missing[i].Value.err = tag == PR_NULL ? 0 : MAPI_E_NOT_FOUND;
    }
    out.cValues = ULONG(n);
    return copyPropPointers(values.data(), missing.data(), ULONG(n), domain_, &out.lpProps);
}

HRESULT SnapshotTable::QueryRows(LONG rowCount, ULONG flags, SRowSet** out) {
    if (!out) return E_INVALIDARG;
    *out = nullptr;
    if (rowCount == 0) return E_INVALIDARG;
    return guarded([&] {
        Lock g(lock_);
        size_t first;
        size_t n;
        if (rowCount < 0) {
            const size_t back = size_t(-int64_t(rowCount));
            first = cursor_ >= back ? cursor_ - back : 0;
            n = cursor_ - first;
        } else {
            first = cursor_;
            n = std::min(size_t(rowCount), view_.size() - std::min(first, view_.size()));
        }
        void* p = nullptr;
        HRESULT h = domain_.allocate(ULONG(cbRowSet(ULONG(n))), &p);
        if (FAILED(h)) return h;
        auto* set = static_cast<SRowSet*>(p);
        for (size_t i = 0; i < n; ++i) {
            h = copyRow(*rows_[view_[first + i]], set->aRow[i]);
            if (FAILED(h)) {
                set->cRows = ULONG(i);
                freeRowSet(set, domain_);
                return h;
            }
        }
        set->cRows = ULONG(n);
        if (!(flags & TBL_NOADVANCE)) cursor_ = rowCount < 0 ? first : first + n;
        *out = set;
        return S_OK;
    });
}

HRESULT SnapshotTable::Abort() { return S_OK; }
HRESULT SnapshotTable::ExpandRow(BOOKMARK, ULONG, ULONG, SRowSet**, ULONG*) { return MAPI_E_NO_SUPPORT; }
HRESULT SnapshotTable::CollapseRow(BOOKMARK, ULONG, ULONG*) { return MAPI_E_NO_SUPPORT; }

HRESULT SnapshotTable::WaitForCompletion(ULONG, ULONG, ULONG* status) {
    // Every operation completes before it returns.
    if (status) *status = 0;
    return S_OK;
}

HRESULT SnapshotTable::GetCollapseState(ULONG, ULONG, BYTE*, ULONG*, BYTE**) { return MAPI_E_NO_SUPPORT; }
HRESULT SnapshotTable::SetCollapseState(ULONG, ULONG, BYTE*, BOOKMARK*) { return MAPI_E_NO_SUPPORT; }

} // namespace pdx::common
