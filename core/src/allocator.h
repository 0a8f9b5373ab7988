#pragma once
// The PDX allocator: root buffers with chained children, freed through the root.

#include "pdx/memory.h"
#include "pdx/types.h"

#define PDX_EXPORT extern "C" __attribute__((visibility("default")))

PDX_EXPORT pdx::HRESULT PDXAllocateBuffer(pdx::ULONG cb, void** out);
PDX_EXPORT pdx::HRESULT PDXAllocateMore(pdx::ULONG cb, void* parent, void** out);
PDX_EXPORT pdx::HRESULT PDXFreeBuffer(void* p);
PDX_EXPORT pdx::HRESULT PDXFreeProws(pdx::SRowSet* rows);
PDX_EXPORT pdx::HRESULT PDXFreePadrlist(pdx::ADRLIST* list);

namespace pdx::core {

// Layout of the header in front of every buffer's data.
struct alignas(std::max_align_t) BufferHeader {
    uint32_t marker;
    uint32_t size;
    BufferHeader* previous;
    BufferHeader* next;
};
constexpr uint32_t kBufferMarker = 0x7B;
constexpr uint8_t kGuardByte = 0x7D;

// Handles whose free routine is this library's own.
template <class T>
struct Buffer : buffer_ptr<T> {
    Buffer() : buffer_ptr<T>(&PDXFreeBuffer) {}
    explicit Buffer(T* p) : buffer_ptr<T>(p, &PDXFreeBuffer) {}
};
struct RowSet : rowset_ptr {
    RowSet() : rowset_ptr(&PDXFreeProws) {}
    explicit RowSet(SRowSet* p) : rowset_ptr(p, &PDXFreeProws) {}
};

// True for the data pointer of a root buffer that has not been freed.
bool isLiveRoot(const void* p);

// Typed allocations (zero-filled).
template <class T>
HRESULT allocRoot(size_t cb, T** out) {
    if (cb > 0xFFFFFFF0u) return static_cast<HRESULT>(0x8007000E);
    return PDXAllocateBuffer(static_cast<ULONG>(cb), reinterpret_cast<void**>(out));
}
template <class T>
HRESULT allocMore(size_t cb, void* parent, T** out) {
    if (cb > 0xFFFFFFF0u) return static_cast<HRESULT>(0x8007000E);
    return PDXAllocateMore(static_cast<ULONG>(cb), parent, reinterpret_cast<void**>(out));
}

} // namespace pdx::core
