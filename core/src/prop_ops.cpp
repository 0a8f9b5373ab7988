#include "prop_ops.h"

#include <cstdio>

#include "allocator.h"
#include "checks.h"
#include "pdx/status.h"
#include "pdx/tags.h"

namespace pdx::core {

bool tagMatches(ULONG have, ULONG wanted) {
    if (PROP_ID(have) != PROP_ID(wanted)) return false;
    return PROP_TYPE(wanted) == PT_UNSPECIFIED || PROP_TYPE(have) == PROP_TYPE(wanted);
}

long findProp(const SPropValue* values, ULONG count, ULONG tag) {
    if (!values) return -1;
    for (ULONG i = 0; i < count; ++i)
        if (tagMatches(values[i].ulPropTag, tag)) return long(i);
    return -1;
}

bool tagArrayContains(const SPropTagArray* tags, ULONG tag) {
    if (!tags) return false;
    for (ULONG i = 0; i < tags->cValues; ++i)
        if (tagMatches(tag, tags->aulPropTag[i])) return true;
    return false;
}

SPropValue missingColumn(ULONG tag) {
    SPropValue v{};
    if (PROP_TYPE(tag) == PT_NULL) {
        v.ulPropTag = tag;
    } else {
        v.ulPropTag = CHANGE_PROP_TYPE(tag, PT_ERROR);
        v.Value.err = MAPI_E_NOT_FOUND;
    }
    return v;
}

namespace {
template <class Keep>
HRESULT keepTags(const SPropTagArray* tags, SPropTagArray** out, Keep keep) {
    *out = nullptr;
    Buffer<SPropTagArray> result;
    HRESULT h = allocRoot(cbTagArray(tags->cValues), result.out());
    if (FAILED(h)) return h;
    ULONG n = 0;
    for (ULONG i = 0; i < tags->cValues; ++i)
        if (keep(tags->aulPropTag[i])) result->aulPropTag[n++] = tags->aulPropTag[i];
    result->cValues = n;
    *out = result.release();
    return S_OK;
}
} // namespace

HRESULT filterTags(const SPropTagArray* tags, const SPropTagArray* exclude, SPropTagArray** out) {
    if (!tags || !out) return E_INVALIDARG;
    if (exclude && !readableTagArray(exclude)) return E_INVALIDARG; // the caller's list
    return keepTags(tags, out, [&](ULONG tag) {
        if (!exclude) return true;
        for (ULONG j = 0; j < exclude->cValues; ++j)
            if (tagMatches(tag, exclude->aulPropTag[j])) return false;
        return true;
    });
}

HRESULT writableTags(const SPropTagArray* tags, SPropTagArray** out) {
    if (!tags || !out) return E_INVALIDARG;
    HRESULT h = keepTags(tags, out, [](ULONG tag) {
        ULONG t = PROP_TYPE(tag);
        return t != PT_OBJECT && t != PT_BINARY && t != PT_MV_BINARY;
    });
    if (SUCCEEDED(h) && (*out)->cValues == 0) {
        PDXFreeBuffer(*out);
        *out = nullptr;
        return MAPI_E_NOT_FOUND;
    }
    return h;
}

HRESULT binaryToHex(const uint8_t* bytes, size_t count, std::string& out) {
    if (count > 32) return MAPI_E_STRING_TOO_LONG;
    out.clear();
    for (size_t i = 0; i < count; ++i) {
        char two[3];
        std::snprintf(two, sizeof two, "%.2x", bytes[i]);
        out += two;
    }
    return S_OK;
}

HRESULT copyTagArray(const SPropTagArray* tags, SPropTagArray** out) {
    return keepTags(tags, out, [](ULONG) { return true; });
}

} // namespace pdx::core
