#pragma once
// The one-level undo: what the last add, delete or modify needs to be taken back.

#include "model/entry.h"

#include <cstdint>
#include <memory>
#include <utility>
#include <vector>

namespace lisotrex {

struct UndoRecord {
    enum Kind : int { Add = 0, Delete = 1, Modify = 2 };

    explicit UndoRecord(Kind k) : kind(k) {}

    Kind kind;
    // Add: list positions of the entries added, in the order they were added
    // (below the entry limit: four bytes each, for an import of thousands).
    std::vector<uint32_t> added;
    // Add and modify: (position, previous values) of every entry changed,
    // including those changed on the side by the one-touch conflict rule.
    std::vector<std::pair<size_t, CAddrUserDataObj>> previous;
    // Delete: (position before removal, removed entry), ascending positions.
    std::vector<std::pair<size_t, std::unique_ptr<CAddrUserDataObj>>> removed;
};

} // namespace lisotrex
