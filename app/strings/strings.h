#pragma once
// The program's string table: every user-visible text, log text and registry
// name, looked up by its numeric id (see string_ids.h).

#include "strings/string_ids.h"

#include <string>

namespace platform { class StringTable; }

namespace lisotrex {

const platform::StringTable& stringTable();
// The text as UTF-8 (for the windows and the terminal).
const std::string& text(int id);
// The text in the system code page (where it becomes data: log lines,
// registry names, file contents).
std::string systemText(int id);

} // namespace lisotrex
