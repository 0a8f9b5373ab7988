#include "allocator.h"

#include <cstdlib>
#include <cstring>
#include <mutex>
#include <unordered_set>

#include "pdx/guard.h"
#include "pdx/status.h"

using namespace pdx;
using pdx::core::BufferHeader;

namespace {

// Roots handed out and not yet freed. A pointer is checked against this set
// before its header is read, so a foreign pointer is refused without touching it.
struct LiveRoots {
    std::mutex lock;
    std::unordered_set<const void*> roots;
};
LiveRoots& liveRoots() {
    static auto* live = new LiveRoots; // never destroyed: buffers may be freed during exit
    return *live;
}

BufferHeader* headerOf(void* data) { return reinterpret_cast<BufferHeader*>(static_cast<char*>(data) - sizeof(BufferHeader)); }
void* dataOf(BufferHeader* h) { return reinterpret_cast<char*>(h) + sizeof(BufferHeader); }

// No block may reach 2 GiB, the whole address space a caller of the 32-bit
// original had: such a request fails at once instead of zero-filling
// gigabytes the system may only pretend to have.
constexpr ULONG kLargestBlock = 0x7FFFFFFFu;

BufferHeader* newBlock(ULONG cb) {
    if (cb > kLargestBlock) return nullptr;
    auto* h = static_cast<BufferHeader*>(std::malloc(sizeof(BufferHeader) + size_t(cb) + 1));
    if (!h) return nullptr;
    h->marker = core::kBufferMarker;
    h->size = cb;
    h->previous = nullptr;
    h->next = nullptr;
    auto* data = static_cast<uint8_t*>(dataOf(h));
    std::memset(data, 0, cb);
    data[cb] = core::kGuardByte;
    return h;
}

// Caller holds the lock.
bool isLiveRoot(LiveRoots& live, void* data) {
    if (!data || !live.roots.count(data)) return false;
    BufferHeader* h = headerOf(data);
    return h->marker == core::kBufferMarker && h->previous == nullptr;
}

} // namespace

HRESULT PDXAllocateBuffer(ULONG cb, void** out) {
    return guarded([&]() -> HRESULT {
        if (!out) return E_INVALIDARG;
        *out = nullptr;
        BufferHeader* h = newBlock(cb);
        if (!h) return E_OUTOFMEMORY;
        auto& live = liveRoots();
        std::lock_guard guard(live.lock);
        try {
            live.roots.insert(dataOf(h));
        } catch (...) {
            std::free(h);
            return E_OUTOFMEMORY;
        }
        *out = dataOf(h);
        return S_OK;
    });
}

HRESULT PDXAllocateMore(ULONG cb, void* parent, void** out) {
    return guarded([&]() -> HRESULT {
        if (!out) return E_INVALIDARG;
        *out = nullptr;
        auto& live = liveRoots();
        std::lock_guard guard(live.lock);
        if (!isLiveRoot(live, parent)) return E_INVALIDARG;
        BufferHeader* block = newBlock(cb);
        if (!block) return E_OUTOFMEMORY;
        // Newest block goes directly behind the root.
        BufferHeader* root = headerOf(parent);
        block->previous = root;
        block->next = root->next;
        if (root->next) root->next->previous = block;
        root->next = block;
        *out = dataOf(block);
        return S_OK;
    });
}

HRESULT PDXFreeBuffer(void* p) {
    return guarded([&]() -> HRESULT {
        auto& live = liveRoots();
        BufferHeader* h = nullptr;
        {
            std::lock_guard guard(live.lock);
            if (!isLiveRoot(live, p)) return E_INVALIDARG;
            live.roots.erase(p);
            h = headerOf(p);
        }
        while (h) {
            BufferHeader* next = h->next;
            std::free(h);
            h = next;
        }
        return S_OK;
    });
}

bool pdx::core::isLiveRoot(const void* p) {
    auto& live = liveRoots();
    std::lock_guard guard(live.lock);
    return isLiveRoot(live, const_cast<void*>(p));
}

// The row set itself is checked before its rows are read, so a foreign pointer
// is refused without being read.
HRESULT PDXFreeProws(SRowSet* rows) {
    return guarded([&]() -> HRESULT {
        if (!rows) return S_OK;
        if (!core::isLiveRoot(rows)) return E_INVALIDARG;
        for (ULONG i = 0; i < rows->cRows; ++i) PDXFreeBuffer(rows->aRow[i].lpProps);
        return PDXFreeBuffer(rows);
    });
}

HRESULT PDXFreePadrlist(ADRLIST* list) {
    return guarded([&]() -> HRESULT {
        if (!list) return S_OK;
        if (!core::isLiveRoot(list)) return E_INVALIDARG;
        for (ULONG i = 0; i < list->cEntries; ++i)
            if (list->aEntries[i].rgPropVals) PDXFreeBuffer(list->aEntries[i].rgPropVals);
        return PDXFreeBuffer(list);
    });
}
