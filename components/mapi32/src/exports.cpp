// The module's exports, looked up by name. Nothing is thrown across them.

#include <type_traits>

#include "admin.h"
#include "memory.h"
#include "pdx/guard.h"
#include "pdx/mapi.h"
#include "pdx/tags.h"
#include "session.h"
#include "subsystem.h"

#define MAPI32_EXPORT extern "C" __attribute__((visibility("default")))

using namespace pdx;

MAPI32_EXPORT HRESULT MAPIInitialize(void*) {
    return guarded([] {
        mapi32::initialize();
        return S_OK;
    });
}

MAPI32_EXPORT void MAPIUninitialize() { mapi32::uninitialize(); }

MAPI32_EXPORT HRESULT MAPILogonEx(ULONG_PTR ulUIParam, const char* profile, const char*, ULONG flags,
                                  IMAPISession** session) {
    return guarded([&] { return mapi32::logon(ulUIParam, profile, flags, session); });
}

MAPI32_EXPORT HRESULT MAPIAllocateBuffer(ULONG cb, void** out) {
    return guarded([&] { return mapi32::mapiDomain().allocate(cb, out); });
}

MAPI32_EXPORT HRESULT MAPIAllocateMore(ULONG cb, void* parent, void** out) {
    return guarded([&] { return mapi32::mapiDomain().allocateMore(cb, parent, out); });
}

MAPI32_EXPORT HRESULT MAPIFreeBuffer(void* p) {
    return guarded([&] { return mapi32::mapiDomain().free(p); });
}

MAPI32_EXPORT HRESULT MAPIAdminProfiles(ULONG flags, IProfAdmin** out) {
    return guarded([&] {
        if (!out) return E_INVALIDARG;
        *out = nullptr;
        if (flags & MAPI_UNICODE) return MAPI_E_BAD_CHARWIDTH;
        if (!mapi32::initialized()) return MAPI_E_NOT_INITIALIZED;
        *out = mapi32::newProfAdmin();
        return S_OK;
    });
}

MAPI32_EXPORT void FreeProws(SRowSet* rows) {
    guarded([&] {
        mapi32::freeRows(rows);
        return S_OK;
    });
}

static_assert(std::is_same_v<decltype(&MAPIInitialize), MAPIInitializeFn>);
static_assert(std::is_same_v<decltype(&MAPIUninitialize), MAPIUninitializeFn>);
static_assert(std::is_same_v<decltype(&MAPILogonEx), MAPILogonExFn>);
static_assert(std::is_same_v<decltype(&MAPIAdminProfiles), MAPIAdminProfilesFn>);
static_assert(std::is_same_v<decltype(&FreeProws), FreeProwsMapiFn>);
