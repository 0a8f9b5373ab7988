#pragma once
// The address book's advise connections: each PDX connection number stands
// for the provider connections it was made of, with a reference on each
// provider object.

#include <mutex>
#include <vector>

#include "pdx/interfaces.h"
#include "pdx/memory.h"

namespace pdx::core {

class AdviseRegistry {
public:
    struct ProviderConnection {
        ULONG_PTR connection;
        object_ptr<IAddrBook> provider;
    };

    ~AdviseRegistry() { unadviseAll(); }

    // Records the connections under a new number (1, 2, ...), which is returned.
    ULONG_PTR add(std::vector<ProviderConnection> connections);
    // Unadvises and releases every provider connection recorded under the
    // number; MAPI_E_NOT_FOUND for a number never handed out or already gone.
    HRESULT remove(ULONG_PTR number);
    // Every connection, as at the end of a session.
    void unadviseAll();

private:
    struct Entry {
        ULONG_PTR number;
        std::vector<ProviderConnection> connections;
    };
    static void unadvise(std::vector<ProviderConnection>& connections);

    std::mutex lock_;
    ULONG_PTR next_ = 1;
    std::vector<Entry> entries_;
};

} // namespace pdx::core
