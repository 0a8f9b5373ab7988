#include "pdx_common/buffer_pool.h"

#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <new>

#include "pdx/status.h"

namespace pdx::common {
namespace {

// Each block carries the chain link in front of the caller's data, padded so
// the data is aligned for any value.
struct alignas(std::max_align_t) Block {
    Block* next;
};

void* dataOf(Block* b) { return reinterpret_cast<char*>(b) + sizeof(Block); }

Block* newBlock(ULONG cb) {
    auto* b = static_cast<Block*>(std::malloc(sizeof(Block) + size_t(cb)));
    if (!b) return nullptr;
    b->next = nullptr;
    std::memset(dataOf(b), 0, cb);
    return b;
}

void freeChain(Block* b) {
    while (b) {
        Block* next = b->next;
        std::free(b);
        b = next;
    }
}

} // namespace

BufferPool::~BufferPool() {
    for (auto& entry : roots_) freeChain(static_cast<Block*>(entry.second));
}

HRESULT BufferPool::allocate(ULONG cb, void** out) {
    if (!out) return E_INVALIDARG;
    *out = nullptr;
    Block* b = newBlock(cb);
    if (!b) return E_OUTOFMEMORY;
    void* data = dataOf(b);
    try {
        std::lock_guard g(lock_);
        roots_.emplace(data, b);
    } catch (const std::bad_alloc&) {
        std::free(b);
        return E_OUTOFMEMORY;
    }
    *out = data;
    return S_OK;
}

HRESULT BufferPool::allocateMore(ULONG cb, void* parent, void** out) {
    if (!out) return E_INVALIDARG;
    *out = nullptr;
    std::lock_guard g(lock_);
    auto it = roots_.find(parent);
    if (it == roots_.end()) return E_INVALIDARG;
    Block* b = newBlock(cb);
    if (!b) return E_OUTOFMEMORY;
    // The newest block goes directly behind the root.
    auto* root = static_cast<Block*>(it->second);
    b->next = root->next;
    root->next = b;
    *out = dataOf(b);
    return S_OK;
}

HRESULT BufferPool::free(void* root) {
    Block* b = nullptr;
    {
        std::lock_guard g(lock_);
        auto it = roots_.find(root);
        if (it == roots_.end()) return E_INVALIDARG;
        b = static_cast<Block*>(it->second);
        roots_.erase(it);
    }
    freeChain(b);
    return S_OK;
}

bool BufferPool::isLiveRoot(const void* p) const {
    std::lock_guard g(lock_);
    return roots_.count(p) != 0;
}

size_t BufferPool::liveRoots() const {
    std::lock_guard g(lock_);
    return roots_.size();
}

} // namespace pdx::common
