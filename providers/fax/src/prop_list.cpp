#include "prop_list.h"

#include "fax_memory.h"
#include "pdx/status.h"
#include "pdx/tags.h"

namespace vqfax {

void PropList::put(PropValue value) {
    for (auto& v : values_) {
        if (v.id() == value.id()) {
            v = std::move(value);
            return;
        }
    }
    values_.push_back(std::move(value));
}

HRESULT PropList::put(const SPropValue& value) {
    PropValue v;
    if (HRESULT h = PropValue::make(value, v); FAILED(h)) return h;
    put(std::move(v));
    return S_OK;
}

const PropValue* PropList::find(ULONG tag) const {
    for (const auto& v : values_)
        if (v.id() == PROP_ID(tag)) return &v;
    return nullptr;
}

std::vector<PropValue> PropList::takeColumns(const SPropTagArray* columns) {
    std::vector<PropValue> row;
    row.reserve(columns->cValues);
    for (ULONG c = 0; c < columns->cValues; ++c) {
        const ULONG tag = columns->aulPropTag[c];
        auto it = values_.begin();
        while (it != values_.end() && it->id() != PROP_ID(tag)) ++it;
        if (it != values_.end() && it->tag() == tag) {
            row.push_back(std::move(*it));
            values_.erase(it);
        } else {
            row.push_back(PropValue::error(tag, MAPI_E_NOT_FOUND));
        }
    }
    return row;
}

bool PropList::take(ULONG tag, PropValue& out) {
    for (auto it = values_.begin(); it != values_.end(); ++it) {
        if (it->id() == PROP_ID(tag)) {
            out = std::move(*it);
            values_.erase(it);
            return true;
        }
    }
    return false;
}

std::string_view PropList::text(ULONG tag) const {
    const PropValue* v = find(tag);
    return v ? v->text() : std::string_view();
}

HRESULT PropList::copyOut(const SPropTagArray* tags, ULONG* count, SPropValue** values) const {
    const size_t n = tags ? tags->cValues : values_.size();
    Owned<SPropValue> out;
    if (HRESULT h = allocate(sizeof(SPropValue) * (n ? n : 1), out.out()); FAILED(h)) return h;
    HRESULT result = S_OK;
    for (size_t i = 0; i < n; ++i) {
        SPropValue& slot = out[i];
        if (!tags) {
            if (FAILED(values_[i].copyOut(slot, out.get()))) return E_OUTOFMEMORY;
            continue;
        }
        const ULONG tag = tags->aulPropTag[i];
        if (tag == PR_NULL) {
            slot = SPropValue{};
            slot.ulPropTag = tag;
        } else if (const PropValue* v = find(tag)) {
            if (FAILED(v->copyOut(slot, out.get()))) return E_OUTOFMEMORY;
        } else {
            slot = missingValue(tag, MAPI_E_NOT_FOUND);
            result = MAPI_W_ERRORS_RETURNED;
        }
    }
    *count = static_cast<ULONG>(n);
    *values = out.release();
    return result;
}

HRESULT PropList::tagList(SPropTagArray** tags) const {
    Owned<SPropTagArray> out;
    if (HRESULT h = allocate(cbTagArray(static_cast<ULONG>(values_.size())), out.out()); FAILED(h)) return h;
    ULONG placed = 0;
    for (const auto& v : values_)
        if (v.id() != PROP_ID(PR_INSTANCE_KEY)) out->aulPropTag[placed++] = v.tag();
    out->cValues = placed;
    *tags = out.release();
    return S_OK;
}

} // namespace vqfax
