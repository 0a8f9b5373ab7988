// The LDAP service's attribute mapping and text conversion, on entries built
// here: what a server may send that a well-behaved sample does not.

#include <gtest/gtest.h>

#include <cstdlib>

#include "entry_ids.h"
#include "ldap_values.h"
#include "pdx/tags.h"

using namespace pdx;
using namespace mapi32;

namespace {

const MAPIUID kUid = {{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16}};

std::string text(const common::TableRow& row, ULONG tag) {
    const SPropValue* v = row->find(tag);
    return v ? v->Value.lpszA : "<none>";
}

class LdapValuesTest : public ::testing::Test {
protected:
    void TearDown() override { unsetenv("VELMO_CODEPAGE"); }
};

} // namespace

TEST_F(LdapValuesTest, NamesFallBackFromDisplayNameToCnToTheDn) {
    const DirectoryText conv;
    LdapEntry e{"cn=Team\\, North,ou=Groups,dc=example,dc=org", {{"objectClass", {"top", "GROUPOFNAMES"}}}};
    auto row = recipientRow(e, kUid, conv);
    EXPECT_EQ(text(row, PR_DISPLAY_NAME), "Team\\, North") << "the leading RDN's value, escapes kept";
    EXPECT_EQ(row->find(PR_OBJECT_TYPE)->Value.ul, MAPI_DISTLIST) << "object classes match without case";
    EXPECT_EQ(text(row, PR_ADDRTYPE), "MAPIPDL");

    e.attributes.push_back({"CN", {"  Team North  "}});
    EXPECT_EQ(text(recipientRow(e, kUid, conv), PR_DISPLAY_NAME), "Team North");
    e.attributes.push_back({"displayname", {"North team"}});
    EXPECT_EQ(text(recipientRow(e, kUid, conv), PR_DISPLAY_NAME), "North team");

    const SPropValue* id = row->find(PR_ENTRYID);
    const std::string bytes(reinterpret_cast<const char*>(id->Value.bin.lpb), id->Value.bin.cb);
    IdKind kind;
    ASSERT_TRUE(idKind(bytes, kind));
    EXPECT_EQ(kind, IdKind::DistList);
    EXPECT_EQ(idRest(bytes), e.dn);
}

TEST_F(LdapValuesTest, DepartmentAndFaxRules) {
    const DirectoryText conv;
    LdapEntry e{"cn=x", {{"objectClass", {"inetOrgPerson"}},
                         {"department", {"Logistics"}},
                         {"facsimileTelephoneNumber", {" +44 20 7946 0000 $twoDimensional$fineResolution"}},
                         {"mail", {"  "}}}};
    auto row = recipientRow(e, kUid, conv);
    EXPECT_EQ(text(row, PR_DEPARTMENT_NAME), "Logistics") << "department when there is no ou";
    EXPECT_EQ(text(row, PR_BUSINESS_FAX_NUMBER), "+44 20 7946 0000");
    EXPECT_EQ(text(row, PR_EMAIL_ADDRESS), "<none>") << "a blank mail is no address";
    EXPECT_EQ(text(row, PR_ADDRTYPE), "<none>");
    e.attributes.push_back({"ou", {"Shipping"}});
    EXPECT_EQ(text(recipientRow(e, kUid, conv), PR_DEPARTMENT_NAME), "Shipping");
}

TEST_F(LdapValuesTest, BytesThatAreNotTextBecomeQuestionMarks) {
    const DirectoryText utf8;
    // A stray continuation byte, an overlong "/", a surrogate, a cut-off sequence, a control character.
    EXPECT_EQ(utf8(std::string("a\x80" "b\xC0\xAF" "c\xED\xA0\x80" "d\xE4\xB8", 12)), "a?b??c???d??");
    EXPECT_EQ(utf8("line\nbreak\ttab"), "line break\ttab");
    EXPECT_EQ(utf8("\xE9\x99\xB3"), "\xE9\x99\xB3");

    setenv("VELMO_CODEPAGE", "CP950", 1);
    const DirectoryText big5;
    EXPECT_EQ(big5("\xE9\x99\xB3 \xF0\x9F\x98\x80"), "\xB3\xAF ?") << "what Big5 cannot hold is a question mark";
}

TEST_F(LdapValuesTest, MembersComeOnceWithoutTheirUniqueIdentifiers) {
    LdapEntry g{"cn=g", {{"member", {"cn=a,dc=x", "cn=b,dc=x", "cn=a,dc=x"}},
                         {"uniqueMember", {"cn=b,dc=x#'0101'B", "cn=c\\#1,dc=x", "cn=d,dc=x#'1'B"}}}};
    EXPECT_EQ(memberDns(g), (std::vector<std::string>{"cn=a,dc=x", "cn=b,dc=x", "cn=c\\#1,dc=x", "cn=d,dc=x"}));
}
