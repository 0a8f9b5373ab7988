#include "prop_list.h"

#include <algorithm>
#include <utility>

#include "allocator.h"
#include "pdx/status.h"
#include "pdx/tags.h"
#include "prop_ops.h"

namespace pdx::core {

void PropList::add(PropNode node) {
    for (auto& old : nodes_) {
        if (PROP_ID(old.tag()) == PROP_ID(node.tag())) {
            node.flags = old.flags | kNodeChanged;
            old = std::move(node);
            return;
        }
    }
    node.flags |= kNodeChanged;
    nodes_.push_back(std::move(node));
}

HRESULT PropList::set(const SPropValue& value) {
    PropNode node;
    HRESULT h = makeNode(value, node);
    if (FAILED(h)) return h;
    try {
        add(std::move(node));
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
    return S_OK;
}

void PropList::addUnchanged(PropNode node) {
    node.flags = 0;
    for (auto& old : nodes_) {
        if (PROP_ID(old.tag()) == PROP_ID(node.tag())) {
            old = std::move(node);
            return;
        }
    }
    nodes_.push_back(std::move(node));
}

const PropNode* PropList::find(ULONG tag) const {
    for (const auto& n : nodes_)
        if (tagMatches(n.tag(), tag)) return &n;
    return nullptr;
}

PropNode* PropList::find(ULONG tag) { return const_cast<PropNode*>(std::as_const(*this).find(tag)); }

bool PropList::remove(ULONG tag) {
    auto it = std::find_if(nodes_.begin(), nodes_.end(), [&](const PropNode& n) { return tagMatches(n.tag(), tag); });
    if (it == nodes_.end()) return false;
    nodes_.erase(it);
    return true;
}

void PropList::markAllChanged() {
    for (auto& n : nodes_) n.flags |= kNodeChanged;
}

void PropList::clearChanged() {
    for (auto& n : nodes_) n.flags &= ~kNodeChanged;
}

HRESULT PropList::copyOut(const SPropTagArray* columns, ULONG* count, SPropValue** values, bool* missing) const {
    *values = nullptr;
    *count = 0;
    if (missing) *missing = false;
    const ULONG n = columns ? columns->cValues : ULONG(nodes_.size());
    Buffer<SPropValue> out;
    // A zero-length array still gets a buffer, so callers always have something to free.
    HRESULT h = allocRoot(sizeof(SPropValue) * std::max<ULONG>(n, 1), out.out());
    if (FAILED(h)) return h;
    for (ULONG i = 0; i < n; ++i) {
        if (!columns) {
            h = copyNodeOut(nodes_[i], out[i], out.get());
        } else {
            const ULONG tag = columns->aulPropTag[i];
            const PropNode* node = PROP_TYPE(tag) == PT_NULL ? nullptr : find(tag);
            if (node) {
                h = copyNodeOut(*node, out[i], out.get());
            } else {
                out[i] = missingColumn(tag);
                if (missing && PROP_TYPE(tag) != PT_NULL) *missing = true;
            }
        }
        if (FAILED(h)) return h;
    }
    *count = n;
    *values = out.release();
    return S_OK;
}

} // namespace pdx::core
