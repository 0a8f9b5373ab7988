#include "subsystem.h"

#include <dlfcn.h>
#include <mutex>

#include "platform/module.h"

namespace mapi32 {

namespace {
std::mutex g_lock;
unsigned g_users = 0;
bool g_resident = false;

// Like the system's messaging DLL, the subsystem stays loaded once it was
// used: the LDAP client library keeps process-wide state (its options, TLS
// set-up) that it cannot give back, so unloading it would lose that memory
// and the next load would start from scratch anyway.
void stayResident() {
    if (g_resident) return;
    const std::string self = platform::moduleFileName(reinterpret_cast<const void*>(&stayResident));
    if (self.empty()) return;
    if (void* handle = ::dlopen(self.c_str(), RTLD_NOW | RTLD_NOLOAD | RTLD_NODELETE)) {
        ::dlclose(handle); // drops the extra count; RTLD_NODELETE stays with the module
        g_resident = true;
    }
}
} // namespace

void initialize() {
    std::lock_guard g(g_lock);
    stayResident();
    ++g_users;
}

bool uninitialize() {
    std::lock_guard g(g_lock);
    if (!g_users) return false;
    --g_users;
    return true;
}

bool initialized() {
    std::lock_guard g(g_lock);
    return g_users > 0;
}

} // namespace mapi32
