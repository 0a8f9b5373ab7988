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

// Adds the service (of the test INF) to the profile and points its profile
// section at the test provider's fixture file; the new service's UID.
pdx::MAPIUID addFixtureService(const std::string& profile, const char* service, const std::string& fixture);
// Sets string values of a service's row, as pdxadmin configure does.
void configureService(const std::string& profile, const pdx::MAPIUID& uid, pdx::ULONG tag, const char* text);

// A fixture for the test provider: root "Test Book"; containers Customers
// (flags 5) holding Suppliers (flags 1), and Archive (flags 5); users Alice
// and Bob in Customers, Carol in Suppliers; the list Team (Alice, Inner,
// Team itself) and the list Inner (Bob, Carol, Alice) in Customers. Bob's
// identifier carries the second UID. `uids` are the two UIDs in hex;
// `extra` lines are appended.
std::string standardFixture(const std::string& uid1, const std::string& uid2, const std::string& extra = {});
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
