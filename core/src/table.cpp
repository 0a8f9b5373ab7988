#include "table.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "checks.h"
#include "pdx/guids.h"
#include "pdx/guard.h"
#include "pdx/status.h"
#include "pdx/tags.h"
#include "prop_ops.h"

namespace pdx::core {

using Lock = std::lock_guard<std::recursive_mutex>;

Table* Table::create(RowStore rows) { return new (std::nothrow) Table(std::move(rows)); }

HRESULT Table::QueryInterface(LPCIID iid, void** out) {
    return guarded([&]() -> HRESULT {
        if (!writableOut(out)) return E_INVALIDARG;
        if (!isIid(iid, IID_IUnknown) && !isIid(iid, IID_IMAPITable)) {
            *out = nullptr;
            return E_NOINTERFACE;
        }
        AddRef();
        *out = static_cast<IMAPITable*>(this);
        return S_OK;
    });
}

ULONG Table::AddRef() {
    Lock g(lock_);
    return ++refs_;
}

ULONG Table::Release() {
    ULONG left;
    {
        Lock g(lock_);
        left = --refs_;
    }
    if (left == 0) delete this;
    return left;
}

HRESULT Table::GetLastError(HRESULT, ULONG, MAPIERROR**) { return MAPI_E_NO_SUPPORT; }
HRESULT Table::Advise(ULONG, IMAPIAdviseSink*, ULONG_PTR*) { return MAPI_E_NO_SUPPORT; }
HRESULT Table::Unadvise(ULONG_PTR) { return MAPI_E_NO_SUPPORT; }

HRESULT Table::GetStatus(ULONG* status, ULONG* type) {
    return guarded([&]() -> HRESULT {
        if (!writableOut(status) || !writableOut(type)) return E_INVALIDARG;
        *status = 0;
        *type = 0;
        return S_OK;
    });
}

HRESULT Table::SetColumns(const SPropTagArray* columns, ULONG) {
    return guarded([&]() -> HRESULT {
        if (!readableTagArray(columns) || columns->cValues == 0) return E_INVALIDARG;
        Lock g(lock_);
        Buffer<SPropTagArray> copy;
        HRESULT h = copyTagArray(columns, copy.out());
        if (FAILED(h)) return h;
        columns_ = std::move(copy);
        return S_OK;
    });
}

HRESULT Table::QueryColumns(ULONG flags, SPropTagArray** columns) {
    return guarded([&]() -> HRESULT {
        if (!writableOut(columns)) return E_INVALIDARG;
        *columns = nullptr;
        Lock g(lock_);
        if (!(flags & TBL_ALL_COLUMNS) && columns_) return copyTagArray(columns_.get(), columns);
        if (rows_.size() == 0) return MAPI_E_TABLE_EMPTY;
        const PropList& first = rows_.rows().front();
        SPropTagArray* tags = nullptr;
        HRESULT h = allocRoot(cbTagArray(ULONG(first.size())), &tags);
        if (FAILED(h)) return h;
        tags->cValues = ULONG(first.size());
        for (size_t i = 0; i < first.size(); ++i) tags->aulPropTag[i] = first.nodes()[i].tag();
        *columns = tags;
        return S_OK;
    });
}

HRESULT Table::GetRowCount(ULONG, ULONG* count) {
    return guarded([&]() -> HRESULT {
        if (!writableOut(count)) return E_INVALIDARG;
        Lock g(lock_);
        *count = ULONG(rows_.size());
        return S_OK;
    });
}

HRESULT Table::SeekRow(BOOKMARK origin, LONG rowCount, LONG* rowsSought) {
    return guarded([&]() -> HRESULT {
        if (rowsSought && !writableOut(rowsSought)) return E_INVALIDARG;
        Lock g(lock_);
        const int64_t count = int64_t(rows_.size());
        int64_t pos;
        switch (origin) {
        case BOOKMARK_BEGINNING: pos = 0; break;
        case BOOKMARK_CURRENT: pos = cursor_; break;
        case BOOKMARK_END: pos = count; break;
        default: return MAPI_E_INVALID_BOOKMARK;
        }
        const int64_t start = pos;
        if (rowCount >= 0)
            pos = std::min<int64_t>(count, pos + rowCount);
        else
            pos = std::max<int64_t>(0, pos + int64_t(rowCount));
        cursor_ = ULONG(pos);
        if (rowsSought) *rowsSought = LONG(pos - start);
        return S_OK;
    });
}

HRESULT Table::SeekRowApprox(ULONG numerator, ULONG denominator) {
    return guarded([&]() -> HRESULT {
        Lock g(lock_);
        const ULONG count = ULONG(rows_.size());
        if (numerator >= denominator) {
            cursor_ = count;
            return S_OK;
        }
        if ((numerator | denominator) & 0x80000000u) {
            numerator >>= 1;
            denominator >>= 1;
        }
        // Rounded like MulDiv: half away from zero, 64-bit intermediate.
        const int64_t product = int64_t(count) * int64_t(numerator);
        cursor_ = ULONG((product + denominator / 2) / denominator);
        return S_OK;
    });
}

HRESULT Table::QueryPosition(ULONG* row, ULONG* numerator, ULONG* denominator) {
    return guarded([&]() -> HRESULT {
        if (!writableOut(row) || !writableOut(numerator) || !writableOut(denominator)) return E_INVALIDARG;
        Lock g(lock_);
        *row = cursor_;
        *numerator = cursor_;
        *denominator = ULONG(rows_.size());
        return S_OK;
    });
}

HRESULT Table::FindRow(SRestriction*, BOOKMARK, ULONG) { return MAPI_E_NO_SUPPORT; }
HRESULT Table::Restrict(SRestriction*, ULONG) { return MAPI_E_NO_SUPPORT; }
HRESULT Table::CreateBookmark(BOOKMARK*) { return MAPI_E_NO_SUPPORT; }
HRESULT Table::FreeBookmark(BOOKMARK) { return MAPI_E_NO_SUPPORT; }
HRESULT Table::SortTable(SSortOrderSet*, ULONG) { return MAPI_E_NO_SUPPORT; }
HRESULT Table::QuerySortOrder(SSortOrderSet**) { return MAPI_E_NO_SUPPORT; }

HRESULT Table::QueryRows(LONG rowCount, ULONG flags, SRowSet** rows) {
    return guarded([&]() -> HRESULT {
        if (!writableOut(rows)) return E_INVALIDARG;
        *rows = nullptr;
        if (rowCount == 0) return E_INVALIDARG;
        Lock g(lock_);
        const int64_t total = int64_t(rows_.size());
        int64_t first;
        int64_t wanted;
        if (rowCount < 0) {
            wanted = -int64_t(rowCount);
            first = int64_t(cursor_) - wanted;
            if (first < 0) {
                first = 0;
                wanted = cursor_;
            }
        } else {
            wanted = rowCount;
            first = cursor_;
        }
        const ULONG n = ULONG(std::max<int64_t>(0, std::min(wanted, total - first)));

        RowSet set;
        HRESULT h = allocRoot(cbRowSet(std::max<ULONG>(n, 1)), set.out());
        if (FAILED(h)) return h;
        for (ULONG i = 0; i < n; ++i) {
            SRow& row = set->aRow[i];
            h = rows_.rows()[size_t(first) + i].copyOut(columns_.get(), &row.cValues, &row.lpProps);
            if (FAILED(h)) return h;
            set->cRows = i + 1; // rows copied so far are freed with the set on failure
        }
        set->cRows = n;
        if (!(flags & TBL_NOADVANCE)) cursor_ = ULONG(first + n);
        *rows = set.release();
        return S_OK;
    });
}

HRESULT Table::Abort() { return S_OK; }
HRESULT Table::ExpandRow(BOOKMARK, ULONG, ULONG, SRowSet**, ULONG*) { return MAPI_E_NO_SUPPORT; }
HRESULT Table::CollapseRow(BOOKMARK, ULONG, ULONG*) { return MAPI_E_NO_SUPPORT; }
HRESULT Table::WaitForCompletion(ULONG, ULONG, ULONG*) { return MAPI_E_NO_SUPPORT; }
HRESULT Table::GetCollapseState(ULONG, ULONG, BYTE*, ULONG*, BYTE**) { return MAPI_E_NO_SUPPORT; }
HRESULT Table::SetCollapseState(ULONG, ULONG, BYTE*, BOOKMARK*) { return MAPI_E_NO_SUPPORT; }

} // namespace pdx::core
