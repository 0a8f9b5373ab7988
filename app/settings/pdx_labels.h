#pragma once
// The "PDX C_IF" section of Lisotrex.inf: the labels under which the address
// book bridge offers a PDX entry's fax numbers and e-mail address.

#include <array>
#include <string>
#include <string_view>

namespace lisotrex {

enum class PdxLabel {
    FaxNumberPrimary,
    FaxNumberHome,
    FaxNumberBusiness,
    FaxNumberOther,
    EmailAddress,
    CompFaxNumberHome,
    CompFaxNumberBusiness,
    CompFaxNumberOther,
    CompEmailAddress,
};
inline constexpr size_t kPdxLabelCount = 9;
inline constexpr std::string_view kPdxLabelSection = "PDX C_IF";
std::string_view pdxLabelKey(PdxLabel label);

struct PdxLabels {
    // Bytes as read from the file (system code page); a default is code page
    // 932 text, as the labels were always shipped.
    std::array<std::string, kPdxLabelCount> values;
    std::array<bool, kPdxLabelCount> isDefault{};
    const std::string& value(PdxLabel l) const { return values[static_cast<size_t>(l)]; }
    // The label as UTF-8, decoded from the code page it is in.
    std::string utf8(PdxLabel l) const;
    // The label as data in the system code page, to compare with PDX texts:
    // a value read from the file as it stands, a default converted from code
    // page 932.
    std::string system(PdxLabel l) const;
};

// Read each time the recipient selection is prepared.
PdxLabels readPdxLabels(const std::string& infPath);

} // namespace lisotrex
