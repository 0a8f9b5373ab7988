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

} // namespace velmo::test
