// The fax address book end to end: made with pdxadmin, filled from the test
// provider with copy-entries, read back, expanded and changed in new
// processes, and whole after a copy is killed halfway.

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <cstdlib>
#include <map>
#include <set>
#include <sstream>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

#include "core_test_util.h"
#include "pdx/pdx.h"
#include "service_inf.h"
#include "test_environment.h"

extern "C" pdx::HRESULT PDXOpen(pdx::ULONG_PTR ulUIParam, const char* profileName, pdx::ULONG flags,
                                pdx::ULONG reserved1, pdx::ULONG reserved2, pdx::ULONG reserved3,
                                pdx::IAddrBook** addrBook, pdx::IPDXSession** session);
extern "C" pdx::HRESULT PDXFreeBuffer(void* buffer);

namespace {

constexpr const char* kTestUid = "11111111111111111111111111111111";

struct Result {
    int status;
    std::string out;
    std::string err;
};

Result pdxadmin(const std::string& args) {
    Result r;
    r.status = velmo::test::runCommand(velmo::test::binPath("pdxadmin") + " " + args, &r.out, &r.err);
    return r;
}

std::vector<std::string> split(const std::string& text, char by) {
    std::vector<std::string> parts;
    std::string part;
    std::istringstream in(text);
    while (std::getline(in, part, by)) parts.push_back(part);
    return parts;
}

// The test provider's identifier of record `index` (root 0, then in file order).
std::string testId(int index) {
    char tail[9];
    std::snprintf(tail, sizeof tail, "%02x000000", index);
    return std::string("00000000") + kTestUid + tail;
}

// One line of `pdxadmin contents`: name, object type, ..., entry id.
struct Row {
    std::string name, type, businessFax, homeFax, company, department, id;
};
std::vector<Row> rowsOf(const std::string& out) {
    std::vector<Row> rows;
    for (const auto& line : split(out, '\n')) {
        auto f = split(line, '\t');
        f.resize(10);
        rows.push_back({f[0], f[1], f[5], f[6], f[7], f[8], f[9]});
    }
    return rows;
}
const Row* named(const std::vector<Row>& rows, const std::string& name) {
    for (const auto& r : rows)
        if (r.name == name) return &r;
    return nullptr;
}

class FaxBookThroughPdxadmin : public ::testing::Test {
protected:
    void SetUp() override {
        velmo::test::freshRegistry();
        dir_ = velmo::test::makeTempDir("faxbook");
        // The fax store's default file lives below XDG_DATA_HOME: one per test.
        setenv("XDG_DATA_HOME", (dir_ + "/data").c_str(), 1);
        unsetenv("VELMO_PRINTER_DRIVER_DIR");
        ASSERT_EQ(pdxadmin("create Fax").status, 0);
        Result add = pdxadmin("add-service Fax ZELT_ABS --display 'Office fax'");
        ASSERT_EQ(add.status, 0) << add.err;
        pdx::core::setServiceInfPath(coretest::writeTestInf(dir_));
    }
    void TearDown() override { pdx::core::setServiceInfPath({}); }

    // The test provider with `fixture` as a second service of the profile.
    void addSource(const std::string& fixture) {
        const std::string path = dir_ + "/source.tsv";
        velmo::test::writeFile(path, fixture);
        coretest::addFixtureService("Fax", "TESTA", path);
    }
    // The fax book's root identifier, from the profile's hierarchy: the
    // 40-byte identifier of record -1, kind 4.
    std::string faxRoot() {
        Result h = pdxadmin("hierarchy Fax");
        EXPECT_EQ(h.status, 0) << h.err;
        for (const auto& line : split(h.out, '\n')) {
            auto f = split(line, '\t');
            if (f.size() == 5 && f[4].size() == 80 && f[4].substr(64) == "ffffffff04000000") {
                EXPECT_EQ(f[0] + f[2] + f[3], "040x00000005");
                return f[4];
            }
        }
        ADD_FAILURE() << "no fax book in\n" << h.out;
        return {};
    }
    std::string dir_;
};

std::string smallSource() {
    return std::string("uid\t") + kTestUid + "\nroot\tname=Test Book\n" +
           "container\tkey=c\tname=Customers\tflags=5\n"
           "user\tkey=a\tin=c\tname=Ann\tbfax=02-1111-0001\thfax=02-2222-0001\tcompany=Kestrel\tdept=Sales\n"
           "user\tkey=b\tin=c\tname=Ben\tbfax=02-1111-0002\tcompany=Kestrel\n"
           "list\tkey=l\tin=c\tname=Crew\tmembers=a,b\n";
}

} // namespace

TEST_F(FaxBookThroughPdxadmin, CopiedEntriesAreReadExpandedAndDeletedInLaterSessions) {
    addSource(smallSource());
    const std::string root = faxRoot();
    ASSERT_FALSE(root.empty());
    EXPECT_EQ(pdxadmin("contents Fax " + root).out, ""); // a new, empty store

    Result copy = pdxadmin("copy-entries Fax " + testId(1) + " " + root);
    ASSERT_EQ(copy.status, 0) << copy.err;

    // Read back by another process: the contacts with their fields, the list as a group.
    Result c = pdxadmin("contents Fax " + root);
    ASSERT_EQ(c.status, 0) << c.err;
    auto rows = rowsOf(c.out);
    const Row* ann = named(rows, "Ann");
    ASSERT_TRUE(ann) << c.out;
    EXPECT_EQ(ann->type, "6");
    EXPECT_EQ(ann->businessFax, "02-1111-0001");
    EXPECT_EQ(ann->homeFax, "02-2222-0001");
    EXPECT_EQ(ann->company, "Kestrel");
    EXPECT_EQ(ann->department, "Sales");
    const Row* crew = named(rows, "Crew");
    ASSERT_TRUE(crew) << c.out;
    EXPECT_EQ(crew->type, "8");
    // The list's members are the contacts copied beside it, not copies of their own.
    EXPECT_EQ(rows.size(), 3u) << c.out;

    // The group's identifier, written by that session, opens the group in the next ones.
    Result members = pdxadmin("contents Fax " + crew->id);
    ASSERT_EQ(members.status, 0) << members.err;
    auto inCrew = rowsOf(members.out);
    ASSERT_EQ(inCrew.size(), 2u) << members.out;
    ASSERT_TRUE(named(inCrew, "Ben"));
    EXPECT_EQ(named(inCrew, "Ben")->businessFax, "02-1111-0002");
    // Same records as the contacts in the root (record id and kind at the end of the identifier).
    const Row* ben = named(rows, "Ben");
    ASSERT_TRUE(ben);
    EXPECT_EQ(named(inCrew, "Ben")->id.substr(64), ben->id.substr(64));
    EXPECT_EQ(named(inCrew, "Ann")->id.substr(64), ann->id.substr(64));
    Result expand = pdxadmin("expand Fax " + crew->id);
    ASSERT_EQ(expand.status, 0) << expand.err;
    EXPECT_EQ(split(expand.out, '\n').size(), 2u) << expand.out;

    Result del = pdxadmin("delete-entries Fax " + ann->id + " " + ben->id);
    ASSERT_EQ(del.status, 0) << del.err;
    auto left = rowsOf(pdxadmin("contents Fax " + root).out);
    EXPECT_EQ(left.size(), 1u);
    EXPECT_TRUE(named(left, "Crew"));
    EXPECT_EQ(pdxadmin("contents Fax " + crew->id).out, ""); // its members are gone with them
}

// Copied twice, the same source gives two sets, each list naming its own set.
TEST_F(FaxBookThroughPdxadmin, EachCopyLinksItsListsToItsOwnContacts) {
    addSource(smallSource());
    const std::string root = faxRoot();
    ASSERT_FALSE(root.empty());
    ASSERT_EQ(pdxadmin("copy-entries Fax " + testId(1) + " " + root).status, 0);
    ASSERT_EQ(pdxadmin("copy-entries Fax " + testId(1) + " " + root).status, 0);
    const auto rows = rowsOf(pdxadmin("contents Fax " + root).out);
    ASSERT_EQ(rows.size(), 6u);
    std::set<std::string> records;
    for (const Row& r : rows)
        if (r.type == "6") records.insert(r.id.substr(64));
    std::set<std::string> linked;
    for (const Row& r : rows) {
        if (r.type != "8") continue;
        const auto members = rowsOf(pdxadmin("contents Fax " + r.id).out);
        ASSERT_EQ(members.size(), 2u);
        for (const Row& m : members) {
            EXPECT_TRUE(records.count(m.id.substr(64))) << m.name << " is not one of the copied contacts";
            linked.insert(m.id.substr(64));
        }
    }
    EXPECT_EQ(linked, records) << "each list names its own copy's contacts";
}

// The fax book names a contact in a group by another identifier than in the
// book; copied out with the book's contents, the contact still arrives once
// and the copied list names it.
TEST_F(FaxBookThroughPdxadmin, ContactsInAGroupAreCopiedOutOnce) {
    addSource(smallSource() + "container\tkey=e\tname=Empty\tflags=5\n");
    const std::string root = faxRoot();
    ASSERT_FALSE(root.empty());
    ASSERT_EQ(pdxadmin("copy-entries Fax " + testId(1) + " " + root).status, 0);
    const std::string empty = testId(5); // root, Customers, Ann, Ben, Crew, then Empty
    ASSERT_EQ(pdxadmin("contents Fax " + empty).out, "");
    {
        using namespace pdx;
        object_ptr<IAddrBook> book;
        object_ptr<IPDXSession> session;
        ASSERT_EQ(PDXOpen(0, "Fax", 0, 0, 0, 0, book.out(), session.out()), S_OK);
        auto open = [&](const std::string& hex) {
            std::vector<uint8_t> id;
            for (size_t i = 0; i + 1 < hex.size(); i += 2) id.push_back(uint8_t(std::stoi(hex.substr(i, 2), nullptr, 16)));
            ULONG type = 0;
            object_ptr<IUnknown> opened;
            EXPECT_EQ(book->OpenEntry(ULONG(id.size()), reinterpret_cast<ENTRYID*>(id.data()), nullptr, 0, &type,
                                      opened.out()),
                      S_OK);
            return opened;
        };
        object_ptr<IUnknown> from = open(root), to = open(empty);
        ASSERT_TRUE(from && to);
        SPropTagArray contents{1, {PR_CONTAINER_CONTENTS}};
        SPropProblemArray* problems = nullptr;
        EXPECT_EQ(reinterpret_cast<IABContainer*>(from.get())
                      ->CopyProps(&contents, 0, nullptr, &IID_IABContainer, to.get(), 0, &problems),
                  S_OK);
        if (problems) PDXFreeBuffer(problems);
    }
    const auto rows = rowsOf(pdxadmin("contents Fax " + empty).out);
    std::multiset<std::string> names;
    for (const Row& r : rows) names.insert(r.name);
    EXPECT_EQ(names, (std::multiset<std::string>{"Ann", "Ben", "Crew"}));
    const Row* crew = named(rows, "Crew");
    ASSERT_TRUE(crew);
    const auto members = rowsOf(pdxadmin("contents Fax " + crew->id).out);
    ASSERT_EQ(members.size(), 2u);
    for (const Row& m : members) {
        const Row* same = named(rows, m.name);
        ASSERT_TRUE(same) << m.name;
        EXPECT_EQ(m.id, same->id) << m.name << " in the list is the contact copied beside it";
    }
}

TEST_F(FaxBookThroughPdxadmin, ACopyKilledHalfwayLeavesOnlyWholeEntries) {
    constexpr int kUsers = 3000;
    std::string source = std::string("uid\t") + kTestUid + "\nroot\tname=Test Book\n" +
                         "container\tkey=c\tname=Customers\tflags=5\n";
    for (int i = 0; i < kUsers; ++i) {
        const std::string n = std::to_string(i);
        source += "user\tkey=u" + n + "\tin=c\tname=Person " + n + "\tbfax=02-1000-" + n + "\thfax=03-2000-" + n +
                  "\tcompany=Company " + n + "\tdept=Dept " + n + "\n";
    }
    addSource(source);
    const std::string root = faxRoot();
    ASSERT_FALSE(root.empty());

    // Killed while it copies.
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        const int quiet = open("/dev/null", O_WRONLY);
        dup2(quiet, 1);
        dup2(quiet, 2);
        const std::string program = std::string(VELMO_BIN_DIR) + "/pdxadmin";
        const std::string from = testId(1);
        execl(program.c_str(), "pdxadmin", "copy-entries", "Fax", from.c_str(), root.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(400));
    kill(child, SIGKILL);
    int status = 0;
    waitpid(child, &status, 0);

    Result c = pdxadmin("contents Fax " + root);
    ASSERT_EQ(c.status, 0) << c.err;
    auto rows = c.out.empty() ? std::vector<Row>() : rowsOf(c.out);
    EXPECT_LE(rows.size(), size_t(kUsers));
    for (const Row& r : rows) {
        ASSERT_EQ(r.name.rfind("Person ", 0), 0u) << r.name;
        const std::string n = r.name.substr(7);
        EXPECT_EQ(r.businessFax, "02-1000-" + n);
        EXPECT_EQ(r.homeFax, "03-2000-" + n);
        EXPECT_EQ(r.company, "Company " + n);
        EXPECT_EQ(r.department, "Dept " + n);
    }
    // The store still takes a whole copy afterwards.
    Result again = pdxadmin("copy-entries Fax " + testId(1) + " " + root);
    EXPECT_EQ(again.status, 0) << again.err;
}

TEST_F(FaxBookThroughPdxadmin, DialogCommandsWithoutADisplayFailAsTheProviderSays) {
    addSource(smallSource());
    const std::string root = faxRoot();
    ASSERT_FALSE(root.empty());
    ASSERT_EQ(pdxadmin("copy-entries Fax " + testId(1) + " " + root).status, 0);
    const auto rows = rowsOf(pdxadmin("contents Fax " + root).out);
    const Row* ann = named(rows, "Ann");
    ASSERT_TRUE(ann);

    // No display of any kind: no dialog can be shown, and nothing may pass for a cancel.
    std::map<std::string, std::string> saved;
    for (const char* name : {"QT_QPA_PLATFORM", "WAYLAND_DISPLAY", "DISPLAY"}) {
        if (const char* value = std::getenv(name)) saved[name] = value;
        unsetenv(name);
    }
    Result made = pdxadmin("new-entry Fax " + root);
    Result shown = pdxadmin("details Fax " + ann->id);
    Result badShape = pdxadmin("new-entry Fax");
    for (const auto& [name, value] : saved) setenv(name.c_str(), value.c_str(), 1);

    EXPECT_EQ(made.status, 1);
    EXPECT_EQ(made.out, "");
    EXPECT_NE(made.err.find("NewEntry failed: 0x80004005"), std::string::npos) << made.err;
    EXPECT_EQ(shown.status, 1);
    EXPECT_NE(shown.err.find("Details failed: 0x80004005"), std::string::npos) << shown.err;
    EXPECT_EQ(badShape.status, 2);
    EXPECT_EQ(rowsOf(pdxadmin("contents Fax " + root).out).size(), 3u); // nothing was written
}
