#pragma once
// vqcore, loaded from the bridge's own folder while the bridge needs it, and
// the six entry points the bridge calls.

#include <string>

#include "pdx/interfaces.h"
#include "pdx/memory.h"
#include "platform/module.h"

namespace vqbridge {

struct CoreApi {
    pdx::PDXOpenFn open = nullptr;
    pdx::PDXAdminProfilesFn adminProfiles = nullptr;
    pdx::PDXAllocateBufferFn allocateBuffer = nullptr;
    pdx::PDXAllocateMoreFn allocateMore = nullptr;
    pdx::PDXFreeBufferFn freeBuffer = nullptr;
    pdx::PDXFreeProwsFn freeProws = nullptr;
};

// The folder of a module path: everything before the first position (from
// the left) at which the rest of the path is `moduleName`, compared without
// regard to case; the whole path when there is none.
std::string folderBefore(const std::string& modulePath, const std::string& moduleName);

class CoreBinding {
public:
    // Loads vqcore beside the bridge and binds its entry points; true at once
    // while it is loaded. A module that lacks an entry point is not kept.
    bool load();
    void unload();
    bool loaded() const { return module_.loaded(); }
    const CoreApi& api() const { return api_; }
    // vqcore's folder (with the separator), where Lisotrex.inf and the help are looked for.
    const std::string& folder() const { return folder_; }

private:
    platform::Module module_;
    CoreApi api_;
    std::string folder_;
};

} // namespace vqbridge
