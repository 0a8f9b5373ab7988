#pragma once
// The test provider's tables: a snapshot of rows with a column set and a cursor.

#include <atomic>
#include <memory>
#include <mutex>

#include "tp_store.h"

namespace testprovider {

class Table final : public IMAPITable {
public:
    // Rows given as values.
    Table(std::shared_ptr<Store> store, std::vector<Props> rows)
        : store_(std::move(store)), rows_(std::move(rows)), size_(rows_.size()) {}
    // Rows that are records of the store, read when they are queried.
    Table(std::shared_ptr<Store> store, std::vector<int> records)
        : store_(std::move(store)), records_(std::move(records)), size_(records_.size()) {}

    HRESULT QueryInterface(LPCIID iid, void** out) override;
    ULONG AddRef() override { return ++refs_; }
    ULONG Release() override;
    HRESULT GetLastError(HRESULT, ULONG, MAPIERROR**) override { return MAPI_E_NO_SUPPORT; }
    HRESULT Advise(ULONG, IMAPIAdviseSink*, ULONG_PTR*) override { return MAPI_E_NO_SUPPORT; }
    HRESULT Unadvise(ULONG_PTR) override { return MAPI_E_NO_SUPPORT; }
    HRESULT GetStatus(ULONG* status, ULONG* type) override;
    HRESULT SetColumns(const SPropTagArray* columns, ULONG flags) override;
    HRESULT QueryColumns(ULONG flags, SPropTagArray** columns) override;
    HRESULT GetRowCount(ULONG flags, ULONG* count) override;
    HRESULT SeekRow(BOOKMARK origin, LONG rowCount, LONG* rowsSought) override;
    HRESULT SeekRowApprox(ULONG numerator, ULONG denominator) override;
    HRESULT QueryPosition(ULONG* row, ULONG* numerator, ULONG* denominator) override;
    HRESULT FindRow(SRestriction*, BOOKMARK, ULONG) override { return MAPI_E_NO_SUPPORT; }
    HRESULT Restrict(SRestriction*, ULONG) override { return MAPI_E_NO_SUPPORT; }
    HRESULT CreateBookmark(BOOKMARK*) override { return MAPI_E_NO_SUPPORT; }
    HRESULT FreeBookmark(BOOKMARK) override { return MAPI_E_NO_SUPPORT; }
    HRESULT SortTable(SSortOrderSet*, ULONG) override { return MAPI_E_NO_SUPPORT; }
    HRESULT QuerySortOrder(SSortOrderSet**) override { return MAPI_E_NO_SUPPORT; }
    HRESULT QueryRows(LONG rowCount, ULONG flags, SRowSet** rows) override;
    HRESULT Abort() override { return S_OK; }
    HRESULT ExpandRow(BOOKMARK, ULONG, ULONG, SRowSet**, ULONG*) override { return MAPI_E_NO_SUPPORT; }
    HRESULT CollapseRow(BOOKMARK, ULONG, ULONG*) override { return MAPI_E_NO_SUPPORT; }
    HRESULT WaitForCompletion(ULONG, ULONG, ULONG*) override { return MAPI_E_NO_SUPPORT; }
    HRESULT GetCollapseState(ULONG, ULONG, BYTE*, ULONG*, BYTE**) override { return MAPI_E_NO_SUPPORT; }
    HRESULT SetCollapseState(ULONG, ULONG, BYTE*, BOOKMARK*) override { return MAPI_E_NO_SUPPORT; }

private:
    std::atomic<ULONG> refs_{1};
    std::mutex lock_;
    std::shared_ptr<Store> store_;
    // Copies row `i` out with the current columns.
    HRESULT copyRow(size_t i, const SPropTagArray* columns, SRow& row);

    std::vector<Props> rows_;
    std::vector<int> records_;
    size_t size_;
    std::vector<ULONG> columns_;
    bool hasColumns_ = false;
    size_t cursor_ = 0;
};

} // namespace testprovider
