#include "mapi_library.h"

#include <mutex>

#include "pdx/status.h"

namespace pdx::mapi {
namespace {
std::mutex g_lock;
std::string g_name = "MAPI32.DLL";
} // namespace

void setLibraryName(std::string name) {
    std::lock_guard g(g_lock);
    g_name = std::move(name);
}

HRESULT MapiLibrary::load(MapiLibrary& out) {
    std::string name;
    {
        std::lock_guard g(g_lock);
        name = g_name;
    }
    auto module = std::make_shared<platform::Module>();
    if (!module->load(name)) return MAPI_E_NOT_FOUND;
    MapiLibrary lib;
    lib.initialize = module->function<MAPIInitializeFn>("MAPIInitialize");
    lib.logonEx = module->function<MAPILogonExFn>("MAPILogonEx");
    lib.allocateBuffer = module->function<MAPIAllocateBufferFn>("MAPIAllocateBuffer");
    lib.allocateMore = module->function<MAPIAllocateMoreFn>("MAPIAllocateMore");
    lib.freeBuffer = module->function<MAPIFreeBufferFn>("MAPIFreeBuffer");
    lib.adminProfiles = module->function<MAPIAdminProfilesFn>("MAPIAdminProfiles");
    lib.uninitialize = module->function<MAPIUninitializeFn>("MAPIUninitialize");
    lib.freeProws = module->function<FreeProwsMapiFn>("FreeProws");
    if (!lib.initialize || !lib.logonEx || !lib.allocateBuffer || !lib.allocateMore || !lib.freeBuffer ||
        !lib.adminProfiles || !lib.uninitialize || !lib.freeProws)
        return MAPI_E_NOT_FOUND;
    lib.module = std::move(module);
    out = std::move(lib);
    return S_OK;
}

} // namespace pdx::mapi
