#pragma once
// What the document tells the list view so it can update in place.

#include <cstddef>
#include <cstdint>
#include <vector>

namespace lisotrex {

class DocumentView {
public:
    virtual ~DocumentView() = default;
    // Entries appended at the end of the list.
    virtual void rowsAdded(size_t first, size_t count) {}
    // List positions (before removal) of entries just removed, ascending.
    virtual void rowsRemoved(const std::vector<size_t>& positions) {}
    virtual void rowsChanged(const std::vector<size_t>& positions) {}
    // The whole list changed (open, new, undo).
    virtual void rebuilt() {}
    virtual void bookKindChanged(int32_t kind) {}
};

} // namespace lisotrex
