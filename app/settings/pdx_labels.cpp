#include "settings/pdx_labels.h"

#include "platform/codepage.h"
#include "platform/ini.h"

namespace lisotrex {
namespace {

constexpr std::string_view kKeys[kPdxLabelCount] = {
    "FaxNumberPrimary", "FaxNumberHome", "FaxNumberBusiness", "FaxNumberOther", "EmailAddress",
    "CompFaxNumberHome", "CompFaxNumberBusiness", "CompFaxNumberOther", "CompEmailAddress"};

// Defaults as UTF-8; they become code page 932 bytes.
constexpr std::string_view kDefaults[kPdxLabelCount] = {
    "[第1優先ファクス]", "[第2優先(自宅ファクス)]", "[第1優先(勤務先ファクス)]", "[その他のFAX]", "",
    "(自宅 FAX)", "(会社 FAX)", "(その他の FAX)", "(E-mail)"};

const char kDefaultCodePage[] = "CP932";

} // namespace

std::string_view pdxLabelKey(PdxLabel label) { return kKeys[static_cast<size_t>(label)]; }

std::string PdxLabels::utf8(PdxLabel l) const {
    size_t i = static_cast<size_t>(l);
    if (isDefault[i]) return platform::convertCodePage(values[i], kDefaultCodePage, "UTF-8", '?');
    return platform::systemToUtf8(values[i]);
}

std::string PdxLabels::system(PdxLabel l) const {
    size_t i = static_cast<size_t>(l);
    if (isDefault[i]) return platform::convertCodePage(values[i], kDefaultCodePage, platform::systemCodePage(), '?');
    return values[i];
}

PdxLabels readPdxLabels(const std::string& infPath) {
    platform::IniText ini = platform::IniText::load(infPath);
    PdxLabels labels;
    for (size_t i = 0; i < kPdxLabelCount; ++i) {
        // A sentinel that no real label holds tells "absent" from "set to the default text".
        static const std::string kAbsent = std::string("\x01") + "absent" + "\x01";
        std::string v = ini.value(kPdxLabelSection, kKeys[i], kAbsent, 1024);
        if (v == kAbsent) {
            labels.values[i] = platform::convertCodePage(kDefaults[i], "UTF-8", kDefaultCodePage, '?');
            labels.isDefault[i] = true;
        } else {
            labels.values[i] = std::move(v);
        }
    }
    return labels;
}

} // namespace lisotrex
