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

// A caller's tag array that claims `count` tags but ends where an unreadable
// page begins: its count can be read, its tags cannot.
class TruncatedTagArray {
public:
    explicit TruncatedTagArray(pdx::ULONG count);
    ~TruncatedTagArray();
    TruncatedTagArray(const TruncatedTagArray&) = delete;
    TruncatedTagArray& operator=(const TruncatedTagArray&) = delete;
    const pdx::SPropTagArray* get() const { return tags_; }

private:
    void* pages_ = nullptr;
    pdx::SPropTagArray* tags_ = nullptr;
};

} // namespace coretest
