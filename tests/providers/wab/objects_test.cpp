// The container, distribution list, mail user and table proxies.

#include <algorithm>
#include <cstring>

#include "pdx/restriction.h"
#include "provider_fixture.h"

using namespace pdx;
using namespace wabtest;

namespace {

class Objects : public ProviderFixture {
protected:
    void SetUp() override {
        ProviderFixture::SetUp();
        ASSERT_EQ(open(), S_OK);
    }
    size_t count(const std::string& prefix) const {
        return size_t(std::count_if(fake_->calls.begin(), fake_->calls.end(),
                                    [&](const std::string& c) { return c.rfind(prefix, 0) == 0; }));
    }
    // An entry list of caller identifiers.
    struct List {
        std::vector<Bytes> ids;
        std::vector<SBinary> bins;
        ENTRYLIST list{};
        ENTRYLIST* get() {
            bins.clear();
            for (auto& id : ids) bins.push_back({ULONG(id.size()), id.data()});
            list = {ULONG(bins.size()), bins.data()};
            return &list;
        }
    };
};

// How the fake names an object in its log.
std::string shortName(const Bytes& id) { return hexOf(id).substr(0, 8); }

template <size_t N> struct Tags {
    ULONG c = N;
    ULONG t[N];
    const SPropTagArray* get() const { return reinterpret_cast<const SPropTagArray*>(this); }
};

} // namespace

TEST_F(Objects, ContainerValuesReachTheCallerConverted) {
    IABContainer* contacts = openContacts();
    const Tags<4> tags{4, {PR_CONTAINER_FLAGS, PR_DEF_CREATE_MAILUSER, PR_DEF_CREATE_DL, PR_DISPLAY_NAME}};
    ULONG n = 0;
    Pdx<SPropValue> v;
    ASSERT_EQ(contacts->GetProps(tags.get(), 0, &n, v.out()), S_OK);
    ASSERT_EQ(n, 4u);
    EXPECT_EQ(v[0].Value.ul, 0x5u) << "AB_MODIFIABLE brings AB_RECIPIENTS";
    EXPECT_EQ(bin(v[1]), wrap(fake_->mailUserTemplate));
    EXPECT_EQ(bin(v[2]), wrap(fake_->listTemplate));
    EXPECT_STREQ(v[3].Value.lpszA, "Contacts");

    Pdx<SPropTagArray> list;
    ASSERT_EQ(contacts->GetPropList(0, list.out()), S_OK);
    EXPECT_EQ(list->cValues, 7u);

    // Named properties: the component makes the tag array when given none.
    SPropTagArray* named = nullptr;
    ULONG names = 0;
    MAPINAMEID** ids = nullptr;
    ASSERT_EQ(contacts->GetNamesFromIDs(&named, nullptr, 0, &names, &ids), S_OK);
    ASSERT_EQ(names, 2u);
    EXPECT_EQ(named->aulPropTag[1], 0x8002001Fu);
    EXPECT_EQ(std::u16string(ids[1]->Kind.lpwstrName), u"Kind");
    pdxFree(named);
    pdxFree(ids);
    SPropTagArray* found = nullptr;
    ASSERT_EQ(contacts->GetIDsFromNames(2, nullptr, 0, &found), S_OK);
    EXPECT_EQ(found->cValues, 2u);
    pdxFree(found);

    void* iface = nullptr;
    ASSERT_EQ(contacts->QueryInterface(&IID_IMAPIContainer, &iface), S_OK);
    static_cast<IUnknown*>(iface)->Release();
    EXPECT_EQ(contacts->QueryInterface(&IID_IDistList, &iface), E_NOINTERFACE);
    EXPECT_EQ(contacts->GetLastError(0, 0, nullptr), MAPI_E_NO_SUPPORT);
    EXPECT_EQ(contacts->SetSearchCriteria(nullptr, nullptr, 0), MAPI_E_NO_SUPPORT);
    contacts->Release();
}

TEST_F(Objects, ContentsRowsOpenTheRightProxies) {
    IABContainer* contacts = openContacts();
    IMAPITable* table = nullptr;
    ASSERT_EQ(contacts->GetContentsTable(0, &table), S_OK);
    const Tags<2> columns{2, {PR_ENTRYID, PR_OBJECT_TYPE}};
    ASSERT_EQ(table->SetColumns(columns.get(), 0), S_OK);
    SRowSet* rows = nullptr;
    ASSERT_EQ(table->QueryRows(10, 0, &rows), S_OK);
    ASSERT_EQ(rows->cRows, 3u);
    for (ULONG i = 0; i < rows->cRows; ++i) {
        Bytes id = bin(rows->aRow[i].lpProps[0]);
        ULONG type = 0;
        IUnknown* object = nullptr;
        ASSERT_EQ(contacts->OpenEntry(ULONG(id.size()), asId(id), nullptr, 0, &type, &object), S_OK);
        EXPECT_EQ(type, rows->aRow[i].lpProps[1].Value.ul);
        const IID& expected = type == 6 ? IID_IMailUser : IID_IDistList;
        void* iface = nullptr;
        ASSERT_EQ(object->QueryInterface(&expected, &iface), S_OK) << type;
        static_cast<IUnknown*>(iface)->Release();
        EXPECT_EQ(object->QueryInterface(&IID_IABContainer, &iface), E_NOINTERFACE);
        object->Release();
    }
    EXPECT_TRUE(fake_->called("Container.OpenEntry 40:" + hexOf(fake_->team)));
    freePdxRows(rows);
    table->Release();
    contacts->Release();
}

TEST_F(Objects, ObjectsOfUnknownTypeAreRefused) {
    fake_->entries[fake_->bob].type = 3; // a folder, say
    Bytes bob = wrap(fake_->bob);
    ULONG type = 0;
    IUnknown* object = reinterpret_cast<IUnknown*>(&type);
    EXPECT_EQ(provider_->OpenEntry(60, asId(bob), nullptr, 0, &type, &object), MAPI_E_INVALID_OBJECT);
    EXPECT_EQ(object, nullptr);
}

TEST_F(Objects, TablesCopyWhatTheComponentAllocatesAndPassTheRest) {
    IABContainer* contacts = openContacts();
    IMAPITable* table = nullptr;
    ASSERT_EQ(contacts->GetContentsTable(0, &table), S_OK);
    contacts->Release();
    ULONG rows = 0;
    ASSERT_EQ(table->GetRowCount(0, &rows), S_OK);
    EXPECT_EQ(rows, 3u);
    LONG sought = 0;
    ASSERT_EQ(table->SeekRow(BOOKMARK_BEGINNING, 2, &sought), S_OK);
    EXPECT_EQ(sought, 2);

    Pdx<SPropTagArray> columns;
    ASSERT_EQ(table->QueryColumns(0, columns.out()), S_OK);
    EXPECT_EQ(columns->aulPropTag[1], PR_ENTRYID);
    Pdx<SSortOrderSet> sort;
    ASSERT_EQ(table->QuerySortOrder(sort.out()), S_OK);
    EXPECT_EQ(sort->aSort[0].ulPropTag, PR_DISPLAY_NAME);
    ULONG cb = 0;
    Pdx<BYTE> state;
    ASSERT_EQ(table->GetCollapseState(0, 0, nullptr, &cb, state.out()), S_OK);
    EXPECT_EQ(idBytes(cb, state.get()), (Bytes{'a', 'b', 'c'}));

    // Restrictions reach the component exactly as given.
    auto* restriction = reinterpret_cast<SRestriction*>(&rows);
    char expected[64];
    std::snprintf(expected, sizeof expected, "Table.Restrict %p", static_cast<void*>(restriction));
    EXPECT_EQ(table->Restrict(restriction, 0), S_OK);
    EXPECT_EQ(fake_->calls.back(), expected);
    EXPECT_EQ(table->FreeBookmark(102), S_OK);
    EXPECT_EQ(fake_->calls.back(), "Table.FreeBookmark 102");

    SRowSet* expanded = nullptr;
    ULONG more = 9;
    ASSERT_EQ(table->ExpandRow(0, 1, 0, &expanded, &more), S_OK);
    ASSERT_EQ(expanded->cRows, 1u);
    EXPECT_EQ(bin(expanded->aRow[0].lpProps[1]), wrap(fake_->alice));
    freePdxRows(expanded);
    EXPECT_EQ(table->GetLastError(0, 0, nullptr), MAPI_E_NO_SUPPORT);
    void* iface = nullptr;
    EXPECT_EQ(table->QueryInterface(&IID_IMAPIProp, &iface), E_NOINTERFACE);
    table->Release();
}

TEST_F(Objects, ContainerCreateEntryWrapsByTheNewObjectsType) {
    IABContainer* contacts = openContacts();
    Bytes list = wrap(fake_->listTemplate), foreign = list;
    foreign[12] ^= 1;
    IMAPIProp* made = nullptr;
    EXPECT_EQ(contacts->CreateEntry(60, asId(foreign), 0, &made), MAPI_E_UNKNOWN_ENTRYID);
    EXPECT_FALSE(fake_->called("CreateEntry"));
    ASSERT_EQ(contacts->CreateEntry(60, asId(list), 0, &made), S_OK);
    EXPECT_TRUE(fake_->called("CreateEntry " + shortName(fake_->contacts) + " 40:" + hexOf(fake_->listTemplate)));
    void* iface = nullptr;
    ASSERT_EQ(made->QueryInterface(&IID_IDistList, &iface), S_OK);
    static_cast<IUnknown*>(iface)->Release();
    made->Release();
    contacts->Release();
}

TEST_F(Objects, ContainerEntryListsNeedAnOwnFirstIdentifier) {
    IABContainer* contacts = openContacts();
    EXPECT_EQ(contacts->DeleteEntries(nullptr, 0), S_OK);
    List none;
    EXPECT_EQ(contacts->CopyEntries(none.get(), 0, nullptr, 0), S_OK);
    List mixed;
    mixed.ids = {wrap(fake_->alice), wrap(fake_->bob)};
    mixed.ids[0][7] ^= 1;
    EXPECT_EQ(contacts->DeleteEntries(mixed.get(), 0), MAPI_E_UNKNOWN_ENTRYID);
    EXPECT_EQ(contacts->CopyEntries(mixed.get(), 0, nullptr, 0), MAPI_E_UNKNOWN_ENTRYID);
    EXPECT_TRUE(fake_->calls.back().rfind("OpenEntry", 0) == 0) << "nothing reached the component";

    List both;
    both.ids = {wrap(fake_->alice), wrap(fake_->bob)};
    ASSERT_EQ(contacts->DeleteEntries(both.get(), 0), S_OK);
    EXPECT_EQ(fake_->calls.back(),
              "DeleteEntries " + shortName(fake_->contacts) + " 40:" + hexOf(fake_->alice) + " 40:" + hexOf(fake_->bob));
    ASSERT_EQ(contacts->CopyEntries(both.get(), 0, nullptr, 0), S_OK);
    EXPECT_EQ(fake_->calls.back(), "CopyEntries " + shortName(fake_->contacts) + " 40:" + hexOf(fake_->alice) + " 40:" + hexOf(fake_->bob));
    contacts->Release();
}

TEST_F(Objects, ResolveNamesGivesTheComponentItsOwnMemoryAndReplacesTheEntries) {
    IABContainer* contacts = openContacts();
    ADRLIST* list = nullptr;
    pdxAllocate(ULONG(cbAdrList(2)), reinterpret_cast<void**>(&list));
    list->cEntries = 2;
    for (ULONG i = 0; i < 2; ++i) {
        SPropValue* v = nullptr;
        pdxAllocate(sizeof(SPropValue) + 8, reinterpret_cast<void**>(&v));
        v->ulPropTag = PR_DISPLAY_NAME;
        v->Value.lpszA = reinterpret_cast<char*>(v + 1);
        std::strcpy(v->Value.lpszA, i ? "Nobody" : "Bob");
        list->aEntries[i] = {0, 1, v};
    }
    ASSERT_EQ(contacts->ResolveNames(nullptr, 0, list, nullptr), S_OK);
    ASSERT_EQ(list->aEntries[0].cValues, 3u);
    EXPECT_EQ(bin(list->aEntries[0].rgPropVals[1]), wrap(fake_->bob));
    EXPECT_EQ(list->aEntries[1].cValues, 1u);
    EXPECT_STREQ(list->aEntries[1].rgPropVals[0].Value.lpszA, "Nobody");
    EXPECT_EQ(pdxHeap().liveRoots(), 3u);
    freePdxList(list);
    contacts->Release();
}

TEST_F(Objects, CopiesGoThroughTheSupportObjectWithTheProxyAsSource) {
    IABContainer* contacts = openContacts();
    IDistList* team = openTeam();
    Bytes alice = wrap(fake_->alice);
    auto* user = reinterpret_cast<IMailUser*>(openEntry(alice));
    EXPECT_EQ(contacts->CopyTo(0, nullptr, nullptr, 0, nullptr, &IID_IABContainer, team, 0, nullptr), S_OK);
    EXPECT_EQ(support_.lastSource, static_cast<void*>(contacts));
    EXPECT_EQ(team->CopyProps(nullptr, 0, nullptr, &IID_IDistList, contacts, 0, nullptr), S_OK);
    EXPECT_EQ(support_.lastSource, static_cast<void*>(team));
    EXPECT_EQ(user->CopyTo(0, nullptr, nullptr, 0, nullptr, &IID_IMailUser, nullptr, 0, nullptr), S_OK);
    EXPECT_EQ(support_.copies, (std::vector<std::string>{"DoCopyTo 0002030d 0002030d", "DoCopyProps 0002030e 0002030e",
                                                         "DoCopyTo 0002030a 0002030a"}));
    EXPECT_FALSE(fake_->called("CopyTo"));

    // A mail user's values are forwarded as the caller gives them.
    SPropValue values[2] = {};
    values[0].ulPropTag = PR_DISPLAY_NAME;
    values[0].Value.lpszA = const_cast<char*>("Alicia");
    values[1].ulPropTag = PROP_TAG(PT_OBJECT, 0x6010);
    Pdx<SPropProblemArray> problems;
    ASSERT_EQ(user->SetProps(2, values, problems.out()), S_OK);
    ASSERT_EQ(problems->cProblem, 1u);
    EXPECT_EQ(problems->aProblem[0].ulIndex, 1u);
    EXPECT_EQ(user->SaveChanges(0), S_OK);
    EXPECT_EQ(fake_->calls.back(), "SaveChanges " + shortName(fake_->alice) + " 0");
    user->Release();
    team->Release();
    contacts->Release();
}

TEST_F(Objects, AListReportsItsParentsTemplates) {
    IDistList* team = openTeam();
    const Tags<3> tags{3, {PR_DEF_CREATE_MAILUSER, PR_DISPLAY_NAME, PR_DEF_CREATE_DL}};
    ULONG n = 0;
    Pdx<SPropValue> v;
    ASSERT_EQ(team->GetProps(tags.get(), 0, &n, v.out()), S_OK) << "every error was filled";
    EXPECT_EQ(bin(v[0]), wrap(fake_->mailUserTemplate));
    EXPECT_STREQ(v[1].Value.lpszA, "Team");
    EXPECT_EQ(bin(v[2]), wrap(fake_->listTemplate));
    const Tags<2> other{2, {PR_DEF_CREATE_DL, PR_EMAIL_ADDRESS}};
    ASSERT_EQ(team->GetProps(other.get(), 0, &n, v.out()), MAPI_W_ERRORS_RETURNED);
    EXPECT_EQ(bin(v[0]), wrap(fake_->listTemplate));
    EXPECT_EQ(v[1].Value.err, MAPI_E_NOT_FOUND);
    EXPECT_FALSE(fake_->called("GetPAB")) << "the list names its container";
    team->Release();
}

TEST_F(Objects, AListWithoutItsContainerRecordUsesThePersonalAddressBook) {
    provider_->Release();
    provider_ = nullptr;
    fake_->listKnowsParent = false;
    ASSERT_EQ(open(), S_OK);
    IDistList* team = openTeam();
    EXPECT_TRUE(fake_->called("GetPAB"));
    const Tags<1> tags{1, {PR_DEF_CREATE_MAILUSER}};
    ULONG n = 0;
    Pdx<SPropValue> v;
    ASSERT_EQ(team->GetProps(tags.get(), 0, &n, v.out()), S_OK);
    EXPECT_EQ(bin(v[0]), wrap(fake_->mailUserTemplate));
    team->Release();
}

TEST_F(Objects, AListCreatesNewMembersInItsParentAndAddsThem) {
    IDistList* team = openTeam();
    Bytes templ = wrap(fake_->mailUserTemplate), foreign = templ;
    foreign[15] ^= 1;
    IMAPIProp* made = nullptr;
    EXPECT_EQ(team->CreateEntry(0, nullptr, 0, &made), E_INVALIDARG);
    EXPECT_EQ(team->CreateEntry(60, asId(foreign), 0, &made), MAPI_E_UNKNOWN_ENTRYID);
    fake_->calls.clear();

    ASSERT_EQ(team->CreateEntry(60, asId(templ), 0, &made), S_OK);
    ASSERT_NE(made, nullptr);
    const Tags<1> idTag{1, {PR_ENTRYID}};
    ULONG n = 0;
    Pdx<SPropValue> v;
    ASSERT_EQ(made->GetProps(idTag.get(), 0, &n, v.out()), S_OK);
    const Bytes fresh = bin(v[0]);
    ASSERT_EQ(fresh.size(), 60u);
    const Bytes inner(fresh.begin() + 20, fresh.end());
    const std::string name = "SetProps " + hexOf(inner).substr(0, 8) + " 3001001e=";
    std::vector<std::string> relevant;
    for (const auto& c : fake_->calls)
        if (c.rfind("OpenEntry", 0) != 0 && c.rfind("Container.OpenEntry", 0) != 0) relevant.push_back(c);
    ASSERT_EQ(relevant.size(), 5u) << ::testing::PrintToString(fake_->calls);
    EXPECT_EQ(relevant[0], "CreateEntry " + shortName(fake_->contacts) + " 40:" + hexOf(fake_->mailUserTemplate));
    EXPECT_EQ(relevant[1].rfind(name, 0), 0u) << relevant[1];
    EXPECT_NE(relevant[1], name) << "the new member has a display name";
    EXPECT_EQ(relevant[2], "SaveChanges " + hexOf(inner).substr(0, 8) + " 2");
    EXPECT_EQ(relevant[3], "CreateEntry " + shortName(fake_->team) + " 40:" + hexOf(inner));
    EXPECT_EQ(relevant[4], "SaveChanges " + hexOf(inner).substr(0, 8) + " 0");
    EXPECT_EQ(fake_->entries[fake_->team].members.back(), inner);
    EXPECT_EQ(fake_->entries[fake_->contacts].members.back(), inner);
    made->Release();
    team->Release();
}

TEST_F(Objects, AListCopiesEntriesOneMemberAtATime) {
    IDistList* team = openTeam();
    List entries;
    entries.ids = {wrap(fake_->bob), wrap(fake_->alice)};
    entries.ids[1][9] ^= 1;
    fake_->calls.clear();
    EXPECT_EQ(team->CopyEntries(entries.get(), 0, nullptr, 0), MAPI_E_UNKNOWN_ENTRYID);
    EXPECT_TRUE(fake_->calls.empty()) << "checked before the first member is added";

    entries.ids[1] = wrap(fake_->alice);
    ASSERT_EQ(team->CopyEntries(entries.get(), 0, nullptr, 0), S_OK);
    EXPECT_EQ(fake_->entries[fake_->team].members, (std::vector<Bytes>{fake_->alice, fake_->bob, fake_->alice}));
    EXPECT_EQ(count("SaveChanges"), 2u);

    fake_->refusedMembers = {fake_->bob};
    EXPECT_EQ(team->CopyEntries(entries.get(), 0, nullptr, 0), MAPI_W_PARTIAL_COMPLETION);
    EXPECT_EQ(fake_->entries[fake_->team].members.size(), 4u);
    List none;
    EXPECT_EQ(team->CopyEntries(none.get(), 0, nullptr, 0), S_OK);
    team->Release();
}
