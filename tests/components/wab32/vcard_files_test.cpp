// The IWABObject services over single vCard files and the user's own contact,
// in a process without a window system.

#include <gtest/gtest.h>

#include <cstdlib>

#include "pdx/mapi.h"
#include "test_environment.h"
#include "vcard_files.h"
#include "wab_tags.h"
#include "wab_test_util.h"

using namespace pdx;
using namespace wab32;
using namespace wabtest;
using velmo::test::readFile;
using velmo::test::writeFile;

namespace {

const std::string kRosa =
    "BEGIN:VCARD\r\nVERSION:3.0\r\nUID:urn:uuid:5f0e2a1c-0000-4000-8000-000000000001\r\nFN:Rosa Delgado\r\n"
    "N:Delgado;Rosa;;;\r\nX-SKYPE-USERNAME;TYPE=work:rosa.delgado\r\nTEL;TYPE=WORK,FAX:+34 91 555 0123\r\n"
    "item1.EMAIL;TYPE=INTERNET:rosa@example.es\r\nitem1.X-ABLabel:work\r\nEND:VCARD\r\n";
const std::string kTom =
    "BEGIN:VCARD\r\nVERSION:3.0\r\nUID:urn:uuid:5f0e2a1c-0000-4000-8000-000000000002\r\nFN:Tom Baker\r\n"
    "TEL;TYPE=fax,home:+44 20 5555 0199\r\nEND:VCARD\r\n";
const std::string kCrew =
    "BEGIN:VCARD\r\nVERSION:4.0\r\nUID:urn:uuid:5f0e2a1c-0000-4000-8000-000000000003\r\nKIND:group\r\nFN:Crew\r\n"
    "MEMBER:urn:uuid:5f0e2a1c-0000-4000-8000-000000000002\r\nEND:VCARD\r\n";

class VCardFiles : public ::testing::Test {
protected:
    void SetUp() override {
        setenv("VELMO_CODEPAGE", "UTF-8", 1);
        dir_ = velmo::test::makeTempDir("vcf-files");
        store_ = dir_ + "/store.vcf";
        writeFile(store_, kRosa + kTom + kCrew);
        ASSERT_EQ(w_.open(store_), S_OK);
    }
    void TearDown() override {
        w_.close();
        unsetenv("VELMO_CODEPAGE");
    }
    std::string idOf(const std::string& name) {
        return rowNamed(contents(w_.ab, {PR_DISPLAY_NAME, PR_ENTRYID}), name).at(PR_ENTRYID);
    }
    // Seen through the slots VCardCreate takes, whatever the object is.
    IMailUser* open(const std::string& name) { return reinterpret_cast<IMailUser*>(openId(w_.ab, idOf(name))); }
    int count(const std::string& text, const std::string& what) {
        int n = 0;
        for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
        return n;
    }
    static SBinary bin(std::string& s) { return {ULONG(s.size()), reinterpret_cast<BYTE*>(s.data())}; }

    std::string dir_, store_;
    Wab w_;
};

} // namespace

TEST_F(VCardFiles, AStoredContactIsWrittenAsItsOwnCardWithTheObjectsChanges) {
    std::string out = dir_ + "/rosa.vcf";
    IMailUser* rosa = open("Rosa Delgado");
    ASSERT_NE(rosa, nullptr);
    ASSERT_EQ(w_.wab->VCardCreate(w_.ab, WAB_VCARD_FILE, out.data(), rosa), S_OK);
    EXPECT_EQ(readFile(out), kRosa) << "every byte of the card, the lines with no property included";

    // An unsaved change goes into the file, the other lines stay as written.
    ASSERT_EQ(setString(rosa, PR_COMPANY_NAME, "Correos"), S_OK);
    ASSERT_EQ(w_.wab->VCardCreate(w_.ab, WAB_VCARD_FILE, out.data(), rosa), S_OK);
    const std::string changed = readFile(out);
    EXPECT_NE(changed.find("ORG:Correos"), std::string::npos) << changed;
    EXPECT_NE(changed.find("X-SKYPE-USERNAME;TYPE=work:rosa.delgado\r\n"), std::string::npos);
    EXPECT_NE(changed.find("item1.X-ABLabel:work\r\n"), std::string::npos);
    EXPECT_EQ(readFile(store_), kRosa + kTom + kCrew) << "the store is not touched";

    EXPECT_EQ(w_.wab->VCardCreate(w_.ab, WAB_VCARD_STREAM, out.data(), rosa), MAPI_E_NO_SUPPORT);
    EXPECT_EQ(w_.wab->VCardCreate(w_.ab, 0, nullptr, rosa), E_INVALIDARG);
    rosa->Release();
    IMailUser* crew = open("Crew");
    EXPECT_EQ(w_.wab->VCardCreate(w_.ab, 0, out.data(), crew), E_INVALIDARG) << "a list is not a person's card";
    crew->Release();
    std::string nowhere = dir_ + "/no/such/folder/x.vcf";
    IMailUser* tom = open("Tom Baker");
    EXPECT_EQ(w_.wab->VCardCreate(w_.ab, 0, nowhere.data(), tom), MAPI_E_NOT_FOUND);
    tom->Release();
}

TEST_F(VCardFiles, ANewContactGoesOutAndComesBackWithItsFields) {
    IABContainer* c = openContainer(w_.ab);
    const std::string tpl = getProps(c, {PR_DEF_CREATE_MAILUSER})[PR_DEF_CREATE_MAILUSER];
    IMAPIProp* made = nullptr;
    ASSERT_EQ(c->CreateEntry(ULONG(tpl.size()), reinterpret_cast<ENTRYID*>(const_cast<char*>(tpl.data())), 0, &made),
              S_OK);
    ASSERT_EQ(setString(made, PR_DISPLAY_NAME, "王小明"), S_OK);
    ASSERT_EQ(setString(made, PR_BUSINESS_FAX_NUMBER, "+886-2-2700-1234"), S_OK);
    ASSERT_EQ(setString(made, PR_COMMENT, "line one\nline two; with, marks"), S_OK);
    std::string out = dir_ + "/new.vcf";
    ASSERT_EQ(w_.wab->VCardCreate(w_.ab, 0, out.data(), static_cast<IMailUser*>(made)), S_OK);
    made->Release();
    c->Release();
    const std::string card = readFile(out);
    EXPECT_EQ(card.rfind("BEGIN:VCARD\r\nVERSION:3.0\r\n", 0), 0u) << card;
    EXPECT_NE(card.find("FN:王小明\r\n"), std::string::npos) << card;

    IMailUser* back = nullptr;
    ASSERT_EQ(w_.wab->VCardRetrieve(w_.ab, 0, out.data(), &back), S_OK);
    Row row = getProps(back, {PR_DISPLAY_NAME, PR_BUSINESS_FAX_NUMBER, PR_COMMENT, PR_OBJECT_TYPE});
    EXPECT_EQ(row[PR_DISPLAY_NAME], "王小明");
    EXPECT_EQ(row[PR_BUSINESS_FAX_NUMBER], "+886-2-2700-1234");
    EXPECT_EQ(row[PR_COMMENT], "line one\nline two; with, marks");
    EXPECT_EQ(row[PR_OBJECT_TYPE], "6");
    EXPECT_EQ(contents(w_.ab, {PR_DISPLAY_NAME}).size(), 3u) << "retrieved, not yet saved";
    ASSERT_EQ(back->SaveChanges(0), S_OK);
    back->Release();
    EXPECT_EQ(rowNamed(contents(w_.ab, {PR_DISPLAY_NAME, PR_BUSINESS_FAX_NUMBER}), "王小明")[PR_BUSINESS_FAX_NUMBER],
              "+886-2-2700-1234");
}

TEST_F(VCardFiles, RetrieveTakesTheFirstPersonAndRefusesWhatIsNoCard) {
    std::string file = dir_ + "/group-first.vcf";
    writeFile(file, kCrew + kTom);
    IMailUser* user = nullptr;
    ASSERT_EQ(w_.wab->VCardRetrieve(w_.ab, 0, file.data(), &user), S_OK);
    EXPECT_EQ(getProps(user, {PR_DISPLAY_NAME})[PR_DISPLAY_NAME], "Tom Baker");
    user->Release();
    user = reinterpret_cast<IMailUser*>(1);
    std::string missing = dir_ + "/missing.vcf";
    EXPECT_EQ(w_.wab->VCardRetrieve(w_.ab, 0, missing.data(), &user), MAPI_E_NOT_FOUND);
    EXPECT_EQ(user, nullptr);
    std::string text = dir_ + "/notes.txt";
    writeFile(text, "just some notes\n");
    EXPECT_EQ(w_.wab->VCardRetrieve(w_.ab, 0, text.data(), &user), MAPI_E_CORRUPT_DATA);
    std::string onlyGroup = dir_ + "/group.vcf";
    writeFile(onlyGroup, kCrew);
    EXPECT_EQ(w_.wab->VCardRetrieve(w_.ab, 0, onlyGroup.data(), &user), MAPI_E_NOT_FOUND);
    EXPECT_EQ(w_.wab->VCardRetrieve(w_.ab, WAB_VCARD_STREAM, file.data(), &user), MAPI_E_NO_SUPPORT);
}

TEST_F(VCardFiles, ImportAppendsTheCardsAsWrittenAndLeavesOutThoseAlreadyThere) {
    // 2.1 with quoted-printable, LF line ends, someone else's "me" mark, a
    // group naming a card of the same file, and Tom again.
    const std::string ana =
        "BEGIN:VCARD\nVERSION:2.1\nUID:ana-21\nFN;CHARSET=UTF-8;ENCODING=QUOTED-PRINTABLE:Ana =C3=81lvarez\n"
        "TEL;FAX;WORK:+34 93 555 0456\nX-VELMO-ME:TRUE\nX-UNKNOWN;FOO=bar:kept as is\nEND:VCARD\n";
    const std::string friends =
        "BEGIN:VCARD\nVERSION:3.0\nUID:friends-30\nX-ADDRESSBOOKSERVER-KIND:group\nFN:Friends\n"
        "X-ADDRESSBOOKSERVER-MEMBER:urn:uuid:ana-21\nEND:VCARD\n";
    // Tom again, his UID written without its "urn:uuid:".
    std::string tomAgain = kTom;
    tomAgain.replace(tomAgain.find("urn:uuid:"), 9, "");
    std::string file = dir_ + "/import.vcf";
    writeFile(file, ana + friends + tomAgain);
    WABIMPORTPARAM params{sizeof(WABIMPORTPARAM), w_.ab, 0, 0, file.data()};
    EXPECT_EQ(w_.wab->Import(reinterpret_cast<char*>(&params)), MAPI_W_PARTIAL_COMPLETION);

    const std::string stored = readFile(store_);
    ASSERT_EQ(stored.substr(0, (kRosa + kTom + kCrew).size()), kRosa + kTom + kCrew);
    const std::string added = stored.substr((kRosa + kTom + kCrew).size());
    EXPECT_EQ(count(stored, "FN:Tom Baker"), 1);
    EXPECT_NE(added.find("X-UNKNOWN;FOO=bar:kept as is\n"), std::string::npos) << added;
    EXPECT_EQ(added.find("X-VELMO-ME"), std::string::npos) << "someone else's mark is not the user's";
    EXPECT_NE(added.find(friends), std::string::npos) << "an untouched card keeps every byte";

    const auto rows = contents(w_.ab, {PR_DISPLAY_NAME, PR_ENTRYID, PR_BUSINESS_FAX_NUMBER});
    ASSERT_EQ(rows.size(), 5u);
    EXPECT_EQ(rowNamed(rows, "Ana Álvarez")[PR_BUSINESS_FAX_NUMBER], "+34 93 555 0456");
    IUnknown* group = openId(w_.ab, rowNamed(rows, "Friends").at(PR_ENTRYID));
    ASSERT_NE(group, nullptr);
    IMAPITable* t = nullptr;
    ASSERT_EQ(static_cast<IDistList*>(group)->GetContentsTable(0, &t), S_OK);
    const auto members = readTable(t, {PR_DISPLAY_NAME});
    ASSERT_EQ(members.size(), 1u);
    EXPECT_EQ(members[0].at(PR_DISPLAY_NAME), "Ana Álvarez");
    t->Release();
    group->Release();

    // Again: everything is there already.
    EXPECT_EQ(w_.wab->Import(reinterpret_cast<char*>(&params)), MAPI_W_PARTIAL_COMPLETION);
    EXPECT_EQ(readFile(store_), stored);
}

TEST_F(VCardFiles, ImportRefusesDamagedFilesAndBadParameters) {
    const std::string before = readFile(store_);
    std::string file = dir_ + "/torn.vcf";
    writeFile(file, kTom + "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:Half\r\n");
    WABIMPORTPARAM params{sizeof(WABIMPORTPARAM), w_.ab, 0, 0, file.data()};
    EXPECT_EQ(w_.wab->Import(reinterpret_cast<char*>(&params)), MAPI_E_CORRUPT_DATA);
    std::string missing = dir_ + "/missing.vcf";
    params.lpszFileName = missing.data();
    EXPECT_EQ(w_.wab->Import(reinterpret_cast<char*>(&params)), MAPI_E_NOT_FOUND);
    params.cbSize = 8;
    EXPECT_EQ(w_.wab->Import(reinterpret_cast<char*>(&params)), E_INVALIDARG);
    EXPECT_EQ(w_.wab->Import(nullptr), E_INVALIDARG);
    EXPECT_EQ(readFile(store_), before);
}

TEST_F(VCardFiles, TheUsersOwnContactIsMarkedInOneCardOnly) {
    SBinary me{};
    DWORD action = 7;
    EXPECT_EQ(w_.wab->GetMe(w_.ab, WABOBJECT_ME_NOCREATE, &action, &me, 0), MAPI_E_NOT_FOUND);
    EXPECT_EQ(action, 0u);

    // Without a display and without asking, a new contact is made for the user.
    ASSERT_EQ(w_.wab->GetMe(w_.ab, AB_NO_DIALOG, &action, &me, 0), S_OK);
    EXPECT_EQ(action, WABOBJECT_ME_NEW);
    std::string made(reinterpret_cast<char*>(me.lpb), me.cb);
    w_.wab->FreeBuffer(me.lpb);
    EXPECT_EQ(count(readFile(store_), "X-VELMO-ME:TRUE"), 1);
    EXPECT_EQ(contents(w_.ab, {PR_DISPLAY_NAME}).size(), 4u);

    // Rosa becomes the user's; the mark moves, every other byte of the new card stays.
    std::string rosa = idOf("Rosa Delgado");
    ASSERT_EQ(w_.wab->SetMe(w_.ab, 0, bin(rosa), 0), S_OK);
    const std::string file = readFile(store_);
    EXPECT_EQ(count(file, "X-VELMO-ME"), 1);
    EXPECT_EQ(file.rfind(kRosa.substr(0, kRosa.size() - std::string("END:VCARD\r\n").size()), 0), 0u);
    EXPECT_NE(file.find("X-VELMO-ME:TRUE\r\nEND:VCARD\r\n" + kTom), std::string::npos) << file;

    // Another session reads the same mark.
    Wab other;
    ASSERT_EQ(other.open(store_), S_OK);
    ASSERT_EQ(other.wab->GetMe(other.ab, 0, &action, &me, 0), S_OK);
    EXPECT_EQ(action, 0u);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(me.lpb), me.cb), rosa);
    other.wab->FreeBuffer(me.lpb);

    std::string crew = idOf("Crew");
    EXPECT_EQ(w_.wab->SetMe(w_.ab, 0, bin(crew), 0), MAPI_E_INVALID_ENTRYID) << "a list is nobody";
    std::string junk(40, '\x07');
    EXPECT_EQ(w_.wab->SetMe(w_.ab, 0, bin(junk), 0), MAPI_E_INVALID_ENTRYID);
    EXPECT_EQ(w_.wab->SetMe(w_.ab, wab32::MAPI_DIALOG, bin(rosa), 0), MAPI_E_NO_SUPPORT) << "no dialog can be shown";
    EXPECT_EQ(w_.wab->GetMe(w_.ab, 0, &action, nullptr, 0), E_INVALIDARG);
    // Exported, the user's card carries no mark.
    std::string out = dir_ + "/me.vcf";
    IMailUser* user = open("Rosa Delgado");
    ASSERT_EQ(w_.wab->VCardCreate(w_.ab, 0, out.data(), user), S_OK);
    user->Release();
    EXPECT_EQ(readFile(out), kRosa);
}

TEST_F(VCardFiles, DialogsAreRefusedWithoutAWindowSystem) {
    std::string file = dir_ + "/tom.vcf";
    writeFile(file, kTom);
    EXPECT_EQ(w_.wab->VCardDisplay(w_.ab, 0, file.data()), MAPI_E_NO_SUPPORT);
    EXPECT_EQ(w_.wab->Find(w_.ab, 0), MAPI_E_NO_SUPPORT);
    std::string missing = dir_ + "/missing.vcf";
    EXPECT_EQ(w_.wab->VCardDisplay(w_.ab, 0, missing.data()), MAPI_E_NOT_FOUND);
    IMailUser* out = reinterpret_cast<IMailUser*>(1);
    EXPECT_EQ(w_.wab->LDAPUrl(w_.ab, 0, 0, nullptr, &out), MAPI_E_NO_SUPPORT);
    EXPECT_EQ(out, nullptr);
}
