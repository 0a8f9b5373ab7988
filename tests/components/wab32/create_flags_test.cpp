// CreateEntry's duplicate check and replace, done when the new entry is saved.

#include <gtest/gtest.h>

#include <cstdlib>

#include "duplicates.h"
#include "test_environment.h"
#include "wab_tags.h"
#include "wab_test_util.h"

using namespace pdx;
using namespace wab32;
using namespace wabtest;
using velmo::test::readFile;

namespace {

const char* const kBook =
    "BEGIN:VCARD\r\nVERSION:3.0\r\nUID:urn:uuid:0b7c4d1e-0000-4000-8000-000000000001\r\n"
    "FN:Ada Lovelace\r\nN:Lovelace;Ada;;;\r\nEMAIL;TYPE=internet,pref:ada@example.org\r\n"
    "TEL;TYPE=fax,work:+44 20 5555 0001\r\nX-SHOE-SIZE:38\r\nEND:VCARD\r\n"
    "BEGIN:VCARD\r\nVERSION:3.0\r\nUID:urn:uuid:0b7c4d1e-0000-4000-8000-000000000002\r\n"
    "FN:張惠妹\r\nEND:VCARD\r\n"
    "BEGIN:VCARD\r\nVERSION:4.0\r\nUID:urn:uuid:0b7c4d1e-0000-4000-8000-000000000003\r\n"
    "KIND:group\r\nFN:Ada Lovelace\r\nMEMBER:urn:uuid:0b7c4d1e-0000-4000-8000-000000000001\r\nEND:VCARD\r\n";

ENTRYID* eid(const std::string& s) { return reinterpret_cast<ENTRYID*>(const_cast<char*>(s.data())); }

class CreateFlags : public ::testing::Test {
protected:
    void SetUp() override {
        setenv("VELMO_CODEPAGE", "UTF-8", 1);
        path_ = velmo::test::makeTempDir("dup") + "/book.vcf";
        velmo::test::writeFile(path_, kBook);
        ASSERT_EQ(w_.open(path_), S_OK);
        container_ = openContainer(w_.ab);
        ASSERT_NE(container_, nullptr);
        userTemplate_ = getProps(container_, {PR_DEF_CREATE_MAILUSER})[PR_DEF_CREATE_MAILUSER];
        listTemplate_ = getProps(container_, {PR_DEF_CREATE_DL})[PR_DEF_CREATE_DL];
    }
    void TearDown() override {
        if (container_) container_->Release();
        w_.close();
        unsetenv("VELMO_CODEPAGE");
    }
    // A new mail user with a name and (when given) an e-mail address; the SaveChanges result.
    HRESULT save(ULONG flags, const std::string& name, const std::string& email = {},
                 const std::string& templ = {}) {
        const std::string& t = templ.empty() ? userTemplate_ : templ;
        IMAPIProp* made = nullptr;
        HRESULT h = container_->CreateEntry(ULONG(t.size()), eid(t), flags, &made);
        if (FAILED(h)) return h;
        EXPECT_EQ(setString(made, PR_DISPLAY_NAME, name), S_OK);
        if (!email.empty()) {
            EXPECT_EQ(setString(made, PR_EMAIL_ADDRESS, email), S_OK);
            EXPECT_EQ(setString(made, PR_ADDRTYPE, "SMTP"), S_OK);
        }
        h = made->SaveChanges(KEEP_OPEN_READWRITE);
        lastId_ = SUCCEEDED(h) ? getProps(made, {PR_ENTRYID})[PR_ENTRYID] : std::string();
        made->Release();
        return h;
    }
    size_t count() { return contents(w_.ab, {PR_DISPLAY_NAME}).size(); }

    std::string path_;
    Wab w_;
    IABContainer* container_ = nullptr;
    std::string userTemplate_, listTemplate_, lastId_;
};

} // namespace

TEST_F(CreateFlags, LooseMatchesTheNameStrictTheNameAndAddress) {
    // Without flags nothing is checked.
    EXPECT_EQ(save(0, "Ada Lovelace", "ada@example.org"), S_OK);
    EXPECT_EQ(count(), 4u);
    // Loose: the display name, whatever its case.
    EXPECT_EQ(save(CREATE_CHECK_DUP_LOOSE, "ADA lovelace", "other@example.org"), MAPI_E_COLLISION);
    EXPECT_EQ(save(CREATE_CHECK_DUP_LOOSE, "張惠妹"), MAPI_E_COLLISION);
    // Strict: the name and the address; a different address is another person.
    EXPECT_EQ(save(CREATE_CHECK_DUP_STRICT, "Ada Lovelace", "ADA@example.org"), MAPI_E_COLLISION);
    EXPECT_EQ(save(CREATE_CHECK_DUP_STRICT, "張惠妹", "amei@example.tw"), S_OK);
    EXPECT_EQ(save(CREATE_CHECK_DUP_STRICT, "Grace Hopper"), S_OK);
    EXPECT_EQ(count(), 6u);
    // A refused entry left the file as the successful ones made it.
    const std::string file = readFile(path_);
    EXPECT_EQ(file.substr(0, std::string(kBook).size()), kBook);
    EXPECT_EQ(file.find("other@example.org"), std::string::npos);
}

TEST_F(CreateFlags, OnlyEntriesOfTheSameKindAreDuplicates) {
    // "Ada Lovelace" is also a list: a new list by that name collides with it, a new contact with the contact.
    EXPECT_EQ(save(CREATE_CHECK_DUP_LOOSE, "Ada Lovelace", {}, listTemplate_), MAPI_E_COLLISION);
    EXPECT_EQ(save(CREATE_CHECK_DUP_LOOSE, "Babbage", {}, listTemplate_), S_OK);
    EXPECT_EQ(save(CREATE_CHECK_DUP_LOOSE, "Babbage"), S_OK) << "a contact may share a list's name";
}

TEST_F(CreateFlags, ReplaceWritesIntoTheExistingCardAndKeepsItsIdentity) {
    const std::vector<Row> before = contents(w_.ab, {PR_DISPLAY_NAME, PR_ENTRYID, PR_OBJECT_TYPE});
    std::string adaId;
    for (const Row& r : before)
        if (r.at(PR_OBJECT_TYPE) == "6" && r.at(PR_DISPLAY_NAME) == "Ada Lovelace") adaId = r.at(PR_ENTRYID);
    ASSERT_FALSE(adaId.empty());

    ASSERT_EQ(save(CREATE_CHECK_DUP_LOOSE | CREATE_REPLACE, "Ada Lovelace", "countess@example.org"), S_OK);
    EXPECT_EQ(lastId_, adaId) << "the saved entry is the one replaced";
    EXPECT_EQ(count(), before.size());
    IUnknown* opened = openId(w_.ab, adaId);
    ASSERT_NE(opened, nullptr);
    Row ada = getProps(static_cast<IMAPIProp*>(opened), {PR_EMAIL_ADDRESS, PR_BUSINESS_FAX_NUMBER, PR_SURNAME});
    opened->Release();
    EXPECT_EQ(ada[PR_EMAIL_ADDRESS], "countess@example.org");
    EXPECT_EQ(ada.count(PR_BUSINESS_FAX_NUMBER), 0u) << "values the new entry lacks are gone";
    EXPECT_EQ(ada.count(PR_SURNAME), 0u);
    const std::string file = readFile(path_);
    EXPECT_NE(file.find("UID:urn:uuid:0b7c4d1e-0000-4000-8000-000000000001"), std::string::npos);
    EXPECT_NE(file.find("X-SHOE-SIZE:38"), std::string::npos) << "lines with no property stay";
    EXPECT_EQ(file.find("ada@example.org"), std::string::npos);
    // The list still names the same card.
    EXPECT_NE(file.find("MEMBER:urn:uuid:0b7c4d1e-0000-4000-8000-000000000001"), std::string::npos);

    // Replace alone checks strictly: another address is a new entry.
    ASSERT_EQ(save(CREATE_REPLACE, "Ada Lovelace", "someone@example.org"), S_OK);
    EXPECT_NE(lastId_, adaId);
    EXPECT_EQ(count(), before.size() + 1);
    // Nothing to replace: a new entry.
    ASSERT_EQ(save(CREATE_CHECK_DUP_STRICT | CREATE_REPLACE, "Alan Turing", "alan@example.org"), S_OK);
    EXPECT_EQ(count(), before.size() + 2);
}

TEST_F(CreateFlags, AListsNewMemberIsCheckedToo) {
    const std::vector<Row> rows = contents(w_.ab, {PR_DISPLAY_NAME, PR_ENTRYID, PR_OBJECT_TYPE});
    std::string listId;
    for (const Row& r : rows)
        if (r.at(PR_OBJECT_TYPE) == "8") listId = r.at(PR_ENTRYID);
    auto* list = static_cast<IDistList*>(openId(w_.ab, listId));
    ASSERT_NE(list, nullptr);
    IMAPIProp* made = nullptr;
    ASSERT_EQ(list->CreateEntry(ULONG(userTemplate_.size()), eid(userTemplate_), CREATE_CHECK_DUP_LOOSE, &made), S_OK);
    ASSERT_EQ(setString(made, PR_DISPLAY_NAME, "張惠妹"), S_OK);
    EXPECT_EQ(made->SaveChanges(0), MAPI_E_COLLISION);
    made->Release();
    list->Release();
    EXPECT_EQ(readFile(path_), kBook);
}

// Copied within its own file, an entry is its own duplicate.
TEST_F(CreateFlags, CopyEntriesWithADuplicateCheckCopiesNothing) {
    std::vector<std::string> ids;
    for (const Row& r : contents(w_.ab, {PR_DISPLAY_NAME, PR_ENTRYID, PR_OBJECT_TYPE}))
        if (r.at(PR_OBJECT_TYPE) == "6") ids.push_back(r.at(PR_ENTRYID));
    ASSERT_EQ(ids.size(), 2u);
    std::vector<SBinary> storage;
    const std::string file = readFile(path_);
    EXPECT_EQ(container_->CopyEntries(entryList(ids, storage), 0, nullptr, CREATE_CHECK_DUP_LOOSE),
              MAPI_W_PARTIAL_COMPLETION);
    EXPECT_EQ(container_->CopyEntries(entryList(ids, storage), 0, nullptr, CREATE_CHECK_DUP_STRICT),
              MAPI_W_PARTIAL_COMPLETION);
    EXPECT_EQ(container_->CopyEntries(entryList(ids, storage), 0, nullptr, CREATE_REPLACE), S_OK);
    EXPECT_EQ(readFile(path_), file) << "nothing was written";
    EXPECT_EQ(container_->CopyEntries(entryList(ids, storage), 0, nullptr, 0), S_OK);
    EXPECT_EQ(count(), 5u) << "without a check both are copied";
}
