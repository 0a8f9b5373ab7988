#pragma once
// What every object of one WABOpen shares: the store, the memory domain the
// results go into, the advise sinks, and how the store was opened.

#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "contact_store.h"
#include "pdx/interfaces.h"
#include "pdx_common/buffer_pool.h"

namespace wab32 {

// The component's own memory domain: IWABObject's AllocateBuffer,
// AllocateMore and FreeBuffer, and every buffer the component hands out.
const pdx::common::MemoryDomain& wabDomain();
pdx::common::BufferPool& wabPool();

class AdviseRegistry {
public:
    ~AdviseRegistry();
    // A sink for changes of one entry (or, for a container or the root, of
    // the entries in it). The registry holds a reference on the sink.
    pdx::HRESULT add(std::string entryId, pdx::ULONG eventMask, pdx::IMAPIAdviseSink* sink, pdx::ULONG_PTR* connection);
    pdx::HRESULT remove(pdx::ULONG_PTR connection);
    // Tells every sink that watches the entry, its container or the root.
    void notify(pdx::ULONG event, const std::string& entryId, pdx::ULONG objectType);

private:
    struct Connection {
        std::string entryId;
        pdx::ULONG mask;
        pdx::IMAPIAdviseSink* sink;
    };
    std::mutex lock_;
    std::map<pdx::ULONG_PTR, Connection> connections_;
    pdx::ULONG_PTR next_ = 1;
};

struct Session {
    std::shared_ptr<ContactStore> store;
    // Profile mode: the root holds the store's folder rather than entries.
    bool profiles = false;
    AdviseRegistry advise;
};

} // namespace wab32
