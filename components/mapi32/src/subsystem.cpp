#include "subsystem.h"

#include <mutex>

namespace mapi32 {

namespace {
std::mutex g_lock;
unsigned g_users = 0;
} // namespace

void initialize() {
    std::lock_guard g(g_lock);
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
