#pragma once
// Linked into a test program, this replaces the global operator new so a test
// can make one chosen allocation fail with std::bad_alloc, as memory
// exhaustion would, and check that the code under test survives it.

#include <cstddef>

namespace velmo::test {

// Allocations made since the counter was last reset.
long allocationCount();
void resetAllocationCount();
// The allocation after `successes` more successful ones throws std::bad_alloc;
// the ones after it succeed again. Negative: no failure.
void failAllocationAfter(long successes);
// Every allocation larger than `bytes` throws std::bad_alloc; 0: no limit.
void failAllocationsLargerThan(size_t bytes);
// Whether the armed failure has happened (and is therefore spent).
bool allocationFailed();

// While alive, allocations neither count nor fail: for the test's own
// bookkeeping inside an operation under test (a recording prompter).
class AllocationsAllowed {
public:
    AllocationsAllowed();
    ~AllocationsAllowed();
    AllocationsAllowed(const AllocationsAllowed&) = delete;
    AllocationsAllowed& operator=(const AllocationsAllowed&) = delete;
};

// Arms a failure for one scope and disarms it on the way out.
class FailAllocationAfter {
public:
    explicit FailAllocationAfter(long successes) { failAllocationAfter(successes); }
    ~FailAllocationAfter() { failAllocationAfter(-1); }
    FailAllocationAfter(const FailAllocationAfter&) = delete;
    FailAllocationAfter& operator=(const FailAllocationAfter&) = delete;
};

class LimitAllocationSize {
public:
    explicit LimitAllocationSize(size_t bytes) { failAllocationsLargerThan(bytes); }
    ~LimitAllocationSize() { failAllocationsLargerThan(0); }
    LimitAllocationSize(const LimitAllocationSize&) = delete;
    LimitAllocationSize& operator=(const LimitAllocationSize&) = delete;
};

} // namespace velmo::test
