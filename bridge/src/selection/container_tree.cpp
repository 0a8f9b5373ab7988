#include "selection/container_tree.h"

#include <algorithm>

#include "pdx/status.h"
#include "pdx/tags.h"

namespace vqbridge {

using namespace pdx;

namespace {

constexpr TagList<4> kHierarchyColumns = {4, {PR_DISPLAY_NAME, PR_ENTRYID, PR_OBJECT_TYPE, PR_DEPTH}};

ContainerNode nodeOf(const SRow& row) {
    const PropView view(row);
    ContainerNode node;
    node.name = view.text(PR_DISPLAY_NAME);
    node.entryId = view.binary(PR_ENTRYID);
    node.depth = int(view.number(PR_DEPTH, 0));
    return node;
}

// The sub-containers of a top-level node, nested by their depth.
void readBelow(const PdxAccess& pdx, int top, std::vector<ContainerNode>& nodes) {
    object_ptr<IUnknown> opened = openEntry(pdx, nodes[size_t(top)].entryId);
    if (!opened) return;
    object_ptr<IMAPITable> table;
    if (FAILED(reinterpret_cast<IMAPIContainer*>(opened.get())->GetHierarchyTable(CONVENIENT_DEPTH, table.out())) ||
        !table)
        return;
    // The open ancestors by depth below the top-level node.
    std::vector<int> path{top};
    readTable(pdx, *table.get(), kHierarchyColumns.get(), [&](const SRow& row) {
        ContainerNode node = nodeOf(row);
        const size_t level = size_t(std::max(node.depth, 0)) + 1; // depth 0 is a child of the top-level node
        if (level > path.size()) path.resize(path.size() + 1, path.back()); // a gap hangs under the deepest node
        path.resize(std::min(path.size(), level));
        node.parent = path.back();
        node.depth = int(path.size());
        nodes.push_back(std::move(node));
        path.push_back(int(nodes.size() - 1));
    });
}

} // namespace

std::vector<ContainerNode> readContainers(const PdxAccess& pdx) {
    std::vector<ContainerNode> nodes;
    object_ptr<IUnknown> root = openEntry(pdx, {});
    if (!root) return nodes;
    object_ptr<IMAPITable> table;
    if (FAILED(reinterpret_cast<IMAPIContainer*>(root.get())->GetHierarchyTable(0, table.out())) || !table)
        return nodes;
    std::vector<ContainerNode> tops;
    readTable(pdx, *table.get(), kHierarchyColumns.get(), [&](const SRow& row) { tops.push_back(nodeOf(row)); });
    for (ContainerNode& top : tops) {
        top.parent = -1;
        top.depth = 0;
        nodes.push_back(std::move(top));
        readBelow(pdx, int(nodes.size() - 1), nodes);
    }
    return nodes;
}

int nodeOfEntryId(const std::vector<ContainerNode>& nodes, const EntryId& id) {
    if (id.empty()) return -1;
    for (size_t i = 0; i < nodes.size(); ++i)
        if (nodes[i].entryId == id) return int(i);
    return -1;
}

int nodeOfPath(const std::vector<ContainerNode>& nodes, std::string_view path) {
    int parent = -1;
    while (true) {
        const size_t slash = path.find('/');
        const std::string_view name = path.substr(0, slash);
        int found = -1;
        for (size_t i = 0; i < nodes.size() && found < 0; ++i)
            if (nodes[i].parent == parent && nodes[i].name == name) found = int(i);
        if (found < 0) return -1;
        if (slash == std::string_view::npos) return found;
        parent = found;
        path.remove_prefix(slash + 1);
    }
}

EntryId defaultDirectory(const PdxAccess& pdx) {
    ULONG cb = 0;
    buffer_ptr<ENTRYID> id(pdx.api.freeBuffer);
    if (FAILED(pdx.book->GetDefaultDir(&cb, id.out())) || !id || !cb) return {};
    const BYTE* bytes = reinterpret_cast<const BYTE*>(id.get());
    return EntryId(bytes, bytes + cb);
}

} // namespace vqbridge
