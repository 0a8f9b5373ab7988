#include "stored_row.h"

#include <cstring>
#include <new>
#include <string_view>

#include "pdx/status.h"
#include "pdx/tags.h"

namespace vqfax {
namespace {

constexpr size_t roundUp(size_t n) { return (n + 7) & ~size_t(7); }

// The bytes of the value's data itself, before rounding.
size_t rawDataSize(const SPropValue& v) {
    switch (PROP_TYPE(v.ulPropTag)) {
    case PT_STRING8: return v.Value.lpszA ? std::strlen(v.Value.lpszA) + 1 : 0;
    case PT_UNICODE:
        return v.Value.lpszW ? (std::u16string_view(v.Value.lpszW).size() + 1) * sizeof(char16_t) : 0;
    case PT_CLSID: return v.Value.lpguid ? sizeof(GUID) : 0;
    case PT_BINARY: return v.Value.bin.lpb ? v.Value.bin.cb : 0;
    default: return 0;
    }
}

HRESULT check(const SPropValue& v) {
    const ULONG type = PROP_TYPE(v.ulPropTag);
    if (type & MV_FLAG) return MAPI_E_NO_SUPPORT;
    switch (type) {
    case PT_STRING8: return v.Value.lpszA ? S_OK : E_INVALIDARG;
    case PT_UNICODE: return v.Value.lpszW ? S_OK : E_INVALIDARG;
    case PT_CLSID: return v.Value.lpguid ? S_OK : E_INVALIDARG;
    case PT_BINARY: return v.Value.bin.cb && !v.Value.bin.lpb ? E_INVALIDARG : S_OK;
    default: return S_OK;
    }
}

} // namespace

size_t flatDataSize(const SPropValue& value) { return roundUp(rawDataSize(value)); }

void flatCopy(const SPropValue& in, SPropValue& out, uint8_t*& cursor) {
    out = in;
    const size_t n = rawDataSize(in);
    const ULONG type = PROP_TYPE(in.ulPropTag);
    if (n == 0) {
        // An empty binary keeps no pointer into someone else's memory.
        if (type == PT_BINARY) out.Value.bin = SBinary{0, nullptr};
        return;
    }
    const void* from = type == PT_STRING8   ? static_cast<const void*>(in.Value.lpszA)
                       : type == PT_UNICODE ? static_cast<const void*>(in.Value.lpszW)
                       : type == PT_CLSID   ? static_cast<const void*>(in.Value.lpguid)
                                            : static_cast<const void*>(in.Value.bin.lpb);
    std::memcpy(cursor, from, n);
    if (type == PT_STRING8) out.Value.lpszA = reinterpret_cast<char*>(cursor);
    else if (type == PT_UNICODE) out.Value.lpszW = reinterpret_cast<char16_t*>(cursor);
    else if (type == PT_CLSID) out.Value.lpguid = reinterpret_cast<GUID*>(cursor);
    else out.Value.bin.lpb = cursor;
    cursor += roundUp(n);
}

void StoredRow::Free::operator()(StoredRow* row) const {
    row->~StoredRow();
    ::operator delete(static_cast<void*>(row));
}

HRESULT StoredRow::make(ULONG reserved, const SPropValue* values, size_t count, Ptr& out) {
    size_t data = 0;
    for (size_t i = 0; i < count; ++i) {
        if (HRESULT h = check(values[i]); FAILED(h)) return h;
        data += flatDataSize(values[i]);
    }
    void* block = ::operator new(sizeof(StoredRow) + count * sizeof(SPropValue) + data, std::nothrow);
    if (!block) return E_OUTOFMEMORY;
    Ptr row(new (block) StoredRow(reserved, count, data));
    SPropValue* copies = row->values();
    auto* cursor = reinterpret_cast<uint8_t*>(copies + count);
    for (size_t i = 0; i < count; ++i) flatCopy(values[i], copies[i], cursor);
    out = std::move(row);
    return S_OK;
}

} // namespace vqfax
