#pragma once
// The plug-in's two exports, as plain functions (the exported names wrap them).

#include <string>

#include "pdx/interfaces.h"
#include "pdx/tags.h"

namespace pdx::wab {

HRESULT openProvider(void* module, IPDXSupport* support, IProfSect* section, ULONG_PTR ulUIParam, ULONG flags,
                     AllocateBufferFn allocateBuffer, AllocateMoreFn allocateMore, FreeBufferFn freeBuffer,
                     IAddrBook** provider);

HRESULT serviceEntry(void* module, ULONG_PTR ulUIParam, ULONG flags, ULONG context, ULONG count,
                     const SPropValue* values, IProfSect* section, IPDXSupport* support);

// Where the component is loaded from: the default value of HKEY_LOCAL_MACHINE
// "Software\Microsoft\WAB\DLLPath", else "WAB32.DLL" beside the plug-in.
std::string componentPath();

} // namespace pdx::wab
