#pragma once
// Property nodes: one property value in the self-contained form that property
// lists hold and the registry stores. The body layout is fixed (32-bit
// little-endian, as stored): size, data length, tag, pad word, 8-byte value
// slot, data area. Pointers are never stored; they are rebuilt on copy-out.

#include <cstdint>
#include <vector>

#include "pdx/types.h"

namespace pdx::core {

constexpr uint32_t kNodeReadOnly = 0x1;
constexpr uint32_t kNodeChanged = 0x20000;
constexpr size_t kNodeHeaderSize = 24;
constexpr size_t kNodeMinimumSize = 32;

struct PropNode {
    uint32_t flags = 0;
    std::vector<uint8_t> body;

    ULONG bodySize() const { return word(0); }
    ULONG dataLength() const { return word(4); }
    ULONG tag() const { return word(8); }
    ULONG pad() const { return word(12); }
    const uint8_t* data() const { return body.data() + kNodeHeaderSize; }
    ULONG word(size_t offset) const;
};

// Serialises a value. Unknown multi-valued types: MAPI_E_NO_SUPPORT; a null
// pointer where data is required: E_INVALIDARG.
HRESULT makeNode(const SPropValue& value, PropNode& out);
// Takes a body read back from storage, checking that everything its data
// length and counts claim lies inside the bytes (E_FAIL when not).
HRESULT nodeFromBody(const uint8_t* bytes, size_t length, PropNode& out);
// Copies the node into `out`, with its data in a new buffer chained to
// `parent` (or a new root when parent is null) and every pointer rebuilt.
HRESULT copyNodeOut(const PropNode& node, SPropValue& out, void* parent);
// Equality used by table searches: S_OK when equal, MAPI_E_NOT_FOUND when
// not (or the types differ), MAPI_E_NO_SUPPORT for types that do not compare.
HRESULT compareNode(const PropNode& node, const SPropValue& value);

} // namespace pdx::core
