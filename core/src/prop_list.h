#pragma once
// An ordered list of property nodes, at most one per property identifier.

#include <vector>

#include "prop_node.h"

namespace pdx::core {

class PropList {
public:
    // Same identifier: replaced in place, keeping the old flags plus "changed";
    // a new identifier is appended as changed.
    void add(PropNode node);
    // makeNode + add.
    HRESULT set(const SPropValue& value);
    // Read from storage: enters with its flags cleared, replacing a node of the same identifier.
    void addUnchanged(PropNode node);

    // By the find rule: same identifier and same type, PT_UNSPECIFIED matching any type.
    const PropNode* find(ULONG tag) const;
    PropNode* find(ULONG tag);
    bool remove(ULONG tag);

    size_t size() const { return nodes_.size(); }
    bool empty() const { return nodes_.empty(); }
    const std::vector<PropNode>& nodes() const { return nodes_; }
    std::vector<PropNode>& nodes() { return nodes_; }
    void markAllChanged();
    void clearChanged();

    // Copies the values out: with `columns`, one value per column (PT_NULL
    // columns as placeholders, missing ones as PT_ERROR MAPI_E_NOT_FOUND);
    // without, every property in list order. One root buffer with the data
    // chained to it. `missing` reports whether a column was absent.
    HRESULT copyOut(const SPropTagArray* columns, ULONG* count, SPropValue** values, bool* missing = nullptr) const;

private:
    std::vector<PropNode> nodes_;
};

} // namespace pdx::core
