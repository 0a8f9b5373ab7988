#pragma once
// Failures inside the library travel as StoreError up to the exported
// function, which turns them into the error word of the call contract.

#include <cerrno>
#include <sqlite3.h>

#include "vqconv.h"

namespace vqconv {

struct StoreError {
    ErrorWord word;
};

// The errno of the last failed system call on the store file or its WAL;
// SQLite keeps it per file, not per connection.
inline int lastFileErrno(sqlite3* db) {
    int err = 0;
    sqlite3_file_control(db, "main", SQLITE_FCNTL_LAST_ERRNO, &err);
    sqlite3_file* journal = nullptr;
    if (err == 0 && sqlite3_file_control(db, "main", SQLITE_FCNTL_JOURNAL_POINTER, &journal) == SQLITE_OK && journal &&
        journal->pMethods)
        journal->pMethods->xFileControl(journal, SQLITE_FCNTL_LAST_ERRNO, &err);
    return err;
}

// The word for an SQLite failure on `db`: no room left is always
// kErrDiskFull, any other failure the word of the operation (kErrDiskRead or
// kErrDiskWrite). SQLite calls only ENOSPC full; a write refused for quota or
// file size arrives as an I/O error and is told apart by its errno.
inline ErrorWord wordForSqlite(sqlite3* db, int rc, ErrorWord operationWord) {
    if ((rc & 0xFF) == SQLITE_FULL) return kErrDiskFull;
    if ((rc & 0xFF) == SQLITE_IOERR && db) {
        int err = lastFileErrno(db);
        if (err == ENOSPC || err == EDQUOT || err == EFBIG) return kErrDiskFull;
    }
    return operationWord;
}

[[noreturn]] inline void fail(ErrorWord word) { throw StoreError{word}; }

} // namespace vqconv
