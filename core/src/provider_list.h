#pragma once
// The providers of one session: a stack of records, the most recently loaded
// first, each with the UIDs its provider registered. Routing an entry
// identifier finds the provider whose UID the identifier carries.

#include <memory>
#include <mutex>
#include <vector>

#include "pdx/interfaces.h"
#include "pdx/memory.h"
#include "platform/module.h"

namespace pdx::core {

// {000203AF-0000-0000-C000-000000000046}: answered by nothing but the provider list.
inline constexpr IID IID_ProviderList = mapiGuid(0x000203AF);

struct ProviderRecord {
    platform::Module module; // declared first, so it is unloaded after the provider is released
    object_ptr<IAddrBook> provider;
    ABProviderOpenFn open = nullptr;
    void* serviceEntry = nullptr;
    MAPIUID serviceUid{};
    std::vector<MAPIUID> uids; // newest first; guarded by the owning list's lock
};

class ProviderList final : public IUnknown {
public:
    static ProviderList* create();

    HRESULT QueryInterface(LPCIID iid, void** out) override;
    ULONG AddRef() override;
    ULONG Release() override;

    void push(std::shared_ptr<ProviderRecord> record);
    size_t count();
    // The provider objects in list order, each with a reference of its own.
    std::vector<object_ptr<IAddrBook>> providers();

    // SetProviderUID for `record`: MAPI_E_COLLISION when it registered the UID already.
    HRESULT registerUid(ProviderRecord& record, const MAPIUID& uid);
    // The provider that issued the identifier, with a reference:
    // MAPI_E_INVALID_ENTRYID below 20 bytes, MAPI_E_NOT_FOUND for an unknown UID.
    HRESULT route(ULONG cb, const ENTRYID* id, object_ptr<IAddrBook>& out);
    // The index in list order of the routing provider, or -1.
    long routeIndex(ULONG cb, const ENTRYID* id);

    // Takes every record off, newest first: forgets its UIDs, releases the
    // provider object and unloads the module.
    void unloadAll();

private:
    ProviderList() = default;
    ~ProviderList();

    std::recursive_mutex lock_;
    ULONG refs_ = 1;
    std::vector<std::shared_ptr<ProviderRecord>> records_; // front = most recently loaded
};

} // namespace pdx::core
