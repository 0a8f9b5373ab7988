// vqfaxsp.so loaded by name and driven through the MAPI slot layouts, over the
// scripted store library: opening, identifiers, entries, groups, tables and
// the store's answers.

#include <algorithm>

#include "provider_fixture.h"

using namespace pdx;
using namespace faxtest;
using pdx::core::Buffer;
using pdx::core::RowSet;

namespace {

// Records how the provider talks to an advise sink.
struct RecordingSink final : IMAPIAdviseSink {
    ULONG refs = 1;
    std::vector<std::string> calls;
    std::vector<NOTIFICATION> received;
    HRESULT QueryInterface(LPCIID, void**) override { return E_NOINTERFACE; }
    ULONG AddRef() override {
        calls.push_back("AddRef");
        return ++refs;
    }
    ULONG Release() override {
        calls.push_back("Release");
        return --refs;
    }
    ULONG OnNotify(ULONG count, NOTIFICATION* n) override {
        calls.push_back("OnNotify " + std::to_string(count));
        received.push_back(*n);
        return 0;
    }
};

std::vector<SPropValue> person(const char* name, const char* primary, const char* secondary) {
    return {stringValue(PR_DISPLAY_NAME, name), stringValue(PR_BUSINESS_FAX_NUMBER, primary),
            stringValue(PR_HOME_FAX_NUMBER, secondary), stringValue(PR_COMPANY_NAME, "Kestrel Ltd")};
}

} // namespace

// ---- opening

TEST_F(FaxProviderTest, OpenRefusesMissingObjectsAndUnusableSections) {
    object_ptr<IAddrBook> logon;
    auto* open = plugin().open;
    EXPECT_EQ(open(nullptr, nullptr, section_.get(), 0, 0, &PDXAllocateBuffer, &PDXAllocateMore, &PDXFreeBuffer,
                   logon.out()),
              E_INVALIDARG);
    EXPECT_EQ(open(nullptr, support_.get(), nullptr, 0, 0, &PDXAllocateBuffer, &PDXAllocateMore, &PDXFreeBuffer,
                   logon.out()),
              E_INVALIDARG);

    object_ptr<TestSection> noUid(TestSection::create());
    noUid->set(PR_DISPLAY_NAME, "Fax");
    EXPECT_EQ(this->open(logon, noUid.get()), MAPI_E_BAD_VALUE);
    // A UID too short to copy is refused rather than read past its end.
    object_ptr<TestSection> shortUid(makeSection("Fax"));
    shortUid->setBinary(PR_SERVICE_UID, std::vector<uint8_t>(8, 1));
    EXPECT_EQ(this->open(logon, shortUid.get()), MAPI_E_BAD_VALUE);
    object_ptr<TestSection> noName(TestSection::create());
    noName->setBinary(PR_SERVICE_UID, std::vector<uint8_t>(16, 1));
    EXPECT_EQ(this->open(logon, noName.get()), MAPI_E_UNCONFIGURED);
    EXPECT_FALSE(logon);

    // Every answer of the section went back to the allocator.
    for (auto* s : {noUid.get(), shortUid.get(), noName.get(), section_.get()})
        for (void* answer : s->handedOut) EXPECT_FALSE(pdx::core::isLiveRoot(answer));
}

TEST_F(FaxProviderTest, OpenRegistersTheUidKeepsTheSupportAndTheNameAndPassesThePath) {
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

TEST_F(FaxProviderTest, MissingLibraryOrEntryPointFailsTheOpenWithOutOfMemory) {
    object_ptr<IAddrBook> logon;
    setenv("VELMO_PRINTER_DRIVER_DIR", velmo::test::makeTempDir("nodriver").c_str(), 1);
    EXPECT_EQ(open(logon), E_OUTOFMEMORY);
    platform::Module noClose;
    useFake(FakeVariant::NoClose, noClose);
    EXPECT_EQ(open(logon), E_OUTOFMEMORY);
    EXPECT_FALSE(logon);
    EXPECT_EQ(support_->refs, 2u); // only the fixture's logon holds one
}

TEST_F(FaxProviderTest, WithoutDeletePropsTheBookOpensAndOnlyDeletionFails) {
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

// ---- the logon

TEST_F(FaxProviderTest, LogonAnswersTheHierarchyColumns) {
    struct {
        ULONG c;
        ULONG t[8];
    } tags = {8, {PR_DISPLAY_NAME, PR_ENTRYID, PR_OBJECT_TYPE, PR_CONTAINER_FLAGS, PR_DEPTH, PR_SERVICE_DLL_NAME,
                  PR_NULL, PR_COMMENT}};
    ULONG n = 0;
    Buffer<SPropValue> v;
    ASSERT_EQ(logon_->GetProps(reinterpret_cast<SPropTagArray*>(&tags), 0, &n, v.out()), MAPI_W_ERRORS_RETURNED);
    ASSERT_EQ(n, 8u);
    EXPECT_STREQ(v[0].Value.lpszA, "Fax book");
    const IdFields rootId = fieldsOf(bytesOf(v[1].Value.bin));
    EXPECT_EQ(v[1].Value.bin.cb, 40u);
    EXPECT_EQ(rootId.record, -1);
    EXPECT_EQ(rootId.kind, 4u);
    EXPECT_EQ(rootId.parentKind, 0u);
    EXPECT_EQ(v[2].Value.l, 4);
    EXPECT_EQ(v[3].Value.l, 5);
    EXPECT_EQ(v[4].Value.l, 0);
    EXPECT_STREQ(v[5].Value.lpszA, "VQSTORE.DLL");
    EXPECT_EQ(v[6].ulPropTag, PR_NULL);
    EXPECT_EQ(v[7].ulPropTag, PROP_TAG(PT_ERROR, 0x3004));
    EXPECT_EQ(v[7].Value.err, MAPI_E_NOT_FOUND);
    EXPECT_EQ(logon_->GetProps(reinterpret_cast<SPropTagArray*>(&tags), MAPI_UNICODE, &n, v.out()),
              MAPI_E_BAD_CHARWIDTH);

    Buffer<SPropTagArray> list;
    ASSERT_EQ(logon_->GetPropList(0, list.out()), S_OK);
    EXPECT_EQ(std::vector<ULONG>(list->aulPropTag, list->aulPropTag + list->cValues),
              (std::vector<ULONG>{PR_DISPLAY_NAME, PR_ENTRYID, PR_OBJECT_TYPE, PR_DEPTH}));
}

TEST_F(FaxProviderTest, OpenEntryTellsTheRootContactsGroupsAndStrangers) {
    ULONG type = 0;
    openEntry(makeId({0, 0, -1, 4}), &type);
    EXPECT_EQ(type, 4u);
    openEntry(makeId({0, 0, 5, 4}), nullptr, MAPI_E_INVALID_ENTRYID);
    openEntry(makeId({-1, 4, 1, 6}, 0x77), nullptr, MAPI_E_INVALID_ENTRYID); // another service's
    openEntry(makeId({0, 0, 0, 0x3006}), nullptr, MAPI_E_INVALID_ENTRYID);  // a template
    // Too short to hold the fields: refused without reading past its end.
    std::vector<uint8_t> shortId = makeId({-1, 4, 1, 6});
    shortId.resize(24);
    openEntry(shortId, nullptr, MAPI_E_INVALID_ENTRYID);
    object_ptr<IUnknown> out;
    EXPECT_EQ(logon_->OpenEntry(0, nullptr, &IID_IMAPITable, 0, &type, out.out()), E_NOINTERFACE);

    auto book = root();
    const auto contact = create(book.get(), PR_DEF_CREATE_MAILUSER, person("Ada", "1", "2"));
    const auto group = create(book.get(), PR_DEF_CREATE_DL, {stringValue(PR_DISPLAY_NAME, "Team")});
    openEntry(contact, &type);
    EXPECT_EQ(type, 6u);
    openEntry(group, &type);
    EXPECT_EQ(type, 8u);
    EXPECT_LT(fieldsOf(group).record, 0);
    // A record the store does not have.
    openEntry(makeId({-1, 4, 42, 6}), nullptr, MAPI_E_NOT_FOUND);
}

TEST_F(FaxProviderTest, CompareEntryIdsLooksAtRecordKindAndProviderOnly) {
    auto book = root();
    const auto contact = create(book.get(), PR_DEF_CREATE_MAILUSER, person("Ada", "1", "2"));
    const auto other = create(book.get(), PR_DEF_CREATE_MAILUSER, person("Bo", "3", ""));
    IdFields throughGroup = fieldsOf(contact);
    throughGroup.parentRecord = INT32_MIN | 3;
    throughGroup.parentKind = 8;
    auto viaGroup = makeId(throughGroup);
    auto compare = [&](std::vector<uint8_t> a, std::vector<uint8_t> b, ULONG* result) {
        return logon_->CompareEntryIDs(ULONG(a.size()), reinterpret_cast<ENTRYID*>(a.data()), ULONG(b.size()),
                                       reinterpret_cast<ENTRYID*>(b.data()), 0, result);
    };
    ULONG same = 0;
    ASSERT_EQ(compare(contact, viaGroup, &same), S_OK);
    EXPECT_EQ(same, 1u);
    ASSERT_EQ(compare(contact, other, &same), S_OK);
    EXPECT_EQ(same, 0u);
    EXPECT_EQ(compare(contact, makeId(fieldsOf(contact), 0x77), &same), E_INVALIDARG);
    auto truncated = contact;
    truncated.resize(39);
    EXPECT_EQ(compare(contact, truncated, &same), E_INVALIDARG);
}

TEST_F(FaxProviderTest, AdviseNumbersConnectionsAndDeliversModifications) {
    RecordingSink sink;
    ULONG_PTR c1 = 0, c2 = 0, c3 = 0;
    ASSERT_EQ(logon_->Advise(0, nullptr, fnevObjectModified, &sink, &c1), S_OK);
    ASSERT_EQ(logon_->Advise(0, nullptr, fnevObjectModified, &sink, &c2), S_OK);
    EXPECT_EQ(logon_->Unadvise(c1), S_OK);
    ASSERT_EQ(logon_->Advise(0, nullptr, fnevObjectModified, &sink, &c3), S_OK);
    EXPECT_EQ((std::vector<ULONG_PTR>{c1, c2, c3}), (std::vector<ULONG_PTR>{1, 2, 3}));
    ULONG_PTR unused = 0;
    EXPECT_EQ(logon_->Advise(0, nullptr, fnevObjectModified | fnevObjectCreated, &sink, &unused), MAPI_E_NO_SUPPORT);
    auto foreign = makeId({-1, 4, 1, 6}, 0x77);
    EXPECT_EQ(logon_->Advise(40, reinterpret_cast<ENTRYID*>(foreign.data()), fnevObjectModified, &sink, &unused),
              MAPI_E_INVALID_ENTRYID);
    EXPECT_EQ(logon_->Unadvise(c2), S_OK);

    // One connection left: a save reaches it once, wrapped in a reference.
    sink.calls.clear();
    auto book = root();
    create(book.get(), PR_DEF_CREATE_MAILUSER, person("Ada", "1", "2"));
    EXPECT_EQ(sink.calls, (std::vector<std::string>{"AddRef", "OnNotify 1", "Release"}));
    ASSERT_EQ(sink.received.size(), 1u);
    EXPECT_EQ(sink.received[0].ulEventType, fnevObjectModified);
    EXPECT_EQ(sink.received[0].info.obj.ulObjType, 2u);
    EXPECT_EQ(sink.received[0].info.obj.cbEntryID, 0u);
    EXPECT_EQ(logon_->Unadvise(c3), S_OK);
    EXPECT_EQ(sink.refs, 1u); // the list let go of every reference it took
}

// ---- the store's answers

TEST_F(FaxProviderTest, ErrorWordsBecomeStatusCodes) {
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

TEST_F(FaxProviderTest, EveryOperationClosesTheBookItOpened) {
    auto book = root();
    const auto id = create(book.get(), PR_DEF_CREATE_MAILUSER, person("Ada", "1", "2"));
    contents(book.get(), {PR_DISPLAY_NAME});
    fake_->failures["GetProps"] = {4};
    openEntry(id, nullptr, MAPI_E_NOT_FOUND);
    deleteFrom(book.get(), {id});
    EXPECT_GT(fake_->count("OpenAddressBook"), 3u);
    EXPECT_EQ(fake_->count("OpenAddressBook"), fake_->count("CloseAddressBook"));
}

TEST_F(FaxProviderTest, ElementCountsBeyondTheBufferAreNeverRead) {
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

// ---- contacts

TEST_F(FaxProviderTest, FirstSaveOfANewContactCreatesItsRecordOnce) {
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

TEST_F(FaxProviderTest, DisplayNameOf300CharactersIsStoredAsItsFirst255Bytes) {
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

TEST_F(FaxProviderTest, SetPropsRefusesComputedAndUnstorableProperties) {
    auto book = root();
    auto tmpl = templateOf(book.get(), PR_DEF_CREATE_MAILUSER);
    object_ptr<IMAPIProp> entry;
    ASSERT_EQ(book->CreateEntry(40, reinterpret_cast<ENTRYID*>(tmpl.data()), 0, entry.out()), S_OK);

    SPropValue values[5] = {binaryValue(PR_ENTRYID, {1, 2}), stringValue(PR_DISPLAY_NAME, "Ada")};
    values[2].ulPropTag = PROP_TAG(PT_MV_STRING8, 0x6601);
    values[3].ulPropTag = PROP_TAG(PT_OBJECT, 0x6602);
    values[4].ulPropTag = PROP_TAG(PT_ERROR, 0x6603); // skipped
    Buffer<SPropProblemArray> problems;
    ASSERT_EQ(entry->SetProps(5, values, problems.out()), S_OK);
    ASSERT_TRUE(problems);
    ASSERT_EQ(problems->cProblem, 3u);
    EXPECT_EQ(problems->aProblem[0].ulIndex, 0u);
    EXPECT_EQ(problems->aProblem[0].scode, MAPI_E_COMPUTED);
    EXPECT_EQ(problems->aProblem[1].scode, MAPI_E_NO_SUPPORT);
    EXPECT_EQ(problems->aProblem[2].scode, E_ACCESSDENIED);

    SPropTagArray tags{1, {PR_7BIT_DISPLAY_NAME}};
    ULONG n = 0;
    Buffer<SPropValue> v;
    ASSERT_EQ(entry->GetProps(&tags, 0, &n, v.out()), S_OK);
    EXPECT_STREQ(v[0].Value.lpszA, "Ada");

    // Nothing refused: no problem array.
    auto fine = stringValue(PR_SURNAME, "Lovelace");
    ASSERT_EQ(entry->SetProps(1, &fine, problems.out()), S_OK);
    EXPECT_FALSE(problems);

    // The property list never names the instance key, and counts what it lists.
    Buffer<SPropTagArray> list;
    ASSERT_EQ(entry->GetPropList(0, list.out()), S_OK);
    std::vector<ULONG> listed(list->aulPropTag, list->aulPropTag + list->cValues);
    EXPECT_EQ(std::count(listed.begin(), listed.end(), PR_INSTANCE_KEY), 0);
    EXPECT_EQ(listed.size(), 8u); // ENTRYID RECORD_KEY SEARCH_KEY OBJECT_TYPE DISPLAY_TYPE 7BIT DISPLAY_NAME SURNAME
}

// ---- groups

TEST_F(FaxProviderTest, MemberFlagsFollowTheNumbersSavedThroughTheGroup) {
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

TEST_F(FaxProviderTest, RewritingAGroupKeepsEachMembersSelectionAndTrailingBytes) {
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

TEST_F(FaxProviderTest, CopyAndDeleteEntriesCountWhatTheyCannotTake) {
    auto book = root();
    const auto a = create(book.get(), PR_DEF_CREATE_MAILUSER, person("Ada", "1", "2"));
    const auto b = create(book.get(), PR_DEF_CREATE_MAILUSER, person("Bo", "3", ""));
    const auto groupId = create(book.get(), PR_DEF_CREATE_DL, {stringValue(PR_DISPLAY_NAME, "Team")});
    auto group = openEntry(groupId);
    auto* dl = static_cast<IABContainer*>(group.get());
    auto tmpl = templateOf(book.get(), PR_DEF_CREATE_MAILUSER);
    EXPECT_EQ(copyInto(dl, {a, tmpl, makeId(fieldsOf(b), 0x77), b}), MAPI_W_PARTIAL_COMPLETION);
    const int32_t groupRecord = fieldsOf(groupId).record;
    ASSERT_EQ(storedMembers(*fake_, groupRecord).size(), 2u);

    // From the group: the member goes, the record stays.
    RowSet before = contents(dl, {PR_DISPLAY_NAME});
    EXPECT_EQ(before->cRows, 2u);
    EXPECT_EQ(deleteFrom(dl, {a}), S_OK);
    auto left = storedMembers(*fake_, groupRecord);
    ASSERT_EQ(left.size(), 1u);
    EXPECT_EQ(left[0].record, fieldsOf(b).record);
    EXPECT_EQ(fake_->records.count(fieldsOf(a).record), 1u);
    RowSet after = contents(dl, {PR_DISPLAY_NAME});
    ASSERT_EQ(after->cRows, 1u);
    EXPECT_EQ(rowText(after->aRow[0], PR_DISPLAY_NAME), "Bo");

    // From the root: the record goes; a template counts as a failure.
    EXPECT_EQ(deleteFrom(book.get(), {a, tmpl}), MAPI_W_PARTIAL_COMPLETION);
    EXPECT_EQ(fake_->records.count(fieldsOf(a).record), 0u);
    EXPECT_EQ(fake_->count("DeleteProps"), 1u);
}

TEST_F(FaxProviderTest, ANewContactMadeInAGroupKeepsItsFieldsAndJoinsTheGroup) {
    auto book = root();
    const auto groupId = create(book.get(), PR_DEF_CREATE_DL, {stringValue(PR_DISPLAY_NAME, "Team")});
    auto group = openEntry(groupId);
    const auto id = create(static_cast<IABContainer*>(group.get()), PR_DEF_CREATE_MAILUSER, person("Cy", "555", ""));
    const IdFields f = fieldsOf(id);
    EXPECT_EQ(f.kind, 6u);
    EXPECT_EQ(storedField(*fake_, f.record, 1), "Cy");
    EXPECT_EQ(storedField(*fake_, f.record, 528), "555");
    auto members = storedMembers(*fake_, fieldsOf(groupId).record);
    ASSERT_EQ(members.size(), 1u);
    EXPECT_EQ(members[0].record, f.record);
    EXPECT_EQ(members[0].flags, 1u);
}

// ---- contents tables

TEST_F(FaxProviderTest, RootContentsListEveryRecordStillThere) {
    auto book = root();
    const auto a = create(book.get(), PR_DEF_CREATE_MAILUSER, person("Ada", "1", "2"));
    create(book.get(), PR_DEF_CREATE_DL, {stringValue(PR_DISPLAY_NAME, "Team")});
    storeRecord(*fake_, 7, {{1, "Seven"}});
    fake_->raw[7] = {-1, -1, {}}; // -1 with no error word: taken as an answer, read as no fields
    storeRecord(*fake_, 8, {{1, "Gone"}});
    auto fresh = root();
    {
        std::lock_guard g(fake_->lock);
        fake_->records.erase(8); // deleted by someone else after the root was read
    }
    RowSet rows = contents(fresh.get(), {PR_DISPLAY_NAME, PR_ENTRYID, PR_OBJECT_TYPE, PR_INSTANCE_KEY, PR_ADDRTYPE});
    ASSERT_EQ(rows->cRows, 3u);
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

TEST_F(FaxProviderTest, AnEmptyGroupHasAnEmptyTable) {
    auto book = root();
    const auto groupId = create(book.get(), PR_DEF_CREATE_DL, {stringValue(PR_DISPLAY_NAME, "Team")});
    auto group = openEntry(groupId);
    object_ptr<IMAPITable> table;
    ASSERT_EQ(static_cast<IABContainer*>(group.get())->GetContentsTable(0, table.out()), S_OK);
    ULONG count = 99;
    ASSERT_EQ(table->GetRowCount(0, &count), S_OK);
    EXPECT_EQ(count, 0u);
    RowSet rows;
    ASSERT_EQ(table->QueryRows(10, 0, rows.out()), S_OK);
    EXPECT_EQ(rows->cRows, 0u);
}

// ---- recipients and sessions

TEST_F(FaxProviderTest, PrepareRecipsPutsTheRequestedPropertiesFirst) {
    auto book = root();
    const auto a = create(book.get(), PR_DEF_CREATE_MAILUSER, person("Ada", "111", "222"));
    auto foreign = makeId({-1, 4, 1, 6}, 0x77);
    adrlist_ptr list(&PDXFreePadrlist);
    ASSERT_EQ(PDXAllocateBuffer(ULONG(cbAdrList(3)), list.vout()), S_OK);
    list->cEntries = 3;
    auto fill = [&](ADRENTRY& e, const std::vector<uint8_t>* id, const char* name) {
        SPropValue* v = nullptr;
        PDXAllocateBuffer(sizeof(SPropValue) * 3, reinterpret_cast<void**>(&v));
        ULONG n = 0;
        v[n].ulPropTag = PR_RECIPIENT_TYPE;
        v[n++].Value.l = 1;
        v[n++] = stringValue(PR_DISPLAY_NAME, name); // the caller's own (stale) name
        if (id) {
            void* bytes = nullptr;
            PDXAllocateMore(ULONG(id->size()), v, &bytes);
            std::memcpy(bytes, id->data(), id->size());
            v[n++] = SPropValue{PR_ENTRYID, 0, {.bin = {ULONG(id->size()), static_cast<BYTE*>(bytes)}}};
        }
        e = ADRENTRY{0, n, v};
    };
    fill(list->aEntries[0], &a, "old name");
    fill(list->aEntries[1], nullptr, "no id");
    fill(list->aEntries[2], &foreign, "elsewhere");
    struct {
        ULONG c;
        ULONG t[3];
    } tags = {3, {PR_HOME_FAX_NUMBER, PR_DISPLAY_NAME, PR_COMMENT}};
    EXPECT_EQ(logon_->PrepareRecips(0, reinterpret_cast<SPropTagArray*>(&tags), list.get()), MAPI_E_INVALID_ENTRYID);

    const ADRENTRY& mine = list->aEntries[0];
    ASSERT_EQ(mine.cValues, 5u);
    EXPECT_STREQ(mine.rgPropVals[0].Value.lpszA, "222");
    EXPECT_STREQ(mine.rgPropVals[1].Value.lpszA, "Ada");
    EXPECT_EQ(mine.rgPropVals[2].ulPropTag, PROP_TAG(PT_ERROR, 0x3004));
    EXPECT_EQ(mine.rgPropVals[3].ulPropTag, PR_RECIPIENT_TYPE);
    EXPECT_EQ(mine.rgPropVals[4].ulPropTag, PR_ENTRYID);
    EXPECT_EQ(bytesOf(mine.rgPropVals[4].Value.bin), a);
    EXPECT_EQ(list->aEntries[1].cValues, 2u); // left as it was
    EXPECT_EQ(list->aEntries[2].cValues, 3u);
    EXPECT_STREQ(list->aEntries[2].rgPropVals[1].Value.lpszA, "elsewhere");
}

TEST_F(FaxProviderTest, IdentifiersStayValidInTheNextLogon) {
    std::vector<uint8_t> contact, group;
    {
        auto book = root();
        contact = create(book.get(), PR_DEF_CREATE_MAILUSER, person("Ada", "111", ""));
        group = create(book.get(), PR_DEF_CREATE_DL, {stringValue(PR_DISPLAY_NAME, "Team")});
    }
    logon_.reset();
    ASSERT_EQ(open(logon_), S_OK);
    ULONG type = 0;
    auto user = openEntry(contact, &type);
    ASSERT_TRUE(user);
    SPropTagArray tags{1, {PR_DISPLAY_NAME}};
    ULONG n = 0;
    Buffer<SPropValue> v;
    ASSERT_EQ(static_cast<IMailUser*>(user.get())->GetProps(&tags, 0, &n, v.out()), S_OK);
    EXPECT_STREQ(v[0].Value.lpszA, "Ada");
    EXPECT_TRUE(openEntry(group, &type));
    EXPECT_EQ(type, 8u);
}

// ---- service entry, without a QApplication in this process

TEST_F(FaxProviderTest, ServiceEntryRunsTheConverterAndNeedsAWindowForItsDialog) {
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
