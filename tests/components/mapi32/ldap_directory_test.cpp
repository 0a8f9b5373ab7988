// LDAP services against a real slapd on 127.0.0.1: the attribute mapping and
// groups as read from a server, paged reads past the server's size limit,
// binds with a password file, and a server that is down, refuses the bind,
// stops or stops answering in the middle of a session.

#include <gtest/gtest.h>

#include <chrono>
#include <sys/stat.h>

#include "ldap_directory.h"
#include "mapi_test_util.h"
#include "pdx/status.h"
#include "pdx/tags.h"
#include "platform/registry.h"
#include "slapd_server.h"
#include "test_environment.h"

using namespace pdx;
using namespace mapitest;
using velmo::test::SlapdServer;

namespace {

std::string sampleLdif() { return velmo::test::readFile(std::string(VELMO_SOURCE_DIR) + "/tests/data/ldap/directory.ldif"); }

class LdapDirectoryTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!velmo::test::haveSlapd()) GTEST_SKIP() << "slapd is not installed (scripts/setup.sh installs it)";
        platform::closeRegistry();
        velmo::test::freshRegistry();
        createProfile("Company");
    }
    void TearDown() override {
        platform::closeRegistry();
        unsetenv("VELMO_CODEPAGE");
    }

    void addDirectory(const SlapdServer& server, std::vector<std::pair<ULONG, std::string>> extra = {}) {
        std::vector<std::pair<ULONG, std::string>> settings = {{PR_VELMO_LDAP_URI, server.uri()},
                                                               {PR_VELMO_LDAP_BASE_DN, SlapdServer::kSuffix}};
        settings.insert(settings.end(), extra.begin(), extra.end());
        ASSERT_EQ(addService("Company", "LDAP", "Directory", settings), S_OK);
    }
    std::string passwordFile(const std::string& password, mode_t mode) {
        const std::string path = velmo::test::makeTempDir("pw") + "/bind";
        velmo::test::writeFile(path, password + "\n");
        ::chmod(path.c_str(), mode);
        return path;
    }
};

template <class F> double seconds(F&& f) {
    const auto start = std::chrono::steady_clock::now();
    f();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

} // namespace

TEST_F(LdapDirectoryTest, PeopleAndGroupsReadAsRecipients) {
    SlapdServer server(sampleLdif());
    ASSERT_TRUE(server.running()) << server.error();
    addDirectory(server);
    Book book("Company");
    ASSERT_EQ(book.logonStatus(), S_OK);
    std::vector<Row> rows;
    ASSERT_EQ(book.contents(book.containerId("Directory"), rows), S_OK);
    ASSERT_EQ(rows.size(), 6u) << "four people and two groups; the device is not a recipient";

    const Row* ann = byName(rows, "Ann Lee (Sales)");
    ASSERT_NE(ann, nullptr) << "displayName before cn";
    EXPECT_EQ(ann->at(PR_BUSINESS_FAX_NUMBER), "+1 555 0100");
    EXPECT_EQ(ann->at(PR_EMAIL_ADDRESS), "ann.lee@example.org");
    EXPECT_EQ(ann->at(PR_ADDRTYPE), "SMTP");
    EXPECT_EQ(ann->at(PR_COMPANY_NAME), "Example Trading");
    EXPECT_EQ(ann->at(PR_DEPARTMENT_NAME), "Sales");
    EXPECT_EQ(ann->at(0x3A11001E), "Lee");
    EXPECT_EQ(ann->at(0x3A06001E), "Ann");
    EXPECT_EQ(ann->at(PR_OBJECT_TYPE), "6");

    const Row* bob = byName(rows, "Bob Chen");
    ASSERT_NE(bob, nullptr);
    EXPECT_EQ(bob->at(PR_BUSINESS_FAX_NUMBER), "+1 555 0101") << "fax parameters are not part of the number";
    const Row* carol = byName(rows, "Carol King");
    ASSERT_NE(carol, nullptr);
    EXPECT_FALSE(carol->count(PR_EMAIL_ADDRESS)) << "no mail, no address";
    EXPECT_TRUE(byName(rows, "陳大文")) << "UTF-8 stays UTF-8 under a UTF-8 code page";

    // Sales names Ann, the Managers group and someone who left: the nested
    // group is a list of its own, the missing member is left out.
    const Row* sales = byName(rows, "Sales");
    ASSERT_NE(sales, nullptr);
    EXPECT_EQ(sales->at(PR_OBJECT_TYPE), "8");
    std::vector<Row> members;
    ASSERT_EQ(book.contents(sales->at(PR_ENTRYID), members), S_OK);
    ASSERT_EQ(members.size(), 2u);
    EXPECT_EQ(members[0].at(PR_ENTRYID), ann->at(PR_ENTRYID));
    const Row* managers = byName(members, "Managers");
    ASSERT_NE(managers, nullptr);
    EXPECT_EQ(managers->at(PR_OBJECT_TYPE), "8");
    std::vector<Row> managed;
    ASSERT_EQ(book.contents(managers->at(PR_ENTRYID), managed), S_OK);
    ASSERT_EQ(managed.size(), 1u) << "uniqueMember with its optional UID";
    EXPECT_EQ(managed[0].at(PR_DISPLAY_NAME), "Bob Chen");

    // Every identifier carries the service's UID.
    const MAPIUID uid = serviceUid("Company", "Directory");
    for (const Row& r : rows) EXPECT_EQ(r.at(PR_ENTRYID).substr(4, 16), std::string((const char*)uid.ab, 16));
}

TEST_F(LdapDirectoryTest, TextReachesTheSystemCodePage) {
    SlapdServer server(sampleLdif());
    ASSERT_TRUE(server.running()) << server.error();
    addDirectory(server);
    setenv("VELMO_CODEPAGE", "CP950", 1);
    Book book("Company");
    std::vector<Row> rows;
    ASSERT_EQ(book.contents(book.containerId("Directory"), rows), S_OK);
    const std::string big5Name = "\xB3\xAF\xA4\x6A\xA4\xE5"; // 陳大文
    const Row* chen = byName(rows, big5Name);
    ASSERT_NE(chen, nullptr);
    EXPECT_EQ(chen->at(PR_DEPARTMENT_NAME), "\xB7\x7E\xB0\xC8\xB3\xA1"); // 業務部
}

TEST_F(LdapDirectoryTest, PagedReadsGoPastTheServerSizeLimit) {
    std::string ldif = sampleLdif();
    for (int i = 0; i < 1200; ++i)
        ldif += "\ndn: cn=Person " + std::to_string(i) + ",ou=People,dc=example,dc=org\nobjectClass: inetOrgPerson\n"
                "cn: Person " + std::to_string(i) + "\nsn: " + std::to_string(i) + "\nfacsimileTelephoneNumber: +1 555 " +
                std::to_string(1000 + i) + "\n";
    SlapdServer server(ldif, 100);
    ASSERT_TRUE(server.running()) << server.error();
    addDirectory(server);
    Book book("Company");
    std::vector<Row> rows;
    ASSERT_EQ(book.contents(book.containerId("Directory"), rows), S_OK);
    EXPECT_EQ(rows.size(), 1206u) << "an unpaged search would stop at 100";
}

TEST_F(LdapDirectoryTest, BindsWithAPrivatePasswordFileOnly) {
    SlapdServer server(sampleLdif());
    ASSERT_TRUE(server.running()) << server.error();
    const std::string good = passwordFile(SlapdServer::kAdminPassword, 0600);
    addDirectory(server, {{PR_VELMO_LDAP_BIND_DN, SlapdServer::kAdminDn}, {PR_VELMO_LDAP_PASSWORD_FILE, good}});
    {
        Book book("Company");
        std::vector<Row> rows;
        EXPECT_EQ(book.contents(book.containerId("Directory"), rows), S_OK);
        EXPECT_EQ(rows.size(), 6u);
    }
    // A file opened to others after it was configured is refused at the bind, not read.
    ::chmod(good.c_str(), 0640);
    {
        Book book("Company");
        std::vector<Row> rows;
        EXPECT_EQ(book.contents(book.containerId("Directory"), rows), E_ACCESSDENIED);
    }
    // A wrong password: the server refuses the bind.
    velmo::test::writeFile(good, "wrong\n");
    ::chmod(good.c_str(), 0600);
    Book book("Company");
    std::vector<Row> rows;
    EXPECT_EQ(book.contents(book.containerId("Directory"), rows), E_ACCESSDENIED);
}

TEST_F(LdapDirectoryTest, AServerThatIsDownGivesANetworkError) {
    SlapdServer server(sampleLdif());
    ASSERT_TRUE(server.running()) << server.error();
    addDirectory(server);
    server.stop();
    Book book("Company");
    ASSERT_EQ(book.logonStatus(), S_OK) << "logon does not depend on the directory";
    std::vector<Row> rows;
    HRESULT h = S_OK;
    EXPECT_LT(seconds([&] { h = book.contents(book.containerId("Directory"), rows); }), 5.5);
    EXPECT_EQ(h, MAPI_E_NETWORK_ERROR);
}

TEST_F(LdapDirectoryTest, TheServerStoppedMidSessionFailsTheNextReadAndComesBack) {
    SlapdServer server(sampleLdif());
    ASSERT_TRUE(server.running()) << server.error();
    addDirectory(server);
    Book book("Company");
    const std::string id = book.containerId("Directory");
    std::vector<Row> rows;
    ASSERT_EQ(book.contents(id, rows), S_OK);
    const std::string annId = byName(rows, "Ann Lee (Sales)")->at(PR_ENTRYID);

    server.stop();
    HRESULT h = S_OK;
    EXPECT_LT(seconds([&] { h = book.contents(id, rows); }), 5.5);
    EXPECT_EQ(h, MAPI_E_NETWORK_ERROR);
    ULONG type = 0;
    IUnknown* object = nullptr;
    EXPECT_EQ(book.get()->OpenEntry(ULONG(annId.size()), (ENTRYID*)annId.data(), nullptr, 0, &type, &object),
              MAPI_E_NETWORK_ERROR);
    EXPECT_EQ(object, nullptr);

    // Once it is back, the same session reads again.
    ASSERT_TRUE(server.restart()) << server.error();
    EXPECT_EQ(book.contents(id, rows), S_OK);
    EXPECT_EQ(rows.size(), 6u);
}

TEST_F(LdapDirectoryTest, AServerThatStopsAnsweringTimesOut) {
    SlapdServer server(sampleLdif());
    ASSERT_TRUE(server.running()) << server.error();
    addDirectory(server);
    Book book("Company");
    const std::string id = book.containerId("Directory");
    std::vector<Row> rows;
    ASSERT_EQ(book.contents(id, rows), S_OK);
    server.freeze();
    HRESULT h = S_OK;
    const double took = seconds([&] { h = book.contents(id, rows); });
    server.thaw();
    EXPECT_EQ(h, MAPI_E_TIMEOUT);
    EXPECT_GE(took, 4.5);
    EXPECT_LT(took, 12.0) << "one wait of 5 s (and one reconnect), no more";
}
