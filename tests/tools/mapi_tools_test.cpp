// The directory road end to end with the built programs: velmo-mapi makes a
// messaging profile with an LDAP service (a real slapd on 127.0.0.1) and a
// vCard service, pdxadmin makes a PDX profile whose MAPI service reads it,
// and the hierarchy and contents come back through vqcore and vqmapisp.

#include <gtest/gtest.h>

#include <sstream>
#include <sys/stat.h>

#include "platform/registry.h"
#include "slapd_server.h"
#include "test_environment.h"

using velmo::test::binPath;
using velmo::test::runCommand;
using velmo::test::shellQuote;
using velmo::test::SlapdServer;

namespace {

std::vector<std::vector<std::string>> lines(const std::string& out) {
    std::vector<std::vector<std::string>> rows;
    std::istringstream in(out);
    for (std::string line; std::getline(in, line);) {
        std::vector<std::string> fields;
        std::istringstream cells(line);
        for (std::string f; std::getline(cells, f, '\t');) fields.push_back(f);
        rows.push_back(fields);
    }
    return rows;
}

class MapiToolsTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!velmo::test::haveSlapd()) GTEST_SKIP() << "slapd is not installed (scripts/setup.sh installs it)";
        platform::closeRegistry();
        velmo::test::freshRegistry();
    }
    int mapi(const std::string& args, std::string* out = nullptr, std::string* err = nullptr) {
        return runCommand(binPath("velmo-mapi") + " " + args, out, err);
    }
    int pdx(const std::string& args, std::string* out = nullptr, std::string* err = nullptr) {
        return runCommand(binPath("pdxadmin") + " " + args, out, err);
    }
};

} // namespace

TEST_F(MapiToolsTest, ProfilesAndServicesAreAdministeredFromTheCommandLine) {
    std::string out, err;
    ASSERT_EQ(mapi("create Company"), 0);
    ASSERT_EQ(mapi("create Home"), 0);
    EXPECT_EQ(mapi("create company", nullptr, &err), 1) << "exists";
    ASSERT_EQ(mapi("set-default Home"), 0);
    ASSERT_EQ(mapi("profiles", &out), 0);
    EXPECT_EQ(out, "  Company\n* Home\n");

    ASSERT_EQ(mapi("add-ldap Company Staff ldap://127.0.0.1:1 ou=People,dc=example,dc=org --filter '(cn=*)'"), 0);
    const std::string dir = velmo::test::makeTempDir("tool");
    ASSERT_EQ(mapi("add-vcard Company Cards " + shellQuote(dir + "/cards.vcf")), 0);
    EXPECT_EQ(mapi("add-vcard Company cards x.vcf", nullptr, &err), 1);
    EXPECT_NE(err.find("already has a service named cards"), std::string::npos) << err;
    EXPECT_EQ(mapi("add-ldap Company Bad http://example.org dc=x", nullptr, &err), 2);
    EXPECT_EQ(mapi("add-ldap Company Half ldap://127.0.0.1:1 dc=x --bind-dn cn=a", nullptr, &err), 2);

    // A password file others can read is refused, and no service is left behind.
    velmo::test::writeFile(dir + "/pw", "secret\n");
    ::chmod((dir + "/pw").c_str(), 0604);
    EXPECT_EQ(mapi("add-ldap Company Bound ldap://127.0.0.1:1 dc=x --bind-dn cn=a --password-file " +
                       shellQuote(dir + "/pw"),
                   nullptr, &err),
              1);
    EXPECT_NE(err.find("chmod 600"), std::string::npos) << err;

    ASSERT_EQ(mapi("services Company", &out), 0);
    const auto rows = lines(out);
    ASSERT_EQ(rows.size(), 2u) << out;
    EXPECT_EQ(rows[0], (std::vector<std::string>{"Staff", "LDAP", "ldap://127.0.0.1:1", "ou=People,dc=example,dc=org",
                                                 "filter=(cn=*)"}));
    EXPECT_EQ(rows[1], (std::vector<std::string>{"Cards", "VCARD", dir + "/cards.vcf"}));

    ASSERT_EQ(mapi("remove-service Company Staff"), 0);
    EXPECT_EQ(mapi("remove-service Company Staff", nullptr, &err), 1);
    ASSERT_EQ(mapi("services Company", &out), 0);
    EXPECT_EQ(lines(out).size(), 1u);
    EXPECT_EQ(mapi("services Nowhere", nullptr, &err), 1);
    EXPECT_EQ(mapi("frobnicate"), 2);
}

TEST_F(MapiToolsTest, APdxProfileReadsTheDirectoryAndTheCardsThroughTheProvider) {
    SlapdServer server(velmo::test::readFile(std::string(VELMO_SOURCE_DIR) + "/tests/data/ldap/directory.ldif"));
    ASSERT_TRUE(server.running()) << server.error();
    const std::string cards = velmo::test::makeTempDir("cards") + "/suppliers.vcf";
    velmo::test::writeFile(cards, "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:Paper Supplies\r\n"
                                  "TEL;TYPE=fax,work:+886 2 8765 4321\r\nEND:VCARD\r\n");

    ASSERT_EQ(mapi("create Company"), 0);
    ASSERT_EQ(mapi("add-ldap Company Staff " + server.uri() + " dc=example,dc=org"), 0);
    ASSERT_EQ(mapi("add-vcard Company Suppliers " + shellQuote(cards)), 0);

    std::string out, err;
    ASSERT_EQ(pdx("create Faxing"), 0);
    ASSERT_EQ(pdx("add-service Faxing MAPI_ABS", &out, &err), 0) << err;
    ASSERT_EQ(pdx("services Faxing", &out), 0);
    const auto services = lines(out);
    ASSERT_EQ(services.size(), 1u) << out;
    const std::string uid = services[0][0];
    ASSERT_EQ(pdx("configure Faxing " + uid + " 3001001E=Company 6600001E=Company", nullptr, &err), 0) << err;

    ASSERT_EQ(pdx("hierarchy Faxing", &out, &err), 0) << err;
    const auto hierarchy = lines(out);
    ASSERT_EQ(hierarchy.size(), 3u) << out;
    EXPECT_EQ(hierarchy[0][1], "Company");
    EXPECT_EQ(hierarchy[1][0], "1");
    EXPECT_EQ(hierarchy[1][1], "Staff");
    EXPECT_EQ(hierarchy[2][1], "Suppliers");

    ASSERT_EQ(pdx("contents Faxing " + hierarchy[1][4], &out, &err), 0) << err;
    EXPECT_NE(out.find("Ann Lee (Sales)"), std::string::npos) << out;
    EXPECT_NE(out.find("+1 555 0101"), std::string::npos) << out;
    EXPECT_NE(out.find("陳大文"), std::string::npos) << out;
    EXPECT_EQ(lines(out).size(), 6u) << out;
    ASSERT_EQ(pdx("contents Faxing " + hierarchy[2][4], &out, &err), 0) << err;
    EXPECT_NE(out.find("Paper Supplies"), std::string::npos) << out;
    EXPECT_NE(out.find("+886 2 8765 4321"), std::string::npos) << out;

    // The program's import brings the directory's people into a book.
    const std::string book = velmo::test::makeTempDir("book") + "/staff.abu";
    ASSERT_EQ(runCommand(binPath("lisotrex-convert") + " --import pdx:Faxing --container Company/Staff --save " +
                             shellQuote(book),
                         &out, &err),
              0)
        << err;
    const std::string saved = velmo::test::readFile(book);
    EXPECT_NE(saved.find("\r\n0,Ann Lee,,15550100,Example Trading Sales,0\r\n"), std::string::npos) << saved;
    EXPECT_NE(saved.find("\r\n1,Bob Chen,,bob.chen@example.org,Example Trading Management,0\r\n"), std::string::npos)
        << saved;
    EXPECT_EQ(saved.find("Paper Supplies"), std::string::npos) << "only the named container is read";

    // The directory down: the read fails with a status, the other service still reads.
    server.stop();
    EXPECT_EQ(pdx("contents Faxing " + hierarchy[1][4], &out, &err), 1);
    EXPECT_NE(err.find("MAPI_E_NETWORK_ERROR"), std::string::npos) << err;
    EXPECT_EQ(pdx("contents Faxing " + hierarchy[2][4], &out, &err), 0) << err;
}
