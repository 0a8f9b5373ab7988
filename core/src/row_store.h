#pragma once
// Rows kept as property lists, in insertion position order.

#include <vector>

#include "prop_list.h"

namespace pdx::core {

class RowStore {
public:
    // Every value becomes a node; the row goes after the first `position` rows
    // (at the end when there are fewer). A value that cannot be stored fails
    // the whole row and nothing is inserted.
    HRESULT addRow(const SPropValue* values, ULONG count, size_t position);
    void addRow(PropList row, size_t position);
    // The first row holding a property equal to `key` (same tag, equal value).
    PropList* findRow(const SPropValue& key);
    const PropList* findRow(const SPropValue& key) const;
    // A copy of that row with all its properties; MAPI_E_NOT_FOUND when none.
    HRESULT copyRow(const SPropValue& key, ULONG* count, SPropValue** values) const;
    HRESULT removeRow(const SPropValue& key);
    // The values go into the row found by `key`, replacing same identifiers.
    HRESULT setRowProps(const SPropValue& key, ULONG count, const SPropValue* values);

    size_t size() const { return rows_.size(); }
    std::vector<PropList>& rows() { return rows_; }
    const std::vector<PropList>& rows() const { return rows_; }

private:
    std::vector<PropList> rows_;
};

} // namespace pdx::core
