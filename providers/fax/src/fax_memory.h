#pragma once
// The PDX allocate routines the provider got from vqcore, held in process-wide
// slots (every logon of a process gets the same ones), and owning handles that
// free through them.

#include <cstddef>

#include "pdx/memory.h"
#include "pdx/types.h"

namespace vqfax {

using namespace pdx;

void setAllocators(AllocateBufferFn allocate, AllocateMoreFn allocateMore, FreeBufferFn freeBuffer);
FreeBufferFn freeRoutine();

// E_OUTOFMEMORY when no routine is set or the size does not fit the 32-bit count.
HRESULT allocateBuffer(size_t cb, void** out);
HRESULT allocateMore(size_t cb, void* parent, void** out);
void freeBuffer(void* p);

template <class T>
HRESULT allocate(size_t cb, T** out) {
    return allocateBuffer(cb, reinterpret_cast<void**>(out));
}
template <class T>
HRESULT allocateChained(size_t cb, void* parent, T** out) {
    return allocateMore(cb, parent, reinterpret_cast<void**>(out));
}

// A root buffer freed through the current free routine.
template <class T>
struct Owned : buffer_ptr<T> {
    Owned() : buffer_ptr<T>(freeRoutine()) {}
    explicit Owned(T* p) : buffer_ptr<T>(p, freeRoutine()) {}
};

// Out-pointer checks made before writing through a caller's pointer.
bool writableOut(const void* p, size_t n);
template <class T>
bool writableOut(T* p) {
    return writableOut(static_cast<const void*>(p), sizeof(T));
}
bool readableIn(const void* p, size_t n);

} // namespace vqfax
