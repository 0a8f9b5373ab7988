#pragma once
// A view on a table data: a cursor, a column set and sixteen bookmarks behind
// the IMAPITable slots.

#include <array>
#include <mutex>
#include <optional>

#include "fax_memory.h"
#include "pdx/interfaces.h"

namespace vqfax {

class TableData;

class TableView final : public IMAPITable {
public:
    // A new view with one reference; it keeps a reference on `data`.
    static TableView* create(TableData* data);

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
    HRESULT CreateBookmark(BOOKMARK* position) override;
    HRESULT FreeBookmark(BOOKMARK position) override;
    HRESULT SortTable(SSortOrderSet*, ULONG) override;
    HRESULT QuerySortOrder(SSortOrderSet**) override;
    HRESULT QueryRows(LONG rowCount, ULONG flags, SRowSet** rows) override;
    HRESULT Abort() override;
    HRESULT ExpandRow(BOOKMARK, ULONG, ULONG, SRowSet**, ULONG*) override;
    HRESULT CollapseRow(BOOKMARK, ULONG, ULONG*) override;
    HRESULT WaitForCompletion(ULONG, ULONG, ULONG*) override;
    HRESULT GetCollapseState(ULONG, ULONG, BYTE*, ULONG*, BYTE**) override;
    HRESULT SetCollapseState(ULONG, ULONG, BYTE*, BOOKMARK*) override;

    static constexpr BOOKMARK kFirstBookmark = 0x1000;
    static constexpr size_t kBookmarkSlots = 16;

private:
    explicit TableView(TableData* data);
    ~TableView();
    // Caller holds the lock.
    HRESULT seek(BOOKMARK origin, LONG rows);

    TableData* data_;
    LONG current_ = 0;
    Owned<SPropTagArray> columns_; // none until SetColumns: the data's own columns are used
    std::optional<std::array<LONG, kBookmarkSlots>> bookmarks_; // -1 marks a free slot
    ULONG refs_ = 1;
    std::mutex lock_;
};

} // namespace vqfax
