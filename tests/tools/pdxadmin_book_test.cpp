// pdxadmin reading and changing address books through vqcore and the test
// provider, run as a process.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

#include "core_test_util.h"
#include "pdx/pdx.h"
#include "platform/codepage.h"
#include "service_inf.h"
#include "test_environment.h"

extern "C" pdx::HRESULT PDXAdminProfiles(pdx::ULONG flags, pdx::IPDXProfAdmin** out);

namespace {

constexpr const char* kUid1 = "11111111111111111111111111111111";
constexpr const char* kUid2 = "22222222222222222222222222222222";

struct Result {
    int status;
    std::string out;
    std::string err;
};

Result pdxadmin(const std::string& args, const std::string& env = {}) {
    Result r;
    r.status = velmo::test::runCommand(env + " " + velmo::test::binPath("pdxadmin") + " " + args, &r.out, &r.err);
    return r;
}

void createProfile(const std::string& name) {
    pdx::object_ptr<pdx::IPDXProfAdmin> admin;
    ASSERT_EQ(PDXAdminProfiles(0, admin.out()), pdx::S_OK);
    ASSERT_EQ(admin->CreateProfile(name.c_str(), 0, 0), pdx::S_OK);
}

// The test provider's identifier of record `index`, in hex.
std::string id(int index, const char* uid = kUid1) {
    char tail[9];
    std::snprintf(tail, sizeof tail, "%02x000000", index);
    return std::string("00000000") + uid + tail;
}

class PdxAdminBook : public ::testing::Test {
protected:
    void SetUp() override {
        velmo::test::freshRegistry();
        dir_ = velmo::test::makeTempDir("book");
        pdx::core::setServiceInfPath(coretest::writeTestInf(dir_));
        ::unsetenv("PDXTEST_LOG");
    }
    void TearDown() override { pdx::core::setServiceInfPath({}); }

    void makeBook(const std::string& profile, const std::string& fixture) {
        createProfile(profile);
        const std::string path = dir_ + "/" + profile + ".tsv";
        velmo::test::writeFile(path, fixture);
        coretest::addFixtureService(profile, "TESTA", path);
    }
    std::string dir_;
};

TEST_F(PdxAdminBook, HierarchyContentsAndExpand) {
    makeBook("Main", coretest::standardFixture(kUid1, kUid2));
    Result h = pdxadmin("hierarchy Main");
    ASSERT_EQ(h.status, 0) << h.err;
    EXPECT_EQ(h.out, "0\tTest Book\t4\t0x00000002\t" + id(0) + "\n" +
                         "1\tCustomers\t4\t0x00000005\t" + id(1) + "\n" +
                         "2\tSuppliers\t4\t0x00000001\t" + id(2) + "\n" +
                         "1\tArchive\t4\t0x00000005\t" + id(3) + "\n");

    Result c = pdxadmin("contents Main " + id(1));
    ASSERT_EQ(c.status, 0) << c.err;
    EXPECT_EQ(c.out, "Alice\t6\tSMTP\talice@example.com\t\t\t\tAcme\tSales\t" + id(4) + "\n" +
                         "Bob\t6\tFAX\t\t02-2345-6789\t02-1111-2222\t\t\t\t" + id(5, kUid2) + "\n" +
                         "Team\t8\tMAPIPDL\t\t\t\t\t\t\t" + id(7) + "\n" +
                         "Inner\t8\tMAPIPDL\t\t\t\t\t\t\t" + id(8) + "\n");
    // A list's contents are its members.
    EXPECT_EQ(pdxadmin("contents Main " + id(7)).out.substr(0, 6), "Alice\t");

    Result e = pdxadmin("expand Main " + id(7));
    ASSERT_EQ(e.status, 0) << e.err;
    EXPECT_EQ(e.out, "Alice\t" + id(4) + "\nBob\t" + id(5, kUid2) + "\nCarol\t" + id(6) + "\n");
}

TEST_F(PdxAdminBook, DefaultsAndTheDefaultProfile) {
    makeBook("Main", coretest::standardFixture(kUid1, kUid2));
    Result none = pdxadmin("defaults --default");
    EXPECT_EQ(none.status, 1);
    EXPECT_EQ(none.err, "pdxadmin: PDXOpen failed: 0x80040111 MAPI_E_LOGON_FAILED\n");
    ASSERT_EQ(velmo::test::runCommand(velmo::test::binPath("pdxadmin") + " set-default Main"), 0);
    Result d = pdxadmin("defaults --default");
    ASSERT_EQ(d.status, 0) << d.err;
    EXPECT_EQ(d.out, "pab\t" + id(1) + "\ndefault-dir\t" + id(1) + "\nsearch-path\t" + id(1) + "," + id(2) + "," +
                         id(3) + "\n");

    createProfile("Empty");
    Result empty = pdxadmin("defaults Empty");
    ASSERT_EQ(empty.status, 0);
    EXPECT_EQ(empty.out, "pab\t0x80004005 E_FAIL\ndefault-dir\t0x80004005 E_FAIL\n"
                         "search-path\t0x8004010f MAPI_E_NOT_FOUND\n");
    EXPECT_EQ(pdxadmin("hierarchy Empty").out, "");
}

TEST_F(PdxAdminBook, CopyAndDeleteEntries) {
    makeBook("Main", coretest::standardFixture(kUid1, kUid2));
    Result copy = pdxadmin("copy-entries Main " + id(1) + " " + id(3));
    ASSERT_EQ(copy.status, 0) << copy.err;
    EXPECT_EQ(copy.out, "5\n"); // Carol comes in as a member of a copied list
    // Copies in the destination, kept in the provider's file for the next session.
    Result archive = pdxadmin("contents Main " + id(3));
    EXPECT_EQ(archive.out.substr(0, archive.out.find('\t')), "Alice");
    EXPECT_EQ(std::count(archive.out.begin(), archive.out.end(), '\n'), 5);

    Result del = pdxadmin("delete-entries Main " + id(5, kUid2) + " " + id(6) + " 0000");
    ASSERT_EQ(del.status, 0) << del.err;
    EXPECT_EQ(pdxadmin("contents Main " + id(2)).out, "");
    EXPECT_EQ(pdxadmin("contents Main " + id(1)).out.find("Bob"), std::string::npos);
}

TEST_F(PdxAdminBook, FailuresAndBadArguments) {
    makeBook("Main", coretest::standardFixture(kUid1, kUid2));
    Result missing = pdxadmin("hierarchy Nobody");
    EXPECT_EQ(missing.status, 1);
    EXPECT_EQ(missing.err, "pdxadmin: PDXOpen failed: 0x80040111 MAPI_E_LOGON_FAILED\n");
    Result unknown = pdxadmin("contents Main 00000000" + std::string(32, '9') + "01000000");
    EXPECT_EQ(unknown.status, 1);
    EXPECT_EQ(unknown.err, "pdxadmin: OpenEntry failed: 0x8004010f MAPI_E_NOT_FOUND\n");
    Result shortId = pdxadmin("expand Main 0011");
    EXPECT_EQ(shortId.status, 1);
    EXPECT_EQ(shortId.err, "pdxadmin: OpenEntry failed: 0x80040107 MAPI_E_INVALID_ENTRYID\n");
    EXPECT_EQ(pdxadmin("contents Main xyz").status, 2);
    EXPECT_EQ(pdxadmin("contents Main").status, 2);
    EXPECT_EQ(pdxadmin("copy-entries Main " + id(1)).status, 2);
    EXPECT_EQ(pdxadmin("delete-entries Main").status, 2);
}

TEST_F(PdxAdminBook, TextIsPrintedAsUtf8) {
    const std::string big5 = platform::convertCodePage("王小明", "UTF-8", "CP950", '?');
    ASSERT_NE(big5, "王小明");
    makeBook("Main", std::string("uid\t") + kUid1 + "\nroot\tname=" + big5 +
                         "\ncontainer\tkey=c\tname=Book\tflags=1\nuser\tkey=u\tin=c\tname=" + big5 + "\n");
    Result h = pdxadmin("hierarchy Main", "VELMO_CODEPAGE=CP950");
    ASSERT_EQ(h.status, 0) << h.err;
    EXPECT_EQ(h.out.substr(0, h.out.find('\n')), "0\t王小明\t4\t0x00000002\t" + id(0));
    EXPECT_EQ(pdxadmin("contents Main " + id(1), "VELMO_CODEPAGE=CP950").out.substr(0, 11), "王小明\t6");
}

} // namespace
