#include "fax_number.h"

#include "fax_strings.h"

namespace vqfax {
namespace {

bool asciiAlnum(char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

// Dialling marks the fax driver understands; they carry no digit.
bool dialMark(char c) { return c == '#' || c == '*' || c == ',' || c == '^'; }

} // namespace

int checkFaxNumber(std::string_view number) {
    size_t significant = 0;
    size_t dashes = 0;
    for (char c : number) {
        if (asciiAlnum(c)) ++significant;
        else if (c == '-') ++dashes;
        else if (!dialMark(c)) return kMsgFaxInvalidCharacter;
    }
    if (significant > 0) return number.size() - dashes <= kFaxDigitsLimit ? 0 : kMsgFaxTooLong;
    return dashes == 0 ? 0 : kMsgFaxNoDigits;
}

std::string composeDisplayName(std::string_view prefix, std::string_view given, std::string_view surname,
                               std::string_view courtesy) {
    std::string name;
    for (std::string_view part : {prefix, given, surname, courtesy}) {
        if (part.empty()) continue;
        if (!name.empty()) name += ' ';
        name += part;
    }
    return name;
}

} // namespace vqfax
