#include "platform/module.h"

#include <cctype>
#include <cstdlib>
#include <dlfcn.h>
#include <link.h>
#include <unistd.h>

namespace platform {

std::string mapModuleName(std::string_view name) {
    if (name.empty() || name.find('/') != std::string_view::npos || name.find('\\') != std::string_view::npos)
        return {};
    std::string lower;
    for (char c : name) lower.push_back(static_cast<char>(std::tolower(static_cast<unsigned char>(c))));
    auto dot = lower.rfind('.');
    if (dot == std::string::npos) return lower + ".so";
    std::string ext = lower.substr(dot);
    if (ext == ".dll") return lower.substr(0, dot) + ".so";
    return lower;
}

namespace {

std::string realPath(const char* path) {
    char* resolved = realpath(path, nullptr);
    if (!resolved) return path;
    std::string out = resolved;
    free(resolved);
    return out;
}

} // namespace

// The real file, never a link to it: an installed program is started through
// a link in bin/ while its parts lie beside the real file. The main program is
// reported by the loader under its invocation name (argv[0], which says
// nothing reliable), so its file comes from the kernel instead.
std::string moduleFileName(const void* address) {
    Dl_info info{};
    link_map* map = nullptr;
    if (!dladdr1(address, &info, reinterpret_cast<void**>(&map), RTLD_DL_LINKMAP) || !map) return {};
    if (map->l_name && map->l_name[0] != '\0') return realPath(map->l_name);
    char buf[4096];
    ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
    if (n <= 0) return {};
    return std::string(buf, static_cast<size_t>(n));
}

std::string moduleDirectory(const void* address) {
    std::string file = moduleFileName(address);
    auto slash = file.rfind('/');
    return slash == std::string::npos ? std::string() : file.substr(0, slash + 1);
}

std::string ownModuleDirectory() { return moduleDirectory(reinterpret_cast<const void*>(&ownModuleDirectory)); }

Module& Module::operator=(Module&& other) noexcept {
    if (this != &other) {
        unload();
        handle_ = other.handle_;
        other.handle_ = nullptr;
    }
    return *this;
}

bool Module::load(std::string_view windowsName, const std::string& directory) {
    unload();
    std::string file = mapModuleName(windowsName);
    if (file.empty()) {
        error_ = "module name refused";
        return false;
    }
    std::string dir = directory.empty() ? ownModuleDirectory() : directory;
    if (!dir.empty() && dir.back() != '/') dir.push_back('/');
    std::string full = dir + file;
    handle_ = dlopen(full.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle_) {
        const char* e = dlerror();
        error_ = e ? e : "not loadable";
        return false;
    }
    error_.clear();
    return true;
}

void* Module::symbol(const char* name) const { return handle_ ? dlsym(handle_, name) : nullptr; }

void Module::unload() {
    if (handle_) dlclose(handle_);
    handle_ = nullptr;
}

} // namespace platform
