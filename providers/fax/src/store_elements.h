#pragma once
// Store elements as the fax store library exchanges them: 260-byte field
// elements and 140-byte member elements back to back. Reading steps through
// a buffer without ever passing its end, whatever count the library claims.

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "pdx/types.h"
#include "vqconv.h"

namespace vqfax {

struct Element {
    uint32_t code = 0;
    // Field element.
    std::string text; // at most 255 bytes
    // Member element.
    int32_t member = 0;
    uint32_t flags = 0;
    std::array<uint8_t, 128> reserved{};

    bool isMember() const { return code == vqconv::kMemberCode; }
    static Element field(uint32_t code, std::string_view text);
    static Element memberOf(int32_t record, uint32_t flags);
};

constexpr size_t kFieldTextLimit = 255;
constexpr uint32_t kPrimaryFax = 0x1;
constexpr uint32_t kSecondaryFax = 0x2;

// Up to `claimed` elements from the first `size` bytes; an element that does
// not fit in what is left ends the reading.
std::vector<Element> parseElements(const uint8_t* bytes, size_t size, size_t claimed);
// The elements back to back, in a buffer sized at 260 bytes per element.
std::vector<uint8_t> serializeElements(const std::vector<Element>& elements);

// Field codes and their property tags (looked up by property identifier).
pdx::ULONG tagForCode(uint32_t code); // 0 for an unknown code
uint32_t codeForTag(pdx::ULONG tag);  // 0 for a property without a field

} // namespace vqfax
