// The INI reader (GetPrivateProfileString/Section semantics) and its use for
// the field maps of "Lisotrex.inf". Every "key=value" line a section read
// returns must be what a value read of that key gives (first match wins, one
// pair of enclosing quotes removed), a cut to the caller's buffer keeps the
// front, and the field maps are built whatever the file holds.
//
// Input: one option byte (the buffer size of the value reads), then the file.

#include "../support/fuzz_support.h"

#include "platform/ini.h"
#include "settings/field_maps.h"

#include <set>

using namespace velmo::fuzz;

namespace {

std::string_view trimmed(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t' || s.front() == '\r')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) s.remove_suffix(1);
    return s;
}

std::string unquoted(std::string_view v) {
    if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front()) v = v.substr(1, v.size() - 2);
    return std::string(v);
}

// The first few section names the text has, as written.
std::vector<std::string> sectionNames(std::string_view text) {
    std::vector<std::string> names;
    size_t pos = 0;
    while (pos < text.size() && names.size() < 4) {
        size_t end = text.find('\n', pos);
        if (end == std::string_view::npos) end = text.size();
        std::string_view line = trimmed(text.substr(pos, end - pos));
        if (!line.empty() && line.front() == '[') {
            size_t close = line.find(']');
            names.emplace_back(trimmed(line.substr(1, close == std::string_view::npos ? line.size() - 1 : close - 1)));
        }
        pos = end + 1;
    }
    return names;
}

void checkSection(const platform::IniText& ini, const std::string& section, size_t bufferSize) {
    const std::string kMissing = "\x01missing";
    std::set<std::string> seen; // folded keys already checked: the first line wins
    for (const std::string& line : ini.section(section)) {
        FUZZ_CHECK(!line.empty() && line.front() != ';', "a blank or comment line in a section read");
        size_t eq = line.find('=');
        if (eq == std::string::npos) continue;
        std::string key = line.substr(0, eq);
        std::string folded;
        for (char c : key) folded.push_back(c >= 'A' && c <= 'Z' ? char(c + 32) : c);
        if (!seen.insert(folded).second) continue;
        std::string want = unquoted(line.substr(eq + 1));
        std::string got = ini.value(section, key, kMissing);
        FUZZ_CHECK(got == want, "[" + escaped(section) + "] " + escaped(key) + ": value " + escaped(got) +
                                    ", section line says " + escaped(want));
        std::string cut = ini.value(section, key, kMissing, bufferSize);
        FUZZ_CHECK(cut == want.substr(0, bufferSize - 1), "a value cut to its buffer lost its front");
    }
    FUZZ_CHECK(ini.value(section, "\x02no such key", kMissing) == kMissing, "a missing key did not give the default");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Input in(data, size);
    const size_t bufferSize = 1 + in.byte() % 64;
    const std::string text(in.rest());
    const platform::IniText ini(text);

    std::vector<std::string> sections = sectionNames(text);
    for (const char* fixed : {"Microsoft Exchange 5.X", "Lotus Notes", "Services", ""}) sections.emplace_back(fixed);
    for (const auto& s : sections) checkSection(ini, s, bufferSize);

    // "Lisotrex.inf" through the field maps: three maps whatever the file
    // holds, every Notes name ending in ":" and two blanks.
    const std::string path = writeFile("Lisotrex.inf", text);
    lisotrex::FieldMaps maps = lisotrex::FieldMaps::load(path);
    FUZZ_CHECK(maps.maps().size() == 3, "not three field maps");
    for (const std::string& v : maps.find(lisotrex::kNotesSection)->values)
        FUZZ_CHECK(v.size() >= 3 && v.compare(v.size() - 3, 3, ":  ") == 0, escaped(v));
    return 0;
}
