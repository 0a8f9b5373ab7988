#include "store_file.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <memory>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include "store_error.h"

namespace vqconv {
namespace {

// The marker every store carries in its header ("FAXB") and the layout version.
constexpr uint32_t kApplicationId = 0x46415842;
constexpr int kSchemaVersion = 1;
constexpr int kBusyTimeoutMs = 10000;

// Counters keep record ids from being handed out twice, even after deletes,
// and number the records in the order they were created.
constexpr const char* kSchema =
    "CREATE TABLE meta(name TEXT PRIMARY KEY, value INTEGER NOT NULL) WITHOUT ROWID;"
    "INSERT INTO meta VALUES ('next_contact', 1), ('next_group', 1), ('next_seq', 1);"
    "CREATE TABLE records(id INTEGER PRIMARY KEY, seq INTEGER NOT NULL);"
    "CREATE TABLE elements(record INTEGER NOT NULL, pos INTEGER NOT NULL, code INTEGER NOT NULL,"
    " text BLOB, member INTEGER, flags INTEGER, reserved BLOB, PRIMARY KEY(record, pos)) WITHOUT ROWID;"
    "CREATE INDEX elements_by_member ON elements(member) WHERE member IS NOT NULL;";

struct CloseDb {
    void operator()(sqlite3* db) const { sqlite3_close(db); }
};
using DbPtr = std::unique_ptr<sqlite3, CloseDb>;

bool exec(sqlite3* db, const char* sql) { return sqlite3_exec(db, sql, nullptr, nullptr, nullptr) == SQLITE_OK; }

int64_t pragmaValue(sqlite3* db, const char* sql) {
    sqlite3_stmt* s = nullptr;
    int64_t value = -1;
    if (sqlite3_prepare_v2(db, sql, -1, &s, nullptr) == SQLITE_OK && sqlite3_step(s) == SQLITE_ROW)
        value = sqlite3_column_int64(s, 0);
    sqlite3_finalize(s);
    return value;
}

ErrorWord wordForErrno(int err) { return err == ENOSPC || err == EDQUOT || err == EFBIG ? kErrDiskFull : kErrDiskRead; }

std::string homeDirectory() {
    if (const char* home = std::getenv("HOME"); home && *home) return home;
    struct passwd pw;
    struct passwd* found = nullptr;
    char buf[4096];
    if (getpwuid_r(getuid(), &pw, buf, sizeof buf, &found) == 0 && found && found->pw_dir) return found->pw_dir;
    fail(kErrDiskRead);
}

// Reads the 100-byte SQLite header without letting SQLite near the file, so a
// foreign file gets no journal or WAL beside it and stays as it is.
bool headerIsOurs(const std::string& path) {
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    unsigned char header[100];
    ssize_t n = ::read(fd, header, sizeof header);
    ::close(fd);
    if (n != static_cast<ssize_t>(sizeof header) || std::memcmp(header, "SQLite format 3", 16) != 0) return false;
    uint32_t id = uint32_t(header[68]) << 24 | uint32_t(header[69]) << 16 | uint32_t(header[70]) << 8 | header[71];
    return id == kApplicationId;
}

bool schemaIsOurs(sqlite3* db) {
    return pragmaValue(db, "PRAGMA application_id") == kApplicationId &&
           pragmaValue(db, "PRAGMA user_version") == kSchemaVersion &&
           pragmaValue(db, "SELECT count(*) FROM sqlite_schema WHERE type = 'table'"
                           " AND name IN ('meta', 'records', 'elements')") == 3 &&
           pragmaValue(db, "SELECT count(*) FROM meta WHERE name IN ('next_contact', 'next_group', 'next_seq')") == 3;
}

void removeScratch(const std::string& path) {
    for (const char* suffix : {"", "-journal", "-wal", "-shm"}) ::unlink((path + suffix).c_str());
}

// Builds a complete store under a scratch name in the target's folder and
// moves it into place only if nothing has appeared there meanwhile, so a
// crash never leaves a half-made store and another process's store is never
// replaced.
void createStoreFile(const std::string& path) {
    std::string scratch = path + ".new-XXXXXX";
    int fd = mkstemp(scratch.data());
    if (fd < 0) fail(wordForErrno(errno));
    ::close(fd);
    struct ScratchGuard {
        const std::string& path;
        ~ScratchGuard() { removeScratch(path); }
    } guard{scratch};

    sqlite3* raw = nullptr;
    int rc = sqlite3_open_v2(scratch.c_str(), &raw, SQLITE_OPEN_READWRITE, nullptr);
    DbPtr db(raw);
    if (rc != SQLITE_OK) fail(wordForSqlite(db.get(), rc, kErrDiskRead));
    std::string build = "PRAGMA synchronous = FULL; BEGIN; PRAGMA application_id = " + std::to_string(kApplicationId) +
                        "; PRAGMA user_version = " + std::to_string(kSchemaVersion) + ";" + kSchema + "COMMIT;";
    if (!exec(db.get(), build.c_str()) || !exec(db.get(), "PRAGMA journal_mode = WAL"))
        fail(wordForSqlite(db.get(), sqlite3_extended_errcode(db.get()), kErrDiskRead));
    if (sqlite3_close(db.release()) != SQLITE_OK) fail(kErrDiskRead);

    if (renameat2(AT_FDCWD, scratch.c_str(), AT_FDCWD, path.c_str(), RENAME_NOREPLACE) != 0) {
        int err = errno;
        // Some file systems cannot rename without replacing; a hard link
        // gives the same no-replace guarantee there.
        if (err == EINVAL || err == ENOSYS) err = ::link(scratch.c_str(), path.c_str()) == 0 ? 0 : errno;
        if (err != 0 && err != EEXIST) fail(wordForErrno(err));
    }
    std::string folder = std::filesystem::path(path).parent_path().string();
    int dirFd = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd >= 0) {
        ::fsync(dirFd);
        ::close(dirFd);
    }
}

} // namespace

std::string defaultStorePath() {
    const char* xdg = std::getenv("XDG_DATA_HOME");
    std::string base = xdg && xdg[0] == '/' ? std::string(xdg) : homeDirectory() + "/.local/share";
    return base + "/velmo/faxab.sqlite3";
}

sqlite3* openStoreFile(const std::string& path, bool createFolder) {
    if (path.empty()) fail(kErrDiskRead);
    struct stat st;
    if (::stat(path.c_str(), &st) != 0) {
        if (errno != ENOENT) fail(kErrDiskRead);
        if (createFolder) {
            std::error_code ec;
            auto folder = std::filesystem::path(path).parent_path();
            if (!folder.empty()) std::filesystem::create_directories(folder, ec);
            if (ec) fail(wordForErrno(ec.value()));
        }
        createStoreFile(path);
        if (::stat(path.c_str(), &st) != 0) fail(kErrDiskRead);
    }
    if (!S_ISREG(st.st_mode) || !headerIsOurs(path)) fail(kErrDiskRead);

    sqlite3* raw = nullptr;
    int rc = sqlite3_open_v2(path.c_str(), &raw, SQLITE_OPEN_READWRITE, nullptr);
    DbPtr db(raw);
    if (rc != SQLITE_OK) fail(kErrDiskRead);
    sqlite3_busy_timeout(db.get(), kBusyTimeoutMs);
    if (!schemaIsOurs(db.get())) fail(kErrDiskRead);
    // WAL lets readers and one writer of other processes work at once; NORMAL
    // keeps every commit atomic across a crash without a sync per commit.
    if (!exec(db.get(), "PRAGMA journal_mode = WAL") || !exec(db.get(), "PRAGMA synchronous = NORMAL"))
        fail(kErrDiskRead);
    return db.release();
}

} // namespace vqconv
