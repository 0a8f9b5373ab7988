#pragma once
// Store elements as they cross the call contract: field elements (260 bytes)
// and member elements (140 bytes) laid back to back.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "vqconv.h"

namespace vqconv {

struct Element {
    uint32_t code = 0;
    std::string text;                   // field elements: at most 255 bytes, no NUL
    int32_t member = 0;                 // member elements
    uint32_t flags = 0;                 // member elements
    std::array<uint8_t, 128> reserved{}; // member elements, kept as written

    bool isMember() const { return code == kMemberCode; }
};

constexpr size_t kMaxFieldText = sizeof(FieldElement::text) - 1;

// Reads `count` elements from `bytes`. A field's text ends at its first NUL
// and never runs past 255 bytes, so an unterminated text is cut there.
std::vector<Element> decodeElements(const uint8_t* bytes, uint32_t count);

// Write one element at `out` in its own size; the position after it. A text
// longer than 255 bytes is cut there; missing reserved bytes are zeros.
uint8_t* encodeField(uint32_t code, std::string_view text, uint8_t* out);
uint8_t* encodeMember(int32_t member, uint32_t flags, std::string_view reserved, uint8_t* out);

} // namespace vqconv
