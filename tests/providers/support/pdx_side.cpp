#include "pdx_side.h"

#include <cstdio>

namespace wabtest {

using namespace pdx;

TrackedHeap& pdxHeap() {
    static TrackedHeap heap;
    return heap;
}
HRESULT pdxAllocate(ULONG cb, void** out) { return pdxHeap().allocate(cb, out); }
HRESULT pdxAllocateMore(ULONG cb, void* parent, void** out) { return pdxHeap().allocateMore(cb, parent, out); }
HRESULT pdxFree(void* p) { return pdxHeap().free(p); }

HRESULT TestSupport::GetMemAllocRoutines(AllocateBufferFn* a, AllocateMoreFn* m, FreeBufferFn* f) {
    if (FAILED(routinesResult)) return routinesResult;
    *a = &pdxAllocate;
    *m = &pdxAllocateMore;
    *f = &pdxFree;
    return S_OK;
}

HRESULT TestSupport::SetProviderUID(const MAPIUID* uid, ULONG) {
    if (FAILED(uidResult)) return uidResult;
    registered.push_back(*uid);
    return S_OK;
}

HRESULT TestSupport::DoCopyTo(LPCIID srcIface, void* source, ULONG, LPCIID, const SPropTagArray*, ULONG_PTR,
                              IMAPIProgress*, LPCIID destIface, void*, ULONG, SPropProblemArray**) {
    char line[64];
    std::snprintf(line, sizeof line, "DoCopyTo %08x %08x", srcIface->Data1, destIface ? destIface->Data1 : 0u);
    copies.push_back(line);
    lastSource = source;
    return S_OK;
}

HRESULT TestSupport::DoCopyProps(LPCIID srcIface, void* source, const SPropTagArray*, ULONG_PTR, IMAPIProgress*,
                                 LPCIID destIface, void*, ULONG, SPropProblemArray**) {
    char line[64];
    std::snprintf(line, sizeof line, "DoCopyProps %08x %08x", srcIface->Data1, destIface ? destIface->Data1 : 0u);
    copies.push_back(line);
    lastSource = source;
    return S_OK;
}

HRESULT TestSection::SaveChanges(ULONG flags) {
    if (FAILED(saveResult)) return saveResult;
    saves.push_back(flags);
    return S_OK;
}

HRESULT TestSection::GetProps(const SPropTagArray* tags, ULONG, ULONG* count, SPropValue** values) {
    if (FAILED(getResult)) return getResult;
    SPropValue* v = nullptr;
    pdxAllocate(sizeof(SPropValue) * tags->cValues, reinterpret_cast<void**>(&v));
    bool missing = false;
    for (ULONG i = 0; i < tags->cValues; ++i) {
        const ULONG tag = tags->aulPropTag[i];
        v[i] = {};
        v[i].ulPropTag = tag;
        if (auto s = strings.find(tag); s != strings.end()) {
            pdxAllocateMore(ULONG(s->second.size() + 1), v, reinterpret_cast<void**>(&v[i].Value.lpszA));
            std::memcpy(v[i].Value.lpszA, s->second.c_str(), s->second.size() + 1);
        } else if (auto b = binaries.find(tag); b != binaries.end()) {
            v[i].Value.bin.cb = ULONG(b->second.size());
            pdxAllocateMore(ULONG(b->second.size() + 1), v, reinterpret_cast<void**>(&v[i].Value.bin.lpb));
            std::memcpy(v[i].Value.bin.lpb, b->second.data(), b->second.size());
        } else {
            v[i].ulPropTag = CHANGE_PROP_TYPE(tag, PT_ERROR);
            v[i].Value.err = MAPI_E_NOT_FOUND;
            missing = true;
        }
    }
    *count = tags->cValues;
    *values = v;
    return missing ? MAPI_W_ERRORS_RETURNED : S_OK;
}

HRESULT TestSection::SetProps(ULONG count, const SPropValue* values, SPropProblemArray**) {
    if (FAILED(setResult)) return setResult;
    for (ULONG i = 0; i < count; ++i) {
        const SPropValue& v = values[i];
        if (PROP_TYPE(v.ulPropTag) == PT_STRING8) strings[v.ulPropTag] = v.Value.lpszA ? v.Value.lpszA : "";
        else if (PROP_TYPE(v.ulPropTag) == PT_BINARY)
            binaries[v.ulPropTag].assign(v.Value.bin.lpb, v.Value.bin.lpb + v.Value.bin.cb);
    }
    return S_OK;
}

} // namespace wabtest
