#include "row_reader.h"

#include "allocator.h"
#include "pdx/status.h"
#include "pdx/tags.h"
#include "prop_ops.h"

namespace pdx::core {

HRESULT readRows(IMAPITable* table, const SPropTagArray* columns, const RowVisitor& each) {
    HRESULT h = columns ? table->SetColumns(columns, 0) : S_OK;
    if (SUCCEEDED(h)) h = table->SeekRow(BOOKMARK_BEGINNING, 0, nullptr);
    if (FAILED(h)) return h;
    for (;;) {
        RowSet rows;
        h = table->QueryRows(1, 0, rows.out());
        if (FAILED(h)) return h;
        if (!rows || rows->cRows == 0) return S_OK;
        h = each(rows->aRow[0]);
        if (FAILED(h)) return h;
        if (h == kStopReading) return S_OK;
    }
}

const SPropValue* rowValue(const SRow& row, ULONG tag) {
    const long i = findProp(row.lpProps, row.cValues, tag);
    return i < 0 ? nullptr : &row.lpProps[i];
}

const SPropValue* columnValue(const SRow& row, ULONG column, ULONG tag) {
    if (!row.lpProps || column >= row.cValues || row.lpProps[column].ulPropTag != tag) return nullptr;
    return &row.lpProps[column];
}

} // namespace pdx::core
