#include "test_environment.h"

#include "platform/registry.h"

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <unistd.h>

namespace velmo::test {
namespace fs = std::filesystem;

namespace {
std::atomic<int> g_counter{0};

struct Sandbox {
    std::string dir;
    Sandbox() {
        std::string base = fs::temp_directory_path().string() + "/velmo-test-XXXXXX";
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
    }
    ~Sandbox() {
        platform::closeRegistry();
        std::error_code ec;
        if (!std::getenv("VELMO_KEEP_TEST_FILES")) fs::remove_all(dir, ec);
    }
};
} // namespace

const std::string& sandboxDir() {
    static Sandbox sandbox;
    return sandbox.dir;
}

std::string makeTempDir(const std::string& prefix) {
    std::string dir = sandboxDir() + "/" + prefix + std::to_string(getpid()) + "-" + std::to_string(++g_counter);
    fs::create_directories(dir);
    return dir;
}

std::string freshRegistry() {
    std::string path = makeTempDir("reg") + "/registry.sqlite3";
    platform::closeRegistry();
    setenv("VELMO_REGISTRY", path.c_str(), 1);
    return path;
}

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

void writeFile(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
}

} // namespace velmo::test
