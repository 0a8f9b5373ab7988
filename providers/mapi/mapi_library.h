#pragma once
// The messaging subsystem's functions, found by name in the MAPI32 module
// beside the plug-in. A loaded library stays loaded while a copy of it lives.

#include <memory>
#include <string>

#include "pdx/mapi.h"
#include "platform/module.h"

namespace pdx::mapi {

struct MapiLibrary {
    MAPIInitializeFn initialize = nullptr;
    MAPILogonExFn logonEx = nullptr;
    MAPIAllocateBufferFn allocateBuffer = nullptr;
    MAPIAllocateMoreFn allocateMore = nullptr;
    MAPIFreeBufferFn freeBuffer = nullptr;
    MAPIAdminProfilesFn adminProfiles = nullptr;
    MAPIUninitializeFn uninitialize = nullptr;
    FreeProwsMapiFn freeProws = nullptr;
    std::shared_ptr<platform::Module> module;

    // MAPI_E_NOT_FOUND when the module or one of its functions is missing.
    static HRESULT load(MapiLibrary& out);
};

// The module's Windows name, "MAPI32.DLL" unless a test names another one of
// the plug-in's folder.
void setLibraryName(std::string name);

} // namespace pdx::mapi
