#include "platform/registry.h"

#include "platform/codepage.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>
#include <sqlite3.h>
#include <sys/stat.h>

namespace platform {
namespace {

// The folders above the store, made one by one (a failure shows when the
// store itself cannot be opened). Plain calls rather than std::filesystem:
// that would bring stream and locale code into every program that reads a
// setting.
void makeParentFolders(const std::string& path) {
    for (size_t slash = path.find('/', 1); slash != std::string::npos; slash = path.find('/', slash + 1)) {
        if (path[slash - 1] == '/') continue;
        ::mkdir(path.substr(0, slash).c_str(), 0777);
    }
}

constexpr int64_t kRootIds[] = {1, 2}; // CurrentUser, LocalMachine

int64_t rootId(RegRoot r) { return kRootIds[r == RegRoot::CurrentUser ? 0 : 1]; }

// One connection per process and store path.
class Store {
public:
    explicit Store(std::string path) : path_(std::move(path)), generation_(++lastGeneration) {}
    ~Store() {
        for (auto& c : cache_) sqlite3_finalize(c.stmt);
        if (db_) sqlite3_close(db_);
    }

    const std::string& path() const { return path_; }
    // Tells this connection from a later one that may sit at the same address.
    uint64_t generation() const { return generation_; }

    bool open() {
        if (db_) return true;
        makeParentFolders(path_);
        if (sqlite3_open_v2(path_.c_str(), &db_, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr) != SQLITE_OK) {
            sqlite3_close(db_);
            db_ = nullptr;
            return false;
        }
        sqlite3_busy_timeout(db_, 15000);
        // The write-ahead log stays beside the store when the last connection
        // closes, instead of being made and removed by every run of every
        // program that reads a setting. It is emptied then: a log left with
        // frames would be recovered and checkpointed again (with its syncs)
        // by every later run, even one that only reads.
        int persist = 1;
        sqlite3_file_control(db_, "main", SQLITE_FCNTL_PERSIST_WAL, &persist);
        exec("PRAGMA journal_mode=WAL");
        exec("PRAGMA synchronous=NORMAL");
        exec("PRAGMA journal_size_limit=0");
        // A store that already has its tables (and so its roots, made with
        // them) is only read: a run that changes nothing writes nothing.
        if (hasTables()) return true;
        bool ok = exec("BEGIN IMMEDIATE") &&
                  exec("CREATE TABLE IF NOT EXISTS keys("
                       " id INTEGER PRIMARY KEY, parent INTEGER, name TEXT NOT NULL, fold TEXT NOT NULL,"
                       " UNIQUE(parent, fold))") &&
                  exec("CREATE TABLE IF NOT EXISTS vals("
                       " key INTEGER NOT NULL, name TEXT NOT NULL, fold TEXT NOT NULL,"
                       " type INTEGER NOT NULL, data BLOB NOT NULL, PRIMARY KEY(key, fold))") &&
                  exec("INSERT OR IGNORE INTO keys(id, parent, name, fold) VALUES"
                       " (1, NULL, 'HKEY_CURRENT_USER', 'HKEY_CURRENT_USER'),"
                       " (2, NULL, 'HKEY_LOCAL_MACHINE', 'HKEY_LOCAL_MACHINE')") &&
                  exec("COMMIT");
        if (!ok) {
            exec("ROLLBACK");
            sqlite3_close(db_);
            db_ = nullptr;
        }
        return ok;
    }

    // A prepared statement of this connection, kept for the next use of the
    // same text (parsing SQL is most of what a small query costs); a second
    // use while the first is still open gets a statement of its own.
    sqlite3_stmt* borrow(const char* sql, bool& cached) {
        for (auto& c : cache_) {
            if (c.sql != sql || c.busy) continue;
            c.busy = true;
            cached = true;
            return c.stmt;
        }
        sqlite3_stmt* s = nullptr;
        cached = false;
        const bool keep = std::none_of(cache_.begin(), cache_.end(), [&](const Cached& c) { return c.sql == sql; });
        if (keep) cache_.reserve(cache_.size() + 1); // may throw: nothing is prepared yet
        if (sqlite3_prepare_v3(db_, sql, -1, SQLITE_PREPARE_PERSISTENT, &s, nullptr) != SQLITE_OK) return s;
        if (keep) {
            cache_.push_back({sql, s, true});
            cached = true;
        }
        return s;
    }
    void giveBack(sqlite3_stmt* s) {
        sqlite3_reset(s);
        sqlite3_clear_bindings(s);
        for (auto& c : cache_)
            if (c.stmt == s) c.busy = false;
    }

    bool exec(const char* sql) { return sqlite3_exec(db_, sql, nullptr, nullptr, nullptr) == SQLITE_OK; }
    sqlite3* db() const { return db_; }

    // Transactions nest: only the outermost begins and ends.
    bool begin() {
        if (depth_++ > 0) return true;
        endSnapshotRead(); // a write starts from the store as it is now
        if (exec("BEGIN IMMEDIATE")) return true;
        depth_ = 0;
        return false;
    }
    bool end(bool commit) {
        if (depth_ == 0) return false;
        if (--depth_ > 0) {
            if (!commit) failed_ = true;
            return true;
        }
        forgetWrittenKeys(); // a rollback may take back keys made
        bool doCommit = commit && !failed_;
        failed_ = false;
        if (doCommit && exec("COMMIT")) return true;
        exec("ROLLBACK");
        return false;
    }

    // A read snapshot: the reads inside it form one read transaction, so
    // they take no lock each and the keys found stay where they were found.
    void beginSnapshot() {
        if (snapshotDepth_++ > 0 || depth_ > 0) return;
        snapshotRead_ = exec("BEGIN DEFERRED");
    }
    void endSnapshot() {
        if (snapshotDepth_ == 0 || --snapshotDepth_ > 0) return;
        endSnapshotRead();
    }
    // The key ids found inside the snapshot, by root and folded path; empty
    // (and unused) outside it.
    struct PathHash {
        using is_transparent = void;
        size_t operator()(std::string_view s) const noexcept { return std::hash<std::string_view>()(s); }
    };
    using FoundKeys = std::unordered_map<std::string, int64_t, PathHash, std::equal_to<>>;
    FoundKeys* foundKeys() {
        return snapshotRead_ && depth_ == 0 ? &foundKeys_ : nullptr;
    }
    // The same, by root and path exactly as asked for: a key used again
    // (every value of it read, say) is found without folding its names.
    FoundKeys* askedKeys() {
        return snapshotRead_ && depth_ == 0 ? &askedKeys_ : nullptr;
    }

    // Inside a write transaction, the keys found or made, by root and folded
    // path, with their path as stored: an import naming the same deep keys
    // over and over looks each name up once. No other connection writes
    // until the transaction ends; a miss is not kept (a later write may make
    // the key), and deleting keys forgets them all.
    struct KnownKey {
        int64_t id;
        std::string stored; // the names as stored, below the key walked from
    };
    using KnownKeys = std::unordered_map<std::string, KnownKey, PathHash, std::equal_to<>>;
    KnownKeys* writtenKeys() { return depth_ > 0 ? &writtenKeys_ : nullptr; }
    // The same, by root and path exactly as asked for.
    KnownKeys* askedWrittenKeys() { return depth_ > 0 ? &askedWrittenKeys_ : nullptr; }
    void forgetWrittenKeys() {
        writtenKeys_.clear();
        askedWrittenKeys_.clear();
    }

private:
    void endSnapshotRead() {
        if (!snapshotRead_) return;
        snapshotRead_ = false;
        foundKeys_.clear();
        askedKeys_.clear();
        exec("COMMIT");
    }

    bool hasTables() {
        sqlite3_stmt* q = nullptr;
        if (sqlite3_prepare_v2(db_, "SELECT count(*) FROM sqlite_master WHERE type = 'table' AND name IN ('keys', 'vals')",
                               -1, &q, nullptr) != SQLITE_OK)
            return false;
        bool both = sqlite3_step(q) == SQLITE_ROW && sqlite3_column_int(q, 0) == 2;
        sqlite3_finalize(q);
        return both;
    }

    struct Cached {
        const char* sql;
        sqlite3_stmt* stmt;
        bool busy;
    };
    static inline uint64_t lastGeneration = 0;
    std::string path_;
    uint64_t generation_;
    sqlite3* db_ = nullptr;
    std::vector<Cached> cache_;
    int depth_ = 0;
    bool failed_ = false;
    int snapshotDepth_ = 0;
    bool snapshotRead_ = false;
    FoundKeys foundKeys_;
    FoundKeys askedKeys_;
    KnownKeys writtenKeys_;
    KnownKeys askedWrittenKeys_;
};

// Guards the one connection. Recursive: a transaction holds it from its start
// to its end, so the thread that opened it goes on writing while every other
// thread waits instead of slipping its writes into it.
std::recursive_mutex g_mutex;
std::unique_ptr<Store> g_store;

Store* store() {
    std::string path = registryPath();
    if (!g_store || g_store->path() != path) g_store = std::make_unique<Store>(path);
    return g_store->open() ? g_store.get() : nullptr;
}

struct Stmt {
    sqlite3_stmt* s = nullptr;
    Store* owner = nullptr; // set when the statement is the store's cached one
    Stmt(sqlite3* db, const char* sql) {
        bool cached = false;
        if (g_store && g_store->db() == db) {
            s = g_store->borrow(sql, cached);
            if (cached) owner = g_store.get();
        } else {
            sqlite3_prepare_v2(db, sql, -1, &s, nullptr);
        }
    }
    ~Stmt() {
        if (owner) owner->giveBack(s);
        else sqlite3_finalize(s);
    }
    Stmt(const Stmt&) = delete;
    Stmt& operator=(const Stmt&) = delete;
    bool ok() const { return s != nullptr; }
    void bind(int i, int64_t v) { sqlite3_bind_int64(s, i, v); }
    void bind(int i, std::string_view t) { sqlite3_bind_text(s, i, t.data(), static_cast<int>(t.size()), SQLITE_TRANSIENT); }
    void bindBlob(int i, const void* d, size_t n) {
        sqlite3_bind_blob(s, i, n ? d : "", static_cast<int>(n), SQLITE_TRANSIENT);
    }
    int step() { return sqlite3_step(s); }
    int64_t i64(int c) { return sqlite3_column_int64(s, c); }
    std::string text(int c) {
        auto p = reinterpret_cast<const char*>(sqlite3_column_text(s, c));
        return p ? std::string(p, static_cast<size_t>(sqlite3_column_bytes(s, c))) : std::string();
    }
    std::vector<uint8_t> blob(int c) {
        auto p = static_cast<const uint8_t*>(sqlite3_column_blob(s, c));
        int n = sqlite3_column_bytes(s, c);
        return p ? std::vector<uint8_t>(p, p + n) : std::vector<uint8_t>();
    }
};

// Splits "a\b\\c" into its non-empty names (views into utf8).
std::vector<std::string_view> splitPath(std::string_view utf8) {
    std::vector<std::string_view> parts;
    parts.reserve(static_cast<size_t>(std::count(utf8.begin(), utf8.end(), '\\')) + 1);
    size_t start = 0;
    while (start <= utf8.size()) {
        size_t end = utf8.find('\\', start);
        if (end == std::string_view::npos) end = utf8.size();
        if (end > start) parts.push_back(utf8.substr(start, end - start));
        start = end + 1;
    }
    return parts;
}

// The folded path of `parts` below the key `from` ("id\NAME\NAME"), made
// once for a whole walk: the path up to each name is a prefix of it.
struct FoldedPath {
    std::string text;
    size_t rootEnd;
    std::vector<size_t> ends; // where the path up to each name ends

    FoldedPath(int64_t from, const std::vector<std::string_view>& parts) : text(std::to_string(from)) {
        rootEnd = text.size();
        size_t length = rootEnd;
        for (const auto part : parts) length += 1 + part.size();
        text.reserve(length); // grows only for names whose folding is longer
        ends.reserve(parts.size());
        for (const auto part : parts) {
            text += '\\';
            appendFoldedUtf8(text, part);
            ends.push_back(text.size());
        }
    }
    std::string_view upTo(size_t i) const { return std::string_view(text).substr(0, ends[i]); }
    std::string_view name(size_t i) const {
        const size_t start = (i == 0 ? rootEnd : ends[i - 1]) + 1; // past the "\\"
        return std::string_view(text).substr(start, ends[i] - start);
    }
};

std::string joinPath(std::string_view a, std::string_view b) {
    if (a.empty()) return std::string(b);
    if (b.empty()) return std::string(a);
    return std::string(a) + "\\" + std::string(b);
}

// Finds the child key of `parent` whose folded name is `folded`; 0 when missing.
int64_t findFoldedChild(Store& st, int64_t parent, std::string_view folded, std::string* stored = nullptr) {
    Stmt q(st.db(), "SELECT id, name FROM keys WHERE parent = ?1 AND fold = ?2");
    q.bind(1, parent);
    q.bind(2, folded);
    if (q.step() != SQLITE_ROW) return 0;
    if (stored) *stored = q.text(1);
    return q.i64(0);
}

// Finds the child key named `name` of `parent`; 0 when missing.
int64_t findChild(Store& st, int64_t parent, std::string_view name, std::string* stored = nullptr) {
    return findFoldedChild(st, parent, foldCaseUtf8(name), stored);
}

// The path asked for below the key `from`: "id\\path as asked".
std::string askedPath(int64_t from, std::string_view utf8Path) {
    std::string asked = std::to_string(from);
    asked.reserve(asked.size() + 1 + utf8Path.size());
    asked += '\\';
    asked += utf8Path;
    return asked;
}

// Splits an asked path into its parent's asked path and its last name; false
// when the name is empty or the parent is the key walked from (never asked).
bool splitLastName(std::string_view asked, std::string_view& parent, std::string_view& name) {
    const size_t cut = asked.rfind('\\');
    parent = asked.substr(0, cut);
    name = asked.substr(cut + 1);
    return !name.empty() && parent.find('\\') != std::string_view::npos;
}

// The child of `parent` whose folded name is `folded`, made (named `name`)
// when missing and `create` is set; 0 when missing or it cannot be made.
// `stored` gets its name as stored.
int64_t childKey(Store& st, int64_t parent, std::string_view name, std::string_view folded, bool create,
                 std::string& stored, bool* created) {
    if (int64_t child = findFoldedChild(st, parent, folded, &stored)) return child;
    if (!create) return 0;
    Stmt ins(st.db(), "INSERT INTO keys(parent, name, fold) VALUES (?1, ?2, ?3)");
    ins.bind(1, parent);
    ins.bind(2, name);
    ins.bind(3, folded);
    if (ins.step() != SQLITE_DONE) return 0;
    stored = name;
    if (created) *created = true;
    return sqlite3_last_insert_rowid(st.db());
}

// Inside a write transaction: walks utf8Path below `from`, from the deepest
// key already known, making the missing keys when `create` is set (and then
// setting *created). Returns 0 when a name is missing, or a key cannot be
// made; `stored` gets the path as stored.
int64_t walkWriting(Store& st, int64_t from, std::string_view utf8Path, bool create, std::string* stored = nullptr,
                    bool* created = nullptr) {
    Store::KnownKeys& known = *st.writtenKeys();
    Store::KnownKeys& askedKeys = *st.askedWrittenKeys();
    std::string asked = askedPath(from, utf8Path);
    auto give = [&](int64_t id, std::string canonical) {
        if (!id) return id;
        if (stored) *stored = canonical;
        askedKeys.emplace(std::move(asked), Store::KnownKey{id, std::move(canonical)});
        return id;
    };
    if (auto it = askedKeys.find(asked); it != askedKeys.end()) {
        if (stored) *stored = it->second.stored;
        return it->second.id;
    }
    // A key below one asked for before (the next key of an import): one name to look up.
    std::string_view parentAsked, lastName;
    if (splitLastName(asked, parentAsked, lastName)) {
        if (auto it = askedKeys.find(parentAsked); it != askedKeys.end()) {
            std::string name;
            const int64_t id = childKey(st, it->second.id, lastName, foldCaseUtf8(lastName), create, name, created);
            return give(id, joinPath(it->second.stored, name));
        }
    }
    const std::vector<std::string_view> parts = splitPath(utf8Path);
    const FoldedPath path(from, parts);
    size_t done = parts.size();
    int64_t id = from;
    std::string canonical;
    for (; done > 0; --done) {
        if (auto it = known.find(path.upTo(done - 1)); it != known.end()) {
            id = it->second.id;
            canonical = it->second.stored;
            break;
        }
    }
    for (size_t i = done; i < parts.size(); ++i) {
        std::string name;
        id = childKey(st, id, parts[i], path.name(i), create, name, created);
        if (!id) return 0;
        canonical = joinPath(canonical, name);
        known.emplace(path.upTo(i), Store::KnownKey{id, canonical});
    }
    return give(id, std::move(canonical));
}

// Walks utf8Path below `from`; 0 when a name is missing.
int64_t walk(Store& st, int64_t from, std::string_view utf8Path) {
    if (st.writtenKeys()) return walkWriting(st, from, utf8Path, false);
    auto* found = st.foundKeys();
    if (!found) {
        int64_t id = from;
        for (const auto& part : splitPath(utf8Path)) {
            id = findChild(st, id, part);
            if (!id) return 0;
        }
        return id;
    }
    // Inside a snapshot: each key found (or missed) is remembered by the path
    // asked for and by its folded path, so a walk starts from the deepest key
    // already found, or from its parent as asked for (the next key of an export).
    std::string asked = askedPath(from, utf8Path);
    auto* askedKeys = st.askedKeys();
    if (auto it = askedKeys->find(asked); it != askedKeys->end()) return it->second;
    std::string_view parentAsked, lastName;
    if (splitLastName(asked, parentAsked, lastName)) {
        if (auto it = askedKeys->find(parentAsked); it != askedKeys->end()) {
            const int64_t id = it->second ? findFoldedChild(st, it->second, foldCaseUtf8(lastName)) : 0;
            askedKeys->emplace(std::move(asked), id);
            return id;
        }
    }
    const std::vector<std::string_view> parts = splitPath(utf8Path);
    const FoldedPath path(from, parts);
    size_t known = parts.size();
    int64_t id = from;
    for (; known > 0; --known) {
        if (auto it = found->find(path.upTo(known - 1)); it != found->end()) {
            id = it->second;
            break;
        }
    }
    for (size_t i = known; i < parts.size() && id; ++i) {
        id = findFoldedChild(st, id, path.name(i));
        found->emplace(path.upTo(i), id);
    }
    askedKeys->emplace(std::move(asked), id);
    return id;
}

// A value's data as the caller gets it: REG_SZ text in the system code page
// with its NUL, as the "A" calls return it.
std::vector<uint8_t> storedData(RegType type, Stmt& q, int column) {
    std::vector<uint8_t> data = q.blob(column);
    if (type == REG_SZ) {
        std::string text = utf8ToSystem(std::string(data.begin(), data.end()));
        data.assign(text.begin(), text.end());
        data.push_back(0);
    }
    return data;
}

// Deletes the key `id`, every key below it and all their values, in two
// statements however large the tree; false when the store fails.
bool deleteTreeRows(Store& st, int64_t id) {
    Stmt dv(st.db(), "WITH RECURSIVE tree(id) AS (SELECT ?1 UNION ALL SELECT keys.id FROM keys JOIN tree"
                     " ON keys.parent = tree.id) DELETE FROM vals WHERE key IN tree");
    dv.bind(1, id);
    if (dv.step() != SQLITE_DONE) return false;
    Stmt dk(st.db(), "WITH RECURSIVE tree(id) AS (SELECT ?1 UNION ALL SELECT keys.id FROM keys JOIN tree"
                     " ON keys.parent = tree.id) DELETE FROM keys WHERE id IN tree");
    dk.bind(1, id);
    return dk.step() == SQLITE_DONE;
}

// Runs `body` in one write transaction; a failing body rolls back.
template <class F>
RegStatus writeTransaction(Store& st, F&& body) {
    if (!st.begin()) return kRegStoreFailure;
    // Refusals (missing key, bad argument) happen before anything is written,
    // so only a store failure spoils an enclosing transaction.
    RegStatus r = body();
    if (!st.end(r != kRegStoreFailure) && r == kRegOk) r = kRegStoreFailure;
    return r;
}

} // namespace

std::string_view regRootName(RegRoot root) {
    return root == RegRoot::CurrentUser ? "HKEY_CURRENT_USER" : "HKEY_LOCAL_MACHINE";
}

std::string registryPath() {
    if (const char* env = std::getenv("VELMO_REGISTRY"); env && *env) return env;
    std::string base;
    if (const char* x = std::getenv("XDG_CONFIG_HOME"); x && *x) base = x;
    else if (const char* h = std::getenv("HOME"); h && *h) base = std::string(h) + "/.config";
    else base = "/tmp";
    return base + "/velmo/registry.sqlite3";
}

void closeRegistry() {
    std::lock_guard lock(g_mutex);
    g_store.reset();
}

RegStatus RegKey::resolve(int64_t& id) const {
    if (!valid_) return kRegInvalidParameter;
    Store* st = store();
    if (!st) return kRegStoreFailure;
    id = walk(*st, rootId(root_), path_);
    return id ? kRegOk : kRegFileNotFound;
}

std::string RegKey::path() const { return utf8ToSystem(path_); }

RegStatus RegKey::create(RegRoot root, std::string_view subKey, RegKey& out, bool* created) {
    return RegKey(root, "").createSubKey(subKey, out, created);
}

RegStatus RegKey::open(RegRoot root, std::string_view subKey, RegKey& out) {
    return RegKey(root, "").openSubKey(subKey, out);
}

RegStatus RegKey::createSubKey(std::string_view subKey, RegKey& out, bool* created) const {
    std::lock_guard lock(g_mutex);
    if (created) *created = false;
    if (!valid_) return kRegInvalidParameter;
    Store* st = store();
    if (!st) return kRegStoreFailure;
    std::string canonical;
    RegStatus r = writeTransaction(*st, [&]() -> RegStatus {
        if (!walkWriting(*st, rootId(root_), path_, false)) return kRegFileNotFound;
        const std::string full = joinPath(path_, systemToUtf8(subKey));
        if (!walkWriting(*st, rootId(root_), full, true, &canonical, created)) return kRegStoreFailure;
        return kRegOk;
    });
    if (r == kRegOk) out = RegKey(root_, canonical);
    return r;
}

RegStatus RegKey::openSubKey(std::string_view subKey, RegKey& out) const {
    std::lock_guard lock(g_mutex);
    if (!valid_) return kRegInvalidParameter;
    Store* st = store();
    if (!st) return kRegStoreFailure;
    int64_t id = walk(*st, rootId(root_), path_);
    if (!id) return kRegFileNotFound;
    std::string canonical = path_;
    const std::string utf8 = systemToUtf8(subKey);
    for (const auto part : splitPath(utf8)) {
        std::string stored;
        id = findChild(*st, id, part, &stored);
        if (!id) return kRegFileNotFound;
        canonical = joinPath(canonical, stored);
    }
    // A key opened is read next (an export): inside a snapshot it is found
    // again by the path it now has without a second look-up.
    if (auto* askedKeys = st->askedKeys()) askedKeys->emplace(askedPath(rootId(root_), canonical), id);
    out = RegKey(root_, std::move(canonical));
    return kRegOk;
}

RegStatus RegKey::queryValue(std::string_view name, RegType* type, std::vector<uint8_t>* data) const {
    std::lock_guard lock(g_mutex);
    int64_t id = 0;
    if (RegStatus r = resolve(id); r != kRegOk) return r;
    Stmt q(store()->db(), "SELECT type, data FROM vals WHERE key = ?1 AND fold = ?2");
    q.bind(1, id);
    q.bind(2, foldCaseUtf8(systemToUtf8(name)));
    if (q.step() != SQLITE_ROW) return kRegFileNotFound;
    auto t = static_cast<RegType>(q.i64(0));
    if (type) *type = t;
    if (data) *data = storedData(t, q, 1);
    return kRegOk;
}

RegStatus RegKey::values(std::vector<RegValue>& out) const {
    std::lock_guard lock(g_mutex);
    out.clear();
    int64_t id = 0;
    if (RegStatus r = resolve(id); r != kRegOk) return r;
    Stmt q(store()->db(), "SELECT name, type, data FROM vals WHERE key = ?1 ORDER BY fold");
    q.bind(1, id);
    int step;
    while ((step = q.step()) == SQLITE_ROW) {
        RegValue v;
        v.name = utf8ToSystem(q.text(0));
        v.type = static_cast<RegType>(q.i64(1));
        v.data = storedData(v.type, q, 2);
        out.push_back(std::move(v));
    }
    // A read that fails halfway is no shorter list: the profile store would
    // take it for the whole.
    return step == SQLITE_DONE ? kRegOk : kRegStoreFailure;
}

RegStatus RegKey::queryString(std::string_view name, std::string& out) const {
    RegType t;
    std::vector<uint8_t> d;
    if (RegStatus r = queryValue(name, &t, &d); r != kRegOk) return r;
    if (t != REG_SZ) return kRegInvalidParameter;
    out.assign(d.begin(), d.end());
    if (auto nul = out.find('\0'); nul != std::string::npos) out.resize(nul);
    return kRegOk;
}

RegStatus RegKey::queryDword(std::string_view name, uint32_t& out) const {
    RegType t;
    std::vector<uint8_t> d;
    if (RegStatus r = queryValue(name, &t, &d); r != kRegOk) return r;
    if (t != REG_DWORD || d.size() != 4) return kRegInvalidParameter;
    out = static_cast<uint32_t>(d[0]) | (static_cast<uint32_t>(d[1]) << 8) |
          (static_cast<uint32_t>(d[2]) << 16) | (static_cast<uint32_t>(d[3]) << 24);
    return kRegOk;
}

RegStatus RegKey::setValue(std::string_view name, RegType type, const void* data, size_t size) const {
    std::lock_guard lock(g_mutex);
    if (!valid_ || (size && !data)) return kRegInvalidParameter;
    if (type == REG_DWORD && size != 4) return kRegInvalidParameter;
    Store* st = store();
    if (!st) return kRegStoreFailure;
    std::string stored;
    if (type == REG_SZ) {
        std::string_view text(static_cast<const char*>(data), size);
        if (auto nul = text.find('\0'); nul != std::string_view::npos) text = text.substr(0, nul);
        stored = systemToUtf8(text);
        data = stored.data();
        size = stored.size();
    }
    std::string uname = systemToUtf8(name);
    return writeTransaction(*st, [&]() -> RegStatus {
        int64_t id = walk(*st, rootId(root_), path_);
        if (!id) return kRegFileNotFound;
        // Keep the spelling of an existing value's name, as Windows does.
        Stmt up(st->db(), "UPDATE vals SET type = ?3, data = ?4 WHERE key = ?1 AND fold = ?2");
        up.bind(1, id);
        up.bind(2, foldCaseUtf8(uname));
        up.bind(3, static_cast<int64_t>(type));
        up.bindBlob(4, data, size);
        if (up.step() != SQLITE_DONE) return kRegStoreFailure;
        if (sqlite3_changes(st->db()) > 0) return kRegOk;
        Stmt ins(st->db(), "INSERT INTO vals(key, name, fold, type, data) VALUES (?1, ?2, ?3, ?4, ?5)");
        ins.bind(1, id);
        ins.bind(2, uname);
        ins.bind(3, foldCaseUtf8(uname));
        ins.bind(4, static_cast<int64_t>(type));
        ins.bindBlob(5, data, size);
        return ins.step() == SQLITE_DONE ? kRegOk : kRegStoreFailure;
    });
}

bool RegKey::holds(std::string_view name, RegType type, const void* data, size_t size) const {
    std::lock_guard lock(g_mutex);
    if (!valid_ || (size && !data)) return false;
    int64_t id = 0;
    if (resolve(id) != kRegOk) return false;
    std::string stored;
    if (type == REG_SZ) { // as setValue stores it
        std::string_view text(static_cast<const char*>(data), size);
        if (auto nul = text.find('\0'); nul != std::string_view::npos) text = text.substr(0, nul);
        stored = systemToUtf8(text);
        data = stored.data();
        size = stored.size();
    }
    Stmt q(store()->db(), "SELECT type, data FROM vals WHERE key = ?1 AND fold = ?2");
    q.bind(1, id);
    q.bind(2, foldCaseUtf8(systemToUtf8(name)));
    if (q.step() != SQLITE_ROW || q.i64(0) != static_cast<int64_t>(type)) return false;
    const void* blob = sqlite3_column_blob(q.s, 1);
    const size_t bytes = static_cast<size_t>(sqlite3_column_bytes(q.s, 1));
    return bytes == size && (size == 0 || std::memcmp(blob, data, size) == 0);
}

RegStatus RegKey::setString(std::string_view name, std::string_view text) const {
    return setValue(name, REG_SZ, text.data(), text.size());
}

RegStatus RegKey::setDword(std::string_view name, uint32_t value) const {
    uint8_t b[4] = {static_cast<uint8_t>(value), static_cast<uint8_t>(value >> 8),
                    static_cast<uint8_t>(value >> 16), static_cast<uint8_t>(value >> 24)};
    return setValue(name, REG_DWORD, b, 4);
}

RegStatus RegKey::setBinary(std::string_view name, const void* data, size_t size) const {
    return setValue(name, REG_BINARY, data, size);
}

RegStatus RegKey::enumKey(uint32_t index, std::string& name) const {
    std::lock_guard lock(g_mutex);
    int64_t id = 0;
    if (RegStatus r = resolve(id); r != kRegOk) return r;
    Stmt q(store()->db(), "SELECT name FROM keys WHERE parent = ?1 ORDER BY fold LIMIT 1 OFFSET ?2");
    q.bind(1, id);
    q.bind(2, static_cast<int64_t>(index));
    if (q.step() != SQLITE_ROW) return kRegNoMoreItems;
    name = utf8ToSystem(q.text(0));
    return kRegOk;
}

RegStatus RegKey::subKeyNames(std::vector<std::string>& names) const {
    std::lock_guard lock(g_mutex);
    names.clear();
    int64_t id = 0;
    if (RegStatus r = resolve(id); r != kRegOk) return r;
    Stmt q(store()->db(), "SELECT name FROM keys WHERE parent = ?1 ORDER BY fold");
    q.bind(1, id);
    while (q.step() == SQLITE_ROW) names.push_back(utf8ToSystem(q.text(0)));
    return kRegOk;
}

RegStatus RegKey::enumValue(uint32_t index, std::string& name, RegType* type, std::vector<uint8_t>* data) const {
    std::string utf8Name;
    {
        std::lock_guard lock(g_mutex);
        int64_t id = 0;
        if (RegStatus r = resolve(id); r != kRegOk) return r;
        Stmt q(store()->db(), "SELECT name FROM vals WHERE key = ?1 ORDER BY fold LIMIT 1 OFFSET ?2");
        q.bind(1, id);
        q.bind(2, static_cast<int64_t>(index));
        if (q.step() != SQLITE_ROW) return kRegNoMoreItems;
        utf8Name = q.text(0);
    }
    name = utf8ToSystem(utf8Name);
    if (!type && !data) return kRegOk;
    return queryValue(name, type, data);
}

RegStatus RegKey::deleteValue(std::string_view name) const {
    std::lock_guard lock(g_mutex);
    if (!valid_) return kRegInvalidParameter;
    Store* st = store();
    if (!st) return kRegStoreFailure;
    return writeTransaction(*st, [&]() -> RegStatus {
        int64_t id = walk(*st, rootId(root_), path_);
        if (!id) return kRegFileNotFound;
        Stmt d(st->db(), "DELETE FROM vals WHERE key = ?1 AND fold = ?2");
        d.bind(1, id);
        d.bind(2, foldCaseUtf8(systemToUtf8(name)));
        if (d.step() != SQLITE_DONE) return kRegStoreFailure;
        return sqlite3_changes(st->db()) > 0 ? kRegOk : kRegFileNotFound;
    });
}

RegStatus RegKey::deleteSubKey(std::string_view subKey) const { return deleteKey(subKey, false); }

RegStatus RegKey::deleteSubTree(std::string_view subKey) const { return deleteKey(subKey, true); }

RegStatus RegKey::deleteKey(std::string_view subKey, bool withSubKeys) const {
    std::lock_guard lock(g_mutex);
    if (!valid_) return kRegInvalidParameter;
    Store* st = store();
    if (!st) return kRegStoreFailure;
    return writeTransaction(*st, [&]() -> RegStatus {
        int64_t base = walk(*st, rootId(root_), path_);
        if (!base) return kRegFileNotFound;
        std::string utf8 = systemToUtf8(subKey);
        if (splitPath(utf8).empty()) return kRegInvalidParameter;
        int64_t id = walk(*st, base, utf8);
        if (!id) return kRegFileNotFound;
        if (!withSubKeys) {
            // RegDeleteKey leaves a key that still has subkeys.
            Stmt c(st->db(), "SELECT 1 FROM keys WHERE parent = ?1 LIMIT 1");
            c.bind(1, id);
            if (c.step() == SQLITE_ROW) return kRegAccessDenied;
        }
        const bool deleted = deleteTreeRows(*st, id);
        st->forgetWrittenKeys();
        return deleted ? kRegOk : kRegStoreFailure;
    });
}

RegReadSnapshot::RegReadSnapshot() {
    g_mutex.lock(); // held until the destructor
    if (Store* st = store()) {
        st->beginSnapshot();
        store_ = st;
        generation_ = st->generation();
    }
}

RegReadSnapshot::~RegReadSnapshot() {
    // The store may have been closed (and another opened) in between.
    if (store_ && g_store.get() == store_ && g_store->generation() == generation_) g_store->endSnapshot();
    g_mutex.unlock();
}

RegTransaction::RegTransaction() {
    g_mutex.lock(); // held until commit() or the destructor
    Store* st = store();
    status_ = st && st->begin() ? kRegOk : kRegStoreFailure;
}

RegTransaction::~RegTransaction() {
    if (done_) return;
    if (status_ == kRegOk && g_store) g_store->end(false);
    g_mutex.unlock();
}

RegStatus RegTransaction::commit() {
    if (done_) return status_;
    done_ = true;
    if (status_ == kRegOk && (!g_store || !g_store->end(true))) status_ = kRegStoreFailure;
    g_mutex.unlock();
    return status_;
}

} // namespace platform
