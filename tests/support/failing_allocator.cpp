#include "failing_allocator.h"

#include <atomic>
#include <cstdlib>
#include <new>

namespace {

std::atomic<long> g_count{0};
std::atomic<long> g_countdown{-1};
std::atomic<size_t> g_sizeLimit{0};
std::atomic<bool> g_failed{false};
std::atomic<int> g_allowed{0};

bool shouldFail(size_t n) {
    if (g_allowed.load(std::memory_order_relaxed) > 0) return false;
    g_count.fetch_add(1, std::memory_order_relaxed);
    size_t limit = g_sizeLimit.load(std::memory_order_relaxed);
    if (limit && n > limit) {
        g_failed = true;
        return true;
    }
    long left = g_countdown.load(std::memory_order_relaxed);
    if (left < 0) return false;
    if (left == 0) {
        g_countdown = -1;
        g_failed = true;
        return true;
    }
    g_countdown = left - 1;
    return false;
}

void* allocate(size_t n) {
    if (shouldFail(n)) throw std::bad_alloc();
    void* p = std::malloc(n ? n : 1);
    if (!p) throw std::bad_alloc();
    return p;
}

} // namespace

namespace velmo::test {

long allocationCount() { return g_count.load(); }
void resetAllocationCount() { g_count = 0; }
void failAllocationAfter(long successes) {
    g_failed = false;
    g_countdown = successes;
}
void failAllocationsLargerThan(size_t bytes) {
    g_failed = false;
    g_sizeLimit = bytes;
}
bool allocationFailed() { return g_failed.load(); }
AllocationsAllowed::AllocationsAllowed() { ++g_allowed; }
AllocationsAllowed::~AllocationsAllowed() { --g_allowed; }

} // namespace velmo::test

void* operator new(std::size_t n) { return allocate(n); }
void* operator new[](std::size_t n) { return allocate(n); }
void* operator new(std::size_t n, const std::nothrow_t&) noexcept {
    try {
        return allocate(n);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}
void* operator new[](std::size_t n, const std::nothrow_t& tag) noexcept { return operator new(n, tag); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { std::free(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { std::free(p); }
