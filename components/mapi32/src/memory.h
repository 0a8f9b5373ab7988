#pragma once
// The messaging component's memory domain: MAPIAllocateBuffer,
// MAPIAllocateMore and MAPIFreeBuffer, and every buffer the component hands
// out (property values, rows, tables' results).

#include "pdx/types.h"
#include "pdx_common/buffer_pool.h"

namespace mapi32 {

const pdx::common::MemoryDomain& mapiDomain();
pdx::common::BufferPool& mapiPool();

// FreeProws: each row's values, then the set.
void freeRows(pdx::SRowSet* rows);

} // namespace mapi32
