#include "store.h"

#include <algorithm>
#include <climits>
#include <sys/stat.h>
#include <unistd.h>

#include "sqlite_query.h"
#include "store_error.h"
#include "store_file.h"

namespace vqconv {

// Statements are prepared once per connection: the provider opens the book
// for every single operation, so preparing each time would dominate.
enum Store::Sql : size_t {
    kBeginRead,
    kBeginWrite,
    kCommit,
    kRecordIds,
    kRecordCount,
    kRecordExists,
    kElementCount,
    kRecordElements,
    kCounter,
    kSetCounter,
    kInsertRecord,
    kDeleteRecord,
    kDeleteElements,
    kInsertElement,
    kDropMember,
    kSqlCount
};

namespace {

constexpr const char* kSqlText[] = {
    "BEGIN",
    "BEGIN IMMEDIATE",
    "COMMIT",
    // Sorted by the caller: SQLite would sort through its general sorter,
    // several times slower for a store of thousands of records.
    "SELECT id, seq FROM records",
    "SELECT count(*) FROM records",
    "SELECT 1 FROM records WHERE id = ?1",
    "SELECT (SELECT count(*) FROM elements WHERE record = ?1) FROM records WHERE id = ?1",
    // The record and its elements in one statement, so one read (one
    // snapshot, no BEGIN/COMMIT round) answers it: a record without elements
    // gives one row with a null code, a missing record none.
    "SELECT e.code, e.text, e.member, e.flags, e.reserved FROM records r"
    " LEFT JOIN elements e ON e.record = r.id WHERE r.id = ?1 ORDER BY e.pos LIMIT ?2",
    "SELECT value FROM meta WHERE name = ?1",
    "UPDATE meta SET value = ?2 WHERE name = ?1",
    "INSERT INTO records(id, seq) VALUES (?1, ?2)",
    "DELETE FROM records WHERE id = ?1",
    "DELETE FROM elements WHERE record = ?1",
    "INSERT INTO elements(record, pos, code, text, member, flags, reserved) VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7)",
    "DELETE FROM elements WHERE member = ?1",
};
static_assert(std::size(kSqlText) == Store::kSqlCount);

// 0, 0x80000000 and -1 are the templates and the root: never records.
bool isRecordId(int32_t id) { return id != kNewContactId && id != kNewGroupId && id != kRootId; }
bool isGroupId(int32_t id) { return id < 0; }

// The highest counter value of each kind: contacts end at 0x7FFFFFFF, groups
// at 0xFFFFFFFE (0xFFFFFFFF is the root).
constexpr int64_t kLastContact = INT32_MAX;
constexpr int64_t kLastGroup = 0x7FFFFFFE;

} // namespace

// A transaction that rolls back unless committed.
class Transaction {
public:
    Transaction(Store& store, bool write) : store_(store), word_(write ? kErrDiskWrite : kErrDiskRead) {
        Query(store_.statement(write ? Store::kBeginWrite : Store::kBeginRead), word_).run();
    }
    ~Transaction() {
        if (!sqlite3_get_autocommit(store_.db_)) sqlite3_exec(store_.db_, "ROLLBACK", nullptr, nullptr, nullptr);
    }
    void commit() { Query(store_.statement(Store::kCommit), word_).run(); }

private:
    Store& store_;
    ErrorWord word_;
};

std::unique_ptr<Store> Store::open(const std::string& path, bool createFolder) {
    sqlite3* db = openStoreFile(path, createFolder);
    struct stat st;
    if (::stat(path.c_str(), &st) != 0) {
        sqlite3_close(db);
        fail(kErrDiskRead);
    }
    return std::unique_ptr<Store>(new Store(db, st.st_dev, st.st_ino));
}

Store::Store(sqlite3* db, dev_t device, ino_t inode)
    : db_(db), device_(device), inode_(inode), owner_(getpid()), statements_(kSqlCount, nullptr) {}

Store::~Store() {
    // A connection inherited across fork belongs to the parent: closing it
    // here could checkpoint or remove the parent's WAL, so it is left alone.
    if (owner_ != getpid()) return;
    for (sqlite3_stmt* s : statements_) sqlite3_finalize(s);
    sqlite3_close(db_);
}

bool Store::stillServes(const std::string& path) const {
    struct stat st;
    return owner_ == getpid() && ::stat(path.c_str(), &st) == 0 && st.st_dev == device_ && st.st_ino == inode_;
}

sqlite3_stmt* Store::statement(Sql which) {
    sqlite3_stmt*& s = statements_[which];
    if (!s && sqlite3_prepare_v3(db_, kSqlText[which], -1, SQLITE_PREPARE_PERSISTENT, &s, nullptr) != SQLITE_OK) {
        s = nullptr;
        fail(kErrDiskRead);
    }
    return s;
}

bool Store::exists(int32_t id, ErrorWord word) {
    Query q(statement(kRecordExists), word);
    return q.bind(1, id).step();
}

std::vector<int32_t> Store::recordIds() {
    std::vector<std::pair<int64_t, int32_t>> bySeq;
    {
        Query q(statement(kRecordIds), kErrDiskRead);
        while (q.step()) bySeq.emplace_back(q.integer(1), static_cast<int32_t>(q.integer(0)));
    }
    std::sort(bySeq.begin(), bySeq.end());
    std::vector<int32_t> ids;
    ids.reserve(bySeq.size());
    for (const auto& [seq, id] : bySeq) ids.push_back(id);
    return ids;
}

size_t Store::recordCount() {
    Query q(statement(kRecordCount), kErrDiskRead);
    if (!q.step()) fail(kErrDiskRead);
    return static_cast<size_t>(q.integer(0));
}

size_t Store::elementCount(int32_t id) {
    if (!isRecordId(id)) fail(kErrNotFound);
    Query q(statement(kElementCount), kErrDiskRead);
    if (!q.bind(1, id).step()) fail(kErrNotFound);
    return static_cast<size_t>(q.integer(0));
}

size_t Store::encodeElements(int32_t id, size_t limit, uint8_t* out) {
    if (!isRecordId(id)) fail(kErrNotFound);
    if (limit == 0) {
        if (!exists(id, kErrDiskRead)) fail(kErrNotFound);
        return 0;
    }
    Query q(statement(kRecordElements), kErrDiskRead);
    q.bind(1, id).bind(2, static_cast<int64_t>(std::min<size_t>(limit, INT64_MAX)));
    if (!q.step()) fail(kErrNotFound);
    if (q.isNull(0)) return 0; // the record has no elements
    size_t n = 0;
    do {
        const auto code = static_cast<uint32_t>(q.integer(0));
        if (code == kMemberCode)
            out = encodeMember(static_cast<int32_t>(q.integer(2)), static_cast<uint32_t>(q.integer(3)), q.bytes(4), out);
        else
            out = encodeField(code, q.bytes(1), out);
        ++n;
    } while (q.step());
    return n;
}

int32_t Store::createRecord(bool group) {
    const char* counter = group ? "next_group" : "next_contact";
    Transaction t(*this, true);
    int64_t next = takeCounter(counter);
    if (next < 1 || next > (group ? kLastGroup : kLastContact)) fail(kErrDiskFull); // no ids left
    auto id = static_cast<int32_t>(group ? int64_t(INT32_MIN) + next : next);
    Query(statement(kInsertRecord), kErrDiskWrite).bind(1, id).bind(2, takeCounter("next_seq")).run();
    t.commit();
    return id;
}

int64_t Store::takeCounter(const char* name) {
    int64_t value;
    {
        Query q(statement(kCounter), kErrDiskWrite);
        if (!q.bindText(1, name).step()) fail(kErrDiskWrite);
        value = q.integer(0);
    }
    Query(statement(kSetCounter), kErrDiskWrite).bindText(1, name).bind(2, value + 1).run();
    return value;
}

void Store::replaceElements(int32_t id, const std::vector<Element>& elements) {
    if (!isRecordId(id)) fail(kErrNotFound);
    for (const Element& e : elements) {
        // Only groups have members, and a group cannot hold itself.
        if (e.isMember() && (!isGroupId(id) || !isRecordId(e.member) || e.member == id)) fail(kErrInvalidArg);
    }
    Transaction t(*this, true);
    if (!exists(id, kErrDiskWrite)) fail(kErrNotFound);
    for (const Element& e : elements)
        if (e.isMember() && !exists(e.member, kErrDiskWrite)) fail(kErrNotAvailable);
    Query(statement(kDeleteElements), kErrDiskWrite).bind(1, id).run();
    int64_t pos = 0;
    for (const Element& e : elements) {
        Query q(statement(kInsertElement), kErrDiskWrite);
        q.bind(1, id).bind(2, pos++).bind(3, e.code);
        if (e.isMember())
            q.bind(5, e.member).bind(6, e.flags).bindBlob(7, e.reserved.data(), e.reserved.size());
        else
            q.bindBlob(4, e.text.data(), e.text.size());
        q.run();
    }
    t.commit();
}

void Store::deleteRecord(int32_t id) {
    if (!isRecordId(id)) fail(kErrNotFound);
    Transaction t(*this, true);
    Query(statement(kDeleteRecord), kErrDiskWrite).bind(1, id).run();
    if (sqlite3_changes(db_) == 0) fail(kErrNotFound);
    Query(statement(kDeleteElements), kErrDiskWrite).bind(1, id).run();
    // A group must not keep listing a record that is gone.
    Query(statement(kDropMember), kErrDiskWrite).bind(1, id).run();
    t.commit();
}

} // namespace vqconv
