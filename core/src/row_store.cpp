#include "row_store.h"

#include <algorithm>
#include <utility>

#include "pdx/status.h"
#include "pdx/tags.h"

namespace pdx::core {

HRESULT RowStore::addRow(const SPropValue* values, ULONG count, size_t position) {
    if (count && !values) return E_INVALIDARG;
    PropList row;
    for (ULONG i = 0; i < count; ++i) {
        HRESULT h = row.set(values[i]);
        if (FAILED(h)) return h;
    }
    try {
        addRow(std::move(row), position);
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
    return S_OK;
}

void RowStore::addRow(PropList row, size_t position) {
    rows_.insert(rows_.begin() + std::min(position, rows_.size()), std::move(row));
}

const PropList* RowStore::findRow(const SPropValue& key) const {
    for (const auto& row : rows_)
        for (const auto& node : row.nodes())
            if (node.tag() == key.ulPropTag && compareNode(node, key) == S_OK) return &row;
    return nullptr;
}

PropList* RowStore::findRow(const SPropValue& key) {
    return const_cast<PropList*>(std::as_const(*this).findRow(key));
}

HRESULT RowStore::copyRow(const SPropValue& key, ULONG* count, SPropValue** values) const {
    const PropList* row = findRow(key);
    if (!row) return MAPI_E_NOT_FOUND;
    return row->copyOut(nullptr, count, values);
}

HRESULT RowStore::removeRow(const SPropValue& key) {
    const PropList* row = findRow(key);
    if (!row) return MAPI_E_NOT_FOUND;
    rows_.erase(rows_.begin() + (row - rows_.data()));
    return S_OK;
}

HRESULT RowStore::setRowProps(const SPropValue& key, ULONG count, const SPropValue* values) {
    PropList* row = findRow(key);
    if (!row) return MAPI_E_NOT_FOUND;
    // Build the nodes first so a bad value leaves the row untouched.
    std::vector<PropNode> nodes(count);
    for (ULONG i = 0; i < count; ++i) {
        HRESULT h = makeNode(values[i], nodes[i]);
        if (FAILED(h)) return h;
    }
    for (auto& n : nodes) row->add(std::move(n));
    return S_OK;
}

} // namespace pdx::core
