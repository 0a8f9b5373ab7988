#include "books.h"

#include <map>
#include <vector>

#include "store_error.h"
#include "store_file.h"

namespace vqconv {

struct Book {
    std::mutex mutex;  // one operation at a time per handle
    std::string path;
    std::unique_ptr<Store> store; // null once closed
};

namespace {

constexpr size_t kIdleConnections = 4;

struct IdleConnection {
    std::string path;
    std::unique_ptr<Store> store;
};

struct Books {
    std::mutex mutex;
    std::map<Handle, std::shared_ptr<Book>> live;
    Handle lastHandle = 0; // handles count up and are never given twice
    std::vector<IdleConnection> idle;

    // A kept connection that still serves `path`, or null.
    std::unique_ptr<Store> takeIdle(const std::string& path) {
        std::unique_ptr<Store> found;
        std::vector<IdleConnection> keep;
        for (IdleConnection& c : idle) {
            if (!found && c.path == path && c.store->stillServes(path))
                found = std::move(c.store);
            else if (c.path != path || c.store->stillServes(c.path))
                keep.push_back(std::move(c));
        }
        idle = std::move(keep);
        return found;
    }
};

Books& books() {
    static Books instance;
    return instance;
}

} // namespace

Handle openBook(const std::string& requested) {
    bool useDefault = requested.empty();
    std::string path = useDefault ? defaultStorePath() : requested;
    Books& all = books();
    std::unique_ptr<Store> store;
    {
        std::lock_guard lock(all.mutex);
        store = all.takeIdle(path);
    }
    // Only the default store's folder is made: a configured path whose
    // folder is missing is more likely a mistake than a wish.
    if (!store) store = Store::open(path, useDefault);
    auto book = std::make_shared<Book>();
    book->path = path;
    book->store = std::move(store);
    std::lock_guard lock(all.mutex);
    Handle handle = ++all.lastHandle;
    all.live.emplace(handle, std::move(book));
    return handle;
}

void closeBook(Handle handle) {
    Books& all = books();
    std::shared_ptr<Book> book;
    {
        std::lock_guard lock(all.mutex);
        auto it = all.live.find(handle);
        if (it == all.live.end()) return;
        book = std::move(it->second);
        all.live.erase(it);
    }
    IdleConnection kept;
    {
        std::lock_guard bookLock(book->mutex); // waits for an operation in flight
        kept = {book->path, std::move(book->store)};
    }
    std::lock_guard lock(all.mutex);
    all.idle.push_back(std::move(kept));
    if (all.idle.size() > kIdleConnections) all.idle.erase(all.idle.begin());
}

BookAccess::BookAccess(Handle handle) {
    Books& all = books();
    {
        std::lock_guard lock(all.mutex);
        auto it = all.live.find(handle);
        if (it == all.live.end()) fail(kErrInvalidArg);
        book_ = it->second;
    }
    lock_ = std::unique_lock(book_->mutex);
    if (!book_->store) fail(kErrInvalidArg); // closed while we waited
    store_ = book_->store.get();
}

} // namespace vqconv
