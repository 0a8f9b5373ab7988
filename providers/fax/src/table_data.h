#pragma once
// The contents table data of a container: stored rows that always hold the
// data's column set, identified by an index column, behind the
// IMAPITableData slots. Views (table_view.h) read it.

#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

#include "pdx/interfaces.h"
#include "pdx/tags.h"
#include "stored_row.h"

namespace vqfax {

class TableData final : public IMAPITableData {
public:
    // A new table data with one reference. `columns` is not copied and must
    // outlive the object.
    static TableData* create(ULONG indexTag, const SPropTagArray* columns);

    HRESULT QueryInterface(LPCIID iid, void** out) override;
    ULONG AddRef() override;
    ULONG Release() override;
    HRESULT HrGetView(SSortOrderSet* sortOrder, CallerReleaseFn release, ULONG_PTR callerData,
                      IMAPITable** view) override;
    HRESULT HrModifyRow(SRow* row) override;
    HRESULT HrDeleteRow(SPropValue* indexValue) override;
    HRESULT HrQueryRow(SPropValue* indexValue, SRow** row, ULONG* position) override;
    HRESULT HrEnumRow(ULONG rowNumber, SRow** row) override;
    HRESULT HrNotify(ULONG flags, ULONG count, SPropValue* values) override;
    HRESULT HrInsertRow(ULONG position, SRow* row) override;
    HRESULT HrModifyRows(ULONG flags, SRowSet* rows) override;
    HRESULT HrDeleteRows(ULONG flags, SRowSet* rows, ULONG* deleted) override;

    static constexpr ULONG kTableType = 2; // TBLTYPE_DYNAMIC
    const SPropTagArray* columns() const { return columns_; }
    ULONG rowCount();
    // Room for `rows` rows, before a table of known size is filled.
    void reserve(size_t rows);
    // HrModifyRow for a row the provider made itself, already holding the
    // data's columns in order (the index column among them): taken over
    // without another copy.
    void modifyOwnRow(StoredRow::Ptr row);
    // The same for a row whose index value the table does not hold yet (the
    // caller knows it is new): added at the end without looking it up.
    void appendNewRow(StoredRow::Ptr row);
    // For views: a row of `columns` (the data's own when null) made from the
    // n-th stored row, into `out` (one root buffer). MAPI_E_NOT_FOUND past the end.
    HRESULT projectRow(ULONG n, const SPropTagArray* columns, SRow& out);

private:
    TableData(ULONG indexTag, const SPropTagArray* columns) : indexTag_(indexTag), columns_(columns) {}
    ~TableData() = default;

    // The stored form of a caller's row, or E_INVALIDARG without the index column.
    HRESULT makeRow(const SRow& row, StoredRow::Ptr& out) const;
    const SPropValue& indexOf(const StoredRow& row) const { return row[indexColumn_]; }
    // Position of the row whose index value matches, or -1. Caller holds the lock.
    long findRow(const SPropValue& index);
    void addRow(StoredRow::Ptr row);
    void removeAt(size_t position);
    HRESULT copyRow(const StoredRow& row, SRow** out) const;
    HRESULT modifyRow(const SRow& row);
    void replaceOrAdd(StoredRow::Ptr row); // caller holds the lock
    HRESULT deleteRow(const SPropValue& index);
    // Brings byKey_ up to date after rows were appended without it.
    void indexKeys();

    std::mutex lock_;
    ULONG refs_ = 1;
    const ULONG indexTag_;
    const SPropTagArray* columns_;
    size_t indexColumn_ = 0;
    std::vector<StoredRow::Ptr> rows_;
    // Binary index values (the contents tables' instance keys) are found by
    // their bytes, so building a table of thousands of rows stays linear.
    // Made only when a row is looked up: a listing never needs it.
    std::unordered_map<std::string, StoredRow*> byKey_;
    bool keysStale_ = false;
};

} // namespace vqfax
