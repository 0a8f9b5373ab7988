#include "prop_object.h"

#include <vector>

#include "allocator.h"
#include "checks.h"
#include "pdx/guids.h"
#include "pdx/status.h"
#include "pdx/tags.h"
#include "prop_ops.h"

namespace pdx::core {

using Lock = std::lock_guard<std::recursive_mutex>;

bool isComputedProperty(ULONG tag) {
    switch (PROP_ID(tag)) {
    case 0x0FF4: case 0x0FF6: case 0x0FF7: case 0x0FFE: case 0x0FFF:
    case 0x300B: case 0x3600: case 0x3615: case 0x3900:
        return true;
    default:
        return false;
    }
}

namespace {
HRESULT makeProblems(const std::vector<SPropProblem>& found, SPropProblemArray** out) {
    if (!out || found.empty()) return S_OK;
    SPropProblemArray* array = nullptr;
    HRESULT h = allocRoot(cbProblemArray(ULONG(found.size())), &array);
    if (FAILED(h)) return h;
    array->cProblem = ULONG(found.size());
    for (size_t i = 0; i < found.size(); ++i) array->aProblem[i] = found[i];
    *out = array;
    return S_OK;
}
} // namespace

HRESULT PropertyBag::getProps(const SPropTagArray* tags, ULONG flags, ULONG* count, SPropValue** values) {
    if (flags & MAPI_UNICODE) return MAPI_E_BAD_CHARWIDTH;
    if (!writableOut(count) || !writableOut(values)) return E_INVALIDARG;
    if (tags && (!readable(tags, sizeof(ULONG)) || tags->cValues == 0 ||
                 !readable(tags, cbTagArray(tags->cValues))))
        return E_INVALIDARG;
    Lock g(lock_);
    bool missing = false;
    HRESULT h = list_.copyOut(tags, count, values, &missing);
    if (FAILED(h)) return h;
    return missing ? MAPI_W_ERRORS_RETURNED : S_OK;
}

HRESULT PropertyBag::getPropList(ULONG flags, SPropTagArray** tags) {
    if (flags & MAPI_UNICODE) return MAPI_E_BAD_CHARWIDTH;
    if (!writableOut(tags)) return E_INVALIDARG;
    Lock g(lock_);
    SPropTagArray* out = nullptr;
    HRESULT h = allocRoot(cbTagArray(ULONG(list_.size())), &out);
    if (FAILED(h)) return h;
    out->cValues = ULONG(list_.size());
    for (size_t i = 0; i < list_.size(); ++i) out->aulPropTag[i] = list_.nodes()[i].tag();
    *tags = out;
    return S_OK;
}

HRESULT PropertyBag::setProps(ULONG count, const SPropValue* values, SPropProblemArray** problems) {
    if (problems && !writableOut(problems)) return E_INVALIDARG;
    if (problems) *problems = nullptr;
    if (count && !readable(values, sizeof(SPropValue) * size_t(count))) return E_INVALIDARG;
    Lock g(lock_);
    std::vector<SPropProblem> found;
    for (ULONG i = 0; i < count; ++i) {
        const ULONG tag = values[i].ulPropTag;
        const ULONG type = PROP_TYPE(tag);
        if (type == PT_NULL || type == PT_ERROR) continue;
        HRESULT status = S_OK;
        if (type == PT_OBJECT) {
            status = E_ACCESSDENIED;
        } else if (isComputedProperty(tag)) {
            status = MAPI_E_COMPUTED;
        } else if (HRESULT refused = check_ ? check_(values[i]) : S_OK; FAILED(refused)) {
            status = refused;
        } else if (const PropNode* old = list_.find(CHANGE_PROP_TYPE(tag, PT_UNSPECIFIED));
                   old && (old->flags & kNodeReadOnly)) {
            status = E_ACCESSDENIED;
        } else {
            status = list_.set(values[i]);
            if (SUCCEEDED(status)) modified_ = true;
        }
        if (FAILED(status)) found.push_back({i, tag, status});
    }
    return makeProblems(found, problems);
}

HRESULT PropertyBag::deleteProps(const SPropTagArray* tags, SPropProblemArray** problems) {
    if (!tags || !readable(tags, sizeof(ULONG)) || !readable(tags, cbTagArray(tags->cValues))) return E_INVALIDARG;
    if (problems && !writableOut(problems)) return E_INVALIDARG;
    if (problems) *problems = nullptr;
    Lock g(lock_);
    std::vector<SPropProblem> found;
    for (ULONG i = 0; i < tags->cValues; ++i) {
        const ULONG tag = tags->aulPropTag[i];
        const PropNode* node = list_.find(tag);
        if (!node || (node->flags & kNodeReadOnly)) {
            found.push_back({i, tag, MAPI_E_NOT_FOUND});
            continue;
        }
        list_.remove(tag);
        modified_ = true;
    }
    return makeProblems(found, problems);
}

HRESULT copyProps(IMAPIProp* source, const SPropTagArray* tags, LPCIID iface, void* destination, ULONG flags,
                  SPropProblemArray** problems) {
    if (!tags || !iface || !destination) return E_INVALIDARG;
    if (!isIid(iface, IID_IMAPIProp) && !isIid(iface, IID_IProfSect)) return E_NOINTERFACE;
    auto* dest = static_cast<IMAPIProp*>(destination);

    ULONG count = 0;
    Buffer<SPropValue> values;
    HRESULT h = source->GetProps(tags, flags & MAPI_UNICODE, &count, values.out());
    if (FAILED(h)) return h;
    auto placeholder = [](SPropValue& v) {
        v.ulPropTag = CHANGE_PROP_TYPE(v.ulPropTag, PT_NULL);
        v.Value.cur = 0;
    };
    for (ULONG i = 0; i < count; ++i) {
        const ULONG type = PROP_TYPE(values[i].ulPropTag);
        if (type == PT_ERROR || type == PT_OBJECT || type == PT_BINARY || type == PT_MV_BINARY) placeholder(values[i]);
    }
    if (flags & MAPI_NOREPLACE) {
        ULONG have = 0;
        Buffer<SPropValue> existing;
        h = dest->GetProps(tags, flags & MAPI_UNICODE, &have, existing.out());
        if (FAILED(h)) return h;
        if (have != count) return E_FAIL;
        for (ULONG i = 0; i < count; ++i) {
            const bool absent = PROP_TYPE(existing[i].ulPropTag) == PT_ERROR && existing[i].Value.err == MAPI_E_NOT_FOUND;
            if (!absent) placeholder(values[i]);
        }
    }
    return dest->SetProps(count, values.get(), problems);
}

HRESULT PropertyBag::copyTo(IMAPIProp* self, const SPropTagArray* excludeTags, LPCIID iface, void* destination,
                            ULONG flags, SPropProblemArray** problems) {
    if (!iface || !destination) return E_INVALIDARG;
    Buffer<SPropTagArray> all;
    HRESULT h = self->GetPropList(flags & MAPI_UNICODE, all.out());
    if (FAILED(h)) return h;
    Buffer<SPropTagArray> tags;
    h = filterTags(all.get(), excludeTags, tags.out());
    if (FAILED(h)) return h;
    if (tags->cValues == 0) return S_OK; // nothing left to copy
    return copyProps(self, tags.get(), iface, destination, flags, problems);
}

} // namespace pdx::core
