#pragma once
// Loading plug-in modules by their Windows names: "VQCORE.dll" is the file
// "vqcore.so" in the folder of the module that asks for it.

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

} // namespace platform
