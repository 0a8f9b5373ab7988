#pragma once
// The registry in the REGEDIT4 text form: export of a tree, import of a file.

#include <string>

namespace velmoreg {

// Appends the tree under fullKey ("HKEY_CURRENT_USER\Software\..."; empty =
// both roots) to out. False with a message when the key does not exist.
bool exportTree(const std::string& fullKey, std::string& out, std::string& error);

// Applies a .reg text in one transaction. False with a message (and nothing
// written) when a line cannot be understood or a write fails.
bool importText(const std::string& text, std::string& error);

} // namespace velmoreg
