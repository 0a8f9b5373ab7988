#pragma once
// The plug-in's two exports, as plain functions (the exported names wrap them).

#include "pdx/interfaces.h"

namespace pdx::mapi {

// MAPILogonEx flags of every logon; MAPI_EXPLICIT_PROFILE or MAPI_USE_DEFAULT is added.
constexpr ULONG kLogonFlags = 0x00028022;
// The display name is kept in a buffer of 64 characters.
constexpr size_t kDisplayNameLimit = 64;

HRESULT openProvider(void* module, IPDXSupport* support, IProfSect* section, ULONG_PTR ulUIParam, ULONG flags,
                     AllocateBufferFn allocateBuffer, AllocateMoreFn allocateMore, FreeBufferFn freeBuffer,
                     IAddrBook** provider);

HRESULT serviceEntry(void* module, ULONG_PTR ulUIParam, ULONG flags, ULONG context, ULONG count,
                     const SPropValue* values, IProfSect* section, IPDXSupport* support);

} // namespace pdx::mapi
