#pragma once
// A memory domain of its own with MAPI's buffer rules: a root buffer, buffers
// chained to it with "allocate more", and one free of the root that releases
// the whole chain. Only roots this pool handed out are accepted as parents or
// freed; any other pointer is refused without being read.

#include <mutex>
#include <unordered_map>

#include "pdx/types.h"

namespace pdx::common {

// The three routines of a memory domain, as MAPI hands them around.
struct MemoryDomain {
    AllocateBufferFn allocate = nullptr;
    AllocateMoreFn allocateMore = nullptr;
    FreeBufferFn free = nullptr;
};

class BufferPool {
public:
    BufferPool() = default;
    BufferPool(const BufferPool&) = delete;
    BufferPool& operator=(const BufferPool&) = delete;
    ~BufferPool();

    // Zero-filled; E_OUTOFMEMORY when memory runs out, E_INVALIDARG for a null out.
    HRESULT allocate(ULONG cb, void** out);
    // E_INVALIDARG when parent is not a live root of this pool.
    HRESULT allocateMore(ULONG cb, void* parent, void** out);
    // Releases the root and everything chained to it; E_INVALIDARG for
    // anything but a live root of this pool (null included).
    HRESULT free(void* root);
    bool isLiveRoot(const void* p) const;
    size_t liveRoots() const;

private:
    mutable std::mutex lock_;
    // data pointer of each live root -> the block that holds it
    std::unordered_map<const void*, void*> roots_;
};

} // namespace pdx::common
