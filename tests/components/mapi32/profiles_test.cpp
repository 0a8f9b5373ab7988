// Messaging profiles and logon: the registry store behind the profile and
// service administration, which profile a logon picks, and vCard services
// read through the contacts store with identifiers of their own.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <sys/stat.h>

#include "admin.h"
#include "entry_ids.h"
#include "mapi_test_util.h"
#include "pdx/status.h"
#include "pdx/tags.h"
#include "platform/registry.h"
#include "profile_store.h"
#include "session.h"
#include "subsystem.h"
#include "test_environment.h"

using namespace pdx;
using namespace mapitest;

namespace {

class ProfilesTest : public ::testing::Test {
protected:
    void SetUp() override {
        platform::closeRegistry();
        velmo::test::freshRegistry();
    }
    void TearDown() override { platform::closeRegistry(); }

    std::string vcardFile(const std::string& cards) {
        const std::string path = velmo::test::makeTempDir("cards") + "/contacts.vcf";
        velmo::test::writeFile(path, cards);
        return path;
    }
};

const char* kCards = "BEGIN:VCARD\r\nVERSION:3.0\r\nUID:urn:uuid:8f1c2d3e-0000-4000-8000-000000000001\r\n"
                     "FN:Dora Fax\r\nN:Fax;Dora;;;\r\nORG:Paper Co;Print\r\n"
                     "TEL;TYPE=fax,work:+886 2 1234 5678\r\nEMAIL;TYPE=pref:dora@example.net\r\nEND:VCARD\r\n"
                     "BEGIN:VCARD\r\nVERSION:3.0\r\nUID:urn:uuid:8f1c2d3e-0000-4000-8000-000000000002\r\n"
                     "FN:Print Team\r\nX-ADDRESSBOOKSERVER-KIND:group\r\n"
                     "X-ADDRESSBOOKSERVER-MEMBER:urn:uuid:8f1c2d3e-0000-4000-8000-000000000001\r\nEND:VCARD\r\n";

} // namespace

TEST_F(ProfilesTest, ProfilesKeepOneDefaultAndNamesMatchWithoutCase) {
    Initialized init;
    object_ptr<IProfAdmin> admin(mapi32::newProfAdmin());
    ASSERT_EQ(admin->CreateProfile("Office", nullptr, 0, 0), S_OK);
    ASSERT_EQ(admin->CreateProfile("Home", nullptr, 0, 0), S_OK);
    EXPECT_EQ(admin->CreateProfile("office", nullptr, 0, 0), E_ACCESSDENIED) << "exists, whatever the case";
    EXPECT_EQ(admin->CreateProfile("a\\b", nullptr, 0, 0), E_INVALIDARG) << "would be a key path";
    EXPECT_EQ(admin->CreateProfile(std::string(65, 'x').c_str(), nullptr, 0, 0), E_INVALIDARG);

    std::string def;
    ASSERT_EQ(mapi32::profiles::defaultProfile(def), S_OK);
    EXPECT_EQ(def, "Office") << "the first profile becomes the default";
    ASSERT_EQ(admin->SetDefaultProfile("HOME", 0), S_OK);
    std::vector<mapi32::ProfileInfo> all;
    ASSERT_EQ(mapi32::profiles::list(all), S_OK);
    ASSERT_EQ(all.size(), 2u);
    EXPECT_EQ(std::count_if(all.begin(), all.end(), [](auto& p) { return p.isDefault; }), 1);
    ASSERT_EQ(mapi32::profiles::defaultProfile(def), S_OK);
    EXPECT_EQ(def, "Home");
    EXPECT_EQ(admin->SetDefaultProfile("Nowhere", 0), MAPI_E_NOT_FOUND);

    object_ptr<IMAPITable> table;
    ASSERT_EQ(admin->GetProfileTable(0, table.out()), S_OK);
    std::vector<Row> rows;
    ASSERT_EQ(readAll(table.get(), rows), S_OK);
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(byName(rows, "Home")->at(PR_DEFAULT_PROFILE), "1");
    EXPECT_EQ(byName(rows, "Office")->at(PR_DEFAULT_PROFILE), "0");
}

TEST_F(ProfilesTest, ServicesAreNamedOnceAndSettingsAreChecked) {
    createProfile("Office");
    EXPECT_EQ(addService("Office", "VCARD", "Cards", {{PR_VELMO_VCARD_FILE, "/tmp/x.vcf"}}), S_OK);
    EXPECT_EQ(addService("Office", "VCARD", "cards", {}), MAPI_E_COLLISION);
    EXPECT_EQ(addService("Office", "FAX", "Fax", {}), MAPI_E_NOT_FOUND) << "unknown kind";
    EXPECT_EQ(addService("Nowhere", "VCARD", "Cards", {}), MAPI_E_NOT_FOUND);

    // A password file that others may read is refused before it is stored.
    const std::string dir = velmo::test::makeTempDir("pw");
    velmo::test::writeFile(dir + "/open", "secret\n");
    ::chmod((dir + "/open").c_str(), 0644);
    EXPECT_EQ(addService("Office", "LDAP", "Open",
                         {{PR_VELMO_LDAP_URI, "ldap://127.0.0.1:1"}, {PR_VELMO_LDAP_PASSWORD_FILE, dir + "/open"}}),
              E_ACCESSDENIED);
    EXPECT_EQ(addService("Office", "LDAP", "Missing", {{PR_VELMO_LDAP_PASSWORD_FILE, dir + "/none"}}),
              MAPI_E_NOT_FOUND);
    std::vector<mapi32::ServiceConfig> services;
    ASSERT_EQ(mapi32::profiles::services("office", services), S_OK);
    ASSERT_EQ(services.size(), 3u) << "created, then refused configuration";
    EXPECT_EQ(services[0].displayName, "Cards");
    EXPECT_EQ(services[0].setting(PR_VELMO_VCARD_FILE), "/tmp/x.vcf");
    EXPECT_EQ(services[1].setting(PR_VELMO_LDAP_PASSWORD_FILE), "");

    ASSERT_EQ(mapi32::profiles::removeService("Office", services[1].uid), S_OK);
    ASSERT_EQ(mapi32::profiles::services("Office", services), S_OK);
    EXPECT_EQ(services.size(), 2u);
}

TEST_F(ProfilesTest, LogonPicksTheDefaultOrTheNamedProfile) {
    {
        Initialized init;
        IMAPISession* session = reinterpret_cast<IMAPISession*>(0x1);
        EXPECT_EQ(mapi32::logon(0, nullptr, MAPI_USE_DEFAULT, &session), MAPI_E_LOGON_FAILED) << "no profile at all";
        EXPECT_EQ(session, nullptr);
    }
    createProfile("Office");
    createProfile("Home");
    ASSERT_EQ(addService("Home", "VCARD", "Home cards", {{PR_VELMO_VCARD_FILE, vcardFile(kCards)}}), S_OK);
    ASSERT_EQ(addService("Office", "VCARD", "Office cards", {{PR_VELMO_VCARD_FILE, vcardFile(kCards)}}), S_OK);

    {
        Book defaultBook;
        ASSERT_EQ(defaultBook.logonStatus(), S_OK);
        ASSERT_EQ(defaultBook.containers().size(), 1u);
        EXPECT_EQ(defaultBook.containers()[0].first, "Office cards");
    }
    {
        Book named("HOME");
        ASSERT_EQ(named.logonStatus(), S_OK);
        EXPECT_EQ(named.containers()[0].first, "Home cards");
    }
    {
        Book unknown("Elsewhere");
        EXPECT_EQ(unknown.logonStatus(), MAPI_E_LOGON_FAILED);
    }

    // Without MAPIInitialize there is no logon.
    IMAPISession* session = nullptr;
    EXPECT_EQ(mapi32::logon(0, "Home", MAPI_EXPLICIT_PROFILE, &session), MAPI_E_NOT_INITIALIZED);
}

TEST_F(ProfilesTest, VCardServicesCarryTheirOwnUidAndStayReadOnly) {
    createProfile("Office");
    const std::string file = vcardFile(kCards);
    ASSERT_EQ(addService("Office", "VCARD", "First", {{PR_VELMO_VCARD_FILE, file}}), S_OK);
    ASSERT_EQ(addService("Office", "VCARD", "Second", {{PR_VELMO_VCARD_FILE, file}}), S_OK);
    const MAPIUID first = serviceUid("Office", "First");
    const MAPIUID second = serviceUid("Office", "Second");
    ASSERT_NE(std::memcmp(first.ab, second.ab, 16), 0);

    Book book("Office");
    ASSERT_EQ(book.logonStatus(), S_OK);
    const auto containers = book.containers();
    ASSERT_EQ(containers.size(), 2u);
    for (size_t i = 0; i < 2; ++i) {
        const MAPIUID& uid = i == 0 ? first : second;
        EXPECT_EQ(containers[i].second.substr(4, 16), std::string(reinterpret_cast<const char*>(uid.ab), 16));
        std::vector<Row> rows;
        ASSERT_EQ(book.contents(containers[i].second, rows), S_OK);
        ASSERT_EQ(rows.size(), 2u);
        for (const Row& r : rows)
            EXPECT_EQ(r.at(PR_ENTRYID).substr(4, 16), std::string(reinterpret_cast<const char*>(uid.ab), 16))
                << "each entry routes to its own service";
        const Row* dora = byName(rows, "Dora Fax");
        ASSERT_NE(dora, nullptr);
        EXPECT_EQ(dora->at(PR_BUSINESS_FAX_NUMBER), "+886 2 1234 5678");
        EXPECT_EQ(dora->at(PR_EMAIL_ADDRESS), "dora@example.net");
        EXPECT_EQ(dora->at(PR_ADDRTYPE), "SMTP");
        EXPECT_EQ(dora->at(PR_COMPANY_NAME), "Paper Co");

        // The list opens through its identifier and lists its member.
        const Row* team = byName(rows, "Print Team");
        ASSERT_NE(team, nullptr);
        EXPECT_EQ(team->at(PR_OBJECT_TYPE), "8");
        std::vector<Row> members;
        ASSERT_EQ(book.contents(team->at(PR_ENTRYID), members), S_OK);
        ASSERT_EQ(members.size(), 1u);
        EXPECT_EQ(members[0].at(PR_ENTRYID), dora->at(PR_ENTRYID));

        ULONG type = 0;
        object_ptr<IUnknown> user(book.open(dora->at(PR_ENTRYID), &type));
        EXPECT_EQ(type, MAPI_MAILUSER);
        SPropValue name{};
        name.ulPropTag = PR_DISPLAY_NAME;
        name.Value.lpszA = const_cast<char*>("Changed");
        EXPECT_EQ(reinterpret_cast<IMailUser*>(user.get())->SetProps(1, &name, nullptr), E_ACCESSDENIED);
    }
    // Identifiers compare within the book; one of no service is unknown.
    const std::string a = containers[0].second, b = containers[1].second;
    ULONG same = 9;
    EXPECT_EQ(book.get()->CompareEntryIDs(ULONG(a.size()), (ENTRYID*)a.data(), ULONG(b.size()), (ENTRYID*)b.data(), 0,
                                          &same),
              S_OK);
    EXPECT_EQ(same, 0u);
    std::string foreign = a;
    foreign[10] ^= 0x5A;
    EXPECT_EQ(book.get()->CompareEntryIDs(ULONG(a.size()), (ENTRYID*)a.data(), ULONG(foreign.size()),
                                          (ENTRYID*)foreign.data(), 0, &same),
              MAPI_E_UNKNOWN_ENTRYID);
}

TEST_F(ProfilesTest, AFileThatIsNotVCardTextIsRefusedAndLeftAlone) {
    createProfile("Office");
    const std::string path = velmo::test::makeTempDir("bin") + "/book.wab";
    const std::string bytes("\x9c\xcb\xcb\x8d\x13\x75\xd2\x11\0\0\0\0", 12);
    velmo::test::writeFile(path, bytes);
    ASSERT_EQ(addService("Office", "VCARD", "Old book", {{PR_VELMO_VCARD_FILE, path}}), S_OK);
    Book book("Office");
    std::vector<Row> rows;
    EXPECT_EQ(book.contents(book.containerId("Old book"), rows), MAPI_E_CORRUPT_DATA);
    EXPECT_EQ(velmo::test::readFile(path), bytes);
}
