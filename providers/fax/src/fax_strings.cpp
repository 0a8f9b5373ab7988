#include "fax_strings.h"

#include <string_view>

#include "platform/string_table.h"

std::string_view velmo_string_table_vqfaxsp();

namespace vqfax {

const std::string& loadString(int id) {
    static const platform::StringTable table = platform::StringTable::parse(velmo_string_table_vqfaxsp());
    return table.text(id);
}

} // namespace vqfax
