#pragma once
// One property value with a private copy of its string, GUID or binary data:
// the unit of the provider's property lists and of its stored table rows.

#include <span>
#include <string>

#include "pdx/tags.h"
#include "pdx/types.h"

namespace vqfax {

using namespace pdx;

class PropValue {
public:
    PropValue() = default;
    // Copies `value`. Multi-valued types: MAPI_E_NO_SUPPORT; a null pointer
    // where data is required: E_INVALIDARG.
    static HRESULT make(const SPropValue& value, PropValue& out);
    static PropValue string8(ULONG tag, std::string_view text);
    static PropValue binary(ULONG tag, const void* bytes, size_t count);
    static PropValue long32(ULONG tag, LONG value);
    static PropValue error(ULONG tag, HRESULT status); // the tag with type PT_ERROR

    ULONG tag() const { return tag_; }
    ULONG id() const { return PROP_ID(tag_); }
    ULONG type() const { return PROP_TYPE(tag_); }
    const PV& scalar() const { return value_; }
    // The bytes of a PT_STRING8 value (without the terminator); empty for other types.
    std::string_view text() const;
    std::span<const uint8_t> data() const { return {bytes(), data_.size()}; }

    // A value that points into this one's data (valid while it lives).
    SPropValue view() const;
    // Copies into `out`, the data in memory chained to `parent` with allocate-more.
    HRESULT copyOut(SPropValue& out, void* parent) const;
    // Index comparison of tables: equal by the type's own rule (binaries by
    // length and bytes, GUIDs by bytes, strings with the system's comparison,
    // numbers by value, booleans by truth). Different tags never match.
    bool matches(const SPropValue& value) const;
    bool matches(const PropValue& other) const;

private:
    ULONG tag_ = PR_NULL;
    ULONG pad_ = 0;
    PV value_{};
    const uint8_t* bytes() const { return reinterpret_cast<const uint8_t*>(data_.data()); }
    // Strings with their terminator, GUIDs, binaries. Held in a std::string
    // for its inline buffer: most values of a fax record (names, numbers,
    // instance keys) fit there, so a table of thousands of rows is not
    // thousands of small allocations.
    std::string data_;
};

// The value that stands for a column a row lacks.
inline SPropValue missingValue(ULONG tag, HRESULT status) {
    SPropValue v{};
    v.ulPropTag = CHANGE_PROP_TYPE(tag, 0x000A);
    v.Value.err = status;
    return v;
}

} // namespace vqfax
