#include "memory.h"

#include "pdx/status.h"
#include "pdx_common/prop_copy.h"

namespace mapi32 {

using namespace pdx;

namespace {
// Lives to the end of the process: callers may free buffers after the last session.
common::BufferPool* g_pool = new common::BufferPool;

HRESULT allocate(ULONG cb, void** out) { return g_pool->allocate(cb, out); }
HRESULT allocateMore(ULONG cb, void* parent, void** out) { return g_pool->allocateMore(cb, parent, out); }
HRESULT freeBuffer(void* p) { return p ? g_pool->free(p) : S_OK; }
} // namespace

const common::MemoryDomain& mapiDomain() {
    static const common::MemoryDomain domain{&allocate, &allocateMore, &freeBuffer};
    return domain;
}

common::BufferPool& mapiPool() { return *g_pool; }

void freeRows(SRowSet* rows) {
    if (rows) common::freeRowSet(rows, mapiDomain());
}

} // namespace mapi32
