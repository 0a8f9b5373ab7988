#include "platform/system.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace platform {

std::string tempDirectory() {
    const char* t = std::getenv("TMPDIR");
    std::string dir = t && *t ? t : "/tmp";
    if (dir.back() != '/') dir.push_back('/');
    return dir;
}

std::string SingleInstanceLock::lockPath(const std::string& name) {
    const char* run = std::getenv("XDG_RUNTIME_DIR");
    std::string dir = run && *run && access(run, W_OK) == 0 ? std::string(run) + "/" : tempDirectory();
    return dir + name + ".lock";
}

bool SingleInstanceLock::claim(const std::string& name) {
    release();
    int fd = ::open(lockPath(name).c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0) return false;
    if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(fd);
        return false;
    }
    fd_ = fd;
    return true;
}

void SingleInstanceLock::release() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
}

} // namespace platform
