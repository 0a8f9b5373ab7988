#include "prop_value.h"

#include <cstring>
#include <string_view>

#include "fax_memory.h"
#include "pdx/status.h"
#include "pdx/tags.h"
#include "platform/codepage.h"

namespace vqfax {
namespace {

const char* bytesOf(const void* p) { return static_cast<const char*>(p); }

std::u16string_view wideOf(const char16_t* s) { return s ? std::u16string_view(s) : std::u16string_view(); }

} // namespace

HRESULT PropValue::make(const SPropValue& value, PropValue& out) {
    const ULONG type = PROP_TYPE(value.ulPropTag);
    if (type & MV_FLAG) return MAPI_E_NO_SUPPORT;
    PropValue v;
    v.tag_ = value.ulPropTag;
    v.pad_ = value.dwAlignPad;
    v.value_ = value.Value;
    switch (type) {
    case PT_STRING8: {
        if (!value.Value.lpszA) return E_INVALIDARG;
        const size_t n = std::strlen(value.Value.lpszA) + 1;
        v.data_.assign(bytesOf(value.Value.lpszA), bytesOf(value.Value.lpszA) + n);
        break;
    }
    case PT_UNICODE: {
        if (!value.Value.lpszW) return E_INVALIDARG;
        const size_t n = (wideOf(value.Value.lpszW).size() + 1) * sizeof(char16_t);
        v.data_.assign(bytesOf(value.Value.lpszW), bytesOf(value.Value.lpszW) + n);
        break;
    }
    case PT_CLSID:
        if (!value.Value.lpguid) return E_INVALIDARG;
        v.data_.assign(bytesOf(value.Value.lpguid), bytesOf(value.Value.lpguid) + sizeof(GUID));
        break;
    case PT_BINARY:
        if (value.Value.bin.cb && !value.Value.bin.lpb) return E_INVALIDARG;
        if (value.Value.bin.cb) v.data_.assign(bytesOf(value.Value.bin.lpb), value.Value.bin.cb);
        break;
    default:
        break;
    }
    out = std::move(v);
    return S_OK;
}

PropValue PropValue::string8(ULONG tag, std::string_view text) {
    PropValue v;
    v.tag_ = tag;
    v.data_.reserve(text.size() + 1);
    v.data_.assign(text);
    v.data_.push_back('\0');
    return v;
}

PropValue PropValue::binary(ULONG tag, const void* bytes, size_t count) {
    PropValue v;
    v.tag_ = tag;
    if (count) v.data_.assign(bytesOf(bytes), count);
    v.value_.bin.cb = static_cast<ULONG>(count);
    return v;
}

PropValue PropValue::long32(ULONG tag, LONG value) {
    PropValue v;
    v.tag_ = tag;
    v.value_.l = value;
    return v;
}

PropValue PropValue::error(ULONG tag, HRESULT status) {
    PropValue v;
    v.tag_ = CHANGE_PROP_TYPE(tag, PT_ERROR);
    v.value_.err = status;
    return v;
}

std::string_view PropValue::text() const {
    if (type() != PT_STRING8 || data_.empty()) return {};
    return std::string_view(reinterpret_cast<const char*>(data_.data()), data_.size() - 1);
}

HRESULT PropValue::copyOut(SPropValue& out, void* parent) const {
    out.ulPropTag = tag_;
    out.dwAlignPad = pad_;
    out.Value = value_;
    switch (type()) {
    case PT_STRING8:
    case PT_UNICODE:
    case PT_CLSID:
    case PT_BINARY: {
        uint8_t* copy = nullptr;
        if (!data_.empty()) {
            if (HRESULT h = allocateChained(data_.size(), parent, &copy); FAILED(h)) return h;
            std::memcpy(copy, data_.data(), data_.size());
        }
        if (type() == PT_STRING8) out.Value.lpszA = reinterpret_cast<char*>(copy);
        else if (type() == PT_UNICODE) out.Value.lpszW = reinterpret_cast<char16_t*>(copy);
        else if (type() == PT_CLSID) out.Value.lpguid = reinterpret_cast<GUID*>(copy);
        else out.Value.bin = SBinary{static_cast<ULONG>(data_.size()), copy};
        return S_OK;
    }
    default:
        return S_OK;
    }
}

namespace {

bool sameScalar(ULONG type, const PV& a, const PV& b) {
    switch (type) {
    case PT_I2: return a.i == b.i;
    case PT_LONG:
    case PT_ERROR: return a.l == b.l;
    case PT_R4: return a.flt == b.flt;
    case PT_DOUBLE:
    case PT_APPTIME: return a.dbl == b.dbl;
    case PT_BOOLEAN: return (a.b != 0) == (b.b != 0);
    case PT_I8:
    case PT_CURRENCY:
    case PT_SYSTIME: return a.li == b.li;
    default: return false;
    }
}

} // namespace

SPropValue PropValue::view() const {
    SPropValue v{};
    v.ulPropTag = tag_;
    v.dwAlignPad = pad_;
    v.Value = value_;
    auto* bytes = reinterpret_cast<uint8_t*>(const_cast<char*>(data_.data()));
    switch (type()) {
    case PT_STRING8: v.Value.lpszA = reinterpret_cast<char*>(bytes); break;
    case PT_UNICODE: v.Value.lpszW = reinterpret_cast<char16_t*>(bytes); break;
    case PT_CLSID: v.Value.lpguid = reinterpret_cast<GUID*>(bytes); break;
    case PT_BINARY: v.Value.bin = SBinary{static_cast<ULONG>(data_.size()), bytes}; break;
    default: break;
    }
    return v;
}

bool PropValue::matches(const PropValue& other) const { return matches(other.view()); }

bool PropValue::matches(const SPropValue& value) const {
    if (value.ulPropTag != tag_) return false;
    switch (type()) {
    case PT_BINARY:
        return value.Value.bin.cb == data_.size() &&
               (data_.empty() || (value.Value.bin.lpb && std::memcmp(value.Value.bin.lpb, data_.data(), data_.size()) == 0));
    case PT_CLSID:
        return value.Value.lpguid && data_.size() == sizeof(GUID) && std::memcmp(value.Value.lpguid, data_.data(), sizeof(GUID)) == 0;
    case PT_STRING8:
        return value.Value.lpszA && platform::compareLocale(text(), value.Value.lpszA) == 0;
    case PT_UNICODE: {
        if (!value.Value.lpszW) return false;
        const auto* mine = reinterpret_cast<const char16_t*>(data_.data());
        return platform::compareLocale(platform::utf16ToSystem(wideOf(mine)),
                                       platform::utf16ToSystem(wideOf(value.Value.lpszW))) == 0;
    }
    default:
        return sameScalar(type(), value_, value.Value);
    }
}

} // namespace vqfax
