#pragma once
// A registry, service INF and test provider fixture for session tests, and
// small readers of what a session hands out.

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "allocator.h"
#include "core_test_util.h"
#include "pdx/pdx.h"
#include "service_inf.h"
#include "test_environment.h"

extern "C" pdx::HRESULT PDXOpen(pdx::ULONG_PTR ulUIParam, const char* profileName, pdx::ULONG flags,
                                pdx::ULONG reserved1, pdx::ULONG reserved2, pdx::ULONG reserved3,
                                pdx::IAddrBook** addrBook, pdx::IPDXSession** session);
extern "C" pdx::HRESULT PDXAdminProfiles(pdx::ULONG flags, pdx::IPDXProfAdmin** out);

namespace sessiontest {

using Id = std::vector<uint8_t>;

inline constexpr const char* kUid1 = "11111111111111111111111111111111";
inline constexpr const char* kUid2 = "22222222222222222222222222222222";
inline constexpr const char* kUid3 = "33333333333333333333333333333333";

class SessionTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Creates the profile (empty) and returns its name.
    std::string makeProfile(const std::string& name = "Main");
    // Writes a fixture file and adds a service serving it.
    pdx::MAPIUID addProvider(const std::string& profile, const char* service, const std::string& fixtureText,
                             std::string* path = nullptr);
    // Opens the profile by name; fails the test when it does not open.
    void open(const std::string& profile = "Main");
    void close();
    std::vector<std::string> log() const { return coretest::readLines(log_); }
    void clearLog() const;

    std::string dir_;
    std::string log_;
    pdx::object_ptr<pdx::IPDXSession> session_;
    pdx::object_ptr<pdx::IAddrBook> book_;
};

struct Row {
    std::map<pdx::ULONG, pdx::SPropValue> values; // by tag
    std::string text(pdx::ULONG tag) const;
    pdx::LONG number(pdx::ULONG tag) const;
    Id id() const;
    bool has(pdx::ULONG tag) const { return values.count(tag) != 0; }
    std::vector<pdx::SPropValue> raw;
    std::vector<std::string> strings; // owned copies of string values
    std::vector<Id> binaries;
};

// Every row of a table (columns given, or as the table has them).
std::vector<Row> readTable(pdx::IMAPITable* table, const pdx::SPropTagArray* columns = nullptr);
std::vector<Row> hierarchy(pdx::IAddrBook* book, pdx::ULONG flags = pdx::CONVENIENT_DEPTH);
std::vector<Row> contents(pdx::IAddrBook* book, const Id& container);
// The identifier of the entry with that display name in the container (or the hierarchy).
Id idOf(const std::vector<Row>& rows, const std::string& name);
std::vector<std::string> names(const std::vector<Row>& rows);
// Opens an entry through the address book.
pdx::object_ptr<pdx::IUnknown> openEntry(pdx::IAddrBook* book, Id id, pdx::ULONG* type = nullptr);
pdx::ENTRYID* eid(Id& id);
pdx::ULONG cb(const Id& id);

} // namespace sessiontest
