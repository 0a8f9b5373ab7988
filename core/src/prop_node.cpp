#include "prop_node.h"

#include <cstring>
#include <string_view>

#include "allocator.h"
#include "pdx/status.h"
#include "pdx/tags.h"

namespace pdx::core {
namespace {

constexpr size_t kMaxData = 0x7FFFFF00;

void putWord(std::vector<uint8_t>& b, size_t offset, uint32_t v) {
    for (int i = 0; i < 4; ++i) b[offset + i] = static_cast<uint8_t>(v >> (8 * i));
}
uint32_t getWord(const uint8_t* p) {
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

// Element size of the fixed-size multi-valued types, 0 for the others.
size_t fixedElementSize(ULONG type) {
    switch (type) {
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

bool isKnownMulti(ULONG type) {
    return fixedElementSize(type) || type == PT_MV_STRING8 || type == PT_MV_UNICODE || type == PT_MV_BINARY;
}

size_t wideLength(const WCHAR* s) {
    size_t n = 0;
    while (s[n]) ++n;
    return n;
}

// Byte size of one string in the data area, terminator included.
size_t stringBytes(ULONG singleType, const void* s) {
    return singleType == PT_STRING8 ? std::strlen(static_cast<const char*>(s)) + 1
                                    : 2 * (wideLength(static_cast<const WCHAR*>(s)) + 1);
}

// Walks `count` terminated strings packed in [p, end); false if they overrun.
bool packedStringsFit(ULONG singleType, const uint8_t* p, const uint8_t* end, ULONG count) {
    for (ULONG i = 0; i < count; ++i) {
        if (singleType == PT_STRING8) {
            const void* nul = std::memchr(p, 0, static_cast<size_t>(end - p));
            if (!nul) return false;
            p = static_cast<const uint8_t*>(nul) + 1;
        } else {
            for (;;) {
                if (end - p < 2) return false;
                bool last = p[0] == 0 && p[1] == 0;
                p += 2;
                if (last) break;
            }
        }
    }
    return p == end;
}

} // namespace

ULONG PropNode::word(size_t offset) const { return body.size() >= offset + 4 ? getWord(body.data() + offset) : 0; }

HRESULT makeNode(const SPropValue& value, PropNode& out) {
    const ULONG type = PROP_TYPE(value.ulPropTag);
    const PV& v = value.Value;
    std::vector<uint8_t> data;
    uint8_t slot[8] = {};
    auto appendBytes = [&](const void* p, size_t n) {
        if (n) data.insert(data.end(), static_cast<const uint8_t*>(p), static_cast<const uint8_t*>(p) + n);
    };
    auto appendWord = [&](uint32_t w) {
        uint8_t b[4] = {uint8_t(w), uint8_t(w >> 8), uint8_t(w >> 16), uint8_t(w >> 24)};
        appendBytes(b, 4);
    };
    auto countSlot = [&](ULONG count) { std::memcpy(slot, &count, 4); };

    try {
        if (type & MV_FLAG) {
            if (!isKnownMulti(type)) return MAPI_E_NO_SUPPORT;
            const ULONG count = v.MVl.cValues;
            countSlot(count);
            if (count && !v.MVl.lpl) return E_INVALIDARG;
            if (size_t elem = fixedElementSize(type)) {
                if (size_t(count) * elem > kMaxData) return E_OUTOFMEMORY;
                appendBytes(v.MVl.lpl, size_t(count) * elem);
            } else if (type == PT_MV_BINARY) {
                size_t total = 8 * size_t(count);
                for (ULONG i = 0; i < count; ++i) {
                    const SBinary& b = v.MVbin.lpbin[i];
                    if (b.cb && !b.lpb) return E_INVALIDARG;
                    total += b.cb;
                    if (total > kMaxData) return E_OUTOFMEMORY;
                }
                data.reserve(total);
                for (ULONG i = 0; i < count; ++i) {
                    appendWord(v.MVbin.lpbin[i].cb);
                    appendWord(0);
                }
                for (ULONG i = 0; i < count; ++i) appendBytes(v.MVbin.lpbin[i].lpb, v.MVbin.lpbin[i].cb);
            } else {
                const ULONG single = type & ~MV_FLAG;
                void* const* strings = reinterpret_cast<void* const*>(v.MVszA.lppszA);
                size_t total = 4 * size_t(count);
                for (ULONG i = 0; i < count; ++i) {
                    if (!strings[i]) return E_INVALIDARG;
                    total += stringBytes(single, strings[i]);
                    if (total > kMaxData) return E_OUTOFMEMORY;
                }
                data.reserve(total);
                for (ULONG i = 0; i < count; ++i) appendWord(0);
                for (ULONG i = 0; i < count; ++i) appendBytes(strings[i], stringBytes(single, strings[i]));
            }
        } else {
            switch (type) {
            case PT_STRING8:
            case PT_UNICODE: {
                const void* s = v.lpszA;
                if (!s) return E_INVALIDARG;
                size_t n = stringBytes(type, s);
                if (n > kMaxData) return E_OUTOFMEMORY;
                appendBytes(s, n);
                break;
            }
            case PT_CLSID:
                if (!v.lpguid) return E_INVALIDARG;
                appendBytes(v.lpguid, 16);
                break;
            case PT_BINARY:
                if (v.bin.cb && !v.bin.lpb) return E_INVALIDARG;
                if (v.bin.cb > kMaxData) return E_OUTOFMEMORY;
                countSlot(v.bin.cb);
                appendBytes(v.bin.lpb, v.bin.cb);
                break;
            default:
                std::memcpy(slot, &v, 8);
                break;
            }
        }
        const size_t n = data.size();
        size_t size = kNodeHeaderSize + ((n + 7) & ~size_t(7));
        if (size < kNodeMinimumSize) size = kNodeMinimumSize;
        PropNode node;
        node.body.assign(size, 0);
        putWord(node.body, 0, static_cast<uint32_t>(size));
        putWord(node.body, 4, static_cast<uint32_t>(n));
        putWord(node.body, 8, value.ulPropTag);
        putWord(node.body, 12, value.dwAlignPad);
        std::memcpy(node.body.data() + 16, slot, 8);
        if (n) std::memcpy(node.body.data() + kNodeHeaderSize, data.data(), n);
        out = std::move(node);
        return S_OK;
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
}

HRESULT nodeFromBody(const uint8_t* bytes, size_t length, PropNode& out) {
    if (!bytes || length < kNodeHeaderSize) return E_FAIL;
    const size_t n = getWord(bytes + 4);
    if (n > length - kNodeHeaderSize) return E_FAIL;
    const ULONG type = PROP_TYPE(getWord(bytes + 8));
    const uint8_t* d = bytes + kNodeHeaderSize;
    const ULONG count = getWord(bytes + 16);
    switch (type) {
    // A string ends at its first terminator: one inside the data would make
    // the value shorter than the node that holds it.
    case PT_STRING8:
        if (n < 1 || std::memchr(d, 0, n) != d + n - 1) return E_FAIL;
        break;
    case PT_UNICODE:
        if (n < 2 || n % 2 || !packedStringsFit(PT_UNICODE, d, d + n, 1)) return E_FAIL;
        break;
    case PT_CLSID:
        if (n != 16) return E_FAIL;
        break;
    case PT_BINARY:
        break;
    case PT_MV_STRING8:
    case PT_MV_UNICODE:
        if (size_t(count) * 4 > n || !packedStringsFit(type & ~MV_FLAG, d + 4 * size_t(count), d + n, count))
            return E_FAIL;
        break;
    case PT_MV_BINARY: {
        if (size_t(count) * 8 > n) return E_FAIL;
        size_t total = 8 * size_t(count);
        for (ULONG i = 0; i < count; ++i) total += getWord(d + 8 * size_t(i));
        if (total != n) return E_FAIL;
        break;
    }
    default:
        if (type & MV_FLAG) {
            size_t elem = fixedElementSize(type);
            if (!elem || size_t(count) * elem != n) return E_FAIL;
        } else if (n != 0) {
            return E_FAIL; // a scalar lives in the value slot and has no data
        }
        break;
    }
    try {
        PropNode node;
        node.body.assign(bytes, bytes + length);
        out = std::move(node);
        return S_OK;
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
}

HRESULT copyNodeOut(const PropNode& node, SPropValue& out, void* parent) {
    const ULONG type = PROP_TYPE(node.tag());
    const size_t n = node.dataLength();
    SPropValue value{};
    value.ulPropTag = node.tag();
    value.dwAlignPad = node.pad();
    std::memcpy(&value.Value, node.body.data() + 16, 8);
    const uint8_t* d = node.data();
    const ULONG count = node.word(16);

    const bool counted = type == PT_BINARY || (type & MV_FLAG);
    const bool pointer = type == PT_STRING8 || type == PT_UNICODE || type == PT_CLSID;
    if (counted || pointer) {
        // The stored slot never holds a usable pointer.
        std::memset(&value.Value, 0, sizeof value.Value);
        if (counted) value.Value.MVl.cValues = type == PT_BINARY ? ULONG(n) : count;
    }
    if (n == 0 || !(counted || pointer)) {
        out = value;
        return S_OK;
    }

    // Native size: the 4- and 8-byte slots of the stored form become pointers
    // and SBinary structures.
    size_t native = n;
    if (type == PT_MV_STRING8 || type == PT_MV_UNICODE) native = n - 4 * size_t(count) + sizeof(void*) * count;
    if (type == PT_MV_BINARY) native = n - 8 * size_t(count) + sizeof(SBinary) * count;
    uint8_t* copy = nullptr;
    HRESULT h = parent ? allocMore(native, parent, &copy) : allocRoot(native, &copy);
    if (FAILED(h)) return h;

    switch (type) {
    case PT_STRING8:
    case PT_UNICODE:
    case PT_CLSID:
        std::memcpy(copy, d, n);
        value.Value.lpszA = reinterpret_cast<char*>(copy);
        break;
    case PT_BINARY:
        std::memcpy(copy, d, n);
        value.Value.bin.lpb = copy;
        break;
    case PT_MV_STRING8:
    case PT_MV_UNICODE: {
        auto** slots = reinterpret_cast<uint8_t**>(copy);
        uint8_t* strings = copy + sizeof(void*) * count;
        const size_t area = n - 4 * size_t(count);
        std::memcpy(strings, d + 4 * size_t(count), area);
        uint8_t* p = strings;
        for (ULONG i = 0; i < count; ++i) {
            slots[i] = p;
            p += stringBytes(type & ~MV_FLAG, p);
        }
        value.Value.MVszA.lppszA = reinterpret_cast<char**>(copy);
        break;
    }
    case PT_MV_BINARY: {
        auto* slots = reinterpret_cast<SBinary*>(copy);
        uint8_t* bytes = copy + sizeof(SBinary) * count;
        std::memcpy(bytes, d + 8 * size_t(count), n - 8 * size_t(count));
        size_t offset = 0;
        for (ULONG i = 0; i < count; ++i) {
            slots[i].cb = node.word(kNodeHeaderSize + 8 * size_t(i));
            slots[i].lpb = slots[i].cb ? bytes + offset : nullptr;
            offset += slots[i].cb;
        }
        value.Value.MVbin.lpbin = slots;
        break;
    }
    default: // fixed-size arrays
        std::memcpy(copy, d, n);
        value.Value.MVl.lpl = reinterpret_cast<LONG*>(copy);
        break;
    }
    out = value;
    return S_OK;
}

HRESULT compareNode(const PropNode& node, const SPropValue& value) {
    const ULONG type = PROP_TYPE(node.tag());
    if (type != PROP_TYPE(value.ulPropTag)) return MAPI_E_NOT_FOUND;
    uint8_t slot[8];
    std::memcpy(slot, node.body.data() + 16, 8);
    auto same = [](bool equal) { return equal ? S_OK : MAPI_E_NOT_FOUND; };
    auto sameBytes = [&](const void* p, size_t len) {
        if (len != node.dataLength()) return MAPI_E_NOT_FOUND;
        return same(len == 0 || std::memcmp(node.data(), p, len) == 0);
    };
    const PV& v = value.Value;
    switch (type) {
    case PT_I2:
    case PT_BOOLEAN: {
        uint16_t a;
        std::memcpy(&a, slot, 2);
        return same(a == uint16_t(v.i));
    }
    case PT_LONG:
    case PT_ERROR: {
        uint32_t a;
        std::memcpy(&a, slot, 4);
        return same(a == v.ul);
    }
    case PT_R4: {
        float a;
        std::memcpy(&a, slot, 4);
        return same(a == v.flt);
    }
    case PT_DOUBLE: {
        double a;
        std::memcpy(&a, slot, 8);
        return same(a == v.dbl);
    }
    case PT_I8: {
        int64_t a;
        std::memcpy(&a, slot, 8);
        return same(a == v.li);
    }
    case PT_STRING8:
    case PT_UNICODE:
        if (!v.lpszA) return MAPI_E_NOT_FOUND;
        return sameBytes(v.lpszA, stringBytes(type, v.lpszA));
    case PT_CLSID:
        if (!v.lpguid) return MAPI_E_NOT_FOUND;
        return sameBytes(v.lpguid, 16);
    case PT_BINARY:
        if (v.bin.cb && !v.bin.lpb) return MAPI_E_NOT_FOUND;
        return sameBytes(v.bin.lpb, v.bin.cb);
    default:
        return MAPI_E_NO_SUPPORT;
    }
}

} // namespace pdx::core
