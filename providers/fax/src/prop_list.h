#pragma once
// The property bag of every container, group and contact: an ordered list of
// values looked up by property identifier (the first match wins).

#include <vector>

#include "prop_value.h"

namespace vqfax {

class PropList {
public:
    // At the tail, always.
    void append(PropValue value) { values_.push_back(std::move(value)); }
    // In place of the first value with the same identifier, else at the tail.
    void put(PropValue value);
    // Multi-valued types are refused with MAPI_E_NO_SUPPORT.
    HRESULT put(const SPropValue& value);

    const PropValue* find(ULONG tag) const; // by identifier
    // Takes the first value with the identifier out of the list.
    bool take(ULONG tag, PropValue& out);
    // One value per column, taken out of the list: the first value with the
    // column's identifier when it has the column's type, else PT_ERROR
    // MAPI_E_NOT_FOUND. The list is left without them.
    std::vector<PropValue> takeColumns(const SPropTagArray* columns);
    // The text of a PT_STRING8 value with that identifier (empty when absent).
    std::string_view text(ULONG tag) const;

    const std::vector<PropValue>& values() const { return values_; }
    // Empties the list, keeping its room for the next use.
    void clear() { values_.clear(); }
    size_t size() const { return values_.size(); }

    // GetProps: with `tags`, one value per tag (PR_NULL echoed, a missing
    // identifier as PT_ERROR MAPI_E_NOT_FOUND and the result
    // MAPI_W_ERRORS_RETURNED); without, every value in list order. One root
    // buffer from the allocate routine.
    HRESULT copyOut(const SPropTagArray* tags, ULONG* count, SPropValue** values) const;
    // GetPropList: every tag in list order except PR_INSTANCE_KEY.
    HRESULT tagList(SPropTagArray** tags) const;

private:
    std::vector<PropValue> values_;
};

} // namespace vqfax
