# Script mode: embeds the table file IN as raw bytes in OUT, readable through
# std::string_view velmo_string_table_<NAME>().
file(READ "${IN}" hex HEX)
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
string(REGEX REPLACE "(0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,)" "\\1\n" bytes "${bytes}")
file(WRITE "${OUT}" "// Generated from ${IN}; do not edit.
#include <string_view>
namespace {
const unsigned char kData[] = {
${bytes} 0
};
}
std::string_view velmo_string_table_${NAME}() {
    return {reinterpret_cast<const char*>(kData), sizeof(kData) - 1};
}
")
