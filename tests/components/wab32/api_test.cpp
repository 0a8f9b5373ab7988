// The component through its MAPI-shaped objects, as the contacts provider
// and the PDX layer call it.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "contact_dialog.h"
#include "entry_id.h"
#include "platform/module.h"
#include "session.h"
#include "test_environment.h"
#include "wab_tags.h"
#include "wab_test_util.h"

using namespace pdx;
using namespace wab32;
using namespace wabtest;
using velmo::test::readFile;

namespace {

// The recipient selection's 23 columns.
const std::vector<ULONG> kSelectionColumns = {
    0x3001001E, 0x0FFF0102, 0x0FFE0003, 0x3002001E, 0x3A23001E, 0x3A25001E, 0x5805001E, 0x5806001E,
    0x5804001E, 0x3A24001E, 0x5802001E, 0x5803001E, 0x5801001E, 0x3004001E, 0x3A13001E, 0x3003001E,
    0x3A16001E, 0x3A18001E, 0x3A06001E, 0x3A11001E, 0x39000003, 0x800F101E, 0x8011001E};

class ApiTest : public ::testing::Test {
protected:
    void SetUp() override { setenv("VELMO_CODEPAGE", "UTF-8", 1); }
    void TearDown() override {
        unsetenv("VELMO_CODEPAGE");
        setContactEditor({});
    }
};

SBinary bin(const std::string& s) { return {ULONG(s.size()), reinterpret_cast<BYTE*>(const_cast<char*>(s.data()))}; }
ENTRYID* eid(const std::string& s) { return reinterpret_cast<ENTRYID*>(const_cast<char*>(s.data())); }

struct CountingSink : IMAPIAdviseSink {
    ULONG refs = 1;
    std::vector<ULONG> events;
    HRESULT QueryInterface(LPCIID, void**) override { return E_NOINTERFACE; }
    ULONG AddRef() override { return ++refs; }
    ULONG Release() override { return --refs; }
    ULONG OnNotify(ULONG count, NOTIFICATION* n) override {
        for (ULONG i = 0; i < count; ++i) events.push_back(n[i].ulEventType);
        return 0;
    }
};

} // namespace

TEST_F(ApiTest, EveryVersionMapsToTheContactProperties) {
    Wab w;
    ASSERT_EQ(w.open(corpusCopy("v21-quoted-printable.vcf")), S_OK);
    const std::vector<ULONG> cols = {PR_DISPLAY_NAME, PR_SURNAME, PR_GIVEN_NAME, PR_COMPANY_NAME, PR_DEPARTMENT_NAME,
                                     PR_BUSINESS_FAX_NUMBER, PR_HOME_FAX_NUMBER, PR_PRIMARY_FAX_NUMBER,
                                     PR_MOBILE_TELEPHONE_NUMBER, PR_EMAIL_ADDRESS, PR_ADDRTYPE, PR_COMMENT,
                                     PR_OBJECT_TYPE};
    std::vector<Row> rows = contents(w.ab, cols);
    ASSERT_EQ(rows.size(), 2u);
    Row wang = rowNamed(rows, "王小明");
    EXPECT_EQ(wang[PR_SURNAME], "王");
    EXPECT_EQ(wang[PR_GIVEN_NAME], "小明");
    EXPECT_EQ(wang[PR_COMPANY_NAME], "台灣傳真股份有限公司");
    EXPECT_EQ(wang[PR_DEPARTMENT_NAME], "業務部");
    EXPECT_EQ(wang[PR_BUSINESS_FAX_NUMBER], "+886-2-2700-1234");
    EXPECT_EQ(wang[PR_HOME_FAX_NUMBER], "+886-2-2311-5678");
    EXPECT_EQ(wang[PR_MOBILE_TELEPHONE_NUMBER], "0912-345-678");
    EXPECT_EQ(wang[PR_EMAIL_ADDRESS], "wang@example.com.tw");
    EXPECT_EQ(wang[PR_ADDRTYPE], "SMTP");
    EXPECT_EQ(wang[PR_COMMENT], "First line\nSecond line");
    EXPECT_EQ(wang[PR_OBJECT_TYPE], "6");
    EXPECT_EQ(rowNamed(rows, "陳美玲")[PR_PRIMARY_FAX_NUMBER], "+886-7-555-0101");

    // Version 4: the lowest PREF wins, "tel:" values give their number.
    ASSERT_EQ(w.open(corpusCopy("v40-groups.vcf")), S_OK);
    rows = contents(w.ab, cols);
    Row sato = rowNamed(rows, "Sato Hiroshi");
    EXPECT_EQ(sato[PR_EMAIL_ADDRESS], "sato@example.co.jp");
    EXPECT_EQ(sato[PR_BUSINESS_FAX_NUMBER], "+81-3-5555-0199");
    EXPECT_EQ(sato[PR_PRIMARY_FAX_NUMBER], "+81-3-5555-0100");
    EXPECT_EQ(sato[PR_DEPARTMENT_NAME], "Tokyo Branch");
    EXPECT_EQ(rowNamed(rows, "Müller, Jürgen")[PR_HOME_FAX_NUMBER], "+49 30 5555 1234");
    EXPECT_EQ(rowNamed(rows, "Overseas agents")[PR_OBJECT_TYPE], "8");
}

TEST_F(ApiTest, TextsReachTheSystemCodePageWithUnmappableCharactersAsQuestionMarks) {
    setenv("VELMO_CODEPAGE", "CP950", 1);
    Wab w;
    ASSERT_EQ(w.open(corpusCopy("v40-groups.vcf")), S_OK);
    const std::vector<Row> rows = contents(w.ab, {PR_DISPLAY_NAME});
    EXPECT_EQ(rowNamed(rows, "M?ller, J?rgen").size(), 1u);
    ASSERT_EQ(w.open(corpusCopy("v21-quoted-printable.vcf")), S_OK);
    EXPECT_EQ(rowNamed(contents(w.ab, {PR_DISPLAY_NAME}), "\xA4\xFD\xA4\x70\xA9\xFA").size(), 1u);
}

TEST_F(ApiTest, ContentsTablesReadTheWayTheRecipientSelectionReadsThem) {
    Wab w;
    ASSERT_EQ(w.open(corpusCopy("v30-folded-groups.vcf")), S_OK);
    IABContainer* c = openContainer(w.ab);
    ASSERT_TRUE(c);
    IMAPITable* table = nullptr;
    ASSERT_EQ(c->GetContentsTable(wab32::WAB_LOCAL_CONTAINERS, &table), S_OK);
    ULONG count = 0;
    ASSERT_EQ(table->GetRowCount(0, &count), S_OK);
    EXPECT_EQ(count, 3u);
    std::vector<ULONG> buffer(kSelectionColumns.size() + 1);
    auto* tags = reinterpret_cast<SPropTagArray*>(buffer.data());
    tags->cValues = ULONG(kSelectionColumns.size());
    std::copy(kSelectionColumns.begin(), kSelectionColumns.end(), tags->aulPropTag);
    ASSERT_EQ(table->SetColumns(tags, 0), S_OK);
    ASSERT_EQ(table->SeekRow(BOOKMARK_BEGINNING, 0, nullptr), S_OK);
    SRowSet* rows = nullptr;
    ASSERT_EQ(table->QueryRows(LONG(count), 0, &rows), S_OK);
    ASSERT_EQ(rows->cRows, 3u);
    const SRow& anna = rows->aRow[0];
    ASSERT_EQ(anna.cValues, 23u);
    EXPECT_STREQ(anna.lpProps[0].Value.lpszA, "Dr. Anna Maria Lindqvist");
    EXPECT_EQ(anna.lpProps[1].Value.bin.cb, kEntryIdSize);
    EXPECT_EQ(anna.lpProps[9].ulPropTag, PR_BUSINESS_FAX_NUMBER);
    // What a contact lacks comes back as an error value in its column.
    EXPECT_EQ(anna.lpProps[6].ulPropTag, 0x5805000Au);
    EXPECT_EQ(anna.lpProps[6].Value.err, MAPI_E_NOT_FOUND);
    EXPECT_EQ(rows->aRow[2].lpProps[2].Value.l, LONG(MAPI_DISTLIST));
    common::freeRowSet(rows, wabDomain());
    // At the end a read gives no rows.
    ASSERT_EQ(table->QueryRows(1, 0, &rows), S_OK);
    EXPECT_EQ(rows->cRows, 0u);
    common::freeRowSet(rows, wabDomain());
    table->Release();
    c->Release();
}

TEST_F(ApiTest, TablesRestrictAndFindRowsBySimpleRestrictions) {
    Wab w;
    ASSERT_EQ(w.open(corpusCopy("v30-folded-groups.vcf")), S_OK);
    IABContainer* c = openContainer(w.ab);
    IMAPITable* table = nullptr;
    ASSERT_EQ(c->GetContentsTable(0, &table), S_OK);
    SPropValue lists{};
    lists.ulPropTag = PR_OBJECT_TYPE;
    lists.Value.l = LONG(MAPI_DISTLIST);
    SRestriction isList{};
    isList.rt = RES_PROPERTY;
    isList.res.resProperty = {RELOP_EQ, PR_OBJECT_TYPE, &lists};
    ASSERT_EQ(table->Restrict(&isList, 0), S_OK);
    std::vector<Row> rows = readTable(table, {PR_DISPLAY_NAME});
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0][PR_DISPLAY_NAME], "Freight partners");
    ASSERT_EQ(table->Restrict(nullptr, 0), S_OK);
    SPropValue part{};
    part.ulPropTag = PR_DISPLAY_NAME;
    part.Value.lpszA = const_cast<char*>("OKAFOR");
    SRestriction byName{};
    byName.rt = RES_CONTENT;
    byName.res.resContent = {FL_SUBSTRING | FL_IGNORECASE, PR_DISPLAY_NAME, &part};
    ASSERT_EQ(table->FindRow(&byName, BOOKMARK_BEGINNING, 0), S_OK);
    ULONG row = 0, num = 0, den = 0;
    table->QueryPosition(&row, &num, &den);
    EXPECT_EQ(row, 1u);
    SRestriction sub{};
    sub.rt = RES_SUBRESTRICTION;
    EXPECT_EQ(table->Restrict(&sub, 0), MAPI_E_TOO_COMPLEX);
    table->Release();
    c->Release();
}

TEST_F(ApiTest, TheRootHoldsTheFilesContainerWhichIsThePersonalAddressBook) {
    const std::string path = corpusCopy("v30-folded-groups.vcf");
    Wab w;
    ASSERT_EQ(w.open(path), S_OK);
    ULONG type = 0;
    IUnknown* root = nullptr;
    ASSERT_EQ(w.ab->OpenEntry(0, nullptr, nullptr, 0, &type, &root), S_OK);
    EXPECT_EQ(type, MAPI_ABCONT);
    IMAPITable* hierarchy = nullptr;
    ASSERT_EQ(static_cast<IABContainer*>(root)->GetHierarchyTable(CONVENIENT_DEPTH | wab32::WAB_LOCAL_CONTAINERS, &hierarchy),
              S_OK);
    std::vector<Row> rows = readTable(hierarchy, {PR_DISPLAY_NAME, PR_ENTRYID, PR_OBJECT_TYPE, PR_CONTAINER_FLAGS, PR_DEPTH});
    hierarchy->Release();
    root->Release();
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0][PR_DISPLAY_NAME], "v30-folded-groups.vcf");
    EXPECT_EQ(rows[0][PR_CONTAINER_FLAGS], std::to_string(AB_MODIFIABLE | AB_RECIPIENTS));
    EXPECT_EQ(rows[0][PR_DEPTH], "0");
    ULONG cb = 0;
    ENTRYID* pab = nullptr;
    ASSERT_EQ(w.ab->GetPAB(&cb, &pab), S_OK);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(pab), cb), rows[0][PR_ENTRYID]);
    EXPECT_EQ(w.wab->FreeBuffer(pab), S_OK);
    ASSERT_EQ(w.ab->GetDefaultDir(&cb, &pab), S_OK);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(pab), cb), rows[0][PR_ENTRYID]);
    w.wab->FreeBuffer(pab);
    EXPECT_EQ(w.ab->SetPAB(ULONG(rows[0][PR_ENTRYID].size()), eid(rows[0][PR_ENTRYID])), S_OK);
    const std::string user = rowNamed(contents(w.ab, {PR_DISPLAY_NAME, PR_ENTRYID}), "Chinedu Okafor")[PR_ENTRYID];
    EXPECT_EQ(w.ab->SetDefaultDir(ULONG(user.size()), eid(user)), MAPI_E_INVALID_ENTRYID);
    // The root's own identifier opens the root as well.
    const std::string rootId = makeEntryId(EntryKind::Root);
    IUnknown* again = openId(w.ab, rootId, &type);
    ASSERT_TRUE(again);
    EXPECT_EQ(type, MAPI_ABCONT);
    again->Release();
}

TEST_F(ApiTest, ProfileModeKeepsEntriesInTheFolderUnlessAllContentsAreAskedFor) {
    const std::string data = velmo::test::makeTempDir("profiles");
    setenv("XDG_DATA_HOME", data.c_str(), 1);
    std::filesystem::create_directories(data + "/velmo");
    velmo::test::writeFile(data + "/velmo/contacts.vcf", readFile(corpusCopy("v30-folded-groups.vcf")));
    auto rootCount = [](IAddrBook* ab, ULONG flags) {
        ULONG type = 0, count = 99;
        IUnknown* root = nullptr;
        ab->OpenEntry(0, nullptr, nullptr, 0, &type, &root);
        IMAPITable* t = nullptr;
        static_cast<IABContainer*>(root)->GetContentsTable(flags, &t);
        t->GetRowCount(0, &count);
        t->Release();
        root->Release();
        return count;
    };
    Wab w;
    ASSERT_EQ(w.open("", wab32::WAB_ENABLE_PROFILES), S_OK);
    EXPECT_EQ(rootCount(w.ab, 0), 0u);
    EXPECT_EQ(rootCount(w.ab, wab32::WAB_PROFILE_CONTENTS), 3u);
    EXPECT_EQ(contents(w.ab, {PR_DISPLAY_NAME}).size(), 3u);
    ASSERT_EQ(w.open("", 0), S_OK);
    EXPECT_EQ(rootCount(w.ab, 0), 3u);
    // A named file is read as it is, profiles or not.
    ASSERT_EQ(w.open(data + "/velmo/contacts.vcf", wab32::WAB_ENABLE_PROFILES), S_OK);
    EXPECT_EQ(rootCount(w.ab, 0), 3u);
    setenv("XDG_DATA_HOME", (velmo::test::sandboxDir() + "/data").c_str(), 1);
}

TEST_F(ApiTest, TheMemoryDomainFreesOnlyWhatItAllocated) {
    Wab w;
    ASSERT_EQ(w.open(corpusCopy("v30-folded-groups.vcf")), S_OK);
    const size_t live = wabPool().liveRoots();
    void* root = nullptr;
    void* child = nullptr;
    void* grandchild = nullptr;
    ASSERT_EQ(w.wab->AllocateBuffer(16, &root), S_OK);
    ASSERT_EQ(w.wab->AllocateMore(32, root, &child), S_OK);
    EXPECT_EQ(w.wab->AllocateMore(8, child, &grandchild), E_INVALIDARG);
    EXPECT_EQ(grandchild, nullptr);
    EXPECT_EQ(w.wab->FreeBuffer(child), E_INVALIDARG);
    int local = 0;
    EXPECT_EQ(w.wab->FreeBuffer(&local), E_INVALIDARG);
    EXPECT_EQ(w.wab->FreeBuffer(root), S_OK);
    EXPECT_EQ(w.wab->FreeBuffer(root), E_INVALIDARG);
    EXPECT_EQ(wabPool().liveRoots(), live);
}

TEST_F(ApiTest, PropertiesAnswerWithMapisStatusCodes) {
    Wab w;
    ASSERT_EQ(w.open(corpusCopy("v30-folded-groups.vcf")), S_OK);
    const std::string id = rowNamed(contents(w.ab, {PR_DISPLAY_NAME, PR_ENTRYID}), "Chinedu Okafor")[PR_ENTRYID];
    ULONG type = 0;
    auto* user = static_cast<IMAPIProp*>(openId(w.ab, id, &type));
    ASSERT_TRUE(user);
    EXPECT_EQ(type, MAPI_MAILUSER);
    struct { ULONG c; ULONG t[2]; } tags = {2, {PR_DISPLAY_NAME, PR_TITLE}};
    ULONG n = 0;
    SPropValue* v = nullptr;
    EXPECT_EQ(user->GetProps(reinterpret_cast<SPropTagArray*>(&tags), 0, &n, &v), MAPI_W_ERRORS_RETURNED);
    ASSERT_EQ(n, 2u);
    EXPECT_EQ(v[1].ulPropTag, CHANGE_PROP_TYPE(PR_TITLE, PT_ERROR));
    w.wab->FreeBuffer(v);
    EXPECT_EQ(user->GetProps(reinterpret_cast<SPropTagArray*>(&tags), MAPI_UNICODE, &n, &v), MAPI_E_BAD_CHARWIDTH);
    SPropValue computed{};
    computed.ulPropTag = PR_ENTRYID;
    SPropProblemArray* problems = nullptr;
    ASSERT_EQ(user->SetProps(1, &computed, &problems), S_OK);
    ASSERT_TRUE(problems);
    EXPECT_EQ(problems->aProblem[0].scode, MAPI_E_COMPUTED);
    w.wab->FreeBuffer(problems);
    void* wrong = nullptr;
    EXPECT_EQ(user->QueryInterface(&IID_IDistList, &wrong), E_NOINTERFACE);
    user->Release();
    IUnknown* asList = nullptr;
    EXPECT_EQ(w.ab->OpenEntry(ULONG(id.size()), eid(id), &IID_IDistList, 0, &type, &asList), E_NOINTERFACE);
}

TEST_F(ApiTest, CompareEntryIdsAndAdviseSinks) {
    const std::string path = corpusCopy("v30-folded-groups.vcf");
    Wab w;
    ASSERT_EQ(w.open(path), S_OK);
    const std::vector<Row> rows = contents(w.ab, {PR_DISPLAY_NAME, PR_ENTRYID});
    std::string a = rows[0].at(PR_ENTRYID), b = rows[1].at(PR_ENTRYID);
    ULONG same = 7;
    ASSERT_EQ(w.ab->CompareEntryIDs(ULONG(a.size()), eid(a), ULONG(a.size()), eid(a), 0, &same), S_OK);
    EXPECT_EQ(same, 1u);
    ASSERT_EQ(w.ab->CompareEntryIDs(ULONG(a.size()), eid(a), ULONG(b.size()), eid(b), 0, &same), S_OK);
    EXPECT_EQ(same, 0u);
    const std::string root = makeEntryId(EntryKind::Root);
    ASSERT_EQ(w.ab->CompareEntryIDs(0, nullptr, ULONG(root.size()), eid(root), 0, &same), S_OK);
    EXPECT_EQ(same, 1u);
    std::string foreign(40, '\x01');
    EXPECT_EQ(w.ab->CompareEntryIDs(ULONG(a.size()), eid(a), 40, eid(foreign), 0, &same), MAPI_E_UNKNOWN_ENTRYID);

    CountingSink sink;
    ULONG_PTR connection = 0;
    ASSERT_EQ(w.ab->Advise(ULONG(a.size()), eid(a), fnevObjectModified, &sink, &connection), S_OK);
    EXPECT_EQ(connection, 1u);
    auto* entry = static_cast<IMAPIProp*>(openId(w.ab, a));
    ASSERT_EQ(setString(entry, PR_TITLE, "Director"), S_OK);
    ASSERT_EQ(entry->SaveChanges(0), S_OK);
    entry->Release();
    EXPECT_EQ(sink.events, std::vector<ULONG>{fnevObjectModified});
    EXPECT_EQ(w.ab->Unadvise(connection), S_OK);
    EXPECT_EQ(w.ab->Unadvise(connection), MAPI_E_NOT_FOUND);
    EXPECT_EQ(sink.refs, 1u);
    EXPECT_EQ(w.ab->Advise(40, eid(foreign), fnevObjectModified, &sink, &connection), MAPI_E_INVALID_ENTRYID);
}

TEST_F(ApiTest, ListsShowTheirMembersAndTheirContainer) {
    Wab w;
    ASSERT_EQ(w.open(corpusCopy("v40-groups.vcf")), S_OK);
    const std::string id = rowNamed(contents(w.ab, {PR_DISPLAY_NAME, PR_ENTRYID}), "Overseas agents")[PR_ENTRYID];
    ULONG type = 0;
    auto* list = static_cast<IDistList*>(openId(w.ab, id, &type));
    ASSERT_TRUE(list);
    EXPECT_EQ(type, MAPI_DISTLIST);
    EXPECT_EQ(getProps(list, {PR_WAB_PARENT_IDS})[PR_WAB_PARENT_IDS], makeEntryId(EntryKind::Container));
    IMAPITable* members = nullptr;
    ASSERT_EQ(list->GetContentsTable(0, &members), S_OK);
    const std::vector<Row> rows = readTable(members, {PR_DISPLAY_NAME, PR_ENTRYID, PR_EMAIL_ADDRESS, PR_ADDRTYPE});
    members->Release();
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0].at(PR_DISPLAY_NAME), "Sato Hiroshi");
    EXPECT_EQ(rows[1].at(PR_DISPLAY_NAME), "Müller, Jürgen");
    // An address member is a one-off entry that opens like a mail user.
    EXPECT_EQ(rows[2].at(PR_EMAIL_ADDRESS), "desk@agents.example");
    EXPECT_EQ(rows[2].at(PR_ADDRTYPE), "SMTP");
    IUnknown* oneOff = openId(w.ab, rows[2].at(PR_ENTRYID), &type);
    ASSERT_TRUE(oneOff);
    EXPECT_EQ(type, MAPI_MAILUSER);
    EXPECT_EQ(setString(static_cast<IMAPIProp*>(oneOff), PR_DISPLAY_NAME, "x"), E_ACCESSDENIED);
    oneOff->Release();
    list->Release();
}

// The provider's distribution-list set-up: the entry is made in the list's
// container, saved, then handed to the list's CreateEntry and saved again.
TEST_F(ApiTest, MembersAreAddedAndRemovedTheWayTheProviderDoesIt) {
    const std::string path = corpusCopy("v30-folded-groups.vcf");
    Wab w;
    ASSERT_EQ(w.open(path), S_OK);
    const std::vector<Row> before = contents(w.ab, {PR_DISPLAY_NAME, PR_ENTRYID});
    const std::string listId = rowNamed(before, "Freight partners").at(PR_ENTRYID);
    auto* list = static_cast<IDistList*>(openId(w.ab, listId));
    IABContainer* c = openContainer(w.ab);
    const std::string tpl = getProps(c, {PR_DEF_CREATE_MAILUSER})[PR_DEF_CREATE_MAILUSER];
    IMAPIProp* fresh = nullptr;
    ASSERT_EQ(c->CreateEntry(ULONG(tpl.size()), eid(tpl), 0, &fresh), S_OK);
    ASSERT_EQ(setString(fresh, PR_DISPLAY_NAME, "顯示名稱"), S_OK);
    ASSERT_EQ(fresh->SaveChanges(KEEP_OPEN_READWRITE), S_OK);
    const std::string freshId = getProps(fresh, {PR_ENTRYID})[PR_ENTRYID];
    fresh->Release();
    IMAPIProp* member = nullptr;
    ASSERT_EQ(list->CreateEntry(ULONG(freshId.size()), eid(freshId), 0, &member), S_OK);
    ASSERT_EQ(member->SaveChanges(0), S_OK);
    member->Release();

    IMAPITable* t = nullptr;
    ASSERT_EQ(list->GetContentsTable(0, &t), S_OK);
    EXPECT_EQ(readTable(t, {PR_DISPLAY_NAME}).size(), 3u);
    t->Release();
    EXPECT_NE(readFile(path).find("X-ADDRESSBOOKSERVER-MEMBER:urn:uuid:"), std::string::npos);

    // The list object stays usable after its members changed.
    ASSERT_EQ(setString(list, PR_COMMENT, "partners abroad"), S_OK);
    EXPECT_EQ(list->SaveChanges(0), S_OK);

    std::vector<std::string> drop = {freshId, std::string(40, '\x05')};
    std::vector<SBinary> storage;
    EXPECT_EQ(list->DeleteEntries(entryList(drop, storage), 0), MAPI_W_PARTIAL_COMPLETION);
    std::vector<std::string> add = {freshId};
    EXPECT_EQ(list->CopyEntries(entryList(add, storage), 0, nullptr, 0), S_OK);
    ASSERT_EQ(list->GetContentsTable(0, &t), S_OK);
    EXPECT_EQ(readTable(t, {PR_DISPLAY_NAME}).size(), 3u);
    t->Release();

    // Deleting the contact from the container takes it out of the list as well.
    std::vector<std::string> gone = {freshId};
    EXPECT_EQ(c->DeleteEntries(entryList(gone, storage), 0), S_OK);
    EXPECT_EQ(contents(w.ab, {PR_DISPLAY_NAME}).size(), before.size());
    list->Release();
    list = static_cast<IDistList*>(openId(w.ab, listId));
    ASSERT_EQ(list->GetContentsTable(0, &t), S_OK);
    EXPECT_EQ(readTable(t, {PR_DISPLAY_NAME}).size(), 2u);
    t->Release();
    list->Release();
    c->Release();
}

TEST_F(ApiTest, NewListsAreWrittenInTheFilesVersion) {
    const std::string path = corpusCopy("v40-groups.vcf");
    Wab w;
    ASSERT_EQ(w.open(path), S_OK);
    IABContainer* c = openContainer(w.ab);
    const std::string tpl = getProps(c, {PR_DEF_CREATE_DL})[PR_DEF_CREATE_DL];
    IMAPIProp* list = nullptr;
    ASSERT_EQ(c->CreateEntry(ULONG(tpl.size()), eid(tpl), 0, &list), S_OK);
    ASSERT_EQ(setString(list, PR_DISPLAY_NAME, "New group"), S_OK);
    const std::string sato = rowNamed(contents(w.ab, {PR_DISPLAY_NAME, PR_ENTRYID}), "Sato Hiroshi")[PR_ENTRYID];
    std::vector<std::string> add = {sato};
    std::vector<SBinary> storage;
    ASSERT_EQ(static_cast<IDistList*>(list)->CopyEntries(entryList(add, storage), 0, nullptr, 0), S_OK);
    ASSERT_EQ(list->SaveChanges(0), S_OK);
    list->Release();
    c->Release();
    const std::string text = readFile(path);
    const size_t at = text.find("FN:New group");
    ASSERT_NE(at, std::string::npos);
    EXPECT_NE(text.find("KIND:group", text.rfind("BEGIN:VCARD", at)), std::string::npos);
    EXPECT_NE(text.find("MEMBER:urn:uuid:0b7e3a52-8c4d-4f6e-9a1b-2c3d4e5f6a7b", at), std::string::npos);
}

TEST_F(ApiTest, NamesResolveAndRecipientsArePrepared) {
    Wab w;
    ASSERT_EQ(w.open(corpusCopy("v30-folded-groups.vcf")), S_OK);
    void* p = nullptr;
    ASSERT_EQ(w.wab->AllocateBuffer(ULONG(cbAdrList(2)), &p), S_OK);
    auto* list = static_cast<ADRLIST*>(p);
    list->cEntries = 2;
    for (ULONG i = 0; i < 2; ++i) {
        void* v = nullptr;
        w.wab->AllocateBuffer(sizeof(SPropValue), &v);
        list->aEntries[i].rgPropVals = static_cast<SPropValue*>(v);
        list->aEntries[i].cValues = 1;
        list->aEntries[i].rgPropVals[0].ulPropTag = PR_DISPLAY_NAME;
        list->aEntries[i].rgPropVals[0].Value.lpszA = const_cast<char*>(i == 0 ? "chinedu okafor" : "Nobody Known");
    }
    EXPECT_EQ(w.ab->ResolveName(0, 0, nullptr, list), MAPI_E_NOT_FOUND);
    Row resolved = toRow(list->aEntries[0].rgPropVals, list->aEntries[0].cValues);
    EXPECT_EQ(resolved[PR_DISPLAY_NAME], "Chinedu Okafor");
    EXPECT_EQ(resolved[PR_EMAIL_ADDRESS], "chinedu@example.ng");
    EXPECT_EQ(resolved[PR_ENTRYID].size(), kEntryIdSize);

    struct { ULONG c; ULONG t[3]; } tags = {3, {PR_PRIMARY_FAX_NUMBER, PR_DISPLAY_NAME, PR_TITLE}};
    ASSERT_EQ(w.ab->PrepareRecips(0, reinterpret_cast<SPropTagArray*>(&tags), list), S_OK);
    const ADRENTRY& e = list->aEntries[0];
    EXPECT_EQ(e.rgPropVals[0].ulPropTag, PR_PRIMARY_FAX_NUMBER);
    EXPECT_STREQ(e.rgPropVals[0].Value.lpszA, "+234 1 555 7788");
    EXPECT_EQ(e.rgPropVals[1].ulPropTag, PR_DISPLAY_NAME);
    EXPECT_EQ(e.rgPropVals[2].ulPropTag, CHANGE_PROP_TYPE(PR_TITLE, PT_ERROR));
    EXPECT_GT(e.cValues, 3u); // followed by what the entry already had
    common::freeAdrList(list, wabDomain());
}

TEST_F(ApiTest, NewEntryAndDetailsUseTheContactDialog) {
    const std::string path = corpusCopy("v30-folded-groups.vcf");
    Wab w;
    ASSERT_EQ(w.open(path), S_OK);
    // No window system and no editor: the dialog cannot be shown.
    ULONG cb = 0;
    ENTRYID* id = nullptr;
    EXPECT_EQ(w.ab->NewEntry(0, 0, 0, nullptr, 0, nullptr, &cb, &id), MAPI_E_NO_SUPPORT);
    // Nor the select-names dialog; the caller's list is left alone.
    ADRPARM params{};
    params.ulFlags = DIALOG_MODAL | ADDRESS_ONE;
    ADRLIST* picked = nullptr;
    ULONG_PTR owner = 0;
    EXPECT_EQ(w.ab->Address(&owner, &params, &picked), MAPI_E_NO_SUPPORT);
    EXPECT_EQ(picked, nullptr);

    bool sawList = true;
    setContactEditor([&](uintptr_t, ContactFields& f, bool list) {
        sawList = list;
        f.given = "Mei";
        f.surname = "Lin";
        f.displayName = "Lin Mei";
        f.company = "Harbour Fax";
        f.businessFax = "+852 5555 0000";
        f.email = "mei@harbour.example";
        return DialogResult::Ok;
    });
    ASSERT_EQ(w.ab->NewEntry(0, 0, 0, nullptr, 0, nullptr, &cb, &id), S_OK);
    EXPECT_FALSE(sawList);
    const std::string newId(reinterpret_cast<char*>(id), cb);
    w.wab->FreeBuffer(id);
    Row row = rowNamed(contents(w.ab, {PR_DISPLAY_NAME, PR_ENTRYID, PR_BUSINESS_FAX_NUMBER, PR_EMAIL_ADDRESS}), "Lin Mei");
    EXPECT_EQ(row[PR_ENTRYID], newId);
    EXPECT_EQ(row[PR_BUSINESS_FAX_NUMBER], "+852 5555 0000");
    EXPECT_NE(readFile(path).find("N:Lin;Mei;;;\r\n"), std::string::npos);

    setContactEditor([](uintptr_t, ContactFields& f, bool) {
        EXPECT_EQ(f.company, "Harbour Fax");
        f.department = "Dispatch";
        f.businessFax.clear();
        return DialogResult::Ok;
    });
    ULONG_PTR ui = 0;
    ASSERT_EQ(w.ab->Details(&ui, nullptr, nullptr, ULONG(newId.size()), eid(newId), nullptr, nullptr, nullptr, 0), S_OK);
    row = rowNamed(contents(w.ab, {PR_DISPLAY_NAME, PR_DEPARTMENT_NAME, PR_BUSINESS_FAX_NUMBER}), "Lin Mei");
    EXPECT_EQ(row[PR_DEPARTMENT_NAME], "Dispatch");
    EXPECT_EQ(row.count(PR_BUSINESS_FAX_NUMBER), 0u);

    setContactEditor([](uintptr_t, ContactFields&, bool) { return DialogResult::Cancel; });
    EXPECT_EQ(w.ab->NewEntry(0, 0, 0, nullptr, 0, nullptr, &cb, &id), MAPI_E_USER_CANCEL);
    const std::string dl = makeEntryId(EntryKind::DistListTemplate);
    setContactEditor([&](uintptr_t, ContactFields& f, bool list) {
        sawList = list;
        f.displayName = "Night shift";
        return DialogResult::Ok;
    });
    ASSERT_EQ(w.ab->NewEntry(0, 0, 0, nullptr, ULONG(dl.size()), eid(dl), &cb, &id), S_OK);
    w.wab->FreeBuffer(id);
    EXPECT_TRUE(sawList);
    EXPECT_EQ(rowNamed(contents(w.ab, {PR_DISPLAY_NAME, PR_OBJECT_TYPE}), "Night shift")[PR_OBJECT_TYPE], "8");
}

TEST_F(ApiTest, TheModuleExportsWabOpenAndItsFileVersion) {
    platform::Module module;
    ASSERT_TRUE(module.load("WAB32.DLL", std::string(VELMO_BIN_DIR) + "/")) << module.error();
    const auto* version = static_cast<const uint32_t*>(module.symbol(kFileVersionSymbol));
    ASSERT_TRUE(version);
    EXPECT_EQ(version[0], 0x00060000u);
    EXPECT_EQ(version[1], 0u);
    auto open = module.function<WABOpenFn>("WABOpen");
    ASSERT_TRUE(open);
    const std::string path = corpusCopy("v40-groups.vcf");
    WAB_PARAM params{};
    params.cbSize = 32; // what a caller that knows the first fields fills in
    params.szFileName = const_cast<char*>(path.c_str());
    IAddrBook* ab = nullptr;
    IWABObject* wab = nullptr;
    ASSERT_EQ(open(&ab, &wab, &params, 0), S_OK);
    ULONG type = 0;
    IUnknown* root = nullptr;
    ASSERT_EQ(ab->OpenEntry(0, nullptr, nullptr, 0, &type, &root), S_OK);
    root->Release();
    EXPECT_EQ(open(nullptr, &wab, &params, 0), E_INVALIDARG);
    ab->Release();
    wab->Release();
}

TEST_F(ApiTest, ContainersCopyEntriesResolveNamesAndKeepASearchPath) {
    const std::string path = corpusCopy("v30-folded-groups.vcf");
    Wab w;
    ASSERT_EQ(w.open(path), S_OK);
    IABContainer* c = openContainer(w.ab);
    ASSERT_TRUE(c);
    std::vector<std::string> ids = {rowNamed(contents(w.ab, {PR_DISPLAY_NAME, PR_ENTRYID}), "Chinedu Okafor")[PR_ENTRYID]};
    std::vector<SBinary> storage;
    ASSERT_EQ(c->CopyEntries(entryList(ids, storage), 0, nullptr, 0), S_OK);
    std::vector<Row> rows = contents(w.ab, {PR_DISPLAY_NAME, PR_ENTRYID, PR_PRIMARY_FAX_NUMBER});
    ASSERT_EQ(rows.size(), 4u);
    EXPECT_EQ(rows[3][PR_DISPLAY_NAME], "Chinedu Okafor");
    EXPECT_EQ(rows[3][PR_PRIMARY_FAX_NUMBER], "+234 1 555 7788");
    EXPECT_NE(rows[3][PR_ENTRYID], ids[0]);

    // Two entries now carry the name: ambiguous; the other name resolves.
    struct { ULONG c; ULONG f[2]; } flags = {2, {MAPI_UNRESOLVED, MAPI_UNRESOLVED}};
    void* p = nullptr;
    w.wab->AllocateBuffer(ULONG(cbAdrList(2)), &p);
    auto* list = static_cast<ADRLIST*>(p);
    list->cEntries = 2;
    const char* names[] = {"Chinedu Okafor", "freight"};
    for (ULONG i = 0; i < 2; ++i) {
        void* v = nullptr;
        w.wab->AllocateBuffer(sizeof(SPropValue), &v);
        list->aEntries[i] = {0, 1, static_cast<SPropValue*>(v)};
        list->aEntries[i].rgPropVals[0].ulPropTag = PR_DISPLAY_NAME;
        list->aEntries[i].rgPropVals[0].Value.lpszA = const_cast<char*>(names[i]);
    }
    ASSERT_EQ(c->ResolveNames(nullptr, 0, list, reinterpret_cast<SFlagList*>(&flags)), S_OK);
    EXPECT_EQ(flags.f[0], MAPI_AMBIGUOUS);
    EXPECT_EQ(flags.f[1], MAPI_RESOLVED);
    EXPECT_EQ(toRow(list->aEntries[1].rgPropVals, list->aEntries[1].cValues)[PR_DISPLAY_NAME], "Freight partners");
    common::freeAdrList(list, wabDomain());

    SRowSet* searchPath = nullptr;
    ASSERT_EQ(w.ab->GetSearchPath(0, &searchPath), S_OK);
    ASSERT_EQ(searchPath->cRows, 1u);
    EXPECT_EQ(toRow(searchPath->aRow[0].lpProps, 1)[PR_ENTRYID], makeEntryId(EntryKind::Container));
    EXPECT_EQ(w.ab->SetSearchPath(0, searchPath), S_OK);
    common::freeRowSet(searchPath, wabDomain());

    IMAPITable* viaProperty = nullptr;
    ASSERT_EQ(c->OpenProperty(PR_CONTAINER_CONTENTS, &IID_IMAPITable, 0, 0, reinterpret_cast<IUnknown**>(&viaProperty)),
              S_OK);
    ULONG count = 0;
    viaProperty->GetRowCount(0, &count);
    EXPECT_EQ(count, 4u);
    viaProperty->Release();
    c->Release();
}

TEST_F(ApiTest, PropertiesWithoutAVCardLineAreKeptInTheirOwnLines) {
    const std::string path = corpusCopy("unknown-properties.vcf");
    Wab w;
    ASSERT_EQ(w.open(path), S_OK);
    const std::string id = rowNamed(contents(w.ab, {PR_DISPLAY_NAME, PR_ENTRYID}), "Rosa Delgado")[PR_ENTRYID];
    auto* user = static_cast<IMAPIProp*>(openId(w.ab, id));
    ASSERT_TRUE(user);
    SPropValue values[2] = {};
    values[0].ulPropTag = 0x5802001E; // a fax provider's auxiliary text
    values[0].Value.lpszA = const_cast<char*>("Attn: Rosa");
    values[1].ulPropTag = PR_ADDRTYPE;
    values[1].Value.lpszA = const_cast<char*>("FAX");
    ASSERT_EQ(user->SetProps(2, values, nullptr), S_OK);
    ASSERT_EQ(user->SaveChanges(0), S_OK);
    user->Release();
    const std::string text = readFile(path);
    EXPECT_NE(text.find("X-VELMO-MAPI-5802001E:Attn: Rosa\n"), std::string::npos) << text;
    // Everything the card had is still there, byte for byte.
    const std::string original = readFile(std::string(VELMO_VCARD_DATA) + "/unknown-properties.vcf");
    EXPECT_EQ(text.substr(0, original.find("END:VCARD")), original.substr(0, original.find("END:VCARD")));
    Wab again;
    ASSERT_EQ(again.open(path), S_OK);
    const Row row = rowNamed(contents(again.ab, {PR_DISPLAY_NAME, 0x5802001E, PR_ADDRTYPE}), "Rosa Delgado");
    EXPECT_EQ(row.at(0x5802001E), "Attn: Rosa");
    EXPECT_EQ(row.at(PR_ADDRTYPE), "FAX");
}
