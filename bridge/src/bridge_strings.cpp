#include "bridge_strings.h"

#include <string_view>

#include "platform/codepage.h"
#include "platform/string_table.h"

std::string_view velmo_string_table_vqbridge();

namespace vqbridge {

const std::string& loadString(int id) {
    static const platform::StringTable table = platform::StringTable::parse(velmo_string_table_vqbridge());
    return table.text(id);
}

std::string systemString(int id) { return platform::utf8ToSystem(loadString(id)); }

} // namespace vqbridge
