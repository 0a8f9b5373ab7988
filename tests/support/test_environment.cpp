#include "test_environment.h"

#include "platform/registry.h"

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <sys/wait.h>
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

int runCommand(const std::string& command, std::string* out, std::string* errOut) {
    std::string errFile = makeTempDir("cmd") + "/stderr";
    std::string full = "(" + command + ") 2>'" + errFile + "'";
    FILE* pipe = popen(full.c_str(), "r");
    if (!pipe) return -1;
    std::string text;
    char buf[4096];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, pipe)) > 0) text.append(buf, n);
    int status = pclose(pipe);
    if (out) *out = text;
    if (errOut) *errOut = readFile(errFile);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string shellQuote(const std::string& path) { return "'" + path + "'"; }

std::string binPath(const std::string& program) { return shellQuote(std::string(VELMO_TEST_BIN_DIR) + "/" + program); }

} // namespace velmo::test
