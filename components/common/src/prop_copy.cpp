#include "pdx_common/prop_copy.h"

#include <cstring>
#include <vector>

#include "pdx/status.h"
#include "pdx/tags.h"

namespace pdx::common {
namespace {

constexpr size_t round8(size_t n) { return (n + 7) & ~size_t(7); }

size_t wideLength(const WCHAR* s) {
    size_t n = 0;
    while (s[n]) ++n;
    return n;
}

// Hands out consecutive 8-byte aligned pieces of one block.
class BumpSink final : public DataSink {
public:
    BumpSink(char* block, size_t size) : next_(block), end_(block + size) {}
    HRESULT allocate(size_t cb, void** out) override {
        const size_t need = round8(cb);
        if (size_t(end_ - next_) < need) return E_OUTOFMEMORY;
        *out = next_;
        next_ += need;
        return S_OK;
    }

private:
    char* next_;
    char* end_;
};

size_t elementSize(ULONG mvType) {
    switch (mvType) {
    case PT_MV_I2: return 2;
    case PT_MV_LONG:
    case PT_MV_R4: return 4;
    case PT_MV_DOUBLE:
    case PT_MV_CURRENCY:
    case PT_MV_APPTIME:
    case PT_MV_I8:
    case PT_MV_SYSTIME: return 8;
    case PT_MV_CLSID: return 16;
    default: return 0;
    }
}

template <class T>
HRESULT copyArray(const T* in, ULONG n, T** out, DataSink& sink) {
    *out = nullptr;
    if (n == 0) return S_OK;
    void* p = nullptr;
    HRESULT h = sink.allocate(sizeof(T) * n, &p);
    if (FAILED(h)) return h;
    std::memcpy(p, in, sizeof(T) * n);
    *out = static_cast<T*>(p);
    return S_OK;
}

} // namespace

bool tagMatches(ULONG have, ULONG wanted) {
    if (PROP_ID(have) != PROP_ID(wanted)) return false;
    return PROP_TYPE(wanted) == PT_UNSPECIFIED || PROP_TYPE(have) == PROP_TYPE(wanted);
}

const SPropValue* findProp(const SPropValue* values, ULONG count, ULONG tag) {
    for (ULONG i = 0; i < count; ++i)
        if (tagMatches(values[i].ulPropTag, tag)) return &values[i];
    return nullptr;
}

HRESULT dataSize(const SPropValue& v, size_t* size) {
    *size = 0;
    const ULONG type = PROP_TYPE(v.ulPropTag);
    const PV& x = v.Value;
    switch (type) {
    case PT_STRING8:
        if (!x.lpszA) return E_INVALIDARG;
        *size = round8(std::strlen(x.lpszA) + 1);
        return S_OK;
    case PT_UNICODE:
        if (!x.lpszW) return E_INVALIDARG;
        *size = round8(2 * (wideLength(x.lpszW) + 1));
        return S_OK;
    case PT_CLSID:
        if (!x.lpguid) return E_INVALIDARG;
        *size = 16;
        return S_OK;
    case PT_BINARY:
        if (x.bin.cb && !x.bin.lpb) return E_INVALIDARG;
        *size = round8(x.bin.cb);
        return S_OK;
    case PT_MV_STRING8: {
        if (x.MVszA.cValues && !x.MVszA.lppszA) return E_INVALIDARG;
        size_t total = round8(sizeof(char*) * x.MVszA.cValues);
        for (ULONG i = 0; i < x.MVszA.cValues; ++i) {
            if (!x.MVszA.lppszA[i]) return E_INVALIDARG;
            total += round8(std::strlen(x.MVszA.lppszA[i]) + 1);
        }
        *size = total;
        return S_OK;
    }
    case PT_MV_UNICODE: {
        if (x.MVszW.cValues && !x.MVszW.lppszW) return E_INVALIDARG;
        size_t total = round8(sizeof(WCHAR*) * x.MVszW.cValues);
        for (ULONG i = 0; i < x.MVszW.cValues; ++i) {
            if (!x.MVszW.lppszW[i]) return E_INVALIDARG;
            total += round8(2 * (wideLength(x.MVszW.lppszW[i]) + 1));
        }
        *size = total;
        return S_OK;
    }
    case PT_MV_BINARY: {
        if (x.MVbin.cValues && !x.MVbin.lpbin) return E_INVALIDARG;
        size_t total = round8(sizeof(SBinary) * x.MVbin.cValues);
        for (ULONG i = 0; i < x.MVbin.cValues; ++i) {
            if (x.MVbin.lpbin[i].cb && !x.MVbin.lpbin[i].lpb) return E_INVALIDARG;
            total += round8(x.MVbin.lpbin[i].cb);
        }
        *size = total;
        return S_OK;
    }
    default:
        if (const size_t e = elementSize(type)) {
            // Every fixed-size array shares the count/pointer layout of SLongArray.
            if (x.MVl.cValues && !x.MVl.lpl) return E_INVALIDARG;
            *size = round8(e * x.MVl.cValues);
        }
        return S_OK;
    }
}

HRESULT copyValue(const SPropValue& in, SPropValue& out, DataSink& sink) {
    out = in;
    const ULONG type = PROP_TYPE(in.ulPropTag);
    const PV& x = in.Value;
    HRESULT h = S_OK;
    void* p = nullptr;
    switch (type) {
    case PT_STRING8: {
        if (!x.lpszA) return E_INVALIDARG;
        const size_t n = std::strlen(x.lpszA) + 1;
        if (FAILED(h = sink.allocate(n, &p))) return h;
        std::memcpy(p, x.lpszA, n);
        out.Value.lpszA = static_cast<char*>(p);
        return S_OK;
    }
    case PT_UNICODE: {
        if (!x.lpszW) return E_INVALIDARG;
        const size_t n = 2 * (wideLength(x.lpszW) + 1);
        if (FAILED(h = sink.allocate(n, &p))) return h;
        std::memcpy(p, x.lpszW, n);
        out.Value.lpszW = static_cast<WCHAR*>(p);
        return S_OK;
    }
    case PT_CLSID:
        if (!x.lpguid) return E_INVALIDARG;
        return copyArray(x.lpguid, 1, &out.Value.lpguid, sink);
    case PT_BINARY:
        if (x.bin.cb && !x.bin.lpb) return E_INVALIDARG;
        return copyArray(x.bin.lpb, x.bin.cb, &out.Value.bin.lpb, sink);
    case PT_MV_STRING8: {
        const ULONG n = x.MVszA.cValues;
        if (n && !x.MVszA.lppszA) return E_INVALIDARG;
        out.Value.MVszA.lppszA = nullptr;
        if (n == 0) return S_OK;
        if (FAILED(h = sink.allocate(sizeof(char*) * n, &p))) return h;
        auto** slots = static_cast<char**>(p);
        for (ULONG i = 0; i < n; ++i) {
            const char* s = x.MVszA.lppszA[i];
            if (!s) return E_INVALIDARG;
            const size_t len = std::strlen(s) + 1;
            if (FAILED(h = sink.allocate(len, &p))) return h;
            std::memcpy(p, s, len);
            slots[i] = static_cast<char*>(p);
        }
        out.Value.MVszA.lppszA = slots;
        return S_OK;
    }
    case PT_MV_UNICODE: {
        const ULONG n = x.MVszW.cValues;
        if (n && !x.MVszW.lppszW) return E_INVALIDARG;
        out.Value.MVszW.lppszW = nullptr;
        if (n == 0) return S_OK;
        if (FAILED(h = sink.allocate(sizeof(WCHAR*) * n, &p))) return h;
        auto** slots = static_cast<WCHAR**>(p);
        for (ULONG i = 0; i < n; ++i) {
            const WCHAR* s = x.MVszW.lppszW[i];
            if (!s) return E_INVALIDARG;
            const size_t len = 2 * (wideLength(s) + 1);
            if (FAILED(h = sink.allocate(len, &p))) return h;
            std::memcpy(p, s, len);
            slots[i] = static_cast<WCHAR*>(p);
        }
        out.Value.MVszW.lppszW = slots;
        return S_OK;
    }
    case PT_MV_BINARY: {
        const ULONG n = x.MVbin.cValues;
        if (n && !x.MVbin.lpbin) return E_INVALIDARG;
        out.Value.MVbin.lpbin = nullptr;
        if (n == 0) return S_OK;
        SBinary* bins = nullptr;
        if (FAILED(h = copyArray(x.MVbin.lpbin, n, &bins, sink))) return h;
        for (ULONG i = 0; i < n; ++i) {
            if (bins[i].cb && !bins[i].lpb) return E_INVALIDARG;
            if (FAILED(h = copyArray(x.MVbin.lpbin[i].lpb, bins[i].cb, &bins[i].lpb, sink))) return h;
        }
        out.Value.MVbin.lpbin = bins;
        return S_OK;
    }
    default:
        if (const size_t e = elementSize(type)) {
            const ULONG n = x.MVl.cValues;
            if (n && !x.MVl.lpl) return E_INVALIDARG;
            out.Value.MVl.lpl = nullptr;
            if (n == 0) return S_OK;
            if (FAILED(h = sink.allocate(e * n, &p))) return h;
            std::memcpy(p, x.MVl.lpl, e * n);
            out.Value.MVl.lpl = static_cast<LONG*>(p);
        }
        return S_OK;
    }
}

HRESULT copyPropPointers(const SPropValue* const* in, const SPropValue* missing, ULONG count,
                         const MemoryDomain& domain, SPropValue** out) {
    if (!out) return E_INVALIDARG;
    *out = nullptr;
    std::vector<size_t> sizes(count);
    std::vector<HRESULT> measured(count, S_OK);
    size_t total = 0;
    for (ULONG i = 0; i < count; ++i) {
        if (!in[i]) continue;
        measured[i] = dataSize(*in[i], &sizes[i]);
        total += sizes[i];
    }
    void* root = nullptr;
    HRESULT h = domain.allocate(ULONG(sizeof(SPropValue) * count), &root);
    if (FAILED(h)) return h;
    void* block = nullptr;
    if (total > 0 && (total > 0xFFFFFFF0u || FAILED(h = domain.allocateMore(ULONG(total), root, &block)))) {
        domain.free(root);
        return FAILED(h) ? h : E_OUTOFMEMORY;
    }
    BumpSink sink(static_cast<char*>(block), total);
    auto* values = static_cast<SPropValue*>(root);
    for (ULONG i = 0; i < count; ++i) {
        if (!in[i]) {
            values[i] = missing[i];
            continue;
        }
        HRESULT c = FAILED(measured[i]) ? measured[i] : copyValue(*in[i], values[i], sink);
        if (FAILED(c)) {
            values[i] = SPropValue{};
            values[i].ulPropTag = CHANGE_PROP_TYPE(in[i]->ulPropTag, PT_ERROR);
            values[i].Value.err = c;
        }
    }
    *out = values;
    return S_OK;
}

HRESULT copyProps(const SPropValue* in, ULONG count, const MemoryDomain& domain, SPropValue** out) {
    std::vector<const SPropValue*> pointers(count);
    for (ULONG i = 0; i < count; ++i) pointers[i] = &in[i];
    return copyPropPointers(pointers.data(), nullptr, count, domain, out);
}

HRESULT copyTagArray(const SPropTagArray* tags, const MemoryDomain& domain, SPropTagArray** out) {
    if (!tags || !out) return E_INVALIDARG;
    *out = nullptr;
    void* p = nullptr;
    HRESULT h = domain.allocate(ULONG(cbTagArray(tags->cValues)), &p);
    if (FAILED(h)) return h;
    std::memcpy(p, tags, cbTagArray(tags->cValues));
    *out = static_cast<SPropTagArray*>(p);
    return S_OK;
}

HRESULT copyBytes(const void* bytes, ULONG cb, const MemoryDomain& domain, void** out) {
    if (!out) return E_INVALIDARG;
    *out = nullptr;
    HRESULT h = domain.allocate(cb, out);
    if (FAILED(h)) return h;
    if (cb) std::memcpy(*out, bytes, cb);
    return S_OK;
}

HRESULT copyString(std::string_view text, const MemoryDomain& domain, char** out) {
    if (!out) return E_INVALIDARG;
    *out = nullptr;
    void* p = nullptr;
    HRESULT h = domain.allocate(ULONG(text.size() + 1), &p);
    if (FAILED(h)) return h;
    std::memcpy(p, text.data(), text.size());
    *out = static_cast<char*>(p);
    return S_OK;
}

HRESULT freeRowSet(SRowSet* rows, const MemoryDomain& domain) {
    if (!rows) return S_OK;
    for (ULONG i = 0; i < rows->cRows; ++i)
        if (rows->aRow[i].lpProps) domain.free(rows->aRow[i].lpProps);
    return domain.free(rows);
}

HRESULT freeAdrList(ADRLIST* list, const MemoryDomain& domain) {
    return freeRowSet(reinterpret_cast<SRowSet*>(list), domain);
}

} // namespace pdx::common
