#pragma once
// The snapshot table handed out for profiles, services and hierarchies: a row
// store with a column set and a cursor behind the IMAPITable slots.

#include <mutex>

#include "allocator.h"
#include "pdx/interfaces.h"
#include "row_store.h"

namespace pdx::core {

class Table final : public IMAPITable {
public:
    // A new table with one reference.
    static Table* create(RowStore rows = {});

    RowStore& store() { return rows_; }
    ULONG cursor() const { return cursor_; }

    HRESULT QueryInterface(LPCIID iid, void** out) override;
    ULONG AddRef() override;
    ULONG Release() override;
    HRESULT GetLastError(HRESULT, ULONG, MAPIERROR**) override;
    HRESULT Advise(ULONG, IMAPIAdviseSink*, ULONG_PTR*) override;
    HRESULT Unadvise(ULONG_PTR) override;
    HRESULT GetStatus(ULONG* status, ULONG* type) override;
    HRESULT SetColumns(const SPropTagArray* columns, ULONG flags) override;
    HRESULT QueryColumns(ULONG flags, SPropTagArray** columns) override;
    HRESULT GetRowCount(ULONG flags, ULONG* count) override;
    HRESULT SeekRow(BOOKMARK origin, LONG rowCount, LONG* rowsSought) override;
    HRESULT SeekRowApprox(ULONG numerator, ULONG denominator) override;
    HRESULT QueryPosition(ULONG* row, ULONG* numerator, ULONG* denominator) override;
    HRESULT FindRow(SRestriction*, BOOKMARK, ULONG) override;
    HRESULT Restrict(SRestriction*, ULONG) override;
    HRESULT CreateBookmark(BOOKMARK*) override;
    HRESULT FreeBookmark(BOOKMARK) override;
    HRESULT SortTable(SSortOrderSet*, ULONG) override;
    HRESULT QuerySortOrder(SSortOrderSet**) override;
    HRESULT QueryRows(LONG rowCount, ULONG flags, SRowSet** rows) override;
    HRESULT Abort() override;
    HRESULT ExpandRow(BOOKMARK, ULONG, ULONG, SRowSet**, ULONG*) override;
    HRESULT CollapseRow(BOOKMARK, ULONG, ULONG*) override;
    HRESULT WaitForCompletion(ULONG, ULONG, ULONG*) override;
    HRESULT GetCollapseState(ULONG, ULONG, BYTE*, ULONG*, BYTE**) override;
    HRESULT SetCollapseState(ULONG, ULONG, BYTE*, BOOKMARK*) override;

private:
    explicit Table(RowStore rows) : rows_(std::move(rows)) {}
    ~Table() = default;

    std::recursive_mutex lock_;
    ULONG refs_ = 1;
    RowStore rows_;
    Buffer<SPropTagArray> columns_;
    ULONG cursor_ = 0;
};

} // namespace pdx::core
