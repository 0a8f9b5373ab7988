#include "mapi_policy.h"

#include "pdx/status.h"

namespace pdx::mapi {

MapiPolicy::MapiPolicy(MapiLibrary lib, IMAPISession* session, const MAPIUID& uid)
    : lib_(std::move(lib)), session_(session), memory_(lib_), ids_(uid) {}

MapiPolicy::~MapiPolicy() {
    if (session_) {
        session_->Logoff(0, 0, 0);
        session_->Release();
    }
    lib_.uninitialize();
}

// MAPI's own new-entry interface picks the kind of entry.
HRESULT MapiPolicy::chooseRecordType(ULONG_PTR, ULONG* templateTag) {
    *templateTag = 0;
    return S_OK;
}

} // namespace pdx::mapi
