#pragma once
// The checks a person's fax numbers pass before they are saved, and the
// recipient name made from the name parts when none was typed.

#include <string>
#include <string_view>

namespace vqfax {

// 0 when the number may be saved (an empty one may), otherwise the id of the
// message that says what is wrong with it.
int checkFaxNumber(std::string_view number);

// The longest number, counted without its dashes.
constexpr size_t kFaxDigitsLimit = 38;

// Title before the name, first name, last name and honorific after the name,
// the non-empty ones joined by single spaces.
std::string composeDisplayName(std::string_view prefix, std::string_view given, std::string_view surname,
                               std::string_view courtesy);

} // namespace vqfax
