#include "fax_memory.h"

#include <atomic>

#include "pdx/status.h"
#include "platform/system.h"

namespace vqfax {
namespace {
std::atomic<AllocateBufferFn> g_allocate{nullptr};
std::atomic<AllocateMoreFn> g_allocateMore{nullptr};
std::atomic<FreeBufferFn> g_free{nullptr};
constexpr size_t kMaxBuffer = 0xFFFFFFF0u;
} // namespace

void setAllocators(AllocateBufferFn allocate, AllocateMoreFn allocateMore, FreeBufferFn freeBuffer) {
    g_allocate = allocate;
    g_allocateMore = allocateMore;
    g_free = freeBuffer;
}

FreeBufferFn freeRoutine() { return g_free.load(); }

HRESULT allocateBuffer(size_t cb, void** out) {
    *out = nullptr;
    AllocateBufferFn allocate = g_allocate.load();
    if (!allocate || cb > kMaxBuffer) return E_OUTOFMEMORY;
    return allocate(static_cast<ULONG>(cb), out);
}

HRESULT allocateMore(size_t cb, void* parent, void** out) {
    *out = nullptr;
    AllocateMoreFn more = g_allocateMore.load();
    if (!more || cb > kMaxBuffer) return E_OUTOFMEMORY;
    return more(static_cast<ULONG>(cb), parent, out);
}

void freeBuffer(void* p) {
    if (FreeBufferFn f = g_free.load(); f && p) f(p);
}

bool writableOut(const void* p, size_t n) { return platform::isWritable(const_cast<void*>(p), n); }
bool readableIn(const void* p, size_t n) { return platform::isReadable(p, n); }

} // namespace vqfax
