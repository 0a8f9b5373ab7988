#pragma once
// The root container's hierarchy table: one row per provider from its own
// properties and, with CONVENIENT_DEPTH, the provider's containers below it
// one level deeper.

#include <vector>

#include "pdx/interfaces.h"
#include "pdx/memory.h"

namespace pdx::core {

// Columns of every hierarchy table: display name, entry id, object type,
// container flags, depth.
const SPropTagArray* hierarchyColumns();

// `book` opens the providers' root entries. The status is that of the last
// provider; a provider that fails leaves its rows out.
HRESULT buildHierarchy(IAddrBook& book, const std::vector<object_ptr<IAddrBook>>& providers, ULONG flags,
                       IMAPITable** out);

} // namespace pdx::core
