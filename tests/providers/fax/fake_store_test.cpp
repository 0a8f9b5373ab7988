// vqfaxsp.so loaded by name over the scripted store library: what it asks of
// the library and how it takes the library's answers.

#include <algorithm>

#include "provider_fixture.h"

using namespace pdx;
using namespace faxtest;
using pdx::core::Buffer;
using pdx::core::RowSet;

TEST_F(FakeStoreTest, OpenRegistersTheUidKeepsTheSupportAndTheNameAndPassesThePath) {
    ASSERT_EQ(support_->registered.size(), 1u);
    EXPECT_EQ(std::vector<uint8_t>(support_->registered[0].ab, support_->registered[0].ab + 16),
              std::vector<uint8_t>(16, kUid));
    EXPECT_EQ(support_->refs, 2u);

    object_ptr<TestSection> named(makeSection(std::string(100, 'n'), "/books/office.fax", 0x11));
    object_ptr<IAddrBook> second;
    ASSERT_EQ(open(second, named.get()), S_OK);
    SPropTagArray tags{1, {PR_DISPLAY_NAME}};
    ULONG n = 0;
    Buffer<SPropValue> v;
    ASSERT_EQ(second->GetProps(&tags, 0, &n, v.out()), S_OK);
    EXPECT_EQ(std::string(v[0].Value.lpszA), std::string(64, 'n'));

    ULONG type = 0;
    object_ptr<IUnknown> opened;
    ASSERT_EQ(second->OpenEntry(0, nullptr, nullptr, 0, &type, opened.out()), S_OK);
    ASSERT_EQ(logon_->OpenEntry(0, nullptr, nullptr, 0, &type, opened.out()), S_OK);
    EXPECT_EQ(fake_->openedPaths, (std::vector<std::string>{"/books/office.fax", "(null)"}));

    opened.reset();
    second.reset();
    logon_.reset();
    EXPECT_EQ(support_->refs, 1u);
}

TEST_F(FakeStoreTest, MissingLibraryOrEntryPointFailsTheOpenWithOutOfMemory) {
    object_ptr<IAddrBook> logon;
    setenv("VELMO_PRINTER_DRIVER_DIR", velmo::test::makeTempDir("nodriver").c_str(), 1);
    EXPECT_EQ(open(logon), E_OUTOFMEMORY);
    platform::Module noClose;
    useFake(FakeVariant::NoClose, noClose);
    EXPECT_EQ(open(logon), E_OUTOFMEMORY);
    EXPECT_FALSE(logon);
    EXPECT_EQ(support_->refs, 2u); // only the fixture's logon holds one
}

TEST_F(FakeStoreTest, WithoutDeletePropsTheBookOpensAndOnlyDeletionFails) {
    logon_.reset();
    platform::Module noDelete;
    fakeconv::State& fake = useFake(FakeVariant::NoDelete, noDelete);
    ASSERT_EQ(open(logon_), S_OK);
    auto book = root();
    const auto id = create(book.get(), PR_DEF_CREATE_MAILUSER, person("Ada", "111", "222"));
    ASSERT_EQ(fieldsOf(id).record, 1);
    EXPECT_EQ(deleteFrom(book.get(), {id}), MAPI_W_PARTIAL_COMPLETION);
    EXPECT_EQ(fake.records.count(1), 1u);
    auto fresh = root();
    RowSet rows = contents(fresh.get(), {PR_DISPLAY_NAME});
    ASSERT_EQ(rows->cRows, 1u);
}

TEST_F(FakeStoreTest, ErrorWordsBecomeStatusCodes) {
    const std::pair<uint32_t, HRESULT> words[] = {{1, E_INVALIDARG},       {2, MAPI_E_DISK_ERROR},
                                                  {3, MAPI_E_DISK_ERROR},  {4, MAPI_E_NOT_FOUND},
                                                  {5, MAPI_E_NOT_FOUND},   {6, MAPI_E_NOT_ENOUGH_DISK},
                                                  {99, S_OK}};
    for (auto [word, status] : words) {
        fake_->failures["OpenAddressBook"] = {word};
        ULONG type = 0;
        object_ptr<IUnknown> opened;
        EXPECT_EQ(logon_->OpenEntry(0, nullptr, nullptr, 0, &type, opened.out()), status) << "word " << word;
    }
    // The same mapping on a write: no room for a new record.
    auto book = root();
    fake_->failures["CreateContactEntry"] = {6};
    auto tmpl = templateOf(book.get(), PR_DEF_CREATE_MAILUSER);
    object_ptr<IMAPIProp> entry;
    ASSERT_EQ(book->CreateEntry(40, reinterpret_cast<ENTRYID*>(tmpl.data()), 0, entry.out()), S_OK);
    auto values = person("Ada", "1", "2");
    ASSERT_EQ(entry->SetProps(ULONG(values.size()), values.data(), nullptr), S_OK);
    EXPECT_EQ(entry->SaveChanges(0), MAPI_E_NOT_ENOUGH_DISK);
    EXPECT_EQ(fieldsOf(entryIdOf(entry.get())).kind, 0x3006u); // still the template until a save succeeds
}

TEST_F(FakeStoreTest, EveryOperationClosesTheBookItOpened) {
    auto book = root();
    const auto id = create(book.get(), PR_DEF_CREATE_MAILUSER, person("Ada", "1", "2"));
    contents(book.get(), {PR_DISPLAY_NAME});
    fake_->failures["GetProps"] = {4};
    openEntry(id, nullptr, MAPI_E_NOT_FOUND);
    deleteFrom(book.get(), {id});
    EXPECT_GT(fake_->count("OpenAddressBook"), 3u);
    EXPECT_EQ(fake_->count("OpenAddressBook"), fake_->count("CloseAddressBook"));
}

TEST_F(FakeStoreTest, ElementCountsBeyondTheBufferAreNeverRead) {
    // Says one element, then claims fifty written.
    auto name = fieldElement(1, "Only");
    fake_->raw[1] = {1, 50, name};
    auto user = openEntry(makeId({-1, 4, 1, 6}));
    ASSERT_TRUE(user);
    SPropTagArray tags{1, {PR_DISPLAY_NAME}};
    ULONG n = 0;
    Buffer<SPropValue> v;
    ASSERT_EQ(static_cast<IMailUser*>(user.get())->GetProps(&tags, 0, &n, v.out()), S_OK);
    EXPECT_STREQ(v[0].Value.lpszA, "Only");

    // Negative and absurd counts.
    fake_->raw[2] = {-7, -7, {}};
    EXPECT_TRUE(openEntry(makeId({-1, 4, 2, 6})));
    fake_->raw[3] = {0x7FFFFFFF, 0, {}};
    openEntry(makeId({-1, 4, 3, 6}), nullptr, E_OUTOFMEMORY);
}

TEST_F(FakeStoreTest, FirstSaveOfANewContactCreatesItsRecordOnce) {
    auto book = root();
    auto tmpl = templateOf(book.get(), PR_DEF_CREATE_MAILUSER);
    EXPECT_EQ(fieldsOf(tmpl).record, 0);
    EXPECT_EQ(fieldsOf(tmpl).kind, 0x3006u);
    object_ptr<IMAPIProp> entry;
    ASSERT_EQ(book->CreateEntry(40, reinterpret_cast<ENTRYID*>(tmpl.data()), 0, entry.out()), S_OK);
    EXPECT_EQ(entry->SaveChanges(0), S_OK); // nothing set yet: nothing written
    EXPECT_EQ(fake_->count("CreateContactEntry"), 0u);

    auto values = person("Ada", "111", "222");
    ASSERT_EQ(entry->SetProps(ULONG(values.size()), values.data(), nullptr), S_OK);
    ASSERT_EQ(entry->SaveChanges(0), S_OK);
    const IdFields saved = fieldsOf(entryIdOf(entry.get()));
    EXPECT_EQ(saved.record, 1);
    EXPECT_EQ(saved.kind, 6u);
    EXPECT_EQ(saved.parentRecord, -1);
    EXPECT_EQ(saved.parentKind, 4u);
    auto more = stringValue(PR_COMMENT, "night line");
    ASSERT_EQ(entry->SetProps(1, &more, nullptr), S_OK);
    ASSERT_EQ(entry->SaveChanges(0), S_OK);
    EXPECT_EQ(fake_->count("CreateContactEntry"), 1u);
    EXPECT_EQ(storedField(*fake_, 1, 1), "Ada");
    EXPECT_EQ(storedField(*fake_, 1, 528), "111");
    EXPECT_EQ(storedField(*fake_, 1, 272), "222");
    EXPECT_EQ(storedField(*fake_, 1, 8), "night line");
}

TEST_F(FakeStoreTest, DisplayNameOf300CharactersIsStoredAsItsFirst255Bytes) {
    const std::string longName(300, 'L');
    auto book = root();
    auto id = create(book.get(), PR_DEF_CREATE_MAILUSER, {stringValue(PR_DISPLAY_NAME, longName.c_str())});
    EXPECT_EQ(storedField(*fake_, fieldsOf(id).record, 1), longName.substr(0, 255));
    auto user = openEntry(id);
    SPropTagArray tags{1, {PR_DISPLAY_NAME}};
    ULONG n = 0;
    Buffer<SPropValue> v;
    ASSERT_EQ(static_cast<IMailUser*>(user.get())->GetProps(&tags, 0, &n, v.out()), S_OK);
    EXPECT_EQ(std::string(v[0].Value.lpszA), longName.substr(0, 255));
}

TEST_F(FakeStoreTest, MemberFlagsFollowTheNumbersSavedThroughTheGroup) {
    auto book = root();
    const auto contact = create(book.get(), PR_DEF_CREATE_MAILUSER, person("Ada", "111", "222"));
    const auto groupId = create(book.get(), PR_DEF_CREATE_DL, {stringValue(PR_DISPLAY_NAME, "Team")});
    const int32_t groupRecord = fieldsOf(groupId).record;
    auto group = openEntry(groupId);
    auto* dl = static_cast<IABContainer*>(group.get());
    ASSERT_EQ(copyInto(dl, {contact}), S_OK);
    auto members = storedMembers(*fake_, groupRecord);
    ASSERT_EQ(members.size(), 1u);
    EXPECT_EQ(members[0].flags, 3u);

    // Through the group, the secondary number is emptied.
    ULONG type = 0;
    object_ptr<IUnknown> opened;
    ASSERT_EQ(dl->OpenEntry(40, reinterpret_cast<ENTRYID*>(const_cast<uint8_t*>(contact.data())), nullptr, 0, &type,
                            opened.out()),
              S_OK);
    auto* viaGroup = static_cast<IMailUser*>(opened.get());
    EXPECT_EQ(fieldsOf(entryIdOf(viaGroup)).parentRecord, groupRecord);
    auto empty = stringValue(PR_HOME_FAX_NUMBER, "");
    ASSERT_EQ(viaGroup->SetProps(1, &empty, nullptr), S_OK);
    ASSERT_EQ(viaGroup->SaveChanges(0), S_OK);
    EXPECT_EQ(storedMembers(*fake_, groupRecord)[0].flags, 1u);
    EXPECT_EQ(storedField(*fake_, fieldsOf(contact).record, 272), "222"); // the contact keeps it

    // The group's table shows only the selected number; the root's both.
    auto fresh = openEntry(groupId);
    RowSet inGroup = contents(static_cast<IABContainer*>(fresh.get()), {PR_BUSINESS_FAX_NUMBER, PR_HOME_FAX_NUMBER});
    ASSERT_EQ(inGroup->cRows, 1u);
    EXPECT_EQ(rowText(inGroup->aRow[0], PR_BUSINESS_FAX_NUMBER), "111");
    EXPECT_EQ(rowText(inGroup->aRow[0], PR_HOME_FAX_NUMBER), "");
    auto freshRoot = root();
    RowSet inRoot = contents(freshRoot.get(), {PR_DISPLAY_NAME, PR_HOME_FAX_NUMBER});
    ASSERT_TRUE(rowNamed(inRoot.get(), "Ada"));
    EXPECT_EQ(rowText(*rowNamed(inRoot.get(), "Ada"), PR_HOME_FAX_NUMBER), "222");
}

TEST_F(FakeStoreTest, RewritingAGroupKeepsEachMembersSelectionAndTrailingBytes) {
    storeRecord(*fake_, 1, {{1, "Ada"}, {528, "111"}, {272, "222"}});
    storeRecord(*fake_, 2, {{1, "Bo"}, {528, "333"}});
    const int32_t groupRecord = INT32_MIN | 1;
    {
        std::lock_guard g(fake_->lock);
        auto member = memberElement(1, 1);
        std::fill(member.begin() + 12, member.end(), 0xAB);
        fake_->records[groupRecord] = {fieldElement(1, "Team"), member};
    }
    auto group = openEntry(makeId({-1, 4, groupRecord, 8}));
    auto* dl = static_cast<IABContainer*>(group.get());
    ASSERT_EQ(copyInto(dl, {makeId({-1, 4, 2, 6})}), S_OK);
    std::lock_guard g(fake_->lock);
    const auto& elements = fake_->records[groupRecord];
    ASSERT_EQ(elements.size(), 3u);
    EXPECT_EQ(elements[1], [] {
        auto m = memberElement(1, 1);
        std::fill(m.begin() + 12, m.end(), 0xAB);
        return m;
    }());
    EXPECT_EQ(elements[2], memberElement(2, 3));
}

TEST_F(FakeStoreTest, RootContentsListEveryRecordStillThere) {
    auto book = root();
    const auto a = create(book.get(), PR_DEF_CREATE_MAILUSER, person("Ada", "1", "2"));
    create(book.get(), PR_DEF_CREATE_DL, {stringValue(PR_DISPLAY_NAME, "Team")});
    storeRecord(*fake_, 7, {{1, "Seven"}});
    fake_->raw[7] = {-1, -1, {}}; // -1 with no error word: taken as an answer of no elements
    storeRecord(*fake_, 8, {{1, "Gone"}});
    storeRecord(*fake_, 9, {});   // created, never written: a save cut short
    auto fresh = root();
    {
        std::lock_guard g(fake_->lock);
        fake_->records.erase(8); // deleted by someone else after the root was read
    }
    RowSet rows = contents(fresh.get(), {PR_DISPLAY_NAME, PR_ENTRYID, PR_OBJECT_TYPE, PR_INSTANCE_KEY, PR_ADDRTYPE});
    ASSERT_EQ(rows->cRows, 2u); // Ada and Team
    const SRow* ada = rowNamed(rows.get(), "Ada");
    ASSERT_TRUE(ada);
    EXPECT_EQ(rowBytes(*ada, PR_ENTRYID), a);
    EXPECT_EQ(findTag(ada->lpProps, ada->cValues, PR_OBJECT_TYPE)->Value.l, 6);
    EXPECT_EQ(rowBytes(*ada, PR_INSTANCE_KEY), (std::vector<uint8_t>{1, 0, 0, 0}));
    EXPECT_EQ(ada->lpProps[4].ulPropTag, PR_ADDRTYPE_ERROR);
    EXPECT_EQ(ada->lpProps[4].Value.err, MAPI_E_NOT_FOUND);
    const SRow* team = rowNamed(rows.get(), "Team");
    ASSERT_TRUE(team);
    EXPECT_EQ(findTag(team->lpProps, team->cValues, PR_OBJECT_TYPE)->Value.l, 8);
    EXPECT_EQ(fieldsOf(rowBytes(*team, PR_ENTRYID)).parentKind, 4u);
    EXPECT_FALSE(rowNamed(rows.get(), "Gone"));
}

TEST_F(FakeStoreTest, ServiceEntryRunsTheConverterAndNeedsAWindowForItsDialog) {
    auto entry = plugin().serviceEntry;
    SPropValue name = stringValue(PR_DISPLAY_NAME, "Office fax");
    EXPECT_EQ(entry(nullptr, 0, 0, MSG_SERVICE_CREATE, 1, &name, section_.get(), support_.get()), S_OK);
    EXPECT_EQ(fake_->count("CnvAddressBook"), 1u);
    EXPECT_EQ(*section_->text(PR_DISPLAY_NAME), "Office fax");

    // A dialog was asked for and none could be shown: that is not a configuration.
    EXPECT_EQ(entry(nullptr, 0, SERVICE_UI_ALLOWED, MSG_SERVICE_CREATE, 0, nullptr, section_.get(), support_.get()),
              E_FAIL);
    EXPECT_EQ(fake_->count("CnvAddressBook"), 2u);
    EXPECT_EQ(entry(nullptr, 0, 0, MSG_SERVICE_CONFIGURE, 0, nullptr, section_.get(), support_.get()), E_FAIL);
    EXPECT_EQ(entry(nullptr, 0, 0, 4, 0, nullptr, section_.get(), support_.get()), S_OK);
    EXPECT_EQ(entry(nullptr, 0, 0, 6, 0, nullptr, section_.get(), support_.get()), MAPI_E_NO_SUPPORT);
    EXPECT_EQ(entry(nullptr, 0, 0, MSG_SERVICE_CREATE, 0, nullptr, nullptr, support_.get()), E_INVALIDARG);
    support_->routinesResult = MAPI_E_NOT_ENOUGH_RESOURCES;
    EXPECT_EQ(entry(nullptr, 0, 0, 1, 0, nullptr, section_.get(), support_.get()), MAPI_E_NOT_ENOUGH_RESOURCES);
    EXPECT_TRUE(section_->saves.empty());
}
