#pragma once
// Failures inside the library travel as StoreError up to the exported
// function, which turns them into the error word of the call contract.

#include <sqlite3.h>

#include "vqconv.h"

namespace vqconv {

struct StoreError {
    ErrorWord word;
};

// The word for an SQLite failure: a full disk is always kErrDiskFull, any
// other failure the word of the operation (kErrDiskRead or kErrDiskWrite).
inline ErrorWord wordForSqlite(int rc, ErrorWord operationWord) {
    return (rc & 0xFF) == SQLITE_FULL ? kErrDiskFull : operationWord;
}

[[noreturn]] inline void fail(ErrorWord word) { throw StoreError{word}; }

} // namespace vqconv
