// lisotrex-convert: the program's settings, import and export without a window.

#include "settings/settings_report.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

const char kUsage[] =
    "usage: lisotrex-convert --show-settings\n"
    "  --show-settings   print the preferences, field maps and PDX labels as the program loads them\n";

int usage() {
    std::fputs(kUsage, stderr);
    return 2;
}

} // namespace

int main(int argc, char** argv) {
    bool showSettings = false;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--show-settings") == 0) showSettings = true;
        else return usage();
    }
    if (!showSettings) return usage();

    lisotrex::Preferences prefs = lisotrex::loadPreferences();
    std::string inf = lisotrex::lisotrexInfPath();
    lisotrex::FieldMaps maps = lisotrex::FieldMaps::load(inf);
    lisotrex::PdxLabels labels = lisotrex::readPdxLabels(inf);
    for (const auto& line : lisotrex::settingsReport(prefs, maps, labels)) std::printf("%s\n", line.c_str());
    return 0;
}
