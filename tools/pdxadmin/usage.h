#pragma once
// pdxadmin's command line: the commands with their arguments, the help text,
// and the one-line complaint printed before the usage.

#include <string>

namespace pdxadmin {

// The argument synopsis of a command ("NAME [--default-services]"); nullptr
// for an unknown command.
const char* commandSyntax(const std::string& command);
// --help: what the tool does, every command, to standard output.
void printHelp();
// "pdxadmin: <problem>" and the usage on standard error; returns 2.
int usage(const std::string& problem);
// A known command with wrong arguments: names what it expects; returns 2.
int commandUsage(const std::string& command);

} // namespace pdxadmin
