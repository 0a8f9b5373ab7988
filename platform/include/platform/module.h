#pragma once
// Loading plug-in modules by their Windows names: "VQCORE.dll" is the file
// "vqcore.so" in the folder of the module that asks for it.

#include <cstdint>
#include <string>
#include <string_view>

namespace platform {

// "VQCORE.dll" -> "vqcore.so"; a name without extension gets ".so". Empty for
// a name with a path separator ("/" or "\") or an empty name: such names are
// refused, so a profile or INF file can only name modules beside us.
std::string mapModuleName(std::string_view windowsName);

// GetModuleFileNameA of the module (program or shared library) that contains
// `address`, with links resolved to the real file; empty when unknown.
std::string moduleFileName(const void* address);
// Its folder, with a trailing "/".
std::string moduleDirectory(const void* address);
// The folder of the module that linked this code (each module links its own copy).
std::string ownModuleDirectory();

// A loaded module; unloads on destruction.
class Module {
public:
    Module() = default;
    ~Module() { unload(); }
    Module(Module&& other) noexcept : handle_(other.handle_) { other.handle_ = nullptr; }
    Module& operator=(Module&& other) noexcept;
    Module(const Module&) = delete;
    Module& operator=(const Module&) = delete;

    // LoadLibraryA: loads `windowsName` from `directory` (with trailing "/";
    // empty = ownModuleDirectory()). False when refused or not loadable.
    bool load(std::string_view windowsName, const std::string& directory = {});
    // LoadLibraryA with a full path that an administrator configured (not a
    // name read from a profile): the file exactly as named. False when the
    // path is not absolute or the file is not loadable.
    bool loadFile(const std::string& path);
    bool loaded() const { return handle_ != nullptr; }
    void* symbol(const char* name) const;
    template <class F> F function(const char* name) const { return reinterpret_cast<F>(symbol(name)); }
    void unload();
    // The loader's last complaint, for diagnostics.
    const std::string& error() const { return error_; }

private:
    void* handle_ = nullptr;
    std::string error_;
};

// A module's file version, as GetFileVersionInfoA reads it from the version
// resource: two words, most and least significant (6.0.1.2 is
// {0x00060000, 0x00010002}).
struct FileVersion {
    uint32_t high = 0;
    uint32_t low = 0;
};
// On Linux the version resource is the exported data symbol
// kFileVersionSymbol: two 32-bit words. False (version 0.0) when the module
// has none.
inline constexpr const char* kFileVersionSymbol = "VelmoFileVersion";
bool moduleFileVersion(const Module& module, FileVersion& out);

} // namespace platform
