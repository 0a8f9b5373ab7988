#include "pdx_common/row_filter.h"

#include <algorithm>
#include <cstring>
#include <string_view>

#include "pdx/status.h"
#include "pdx/tags.h"

namespace pdx::common {
namespace {

constexpr int kMaxDepth = 64;

char foldAscii(char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; }

int compareText(std::string_view a, std::string_view b) {
    const size_t n = std::min(a.size(), b.size());
    for (size_t i = 0; i < n; ++i) {
        const unsigned char x = static_cast<unsigned char>(foldAscii(a[i]));
        const unsigned char y = static_cast<unsigned char>(foldAscii(b[i]));
        if (x != y) return x < y ? -1 : 1;
    }
    return a.size() == b.size() ? 0 : a.size() < b.size() ? -1 : 1;
}

template <class T>
int order(T a, T b) {
    return a < b ? -1 : b < a ? 1 : 0;
}

bool relation(ULONG relop, int c) {
    switch (relop) {
    case RELOP_LT: return c < 0;
    case RELOP_LE: return c <= 0;
    case RELOP_GT: return c > 0;
    case RELOP_GE: return c >= 0;
    case RELOP_EQ: return c == 0;
    case RELOP_NE: return c != 0;
    default: return false;
    }
}

bool knownRelop(ULONG relop) { return relop <= RELOP_NE; }

std::string_view bytesOf(const SPropValue& v) {
    if (PROP_TYPE(v.ulPropTag) == PT_STRING8 && v.Value.lpszA) return v.Value.lpszA;
    if (PROP_TYPE(v.ulPropTag) == PT_BINARY && v.Value.bin.lpb)
        return {reinterpret_cast<const char*>(v.Value.bin.lpb), v.Value.bin.cb};
    return {};
}

bool contentMatches(std::string_view have, std::string_view want, ULONG fuzzy, bool text) {
    const bool fold = text && (fuzzy & (FL_IGNORECASE | FL_LOOSE));
    auto eq = [fold](char a, char b) { return fold ? foldAscii(a) == foldAscii(b) : a == b; };
    switch (fuzzy & 0xFFFF) {
    case FL_SUBSTRING:
        return std::search(have.begin(), have.end(), want.begin(), want.end(), eq) != have.end();
    case FL_PREFIX:
        return have.size() >= want.size() && std::equal(want.begin(), want.end(), have.begin(), eq);
    default:
        return have.size() == want.size() && std::equal(want.begin(), want.end(), have.begin(), eq);
    }
}

bool content(const SContentRestriction& r, const PropArray& row) {
    const SPropValue* v = row.find(r.ulPropTag);
    if (!v) return false;
    const ULONG type = PROP_TYPE(v->ulPropTag);
    const std::string_view want = bytesOf(*r.lpProp);
    if (type == PT_MV_STRING8) {
        for (ULONG i = 0; i < v->Value.MVszA.cValues; ++i)
            if (contentMatches(v->Value.MVszA.lppszA[i], want, r.ulFuzzyLevel, true)) return true;
        return false;
    }
    if (type != PT_STRING8 && type != PT_BINARY) return false;
    return contentMatches(bytesOf(*v), want, r.ulFuzzyLevel, type == PT_STRING8);
}

ULONG valueSize(const SPropValue& v) {
    switch (PROP_TYPE(v.ulPropTag)) {
    case PT_STRING8: return v.Value.lpszA ? ULONG(std::strlen(v.Value.lpszA) + 1) : 0;
    case PT_BINARY: return v.Value.bin.cb;
    case PT_I2:
    case PT_BOOLEAN: return 2;
    case PT_LONG:
    case PT_R4:
    case PT_ERROR: return 4;
    case PT_CLSID: return 16;
    default: return 8;
    }
}

HRESULT check(const SRestriction* r, int depth) {
    if (!r) return E_INVALIDARG;
    if (depth > kMaxDepth) return MAPI_E_TOO_COMPLEX;
    switch (r->rt) {
    case RES_AND:
    case RES_OR:
        if (r->res.resAnd.cRes && !r->res.resAnd.lpRes) return E_INVALIDARG;
        for (ULONG i = 0; i < r->res.resAnd.cRes; ++i) {
            HRESULT h = check(&r->res.resAnd.lpRes[i], depth + 1);
            if (FAILED(h)) return h;
        }
        return S_OK;
    case RES_NOT: return check(r->res.resNot.lpRes, depth + 1);
    case RES_CONTENT: {
        const SPropValue* p = r->res.resContent.lpProp;
        if (!p) return E_INVALIDARG;
        const ULONG t = PROP_TYPE(p->ulPropTag);
        if ((t != PT_STRING8 && t != PT_BINARY) || (t == PT_STRING8 && !p->Value.lpszA)) return E_INVALIDARG;
        return S_OK;
    }
    case RES_PROPERTY:
        if (!r->res.resProperty.lpProp) return E_INVALIDARG;
        return knownRelop(r->res.resProperty.relop) ? S_OK : MAPI_E_TOO_COMPLEX;
    case RES_COMPAREPROPS: return knownRelop(r->res.resCompareProps.relop) ? S_OK : MAPI_E_TOO_COMPLEX;
    case RES_SIZE: return knownRelop(r->res.resSize.relop) ? S_OK : MAPI_E_TOO_COMPLEX;
    case RES_BITMASK:
    case RES_EXIST: return S_OK;
    case RES_COMMENT: return r->res.resComment.lpRes ? check(r->res.resComment.lpRes, depth + 1) : S_OK;
    default: return MAPI_E_TOO_COMPLEX;
    }
}

} // namespace

int compareValues(const SPropValue& a, const SPropValue& b, bool* comparable) {
    *comparable = true;
    const ULONG type = PROP_TYPE(a.ulPropTag);
    if (type != PROP_TYPE(b.ulPropTag)) {
        *comparable = false;
        return 0;
    }
    switch (type) {
    case PT_I2: return order(a.Value.i, b.Value.i);
    case PT_BOOLEAN: return order(a.Value.b != 0, b.Value.b != 0);
    case PT_LONG: return order(a.Value.l, b.Value.l);
    case PT_ERROR: return order(a.Value.err, b.Value.err);
    case PT_R4: return order(a.Value.flt, b.Value.flt);
    case PT_DOUBLE:
    case PT_APPTIME: return order(a.Value.dbl, b.Value.dbl);
    case PT_I8:
    case PT_CURRENCY: return order(a.Value.li, b.Value.li);
    case PT_SYSTIME: return order(a.Value.ft, b.Value.ft);
    case PT_STRING8: return compareText(bytesOf(a), bytesOf(b));
    case PT_BINARY: {
        const std::string_view x = bytesOf(a), y = bytesOf(b);
        const int c = std::memcmp(x.data(), y.data(), std::min(x.size(), y.size()));
        return c != 0 ? (c < 0 ? -1 : 1) : order(x.size(), y.size());
    }
    case PT_CLSID:
        if (!a.Value.lpguid || !b.Value.lpguid) break;
        return std::memcmp(a.Value.lpguid, b.Value.lpguid, sizeof(GUID)) < 0   ? -1
               : std::memcmp(a.Value.lpguid, b.Value.lpguid, sizeof(GUID)) > 0 ? 1
                                                                                : 0;
    default: break;
    }
    *comparable = false;
    return 0;
}

HRESULT checkRestriction(const SRestriction* restriction) { return check(restriction, 0); }

bool rowMatches(const SRestriction& r, const PropArray& row) {
    switch (r.rt) {
    case RES_AND:
        for (ULONG i = 0; i < r.res.resAnd.cRes; ++i)
            if (!rowMatches(r.res.resAnd.lpRes[i], row)) return false;
        return true;
    case RES_OR:
        for (ULONG i = 0; i < r.res.resOr.cRes; ++i)
            if (rowMatches(r.res.resOr.lpRes[i], row)) return true;
        return false;
    case RES_NOT: return !rowMatches(*r.res.resNot.lpRes, row);
    case RES_CONTENT: return content(r.res.resContent, row);
    case RES_PROPERTY: {
        const SPropValue* v = row.find(r.res.resProperty.ulPropTag);
        if (!v) return false;
        bool comparable = false;
        const int c = compareValues(*v, *r.res.resProperty.lpProp, &comparable);
        return comparable && relation(r.res.resProperty.relop, c);
    }
    case RES_COMPAREPROPS: {
        const SPropValue* a = row.find(r.res.resCompareProps.ulPropTag1);
        const SPropValue* b = row.find(r.res.resCompareProps.ulPropTag2);
        if (!a || !b) return false;
        bool comparable = false;
        const int c = compareValues(*a, *b, &comparable);
        return comparable && relation(r.res.resCompareProps.relop, c);
    }
    case RES_BITMASK: {
        const SPropValue* v = row.find(r.res.resBitMask.ulPropTag);
        if (!v || PROP_TYPE(v->ulPropTag) != PT_LONG) return false;
        const bool zero = (v->Value.ul & r.res.resBitMask.ulMask) == 0;
        return r.res.resBitMask.relBMR == BMR_EQZ ? zero : !zero;
    }
    case RES_SIZE: {
        const SPropValue* v = row.find(r.res.resSize.ulPropTag);
        return v && relation(r.res.resSize.relop, order(valueSize(*v), r.res.resSize.cb));
    }
    case RES_EXIST: {
        const SPropValue* v = row.find(r.res.resExist.ulPropTag);
        return v && PROP_TYPE(v->ulPropTag) != PT_ERROR;
    }
    case RES_COMMENT: return !r.res.resComment.lpRes || rowMatches(*r.res.resComment.lpRes, row);
    default: return false;
    }
}

} // namespace pdx::common
