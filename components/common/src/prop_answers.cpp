#include "pdx_common/prop_answers.h"

#include <vector>

#include "pdx/status.h"
#include "pdx/tags.h"
#include "pdx_common/prop_copy.h"

namespace pdx::common {

HRESULT answerProps(const PropArray& props, const SPropTagArray* tags, ULONG flags, const MemoryDomain& domain,
                    ULONG* count, SPropValue** values) {
    if (!count || !values) return E_INVALIDARG;
    *count = 0;
    *values = nullptr;
    if (flags & MAPI_UNICODE) return MAPI_E_BAD_CHARWIDTH;
    if (tags && tags->cValues == 0) return E_INVALIDARG;
    if (!tags) {
        HRESULT h = copyProps(props.data(), props.size(), domain, values);
        if (SUCCEEDED(h)) *count = props.size();
        return h;
    }
    const ULONG n = tags->cValues;
    std::vector<const SPropValue*> found(n);
    std::vector<SPropValue> missing(n);
    bool errors = false;
    for (ULONG i = 0; i < n; ++i) {
        const ULONG tag = tags->aulPropTag[i];
        found[i] = props.find(tag);
        if (!found[i]) {
            missing[i].ulPropTag = CHANGE_PROP_TYPE(tag, PT_ERROR);
            missing[i].Value.err = MAPI_E_NOT_FOUND;
            errors = true;
        }
    }
    HRESULT h = copyPropPointers(found.data(), missing.data(), n, domain, values);
    if (FAILED(h)) return h;
    *count = n;
    return errors ? MAPI_W_ERRORS_RETURNED : S_OK;
}

HRESULT answerPropList(const PropArray& props, ULONG flags, const MemoryDomain& domain, SPropTagArray** tags) {
    if (!tags) return E_INVALIDARG;
    *tags = nullptr;
    if (flags & MAPI_UNICODE) return MAPI_E_BAD_CHARWIDTH;
    void* p = nullptr;
    HRESULT h = domain.allocate(ULONG(cbTagArray(props.size())), &p);
    if (FAILED(h)) return h;
    auto* array = static_cast<SPropTagArray*>(p);
    array->cValues = props.size();
    for (ULONG i = 0; i < props.size(); ++i) array->aulPropTag[i] = props.data()[i].ulPropTag;
    *tags = array;
    return S_OK;
}

HRESULT answerEntryId(std::string_view id, const MemoryDomain& domain, ULONG* cb, ENTRYID** out) {
    if (!cb || !out) return E_INVALIDARG;
    *cb = 0;
    *out = nullptr;
    void* p = nullptr;
    HRESULT h = copyBytes(id.data(), ULONG(id.size()), domain, &p);
    if (FAILED(h)) return h;
    *cb = ULONG(id.size());
    *out = static_cast<ENTRYID*>(p);
    return S_OK;
}

} // namespace pdx::common
