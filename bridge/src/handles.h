#pragma once
// The bridge's module state: the vqcore binding, the address book handles
// alive and the last status of the exports that do not work on a handle.
// A handle is known by its presence in the set of live handles, so a pointer
// the bridge did not hand out is never dereferenced.

#include <unordered_set>

#include "core_binding.h"
#include "pdx/interfaces.h"

namespace vqbridge {

struct AddressBookHandle {
    pdx::IAddrBook* book = nullptr;
    pdx::IPDXSession* session = nullptr;
    pdx::HRESULT lastStatus = 0;
};

struct BridgeState {
    CoreBinding core;
    int32_t handleCount = 0;
    pdx::HRESULT lastStatus = 0;
    std::unordered_set<const void*> live;
};

BridgeState& bridgeState();

// A new, counted handle with nothing in it.
AddressBookHandle* makeHandle();
// The handle `p` points to when the bridge made it and it is alive, else null.
AddressBookHandle* liveHandle(const void* p);
// Releases what the handle holds, forgets and frees it; the last handle
// unloads vqcore.
void freeHandle(AddressBookHandle* handle);
// Unloads vqcore unless a handle still uses it.
void releaseCoreIfIdle();

} // namespace vqbridge
