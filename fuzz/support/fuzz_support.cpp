#include "fuzz_support.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string_view>
#include <unistd.h>
#include <vector>

#include "platform/registry.h"

namespace velmo::fuzz {
namespace fs = std::filesystem;

namespace {

// Memory-backed when the machine has it: every input writes and syncs files.
std::string baseFolder() {
    if (const char* dir = std::getenv("VELMO_FUZZ_TMPDIR"); dir && *dir) return dir;
    if (access("/dev/shm", W_OK) == 0) return "/dev/shm";
    return fs::temp_directory_path().string();
}

void removeFolder(const std::string& dir) {
    std::error_code ec;
    fs::remove_all(dir, ec);
}

// A crash found by a sanitizer ends the process without destructors.
extern "C" void __sanitizer_set_death_callback(void (*callback)()) __attribute__((weak));
void removeSandboxAtDeath();

struct Sandbox {
    std::string dir;
    pid_t owner = getpid();
    Sandbox() {
        std::string base = baseFolder() + "/velmo-fuzz-XXXXXX";
        if (!mkdtemp(base.data())) throw std::runtime_error("mkdtemp failed");
        dir = base;
        for (const char* sub : {"home", "config", "data", "runtime", "cache"}) fs::create_directories(dir + "/" + sub);
        fs::permissions(dir + "/runtime", fs::perms::owner_all, fs::perm_options::replace);
        setenv("HOME", (dir + "/home").c_str(), 1);
        setenv("XDG_CONFIG_HOME", (dir + "/config").c_str(), 1);
        setenv("XDG_DATA_HOME", (dir + "/data").c_str(), 1);
        setenv("XDG_RUNTIME_DIR", (dir + "/runtime").c_str(), 1);
        setenv("XDG_CACHE_HOME", (dir + "/cache").c_str(), 1);
        setenv("VELMO_REGISTRY", (dir + "/registry.sqlite3").c_str(), 1);
        unsetenv("VELMO_CODEPAGE");
        unsetenv("VELMO_PRINTER_DRIVER_DIR");
        if (__sanitizer_set_death_callback) __sanitizer_set_death_callback(&removeSandboxAtDeath);
    }
    ~Sandbox() {
        if (getpid() != owner) return;
        platform::closeRegistry();
        removeFolder(dir);
    }
};

Sandbox& theSandbox() {
    static Sandbox box;
    return box;
}

void removeSandboxAtDeath() {
    if (getpid() == theSandbox().owner) removeFolder(theSandbox().dir);
}

} // namespace

const std::string& sandbox() { return theSandbox().dir; }

std::string writeFile(const std::string& name, std::string_view bytes) {
    std::string path = sandbox() + "/" + name;
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return path;
}

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

namespace {

// Empties the registry through its own calls; false when something stays.
bool emptyRegistry() {
    for (platform::RegRoot root : {platform::RegRoot::CurrentUser, platform::RegRoot::LocalMachine}) {
        platform::RegKey key;
        if (platform::RegKey::open(root, "", key) != platform::kRegOk) return false;
        std::vector<std::string> names;
        if (key.subKeyNames(names) != platform::kRegOk) return false;
        for (const auto& name : names) key.deleteSubTree(name);
        std::string value;
        while (key.enumValue(0, value) == platform::kRegOk)
            if (key.deleteValue(value) != platform::kRegOk) return false;
        if (key.enumKey(0, value) != platform::kRegNoMoreItems) return false;
    }
    return true;
}

} // namespace

void freshMemoryRegistry() {
    sandbox();
    // The same connection emptied, rather than a new one with its tables and
    // statements made again for every input: several times the executions,
    // and the statement cache no longer looks like a leak to the fuzzer.
    const char* current = std::getenv("VELMO_REGISTRY");
    if (current && std::string_view(current) == ":memory:" && emptyRegistry()) return;
    platform::closeRegistry();
    setenv("VELMO_REGISTRY", ":memory:", 1);
}

std::string escaped(std::string_view bytes) {
    std::string out;
    for (unsigned char c : bytes) {
        if (c >= 0x20 && c < 0x7F && c != '\\') {
            out.push_back(static_cast<char>(c));
        } else {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\x%02x", c);
            out += buf;
        }
    }
    return out;
}

void fail(const char* condition, const char* file, int line, const std::string& detail) {
    std::fprintf(stderr, "\n*** invariant broken at %s:%d: %s\n    %s\n", file, line, condition, detail.c_str());
    std::fflush(stderr);
    removeSandboxAtDeath();
    std::abort();
}

} // namespace velmo::fuzz
