#include "string_ids.h"

#include <string_view>

#include "platform/string_table.h"

std::string_view velmo_string_table_vqmapisp();

namespace pdx::mapi {

const std::string& loadString(int id) {
    static const platform::StringTable table = platform::StringTable::parse(velmo_string_table_vqmapisp());
    return table.text(id);
}

} // namespace pdx::mapi
