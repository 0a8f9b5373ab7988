#include "settings/settings_report.h"

#include "platform/codepage.h"
#include "strings/strings.h"

namespace lisotrex {

std::vector<std::string> settingsReport(const Preferences& prefs, const FieldMaps& maps, const PdxLabels& labels) {
    std::vector<std::string> lines;
    for (const auto& info : preferenceTable()) {
        std::string value = info.isText ? platform::systemToUtf8(*textField(prefs, info))
                                        : std::to_string(*numberField(prefs, info));
        lines.push_back(std::string(sectionEnglishName(info.section)) + "." + text(info.keyId) + "=" + value);
    }
    for (const auto& map : maps.maps())
        for (size_t i = 0; i < kFieldKeyCount; ++i)
            lines.push_back("FieldMap[" + map.name + "]." + std::string(fieldKeyName(static_cast<FieldKey>(i))) + "=" +
                            platform::systemToUtf8(map.values[i]));
    for (size_t i = 0; i < kPdxLabelCount; ++i) {
        auto label = static_cast<PdxLabel>(i);
        lines.push_back(std::string(kPdxLabelSection) + "." + std::string(pdxLabelKey(label)) + "=" + labels.utf8(label));
    }
    return lines;
}

} // namespace lisotrex
