#pragma once
// Row tests and orderings for tables: restrictions (AND, OR, NOT, content,
// property, compare-properties, bitmask, size, exist, comment) evaluated
// against one row, and the comparison that sorts rows.

#include "pdx/restriction.h"
#include "pdx/types.h"
#include "pdx_common/prop_array.h"

namespace pdx::common {

// S_OK when every part of the restriction can be evaluated here;
// MAPI_E_TOO_COMPLEX for sub-object restrictions, regular expressions or
// nesting beyond reason; E_INVALIDARG for null pointers where one is needed.
HRESULT checkRestriction(const SRestriction* restriction);
// Only for a restriction that checkRestriction accepted.
bool rowMatches(const SRestriction& restriction, const PropArray& row);

// Orders two values of the same type: negative, zero or positive. Strings
// compare without regard to ASCII case, binaries byte by byte then by length.
// Values of different types (or types without an order) compare as unordered:
// `comparable` is set false.
int compareValues(const SPropValue& a, const SPropValue& b, bool* comparable);

} // namespace pdx::common
