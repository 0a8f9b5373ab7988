#pragma once
// A private temporary world for one test process: HOME, the XDG folders and the
// registry all point below one temporary folder, so no test touches a user's files.

#include <string>

namespace velmo::test {

// The folder made for this test process (removed at exit).
const std::string& sandboxDir();
// A fresh, empty folder below the sandbox.
std::string makeTempDir(const std::string& prefix = "t");
// Points VELMO_REGISTRY at a new empty store and returns its path.
std::string freshRegistry();
// Whole-file helpers.
std::string readFile(const std::string& path);
void writeFile(const std::string& path, const std::string& bytes);

// Runs a shell command; returns its exit status (-1 when it did not exit
// normally) and its standard output. Standard error goes to errOut when given.
int runCommand(const std::string& command, std::string* out = nullptr, std::string* errOut = nullptr);
// A path quoted for the shell.
std::string shellQuote(const std::string& path);
// A program of build/bin, quoted for the shell.
std::string binPath(const std::string& program);

} // namespace velmo::test
