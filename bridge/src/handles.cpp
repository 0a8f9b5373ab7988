#include "handles.h"

namespace vqbridge {

BridgeState& bridgeState() {
    static BridgeState state;
    return state;
}

AddressBookHandle* makeHandle() {
    auto* handle = new AddressBookHandle;
    BridgeState& s = bridgeState();
    try {
        s.live.insert(handle);
    } catch (...) {
        delete handle;
        throw;
    }
    ++s.handleCount;
    return handle;
}

AddressBookHandle* liveHandle(const void* p) {
    if (!p) return nullptr;
    const BridgeState& s = bridgeState();
    return s.live.count(p) ? static_cast<AddressBookHandle*>(const_cast<void*>(p)) : nullptr;
}

void freeHandle(AddressBookHandle* handle) {
    BridgeState& s = bridgeState();
    if (!handle || !s.live.erase(handle)) return;
    if (handle->book) handle->book->Release();
    if (handle->session) handle->session->Release();
    delete handle;
    --s.handleCount;
    if (s.handleCount == 0 && s.core.loaded()) s.core.unload();
}

void releaseCoreIfIdle() {
    BridgeState& s = bridgeState();
    if (s.handleCount == 0 && s.core.loaded()) s.core.unload();
}

} // namespace vqbridge
