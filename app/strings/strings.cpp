#include "strings/strings.h"

#include "platform/codepage.h"
#include "platform/string_table.h"

std::string_view velmo_string_table_lisotrex();

namespace lisotrex {

const platform::StringTable& stringTable() {
    static const platform::StringTable table = platform::StringTable::parse(velmo_string_table_lisotrex());
    return table;
}

const std::string& text(int id) { return stringTable().text(id); }

std::string systemText(int id) { return platform::utf8ToSystem(text(id)); }

} // namespace lisotrex
