#pragma once
// The books callers hold open, by handle. A handle is a number from a table
// of live books, never a pointer, so a stale or made-up handle is refused
// without touching memory. Closed connections are kept for the next open of
// the same file, because the provider opens the book for every operation.

#include <memory>
#include <mutex>
#include <string>

#include "store.h"
#include "vqconv.h"

namespace vqconv {

// Opens the store at `path` (empty: the default store); throws StoreError.
Handle openBook(const std::string& path);
// Ends a handle; an unknown handle is ignored.
void closeBook(Handle handle);

struct Book;

// A live book, locked for one operation.
class BookAccess {
public:
    // Throws StoreError(kErrInvalidArg) for a handle that is not open.
    explicit BookAccess(Handle handle);
    Store& store() { return *store_; }

private:
    std::shared_ptr<Book> book_;
    std::unique_lock<std::mutex> lock_;
    Store* store_ = nullptr;
};

} // namespace vqconv
