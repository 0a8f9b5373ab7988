#include "convert.h"

#include <cstring>
#include <limits>

#include "pdx/status.h"
#include "pdx/tags.h"

namespace pdx::proxy {
namespace {

bool isIdentifierTag(ULONG tag) { return tag == PR_ENTRYID || tag == PR_DEF_CREATE_DL || tag == PR_DEF_CREATE_MAILUSER; }

size_t wideLength(const WCHAR* s) {
    size_t n = 0;
    while (s[n]) ++n;
    return n;
}

// Size of `count` elements of `each` bytes, or max on overflow (the allocation then fails).
size_t arrayBytes(size_t count, size_t each) {
    return count > std::numeric_limits<size_t>::max() / each ? std::numeric_limits<size_t>::max() : count * each;
}

HRESULT copyRaw(const Allocator& a, void* root, const void* src, size_t cb, void** out) {
    *out = nullptr;
    if (!cb) return S_OK;
    if (!src) return E_INVALIDARG;
    HRESULT h = a.more(cb, root, out);
    if (SUCCEEDED(h)) std::memcpy(*out, src, cb);
    return h;
}

HRESULT copyString(const Allocator& a, void* root, const char* s, char** out) {
    *out = nullptr;
    return s ? copyRaw(a, root, s, std::strlen(s) + 1, reinterpret_cast<void**>(out)) : S_OK;
}

HRESULT copyWide(const Allocator& a, void* root, const WCHAR* s, WCHAR** out) {
    *out = nullptr;
    return s ? copyRaw(a, root, s, 2 * (wideLength(s) + 1), reinterpret_cast<void**>(out)) : S_OK;
}

// A binary, with an identifier converted when the rule says so.
HRESULT copyBinary(const Conversion& c, void* root, ULONG tag, const SBinary& src, SBinary& dst) {
    dst = {};
    if (src.cb && !src.lpb) return E_INVALIDARG;
    if (!c.ids || !isIdentifierTag(tag) || !src.cb) {
        dst.cb = src.cb;
        return copyRaw(c.target, root, src.lpb, src.cb, reinterpret_cast<void**>(&dst.lpb));
    }
    if (c.direction == Conversion::Inward) {
        const InwardId in = c.ids->inwardValue(src.cb, src.lpb);
        dst.cb = in.cb;
        return copyRaw(c.target, root, in.id, in.cb, reinterpret_cast<void**>(&dst.lpb));
    }
    const ULONG cb = c.ids->outwardSize(src.cb, src.lpb);
    if (cb < src.cb) return E_OUTOFMEMORY; // the header would not fit in 32 bits
    HRESULT h = c.target.more(cb, root, &dst.lpb);
    if (FAILED(h)) return h;
    c.ids->writeOutward(src.cb, src.lpb, dst.lpb);
    dst.cb = cb;
    return S_OK;
}

size_t fixedSize(ULONG type) {
    switch (type) {
    case PT_MV_I2: return sizeof(int16_t);
    case PT_MV_LONG: return sizeof(LONG);
    case PT_MV_R4: return sizeof(float);
    case PT_MV_DOUBLE:
    case PT_MV_APPTIME: return sizeof(double);
    case PT_MV_CURRENCY:
    case PT_MV_I8:
    case PT_MV_SYSTIME: return sizeof(int64_t);
    case PT_MV_CLSID: return sizeof(GUID);
    default: return 0;
    }
}

bool isScalar(ULONG type) {
    switch (type) {
    case PT_UNSPECIFIED:
    case PT_NULL:
    case PT_I2:
    case PT_LONG:
    case PT_R4:
    case PT_DOUBLE:
    case PT_CURRENCY:
    case PT_APPTIME:
    case PT_ERROR:
    case PT_BOOLEAN:
    case PT_OBJECT:
    case PT_I8:
    case PT_SYSTIME: return true;
    default: return false;
    }
}

HRESULT copyData(const Conversion& c, const SPropValue& src, SPropValue& dst, void* root) {
    const Allocator& a = c.target;
    const ULONG type = PROP_TYPE(src.ulPropTag);
    const PV& s = src.Value;
    PV& d = dst.Value;
    if (isScalar(type)) {
        d = s;
        if (c.ids && c.direction == Conversion::ToCaller && src.ulPropTag == PR_CONTAINER_FLAGS &&
            (d.ul & AB_MODIFIABLE))
            d.ul |= AB_RECIPIENTS;
        return S_OK;
    }
    switch (type) {
    case PT_STRING8: return copyString(a, root, s.lpszA, &d.lpszA);
    case PT_UNICODE: return copyWide(a, root, s.lpszW, &d.lpszW);
    case PT_CLSID:
        if (!s.lpguid) return S_OK;
        return copyRaw(a, root, s.lpguid, sizeof(GUID), reinterpret_cast<void**>(&d.lpguid));
    case PT_BINARY: return copyBinary(c, root, src.ulPropTag, s.bin, d.bin);
    case PT_MV_STRING8: {
        d.MVszA.cValues = s.MVszA.cValues;
        if (!s.MVszA.cValues) return S_OK;
        if (!s.MVszA.lppszA) return E_INVALIDARG;
        if (HRESULT h = a.more(arrayBytes(s.MVszA.cValues, sizeof(char*)), root, &d.MVszA.lppszA); FAILED(h)) return h;
        for (ULONG i = 0; i < s.MVszA.cValues; ++i)
            if (HRESULT h = copyString(a, root, s.MVszA.lppszA[i], &d.MVszA.lppszA[i]); FAILED(h)) return h;
        return S_OK;
    }
    case PT_MV_UNICODE: {
        d.MVszW.cValues = s.MVszW.cValues;
        if (!s.MVszW.cValues) return S_OK;
        if (!s.MVszW.lppszW) return E_INVALIDARG;
        if (HRESULT h = a.more(arrayBytes(s.MVszW.cValues, sizeof(WCHAR*)), root, &d.MVszW.lppszW); FAILED(h)) return h;
        for (ULONG i = 0; i < s.MVszW.cValues; ++i)
            if (HRESULT h = copyWide(a, root, s.MVszW.lppszW[i], &d.MVszW.lppszW[i]); FAILED(h)) return h;
        return S_OK;
    }
    case PT_MV_BINARY: {
        d.MVbin.cValues = s.MVbin.cValues;
        if (!s.MVbin.cValues) return S_OK;
        if (!s.MVbin.lpbin) return E_INVALIDARG;
        if (HRESULT h = a.more(arrayBytes(s.MVbin.cValues, sizeof(SBinary)), root, &d.MVbin.lpbin); FAILED(h)) return h;
        for (ULONG i = 0; i < s.MVbin.cValues; ++i) {
            const SBinary& from = s.MVbin.lpbin[i];
            SBinary& to = d.MVbin.lpbin[i];
            if (from.cb && !from.lpb) return E_INVALIDARG;
            to.cb = from.cb;
            if (HRESULT h = copyRaw(a, root, from.lpb, from.cb, reinterpret_cast<void**>(&to.lpb)); FAILED(h)) return h;
        }
        return S_OK;
    }
    default:
        break;
    }
    if (const size_t each = fixedSize(type)) {
        // Every fixed-size multi-valued type has the same shape: a count and a pointer.
        d.MVl.cValues = s.MVl.cValues;
        if (!s.MVl.cValues) return S_OK;
        return copyRaw(a, root, s.MVl.lpl, arrayBytes(s.MVl.cValues, each), reinterpret_cast<void**>(&d.MVl.lpl));
    }
    return MAPI_E_INVALID_TYPE;
}

} // namespace

HRESULT copyValue(const Conversion& c, const SPropValue& src, SPropValue& dst, void* root) {
    dst = {};
    dst.ulPropTag = src.ulPropTag;
    const HRESULT h = copyData(c, src, dst, root);
    if (FAILED(h)) {
        // Whatever was chained to the root stays there and goes with it.
        dst = {};
        dst.ulPropTag = CHANGE_PROP_TYPE(src.ulPropTag, PT_ERROR);
        dst.Value.err = h;
    }
    return h;
}

namespace {

constexpr size_t kNoPacking = std::numeric_limits<size_t>::max();
size_t aligned(size_t cb) { return (cb + 7) & ~size_t(7); }

// The bytes a value's data takes inside its array's own buffer, or kNoPacking
// for a value whose copy goes the general way (multi-valued, malformed, wide).
size_t packedBytes(const Conversion& c, const SPropValue& v) {
    const ULONG type = PROP_TYPE(v.ulPropTag);
    if (isScalar(type)) return 0;
    if (type == PT_STRING8) return v.Value.lpszA ? aligned(std::strlen(v.Value.lpszA) + 1) : 0;
    if (type != PT_BINARY) return kNoPacking;
    const SBinary& b = v.Value.bin;
    if (b.cb && !b.lpb) return kNoPacking;
    if (!c.ids || !isIdentifierTag(v.ulPropTag) || !b.cb) return aligned(b.cb);
    if (c.direction == Conversion::Inward) return aligned(c.ids->inwardValue(b.cb, b.lpb).cb);
    const ULONG cb = c.ids->outwardSize(b.cb, b.lpb);
    return cb < b.cb ? kNoPacking : aligned(cb);
}

// Copies a value whose packedBytes fit, its data at `data`; the bytes used.
size_t copyPacked(const Conversion& c, const SPropValue& src, SPropValue& dst, char* data) {
    dst = {};
    dst.ulPropTag = src.ulPropTag;
    const ULONG type = PROP_TYPE(src.ulPropTag);
    if (isScalar(type)) {
        copyData(c, src, dst, nullptr); // scalars need no memory
        return 0;
    }
    if (type == PT_STRING8) {
        if (!src.Value.lpszA) return 0;
        const size_t cb = std::strlen(src.Value.lpszA) + 1;
        std::memcpy(data, src.Value.lpszA, cb);
        dst.Value.lpszA = data;
        return aligned(cb);
    }
    const SBinary& b = src.Value.bin;
    if (!b.cb) return 0;
    dst.Value.bin.lpb = reinterpret_cast<BYTE*>(data);
    if (!c.ids || !isIdentifierTag(src.ulPropTag)) {
        std::memcpy(data, b.lpb, b.cb);
        dst.Value.bin.cb = b.cb;
    } else if (c.direction == Conversion::Inward) {
        const InwardId in = c.ids->inwardValue(b.cb, b.lpb);
        if (in.cb) std::memcpy(data, in.id, in.cb);
        else dst.Value.bin.lpb = nullptr;
        dst.Value.bin.cb = in.cb;
    } else {
        dst.Value.bin.cb = c.ids->outwardSize(b.cb, b.lpb);
        c.ids->writeOutward(b.cb, b.lpb, dst.Value.bin.lpb);
    }
    return aligned(dst.Value.bin.cb);
}

} // namespace

HRESULT copyValues(const Conversion& c, ULONG count, const SPropValue* src, SPropValue** out) {
    *out = nullptr;
    if (!count) return S_OK;
    if (!src) return E_INVALIDARG;
    // The usual row (strings, binaries, numbers) is copied into one buffer:
    // one allocation instead of one per value, and one free.
    size_t data = 0;
    for (ULONG i = 0; i < count && data != kNoPacking; ++i) {
        const size_t cb = packedBytes(c, src[i]);
        data = cb == kNoPacking || cb > std::numeric_limits<ULONG>::max() - data ? kNoPacking : data + cb;
    }
    const size_t head = aligned(arrayBytes(count, sizeof(SPropValue)));
    if (data != kNoPacking && head <= std::numeric_limits<ULONG>::max() - data) {
        SPropValue* values = nullptr;
        if (HRESULT h = c.target.root(head + data, &values); FAILED(h)) return h;
        char* at = reinterpret_cast<char*>(values) + head;
        for (ULONG i = 0; i < count; ++i) at += copyPacked(c, src[i], values[i], at);
        *out = values;
        return S_OK;
    }
    SPropValue* values = nullptr;
    if (HRESULT h = c.target.root(arrayBytes(count, sizeof(SPropValue)), &values); FAILED(h)) return h;
    for (ULONG i = 0; i < count; ++i) copyValue(c, src[i], values[i], values);
    *out = values;
    return S_OK;
}

HRESULT copyRows(const Conversion& c, const SRowSet* src, SRowSet** out) {
    *out = nullptr;
    if (!src) return S_OK;
    Owned<SRowSet> rows(c.target);
    if (HRESULT h = c.target.root(cbRowSet(src->cRows), rows.out()); FAILED(h)) return h;
    for (ULONG i = 0; i < src->cRows; ++i) {
        const SRow& from = src->aRow[i];
        SRow& to = rows->aRow[i];
        if (HRESULT h = copyValues(c, from.cValues, from.lpProps, &to.lpProps); FAILED(h)) {
            freeRows(c.target, rows.release());
            return h;
        }
        to.cValues = to.lpProps ? from.cValues : 0;
        rows->cRows = i + 1;
    }
    rows->cRows = src->cRows;
    *out = rows.release();
    return S_OK;
}

HRESULT copyAdrList(const Conversion& c, const ADRLIST* src, ADRLIST** out) {
    *out = nullptr;
    if (!src) return S_OK;
    Owned<ADRLIST> list(c.target);
    if (HRESULT h = c.target.root(cbAdrList(src->cEntries), list.out()); FAILED(h)) return h;
    for (ULONG i = 0; i < src->cEntries; ++i) {
        const ADRENTRY& from = src->aEntries[i];
        ADRENTRY& to = list->aEntries[i];
        if (HRESULT h = copyValues(c, from.cValues, from.rgPropVals, &to.rgPropVals); FAILED(h)) {
            freeAdrList(c.target, list.release());
            return h;
        }
        to.cValues = to.rgPropVals ? from.cValues : 0;
        list->cEntries = i + 1;
    }
    list->cEntries = src->cEntries;
    *out = list.release();
    return S_OK;
}

HRESULT copyEntryList(const Conversion& c, const ENTRYLIST* src, ENTRYLIST** out) {
    *out = nullptr;
    if (!src) return S_OK;
    if (src->cValues && !src->lpbin) return E_INVALIDARG;
    Owned<ENTRYLIST> list(c.target);
    if (HRESULT h = c.target.root(sizeof(ENTRYLIST), list.out()); FAILED(h)) return h;
    list->cValues = src->cValues;
    if (src->cValues) {
        if (HRESULT h = c.target.more(arrayBytes(src->cValues, sizeof(SBinary)), list.get(), &list->lpbin); FAILED(h))
            return h;
        for (ULONG i = 0; i < src->cValues; ++i)
            if (HRESULT h = copyBinary(c, list.get(), PR_ENTRYID, src->lpbin[i], list->lpbin[i]); FAILED(h)) return h;
    }
    *out = list.release();
    return S_OK;
}

HRESULT copyEntryId(const Conversion& c, ULONG cb, const BYTE* id, ULONG* cbOut, ENTRYID** out) {
    *cbOut = 0;
    *out = nullptr;
    if (cb && !id) return E_INVALIDARG;
    const bool convert = c.ids && cb;
    ULONG size = cb;
    const BYTE* bytes = id;
    if (convert && c.direction == Conversion::Inward) {
        const InwardId in = c.ids->inwardValue(cb, id);
        size = in.cb;
        bytes = reinterpret_cast<const BYTE*>(in.id);
    } else if (convert) {
        size = c.ids->outwardSize(cb, id);
        if (size < cb) return E_OUTOFMEMORY;
    }
    BYTE* buffer = nullptr;
    if (HRESULT h = c.target.root(size ? size : 1, &buffer); FAILED(h)) return h;
    if (convert && c.direction == Conversion::ToCaller) c.ids->writeOutward(cb, id, buffer);
    else if (size) std::memcpy(buffer, bytes, size);
    *cbOut = size;
    *out = reinterpret_cast<ENTRYID*>(buffer);
    return S_OK;
}

HRESULT copyTags(const Allocator& a, const SPropTagArray* src, SPropTagArray** out) {
    *out = nullptr;
    if (!src) return S_OK;
    const size_t cb = cbTagArray(src->cValues);
    if (HRESULT h = a.root(cb, out); FAILED(h)) return h;
    std::memcpy(*out, src, cb);
    return S_OK;
}

HRESULT copyProblems(const Allocator& a, const SPropProblemArray* src, SPropProblemArray** out) {
    *out = nullptr;
    if (!src) return S_OK;
    const size_t cb = cbProblemArray(src->cProblem);
    if (HRESULT h = a.root(cb, out); FAILED(h)) return h;
    std::memcpy(*out, src, cb);
    return S_OK;
}

HRESULT copySortOrder(const Allocator& a, const SSortOrderSet* src, SSortOrderSet** out) {
    *out = nullptr;
    if (!src) return S_OK;
    const size_t cb = cbSortOrderSet(src->cSorts);
    if (HRESULT h = a.root(cb, out); FAILED(h)) return h;
    std::memcpy(*out, src, cb);
    return S_OK;
}

HRESULT copyNames(const Allocator& a, ULONG count, MAPINAMEID* const* src, MAPINAMEID*** out) {
    *out = nullptr;
    if (!src) return S_OK;
    MAPINAMEID** names = nullptr;
    if (HRESULT h = a.root(arrayBytes(count ? count : 1, sizeof(MAPINAMEID*)), &names); FAILED(h)) return h;
    Owned<MAPINAMEID*> hold(a, names);
    for (ULONG i = 0; i < count; ++i) {
        const MAPINAMEID* from = src[i];
        if (!from) continue; // a name the component could not give
        MAPINAMEID* to = nullptr;
        if (HRESULT h = a.more(sizeof(MAPINAMEID), names, &to); FAILED(h)) return h;
        to->ulKind = from->ulKind;
        if (HRESULT h = copyRaw(a, names, from->lpguid, from->lpguid ? sizeof(GUID) : 0,
                                reinterpret_cast<void**>(&to->lpguid));
            FAILED(h))
            return h;
        if (from->ulKind == MNID_STRING) {
            if (HRESULT h = copyWide(a, names, from->Kind.lpwstrName, &to->Kind.lpwstrName); FAILED(h)) return h;
        } else {
            to->Kind.lID = from->Kind.lID;
        }
        names[i] = to;
    }
    *out = hold.release();
    return S_OK;
}

HRESULT copyBytes(const Allocator& a, ULONG cb, const BYTE* src, BYTE** out) {
    *out = nullptr;
    if (!src) return S_OK;
    if (HRESULT h = a.root(cb ? cb : 1, out); FAILED(h)) return h;
    if (cb) std::memcpy(*out, src, cb);
    return S_OK;
}

HRESULT replaceEntries(const Conversion& c, ADRLIST* caller, const ADRLIST* result) {
    if (!caller || !result) return S_OK;
    const ULONG n = caller->cEntries < result->cEntries ? caller->cEntries : result->cEntries;
    // Everything is copied first, so a failed copy leaves the caller's list as it was.
    Owned<ADRLIST> fresh(c.target);
    if (HRESULT h = copyAdrList(c, result, fresh.out()); FAILED(h)) return h;
    for (ULONG i = 0; i < n; ++i) {
        ADRENTRY& entry = caller->aEntries[i];
        if (entry.rgPropVals) c.target.free(entry.rgPropVals);
        entry.rgPropVals = fresh->aEntries[i].rgPropVals;
        entry.cValues = fresh->aEntries[i].cValues;
        fresh->aEntries[i].rgPropVals = nullptr;
    }
    freeAdrList(c.target, fresh.release());
    return S_OK;
}

} // namespace pdx::proxy
