#pragma once
// Registry stand-in: a tree of keys with typed values kept in one SQLite
// database, shaped like the Windows "A" registry calls. Key names, value names
// and REG_SZ data cross this interface as bytes in the system code page; they
// are stored as UTF-8, so the store reads the same under any code page.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

using RegStatus = int32_t;
inline constexpr RegStatus kRegOk = 0;
inline constexpr RegStatus kRegFileNotFound = 2;      // ERROR_FILE_NOT_FOUND
inline constexpr RegStatus kRegAccessDenied = 5;      // ERROR_ACCESS_DENIED
inline constexpr RegStatus kRegInvalidParameter = 87; // ERROR_INVALID_PARAMETER
inline constexpr RegStatus kRegMoreData = 234;        // ERROR_MORE_DATA
inline constexpr RegStatus kRegNoMoreItems = 259;     // ERROR_NO_MORE_ITEMS
inline constexpr RegStatus kRegStoreFailure = 1011;   // ERROR_CANTOPEN (store unusable)

enum RegType : uint32_t { REG_NONE = 0, REG_SZ = 1, REG_BINARY = 3, REG_DWORD = 4 };

struct RegValue {
    std::string name; // in the system code page
    RegType type;
    std::vector<uint8_t> data;
};

enum class RegRoot { CurrentUser, LocalMachine };

// Name of a root as written in .reg text: "HKEY_CURRENT_USER".
std::string_view regRootName(RegRoot root);

// Where the store lives: $VELMO_REGISTRY, else $XDG_CONFIG_HOME/velmo/registry.sqlite3
// (XDG_CONFIG_HOME defaulting to ~/.config).
std::string registryPath();

// A handle to one key. Cheap to copy; it names the key by its path, so it stays
// usable across processes and reports kRegFileNotFound once the key is deleted.
class RegKey {
public:
    RegKey() = default;

    // RegCreateKeyEx / RegOpenKeyEx from a root. subKey uses "\" between names;
    // an empty subKey names the root itself. created reports a new key.
    static RegStatus create(RegRoot root, std::string_view subKey, RegKey& out, bool* created = nullptr);
    static RegStatus open(RegRoot root, std::string_view subKey, RegKey& out);

    RegStatus createSubKey(std::string_view subKey, RegKey& out, bool* created = nullptr) const;
    RegStatus openSubKey(std::string_view subKey, RegKey& out) const;

    bool valid() const { return valid_; }
    RegRoot root() const { return root_; }
    // Full path below the root, in the system code page, without a leading "\".
    std::string path() const;

    // RegQueryValueEx: the raw data. REG_SZ data is returned with its NUL, as the
    // "A" call does. An empty name is the key's default value.
    RegStatus queryValue(std::string_view name, RegType* type, std::vector<uint8_t>* data) const;
    // Typed conveniences: kRegInvalidParameter when the stored type differs.
    RegStatus queryString(std::string_view name, std::string& out) const;
    RegStatus queryDword(std::string_view name, uint32_t& out) const;

    // RegSetValueEx, one transaction each.
    RegStatus setValue(std::string_view name, RegType type, const void* data, size_t size) const;
    // True when the value exists with this type and exactly the bytes that
    // setValue would store for `data` (so setting it would change nothing).
    bool holds(std::string_view name, RegType type, const void* data, size_t size) const;
    RegStatus setString(std::string_view name, std::string_view text) const;
    RegStatus setDword(std::string_view name, uint32_t value) const;
    RegStatus setBinary(std::string_view name, const void* data, size_t size) const;

    // RegEnumKeyEx / RegEnumValue: subkeys in case-insensitive name order,
    // values in case-insensitive name order; kRegNoMoreItems past the end.
    RegStatus enumKey(uint32_t index, std::string& name) const;
    RegStatus enumValue(uint32_t index, std::string& name, RegType* type = nullptr,
                        std::vector<uint8_t>* data = nullptr) const;
    RegStatus subKeyNames(std::vector<std::string>& names) const;
    // Every value with its type and data (as queryValue gives them), in
    // enumValue's order, from one read: a name the system code page cannot
    // spell is still listed with its data.
    RegStatus values(std::vector<RegValue>& out) const;

    RegStatus deleteValue(std::string_view name) const;
    // RegDeleteKey: refuses (kRegAccessDenied) a key that has subkeys.
    RegStatus deleteSubKey(std::string_view subKey) const;
    // RegDeleteTree: the subkey and everything below it.
    RegStatus deleteSubTree(std::string_view subKey) const;

private:
    RegKey(RegRoot root, std::string utf8Path) : root_(root), path_(std::move(utf8Path)), valid_(true) {}
    RegStatus resolve(int64_t& id) const;
    RegStatus deleteKey(std::string_view subKey, bool withSubKeys) const;

    RegRoot root_ = RegRoot::CurrentUser;
    std::string path_; // UTF-8, names as first created, joined by "\"
    bool valid_ = false;
};

// Groups several writes into one transaction (nestable). Commits on commit();
// rolls back if destroyed without it. While it is open, registry calls of
// other threads wait for it to end.
class RegTransaction {
public:
    RegTransaction();
    ~RegTransaction();
    RegTransaction(const RegTransaction&) = delete;
    RegTransaction& operator=(const RegTransaction&) = delete;
    RegStatus status() const { return status_; }
    RegStatus commit();

private:
    RegStatus status_;
    bool done_ = false;
};

// Reads a run of values from one state of the store: while it is open the
// reads take no lock each and a key found once is not looked up again. Other
// threads' registry calls wait for it to end; a write made inside it ends the
// snapshot first, so writes behave as anywhere else. Nestable.
class RegReadSnapshot {
public:
    RegReadSnapshot();
    ~RegReadSnapshot();
    RegReadSnapshot(const RegReadSnapshot&) = delete;
    RegReadSnapshot& operator=(const RegReadSnapshot&) = delete;

private:
    const void* store_ = nullptr;
    uint64_t generation_ = 0;
};

// Drops the cached connection (tests that switch VELMO_REGISTRY, or a process
// that wants the file closed).
void closeRegistry();

} // namespace platform
