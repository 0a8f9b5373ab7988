#include "hierarchy.h"

#include "allocator.h"
#include "checks.h"
#include "pdx/status.h"
#include "pdx/tags.h"
#include "row_reader.h"
#include "table.h"

namespace pdx::core {
namespace {

struct Columns {
    ULONG count;
    ULONG tags[5];
};
constexpr Columns kColumns = {5, {PR_DISPLAY_NAME, PR_ENTRYID, PR_OBJECT_TYPE, PR_CONTAINER_FLAGS, PR_DEPTH}};
constexpr ULONG kDepthColumn = 4;

// Appends the rows of the container's full hierarchy, one level deeper.
HRESULT descend(IAddrBook& book, const SPropValue& entryId, RowStore& rows) {
    SBinary id = entryId.Value.bin;
    ULONG type = 0;
    object_ptr<IUnknown> opened;
    HRESULT h = book.OpenEntry(id.cb, reinterpret_cast<ENTRYID*>(id.lpb), nullptr, 0, &type, opened.out());
    if (FAILED(h)) return h;
    if (!opened) return MAPI_E_NOT_FOUND;
    object_ptr<IMAPITable> table;
    h = reinterpret_cast<IMAPIContainer*>(opened.get())->GetHierarchyTable(CONVENIENT_DEPTH, table.out());
    if (FAILED(h)) return h;
    if (!table) return MAPI_E_NOT_FOUND;
    return readRows(table.get(), hierarchyColumns(), [&](SRow& row) -> HRESULT {
        if (row.cValues > kDepthColumn && row.lpProps[kDepthColumn].ulPropTag == PR_DEPTH)
            row.lpProps[kDepthColumn].Value.l += 1;
        return rows.addRow(row.lpProps, row.cValues, rows.size());
    });
}

} // namespace

const SPropTagArray* hierarchyColumns() { return reinterpret_cast<const SPropTagArray*>(&kColumns); }

HRESULT buildHierarchy(IAddrBook& book, const std::vector<object_ptr<IAddrBook>>& providers, ULONG flags,
                       IMAPITable** out) {
    if (!writableOut(out)) return E_INVALIDARG;
    *out = nullptr;
    RowStore rows;
    HRESULT status = S_OK;
    for (const auto& provider : providers) {
        const size_t before = rows.size();
        ULONG count = 0;
        Buffer<SPropValue> values;
        status = provider->GetProps(hierarchyColumns(), flags & MAPI_UNICODE, &count, values.out());
        if (FAILED(status) || count == 0 || !values) continue;
        status = rows.addRow(values.get(), count, rows.size());
        if (SUCCEEDED(status) && (flags & CONVENIENT_DEPTH) && count > 1 && values[1].ulPropTag == PR_ENTRYID) {
            HRESULT h = descend(book, values[1], rows);
            if (FAILED(h)) status = h;
        }
        if (FAILED(status)) rows.rows().resize(before);
    }
    if (FAILED(status)) return status;
    object_ptr<Table> table(Table::create(std::move(rows)));
    if (!table) return E_OUTOFMEMORY;
    if (HRESULT h = table->SetColumns(hierarchyColumns(), 0); FAILED(h)) return h;
    *out = table.release();
    return status;
}

} // namespace pdx::core
