#pragma once
// Shared helpers of the vqcore tests.

#include <string>
#include <vector>

#include "pdx/pdx.h"
#include "platform/registry.h"

namespace coretest {

// A service INF naming the test provider (pdxtestsp) under the services
// "TESTA" (single copy), "TESTB" and "MISSING" (no such module).
std::string writeTestInf(const std::string& dir);
// A property value helper.
pdx::SPropValue stringProp(pdx::ULONG tag, const char* text);
pdx::SPropValue longProp(pdx::ULONG tag, pdx::LONG value);
// The key "Software\Velmo\Pandex\Profiles\<profile>".
platform::RegKey profileKey(const std::string& profile);
// Lines of a file (empty when missing).
std::vector<std::string> readLines(const std::string& path);

} // namespace coretest
