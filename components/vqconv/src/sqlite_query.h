#pragma once
// Small RAII helpers over prepared SQLite statements. A failing step throws
// StoreError with the word of the operation it belongs to.

#include <sqlite3.h>

#include <cstdint>
#include <string>
#include <string_view>

#include "store_error.h"

namespace vqconv {

// One use of a prepared statement; resets it when done so it can be reused.
class Query {
public:
    Query(sqlite3_stmt* statement, ErrorWord word) : s_(statement), word_(word) {}
    ~Query() {
        sqlite3_reset(s_);
        sqlite3_clear_bindings(s_);
    }
    Query(const Query&) = delete;
    Query& operator=(const Query&) = delete;

    Query& bind(int index, int64_t value) {
        check(sqlite3_bind_int64(s_, index, value));
        return *this;
    }
    Query& bindBlob(int index, const void* data, size_t size) {
        check(sqlite3_bind_blob(s_, index, size ? data : "", static_cast<int>(size), SQLITE_STATIC));
        return *this;
    }
    Query& bindText(int index, const char* text) {
        check(sqlite3_bind_text(s_, index, text, -1, SQLITE_STATIC));
        return *this;
    }
    // True while a row is available.
    bool step() {
        int rc = sqlite3_step(s_);
        if (rc == SQLITE_ROW) return true;
        if (rc == SQLITE_DONE) return false;
        fail(wordForSqlite(sqlite3_db_handle(s_), rc, word_));
    }
    // Runs a statement that gives no rows.
    void run() {
        while (step()) {
        }
    }
    int64_t integer(int column) const { return sqlite3_column_int64(s_, column); }
    bool isNull(int column) const { return sqlite3_column_type(s_, column) == SQLITE_NULL; }
    // The column's bytes, valid until the next step or reset.
    std::string_view bytes(int column) const {
        auto p = static_cast<const char*>(sqlite3_column_blob(s_, column));
        return p ? std::string_view(p, static_cast<size_t>(sqlite3_column_bytes(s_, column))) : std::string_view();
    }

private:
    void check(int rc) {
        if (rc != SQLITE_OK) fail(word_);
    }
    sqlite3_stmt* s_;
    ErrorWord word_;
};

} // namespace vqconv
