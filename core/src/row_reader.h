#pragma once
// Reading a table the way the session reads every table it gets from a
// provider: columns set, positioned at the beginning, one row at a time.

#include <functional>

#include "pdx/interfaces.h"

namespace pdx::core {

// `each` receives every row; it may take over the row's property array by
// setting row.lpProps to null. Returning a failure stops the read with that
// status, returning kStopReading stops it with success. A read that returns
// no rows ends it.
inline constexpr HRESULT kStopReading = 1;
using RowVisitor = std::function<HRESULT(SRow& row)>;
HRESULT readRows(IMAPITable* table, const SPropTagArray* columns, const RowVisitor& each);

// The value of `tag` (find rule) in a row, or null.
const SPropValue* rowValue(const SRow& row, ULONG tag);
// The value at `column` when it carries exactly `tag`, or null.
const SPropValue* columnValue(const SRow& row, ULONG column, ULONG tag);

} // namespace pdx::core
