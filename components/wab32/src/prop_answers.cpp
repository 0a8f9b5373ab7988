#include "prop_answers.h"

#include <algorithm>
#include <vector>

#include "pdx/status.h"
#include "pdx/tags.h"
#include "session.h"

namespace wab32 {

using namespace pdx;

HRESULT answerProps(const common::PropArray& props, const SPropTagArray* tags, ULONG flags, ULONG* count,
                    SPropValue** values) {
    if (!count || !values) return E_INVALIDARG;
    *count = 0;
    *values = nullptr;
    if (flags & MAPI_UNICODE) return MAPI_E_BAD_CHARWIDTH;
    if (tags && tags->cValues == 0) return E_INVALIDARG;
    if (!tags) {
        HRESULT h = common::copyProps(props.data(), props.size(), wabDomain(), values);
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
    HRESULT h = common::copyPropPointers(found.data(), missing.data(), n, wabDomain(), values);
    if (FAILED(h)) return h;
    *count = n;
    return errors ? MAPI_W_ERRORS_RETURNED : S_OK;
}

HRESULT answerPropList(const common::PropArray& props, ULONG flags, SPropTagArray** tags) {
    if (!tags) return E_INVALIDARG;
    *tags = nullptr;
    if (flags & MAPI_UNICODE) return MAPI_E_BAD_CHARWIDTH;
    void* p = nullptr;
    HRESULT h = wabDomain().allocate(ULONG(cbTagArray(props.size())), &p);
    if (FAILED(h)) return h;
    auto* array = static_cast<SPropTagArray*>(p);
    array->cValues = props.size();
    for (ULONG i = 0; i < props.size(); ++i) array->aulPropTag[i] = props.data()[i].ulPropTag;
    *tags = array;
    return S_OK;
}

HRESULT answerProblems(const std::vector<SPropProblem>& problems, SPropProblemArray** out) {
    if (!out) return S_OK;
    *out = nullptr;
    if (problems.empty()) return S_OK;
    void* p = nullptr;
    HRESULT h = wabDomain().allocate(ULONG(cbProblemArray(ULONG(problems.size()))), &p);
    if (FAILED(h)) return h;
    auto* array = static_cast<SPropProblemArray*>(p);
    array->cProblem = ULONG(problems.size());
    std::copy(problems.begin(), problems.end(), array->aProblem);
    *out = array;
    return S_OK;
}

HRESULT answerEntryId(const std::string& id, ULONG* cb, ENTRYID** out) {
    if (!cb || !out) return E_INVALIDARG;
    *cb = 0;
    *out = nullptr;
    void* p = nullptr;
    HRESULT h = common::copyBytes(id.data(), ULONG(id.size()), wabDomain(), &p);
    if (FAILED(h)) return h;
    *cb = ULONG(id.size());
    *out = static_cast<ENTRYID*>(p);
    return S_OK;
}

} // namespace wab32
