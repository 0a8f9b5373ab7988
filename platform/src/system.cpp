#include "platform/system.h"

#include "platform/codepage.h"
#include "platform/module.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <cstdlib>
#include <cstring>
#include <langinfo.h>
#include <locale.h>
#include <mutex>
#include <sys/random.h>
#include <unistd.h>
#include <vector>

#include "owned_locale.h"

namespace platform {

std::array<uint8_t, 16> newGuid() {
    std::array<uint8_t, 16> g{};
    size_t got = 0;
    while (got < g.size()) {
        ssize_t n = getrandom(g.data() + got, g.size() - got, 0);
        if (n < 0) {
            if (errno == EINTR) continue;
            break;
        }
        got += static_cast<size_t>(n);
    }
    g[6] = static_cast<uint8_t>((g[6] & 0x0F) | 0x40);
    g[8] = static_cast<uint8_t>((g[8] & 0x3F) | 0x80);
    return g;
}

namespace {

// The kernel reports EFAULT instead of faulting when a pipe transfer touches
// memory we may not use; that is the whole probe. A probe that stops halfway
// may leave bytes in its pipe: the pipe is then replaced.
class ProbePipe {
public:
    ProbePipe() = default;
    ProbePipe(const ProbePipe&) = delete;
    ProbePipe& operator=(const ProbePipe&) = delete;
    ~ProbePipe() { close(); }
    // True when open in this process: a forked child shares its parent's
    // pipe, and only closes its copies of the ends.
    bool ready() {
        if (owner_ != getpid()) {
            close();
            if (pipe2(fds_, O_CLOEXEC | O_NONBLOCK) == 0) owner_ = getpid();
        }
        return owner_ != 0;
    }
    void spoil() { close(); }
    int in() const { return fds_[1]; }
    int out() const { return fds_[0]; }

private:
    void close() {
        if (fds_[0] >= 0) ::close(fds_[0]);
        if (fds_[1] >= 0) ::close(fds_[1]);
        fds_[0] = fds_[1] = -1;
        owner_ = 0;
    }
    int fds_[2]{-1, -1};
    pid_t owner_ = 0;
};

// The pipe of one probe: the process's own (a call that checks many records
// opens none each time), or, while another probe holds it (or a fork left it
// held), one made for this probe. Not one per thread: a library loaded at run
// time gets its thread-local blocks from the heap, where the test builds'
// leak checker can misread them.
class ProbeUse {
public:
    ProbeUse() : lock_(sharedMutex(), std::try_to_lock) {
        ProbePipe& p = lock_.owns_lock() ? sharedPipe() : own_;
        pipe_ = p.ready() ? &p : nullptr;
    }
    ProbePipe* operator->() const { return pipe_; }
    explicit operator bool() const { return pipe_ != nullptr; }

private:
    static std::mutex& sharedMutex() {
        static std::mutex m;
        return m;
    }
    static ProbePipe& sharedPipe() {
        static ProbePipe pipe;
        return pipe;
    }
    std::unique_lock<std::mutex> lock_;
    ProbePipe own_;
    ProbePipe* pipe_;
};

constexpr size_t kChunk = 4096;

} // namespace

bool isReadable(const void* p, size_t n) {
    if (!p) return false;
    ProbeUse pipe;
    if (!pipe) return false;
    auto bytes = static_cast<const char*>(p);
    char sink[kChunk];
    for (size_t off = 0; off < n; off += kChunk) {
        size_t len = std::min(kChunk, n - off);
        if (::write(pipe->in(), bytes + off, len) != static_cast<ssize_t>(len) ||
            ::read(pipe->out(), sink, len) != static_cast<ssize_t>(len)) {
            pipe->spoil();
            return false;
        }
    }
    return true;
}

bool isWritable(void* p, size_t n) {
    if (!p) return false;
    ProbeUse pipe;
    if (!pipe) return false;
    auto bytes = static_cast<char*>(p);
    char copy[kChunk];
    for (size_t off = 0; off < n; off += kChunk) {
        size_t len = std::min(kChunk, n - off);
        // Read the bytes out (readable?), then let the kernel store them back
        // (writable?), so the memory keeps its content.
        if (::write(pipe->in(), bytes + off, len) != static_cast<ssize_t>(len) ||
            ::read(pipe->out(), copy, len) != static_cast<ssize_t>(len) ||
            ::write(pipe->in(), copy, len) != static_cast<ssize_t>(len) ||
            ::read(pipe->out(), bytes + off, len) != static_cast<ssize_t>(len)) {
            pipe->spoil();
            return false;
        }
    }
    return true;
}

namespace {

std::string formatWith(const char* fmt, std::time_t t) {
    static const OwnedLocale owned([] {
        locale_t l = newlocale(LC_TIME_MASK | LC_CTYPE_MASK, "", nullptr);
        return l ? l : newlocale(LC_ALL_MASK, "C", nullptr);
    }());
    const locale_t loc = owned.get();
    std::tm tm{};
    localtime_r(&t, &tm);
    char buf[256];
    size_t n = strftime_l(buf, sizeof buf, fmt, &tm, loc);
    std::string text(buf, n);
    const char* cs = nl_langinfo_l(CODESET, loc);
    std::string from = cs && *cs ? cs : "UTF-8";
    std::string to = systemCodePage();
    if (from == to || from == "ANSI_X3.4-1968") return text;
    return convertCodePage(text, from, to, '?');
}

} // namespace

std::string formatShortDate(std::time_t t) { return formatWith("%x", t); }
std::string formatTime(std::time_t t) { return formatWith("%X", t); }

std::string printerDriverDirectory() {
    if (const char* env = std::getenv("VELMO_PRINTER_DRIVER_DIR"); env && *env) {
        std::string dir = env;
        if (dir.back() != '/') dir.push_back('/');
        return dir;
    }
    return ownModuleDirectory();
}

OsVersion osVersion() { return OsVersion{kPlatformWin32Windows, 4, 90}; }

} // namespace platform
