#include "session.h"

#include <vector>

#include "pdx/status.h"

namespace wab32 {

using namespace pdx;

namespace {
common::BufferPool* g_pool = new common::BufferPool; // lives to the end: buffers outlive sessions

HRESULT allocate(ULONG cb, void** out) { return g_pool->allocate(cb, out); }
HRESULT allocateMore(ULONG cb, void* parent, void** out) { return g_pool->allocateMore(cb, parent, out); }
HRESULT freeBuffer(void* p) { return g_pool->free(p); }
} // namespace

const common::MemoryDomain& wabDomain() {
    static const common::MemoryDomain domain{&allocate, &allocateMore, &freeBuffer};
    return domain;
}

common::BufferPool& wabPool() { return *g_pool; }

AdviseRegistry::~AdviseRegistry() {
    for (auto& [number, c] : connections_) c.sink->Release();
}

HRESULT AdviseRegistry::add(std::string entryId, ULONG eventMask, IMAPIAdviseSink* sink, ULONG_PTR* connection) {
    std::lock_guard g(lock_);
    const ULONG_PTR number = next_++;
    connections_.emplace(number, Connection{std::move(entryId), eventMask, sink});
    sink->AddRef();
    *connection = number;
    return S_OK;
}

HRESULT AdviseRegistry::remove(ULONG_PTR connection) {
    IMAPIAdviseSink* sink = nullptr;
    {
        std::lock_guard g(lock_);
        auto it = connections_.find(connection);
        if (it == connections_.end()) return MAPI_E_NOT_FOUND;
        sink = it->second.sink;
        connections_.erase(it);
    }
    sink->Release();
    return S_OK;
}

void AdviseRegistry::notify(ULONG event, const std::string& entryId, ULONG objectType) {
    const std::string container = ContactStore::containerId();
    const std::string root = ContactStore::rootId();
    std::vector<IMAPIAdviseSink*> sinks;
    {
        std::lock_guard g(lock_);
        for (auto& [number, c] : connections_) {
            const bool watched = c.entryId == entryId || c.entryId == container || c.entryId == root;
            if (watched && (c.mask & event)) {
                c.sink->AddRef();
                sinks.push_back(c.sink);
            }
        }
    }
    // Sinks are called without the lock: they may call back into the address book.
    NOTIFICATION n{};
    n.ulEventType = event;
    n.info.obj.cbEntryID = ULONG(entryId.size());
    n.info.obj.lpEntryID = reinterpret_cast<ENTRYID*>(const_cast<char*>(entryId.data()));
    n.info.obj.ulObjType = objectType;
    n.info.obj.cbParentID = ULONG(container.size());
    n.info.obj.lpParentID = reinterpret_cast<ENTRYID*>(const_cast<char*>(container.data()));
    for (IMAPIAdviseSink* s : sinks) {
        s->OnNotify(1, &n);
        s->Release();
    }
}

} // namespace wab32
