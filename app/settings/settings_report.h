#pragma once
// The settings as text lines (UTF-8), one "Name=value" per value, for the
// headless tool's --show-settings.

#include "settings/field_maps.h"
#include "settings/pdx_labels.h"
#include "settings/preferences.h"

#include <string>
#include <vector>

namespace lisotrex {

std::vector<std::string> settingsReport(const Preferences& prefs, const FieldMaps& maps, const PdxLabels& labels);

} // namespace lisotrex
