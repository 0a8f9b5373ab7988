#include "advise_registry.h"

#include <algorithm>

#include "pdx/status.h"

namespace pdx::core {

ULONG_PTR AdviseRegistry::add(std::vector<ProviderConnection> connections) {
    std::lock_guard g(lock_);
    const ULONG_PTR number = next_++;
    entries_.push_back({number, std::move(connections)});
    return number;
}

void AdviseRegistry::unadvise(std::vector<ProviderConnection>& connections) {
    for (auto& c : connections) {
        if (c.provider) c.provider->Unadvise(c.connection);
        c.provider.reset();
    }
}

HRESULT AdviseRegistry::remove(ULONG_PTR number) {
    std::vector<ProviderConnection> connections;
    {
        std::lock_guard g(lock_);
        auto it = std::find_if(entries_.begin(), entries_.end(), [&](const Entry& e) { return e.number == number; });
        if (it == entries_.end()) return MAPI_E_NOT_FOUND;
        connections = std::move(it->connections);
        entries_.erase(it);
    }
    unadvise(connections); // outside the lock: providers may notify while they unadvise
    return S_OK;
}

void AdviseRegistry::unadviseAll() {
    std::vector<Entry> all;
    {
        std::lock_guard g(lock_);
        all.swap(entries_);
    }
    for (auto& e : all) unadvise(e.connections);
}

} // namespace pdx::core
