#include "core_binding.h"

#include "platform/codepage.h"
#include "bridge_strings.h"

namespace vqbridge {

std::string folderBefore(const std::string& modulePath, const std::string& moduleName) {
    for (size_t pos = 0; pos < modulePath.size(); ++pos)
        if (platform::equalsIgnoreAsciiCase(std::string_view(modulePath).substr(pos), moduleName))
            return modulePath.substr(0, pos);
    return modulePath;
}

bool CoreBinding::load() {
    if (module_.loaded()) return true;
    // The Windows module names of the string table name files by the
    // platform's rule ("VQBRIDGE.DLL" is vqbridge.so).
    const std::string own = platform::moduleFileName(reinterpret_cast<const void*>(&folderBefore));
    const std::string folder = folderBefore(own, platform::mapModuleName(loadString(kStrBridgeModule)));
    if (!module_.load(loadString(kStrCoreModule), folder)) return false;
    CoreApi api;
    api.open = module_.function<pdx::PDXOpenFn>("PDXOpen");
    api.adminProfiles = module_.function<pdx::PDXAdminProfilesFn>("PDXAdminProfiles");
    api.allocateBuffer = module_.function<pdx::PDXAllocateBufferFn>("PDXAllocateBuffer");
    api.allocateMore = module_.function<pdx::PDXAllocateMoreFn>("PDXAllocateMore");
    api.freeBuffer = module_.function<pdx::PDXFreeBufferFn>("PDXFreeBuffer");
    api.freeProws = module_.function<pdx::PDXFreeProwsFn>("PDXFreeProws");
    if (!api.open || !api.adminProfiles || !api.allocateBuffer || !api.allocateMore || !api.freeBuffer ||
        !api.freeProws) {
        module_.unload();
        return false;
    }
    api_ = api;
    folder_ = folder;
    if (!folder_.empty() && folder_.back() != '/') folder_.push_back('/');
    return true;
}

void CoreBinding::unload() {
    module_.unload();
    api_ = CoreApi{};
    folder_.clear();
}

} // namespace vqbridge
