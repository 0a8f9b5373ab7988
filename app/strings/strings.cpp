#include "strings/strings.h"

#include "platform/codepage.h"
#include "platform/string_table.h"

#include <unordered_map>

std::string_view velmo_string_table_lisotrex();

namespace lisotrex {

const platform::StringTable& stringTable() {
    static const platform::StringTable table = platform::StringTable::parse(velmo_string_table_lisotrex());
    return table;
}

const std::string& text(int id) { return stringTable().text(id); }

std::string systemText(int id) {
    // Registry names and log texts are asked for again and again: each is
    // converted once per code page (which a test may change while running).
    struct Converted {
        std::string codePage;
        std::unordered_map<int, std::string> texts;
    };
    thread_local Converted converted;
    std::string codePage = platform::systemCodePage();
    if (codePage != converted.codePage) {
        converted.texts.clear();
        converted.codePage = std::move(codePage);
    }
    auto it = converted.texts.find(id);
    if (it == converted.texts.end()) it = converted.texts.emplace(id, platform::utf8ToSystem(text(id))).first;
    return it->second;
}

} // namespace lisotrex
