#pragma once
// The window program's answers to --help and --version, given on the
// command line before any window (or display) is needed.

#include <optional>

namespace lisotrex::ui {

// The exit status when an argument asked for help or the version (printed
// to standard output); nothing when the program should start.
std::optional<int> answerInfoOption(int argc, const char* const* argv);

} // namespace lisotrex::ui
