#include "memory.h"

#include <cstring>

#include "pdx/status.h"

namespace pdx::proxy {

HRESULT Allocator::zeroed(size_t cb, void* parent, void** out) const {
    *out = nullptr;
    if (cb > 0xFFFFFFF0u) return E_OUTOFMEMORY;
    const ULONG n = static_cast<ULONG>(cb);
    HRESULT h = parent ? allocateMore(n, parent, out) : allocate(n, out);
    if (FAILED(h)) {
        *out = nullptr;
        return h;
    }
    if (!*out) return E_OUTOFMEMORY;
    std::memset(*out, 0, n);
    return S_OK;
}

HRESULT RoutineAllocator::allocate(ULONG cb, void** out) const {
    return allocate_ ? allocate_(cb, out) : MAPI_E_NOT_INITIALIZED;
}
HRESULT RoutineAllocator::allocateMore(ULONG cb, void* parent, void** out) const {
    return more_ ? more_(cb, parent, out) : MAPI_E_NOT_INITIALIZED;
}
HRESULT RoutineAllocator::free(void* p) const { return free_ ? free_(p) : MAPI_E_NOT_INITIALIZED; }

void freeRows(const Allocator& a, SRowSet* rows) {
    if (!rows) return;
    for (ULONG i = 0; i < rows->cRows; ++i)
        if (rows->aRow[i].lpProps) a.free(rows->aRow[i].lpProps);
    a.free(rows);
}

void freeAdrList(const Allocator& a, ADRLIST* list) {
    if (!list) return;
    for (ULONG i = 0; i < list->cEntries; ++i)
        if (list->aEntries[i].rgPropVals) a.free(list->aEntries[i].rgPropVals);
    a.free(list);
}

} // namespace pdx::proxy
