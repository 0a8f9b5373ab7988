#pragma once
// A MAPI-style heap for tests: root buffers with chained children, every live
// root counted, and every free of a pointer that is not one of its live roots
// counted as a free in the wrong domain (and ignored). It can be told to fail
// after a number of allocations.

#include <cstdlib>
#include <cstring>
#include <mutex>
#include <unordered_map>
#include <vector>

#include "pdx/status.h"
#include "pdx/types.h"

namespace wabtest {

class TrackedHeap {
public:
    ~TrackedHeap() { clear(); }

    pdx::HRESULT allocate(pdx::ULONG cb, void** out) {
        std::lock_guard g(lock_);
        *out = nullptr;
        if (exhausted()) return pdx::E_OUTOFMEMORY;
        void* p = block(cb);
        roots_[p];
        *out = p;
        return pdx::S_OK;
    }
    pdx::HRESULT allocateMore(pdx::ULONG cb, void* parent, void** out) {
        std::lock_guard g(lock_);
        *out = nullptr;
        auto it = roots_.find(parent);
        if (it == roots_.end()) {
            ++badParents_;
            return pdx::E_INVALIDARG;
        }
        if (exhausted()) return pdx::E_OUTOFMEMORY;
        void* p = block(cb);
        it->second.push_back(p);
        *out = p;
        return pdx::S_OK;
    }
    pdx::HRESULT free(void* p) {
        std::lock_guard g(lock_);
        if (!p) return pdx::S_OK;
        auto it = roots_.find(p);
        if (it == roots_.end()) {
            ++foreignFrees_;
            return pdx::E_INVALIDARG;
        }
        for (void* child : it->second) std::free(child);
        std::free(p);
        roots_.erase(it);
        return pdx::S_OK;
    }
    bool owns(const void* p) {
        std::lock_guard g(lock_);
        return roots_.count(const_cast<void*>(p)) != 0;
    }

    size_t liveRoots() {
        std::lock_guard g(lock_);
        return roots_.size();
    }
    size_t foreignFrees() {
        std::lock_guard g(lock_);
        return foreignFrees_;
    }
    size_t badParents() {
        std::lock_guard g(lock_);
        return badParents_;
    }
    // Allocations after the next `n` fail; -1: never.
    void failAfter(long n) {
        std::lock_guard g(lock_);
        budget_ = n;
    }
    void clear() {
        std::lock_guard g(lock_);
        for (auto& [root, children] : roots_) {
            for (void* child : children) std::free(child);
            std::free(root);
        }
        roots_.clear();
        foreignFrees_ = badParents_ = 0;
        budget_ = -1;
    }

private:
    bool exhausted() {
        if (budget_ < 0) return false;
        if (budget_ == 0) return true;
        --budget_;
        return false;
    }
    // Filled with a pattern, so code that relies on zeroed memory shows.
    static void* block(pdx::ULONG cb) {
        void* p = std::malloc(cb ? cb : 1);
        std::memset(p, 0xCD, cb ? cb : 1);
        return p;
    }

    std::mutex lock_;
    std::unordered_map<void*, std::vector<void*>> roots_;
    size_t foreignFrees_ = 0;
    size_t badParents_ = 0;
    long budget_ = -1;
};

} // namespace wabtest
