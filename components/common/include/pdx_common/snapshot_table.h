#pragma once
// An IMAPITable over a fixed set of rows taken when the table was made: a
// column set, a cursor, bookmarks, restriction to matching rows and sorting.
// Rows are shared, immutable property arrays, so a snapshot of thousands of
// entries costs one pointer per row; results are copied into the caller's
// memory domain.

#include <map>
#include <memory>
#include <mutex>
#include <vector>

#include "pdx/interfaces.h"
#include "pdx/restriction.h"
#include "pdx_common/buffer_pool.h"
#include "pdx_common/prop_array.h"

namespace pdx::common {

using TableRow = std::shared_ptr<const PropArray>;

class SnapshotTable final : public IMAPITable {
public:
    // A new table with one reference; `columns` is the initial column set
    // (null: every property of each row).
    static SnapshotTable* create(std::vector<TableRow> rows, const SPropTagArray* columns,
                                 const MemoryDomain& domain);

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
    HRESULT FindRow(SRestriction* restriction, BOOKMARK origin, ULONG flags) override;
    HRESULT Restrict(SRestriction* restriction, ULONG flags) override;
    HRESULT CreateBookmark(BOOKMARK* position) override;
    HRESULT FreeBookmark(BOOKMARK position) override;
    HRESULT SortTable(SSortOrderSet* criteria, ULONG flags) override;
    HRESULT QuerySortOrder(SSortOrderSet** criteria) override;
    HRESULT QueryRows(LONG rowCount, ULONG flags, SRowSet** rows) override;
    HRESULT Abort() override;
    HRESULT ExpandRow(BOOKMARK, ULONG, ULONG, SRowSet**, ULONG*) override;
    HRESULT CollapseRow(BOOKMARK, ULONG, ULONG*) override;
    HRESULT WaitForCompletion(ULONG flags, ULONG timeout, ULONG* status) override;
    HRESULT GetCollapseState(ULONG, ULONG, BYTE*, ULONG*, BYTE**) override;
    HRESULT SetCollapseState(ULONG, ULONG, BYTE*, BOOKMARK*) override;

private:
    SnapshotTable(std::vector<TableRow> rows, const MemoryDomain& domain);
    ~SnapshotTable() = default;
    // Position of a bookmark, or -1 when unknown. Caller holds the lock.
    long positionOf(BOOKMARK bookmark) const;
    void applySort();
    HRESULT copyRow(const PropArray& row, SRow& out) const;

    std::mutex lock_;
    ULONG refs_ = 1;
    MemoryDomain domain_;
    std::vector<TableRow> rows_;   // the snapshot, in its original order
    std::vector<size_t> view_;     // rows that pass the restriction, in sort order
    std::vector<ULONG> columns_;   // empty: every property of each row
    std::vector<SSortOrder> sort_;
    std::map<BOOKMARK, size_t> bookmarks_;
    BOOKMARK nextBookmark_ = 3;    // 0-2 are the fixed bookmarks
    size_t cursor_ = 0;
};

} // namespace pdx::common
