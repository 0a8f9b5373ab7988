// The bridge's exports. Each runs under the wait cursor and catches whatever
// is thrown inside, so nothing crosses into the caller.

#include <new>

#include "handles.h"
#include "owner_window.h"
#include "pdx/status.h"
#include "profile_services.h"
#include "selection_runs.h"
#include "vqbridge.h"
#include "wait_cursor.h"

#define BRIDGE_EXPORT extern "C" __attribute__((visibility("default")))

using namespace vqbridge;
using pdx::HRESULT;

namespace {

HRESULT statusOf(const std::exception_ptr& e) {
    try {
        std::rethrow_exception(e);
    } catch (const std::bad_alloc&) {
        return pdx::E_OUTOFMEMORY;
    } catch (...) {
        return pdx::E_FAIL;
    }
}

// Runs an export's body; an escaping exception becomes the module's last
// status and the export's failure result.
template <class Result, class Body>
Result guardedExport(Result failure, Body&& body) noexcept {
    try {
        WaitCursor wait;
        return body();
    } catch (...) {
        bridgeState().lastStatus = statusOf(std::current_exception());
        return failure;
    }
}

// The same for the exports whose result is a status: the status is the result.
template <class Body>
HRESULT guardedStatus(Body&& body) noexcept {
    try {
        WaitCursor wait;
        return body();
    } catch (...) {
        const HRESULT h = statusOf(std::current_exception());
        bridgeState().lastStatus = h;
        return h;
    }
}

AddressBookHandle* openHandle(uintptr_t window, const char* profile, uint32_t flags) {
    BridgeState& s = bridgeState();
    AddressBookHandle* handle = nullptr;
    try {
        handle = makeHandle();
    } catch (const std::bad_alloc&) {
        s.lastStatus = pdx::E_FAIL;
        return nullptr;
    }
    if (!s.core.load()) {
        freeHandle(handle);
        s.lastStatus = pdx::E_FAIL;
        return nullptr;
    }
    HRESULT h;
    {
        DisabledOwner owner(window);
        h = s.core.api().open(window, profile, flags, 0, 0, 0, &handle->book, &handle->session);
    }
    s.lastStatus = h;
    if (pdx::FAILED(h)) {
        freeHandle(handle);
        return nullptr;
    }
    return handle;
}

constexpr uint32_t kDefaultProfileWithLogon = 0x41;

} // namespace

BRIDGE_EXPORT void* OpenAddressBook(uintptr_t window, const char* profile, uint32_t flags) {
    return guardedExport<void*>(nullptr, [&]() -> void* { return openHandle(window, profile, flags); });
}

BRIDGE_EXPORT int32_t CloseAddressBook(void* handle) {
    guardedExport<int32_t>(1, [&] {
        freeHandle(liveHandle(handle));
        return 1;
    });
    return 1;
}

BRIDGE_EXPORT int32_t DisplayRecipSelect(void* handleArg, uintptr_t window, uint32_t* count, RecipientArray* records) {
    return guardedExport<int32_t>(0, [&]() -> int32_t {
        AddressBookHandle* handle = liveHandle(handleArg);
        const bool temporary = !handleArg;
        if (temporary) handle = openHandle(window, nullptr, kDefaultProfileWithLogon);
        if (!handle) return -1;
        int32_t result = 0;
        try {
            result = runDialogSelection(*handle, window, count, records);
        } catch (...) {
            if (temporary) freeHandle(handle);
            throw;
        }
        if (temporary) {
            bridgeState().lastStatus = handle->lastStatus;
            freeHandle(handle);
        }
        return result;
    });
}

BRIDGE_EXPORT int32_t DisplayAdminProfiles(uintptr_t window, const char* profile) {
    return guardedExport<int32_t>(0, [&] { return displayAdminProfiles(window, profile); });
}

BRIDGE_EXPORT HRESULT GetLastPDXError(void* handle) {
    return guardedStatus([&] {
        const AddressBookHandle* h = liveHandle(handle);
        return h ? h->lastStatus : bridgeState().lastStatus;
    });
}

BRIDGE_EXPORT int32_t CreateProfile(const char* profile, uint32_t count, const ServiceDescriptor* services) {
    return guardedExport<int32_t>(0, [&] { return createProfile(profile, count, services); });
}

BRIDGE_EXPORT HRESULT DeleteVABService(void*, uintptr_t, const char* profile, uint32_t, char* displayName) {
    return guardedStatus([&] { return deleteFaxService(profile, displayName); });
}

BRIDGE_EXPORT HRESULT AddVABService(void*, uintptr_t window, const char* profile, uint32_t, const char* displayName) {
    return guardedStatus([&] { return addFaxService(window, profile, displayName); });
}

BRIDGE_EXPORT HRESULT SelectRecipients(void* handleArg, const char* containerPath, uint32_t* count,
                                       RecipientArray* records) {
    return guardedStatus([&]() -> HRESULT {
        AddressBookHandle* handle = liveHandle(handleArg);
        const bool temporary = !handleArg;
        if (temporary) handle = openHandle(0, nullptr, kDefaultProfileWithLogon);
        if (!handle) return temporary ? bridgeState().lastStatus : pdx::E_INVALIDARG;
        HRESULT h = pdx::E_FAIL;
        try {
            h = runHeadlessSelection(*handle, containerPath, count, records);
        } catch (...) {
            if (temporary) freeHandle(handle);
            throw;
        }
        if (temporary) freeHandle(handle);
        bridgeState().lastStatus = h;
        return h;
    });
}
