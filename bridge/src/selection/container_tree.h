#pragma once
// The containers of an address book as a tree: each row of the root's
// hierarchy is a top-level node with its sub-containers below it.

#include <string>
#include <string_view>
#include <vector>

#include "selection/pdx_access.h"

namespace vqbridge {

struct ContainerNode {
    std::string name; // system code page
    EntryId entryId;
    int parent = -1; // index of the parent node, -1 for a top-level node
    int depth = 0;
};

// The nodes in tree order (every node after its parent).
std::vector<ContainerNode> readContainers(const PdxAccess& pdx);

// The node whose identifier is `id`, or -1.
int nodeOfEntryId(const std::vector<ContainerNode>& nodes, const EntryId& id);
// The node named by display names from a top-level node down, joined by "/"
// (the first match at each level), or -1.
int nodeOfPath(const std::vector<ContainerNode>& nodes, std::string_view path);
// The address book's default directory, or an empty identifier.
EntryId defaultDirectory(const PdxAccess& pdx);

} // namespace vqbridge
