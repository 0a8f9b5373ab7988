#pragma once
// Where the store file lives, how a new one is made, and how an existing file
// is recognised as ours before anything is written to it.

#include <sqlite3.h>

#include <string>

namespace vqconv {

// $XDG_DATA_HOME/velmo/faxab.sqlite3, with ~/.local/share when XDG_DATA_HOME
// is unset or not absolute.
std::string defaultStorePath();

// Opens the store at `path` for reading and writing. A missing file is
// created first (its folder too when `createFolder`); an existing file that
// is not a store of ours is refused untouched. Throws StoreError.
sqlite3* openStoreFile(const std::string& path, bool createFolder);

} // namespace vqconv
