#pragma once
// One connection to a store file and the record operations on it. Every
// change is one transaction; reads that take several statements run in one
// read transaction, so another process never shows a half-made answer.

#include <sqlite3.h>
#include <sys/types.h>

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "element_codec.h"

namespace vqconv {

class Store {
public:
    // Opens (and when missing creates) the store at `path`; throws StoreError.
    static std::unique_ptr<Store> open(const std::string& path, bool createFolder);
    ~Store();
    Store(const Store&) = delete;
    Store& operator=(const Store&) = delete;

    // True when this connection may serve another open of `path`: it belongs
    // to this process (a forked child must never use its parent's
    // connection) and `path` still names the file it has open.
    bool stillServes(const std::string& path) const;

    // Every record id in the order the records were created.
    std::vector<int32_t> recordIds();
    size_t recordCount();
    size_t elementCount(int32_t id);
    // Writes the record's first `limit` elements, in the order written, to
    // `out` as the call contract lays them out; how many. Straight from the
    // statement to the caller's buffer: a listing reads every record this way.
    size_t encodeElements(int32_t id, size_t limit, uint8_t* out);
    // A fresh id that was never handed out before.
    int32_t createRecord(bool group);
    // The elements replace the record's contents.
    void replaceElements(int32_t id, const std::vector<Element>& elements);
    // Deletes the record and every member element that names it.
    void deleteRecord(int32_t id);

    enum Sql : size_t;

private:
    Store(sqlite3* db, dev_t device, ino_t inode);
    sqlite3_stmt* statement(Sql which);
    bool exists(int32_t id, ErrorWord word);
    // The counter's value, counted up by one (inside a write transaction).
    int64_t takeCounter(const char* name);
    friend class Transaction;

    sqlite3* db_;
    dev_t device_;
    ino_t inode_;
    pid_t owner_;
    std::vector<sqlite3_stmt*> statements_;
};

} // namespace vqconv
