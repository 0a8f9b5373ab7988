// vqfaxsp.so loaded by name over the real vqconv.so: identifiers, entries,
// groups, contents tables, notifications and recipients.

#include <algorithm>

#include "provider_fixture.h"

using namespace pdx;
using namespace faxtest;
using pdx::core::Buffer;
using pdx::core::RowSet;

TEST_F(RealStoreTest, OpenRefusesMissingObjectsAndUnusableSections) {
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

TEST_F(RealStoreTest, LogonAnswersTheHierarchyColumns) {
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

TEST_F(RealStoreTest, OpenEntryTellsTheRootContactsGroupsAndStrangers) {
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

TEST_F(RealStoreTest, CompareEntryIdsLooksAtRecordKindAndProviderOnly) {
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

TEST_F(RealStoreTest, AdviseNumbersConnectionsAndDeliversModifications) {
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

TEST_F(RealStoreTest, SetPropsRefusesComputedAndUnstorableProperties) {
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

    // A placeholder of any identifier (as a property copy leaves them) is passed over.
    auto book2 = root();
    SPropValue placeholder{};
    placeholder.ulPropTag = PROP_TAG(PT_NULL, PROP_ID(PR_DEF_CREATE_MAILUSER));
    ASSERT_EQ(book2->SetProps(1, &placeholder, nullptr), S_OK);
    EXPECT_EQ(templateOf(book2.get(), PR_DEF_CREATE_MAILUSER), tmpl);

    // The property list never names the instance key, and counts what it lists.
    Buffer<SPropTagArray> list;
    ASSERT_EQ(entry->GetPropList(0, list.out()), S_OK);
    std::vector<ULONG> listed(list->aulPropTag, list->aulPropTag + list->cValues);
    EXPECT_EQ(std::count(listed.begin(), listed.end(), PR_INSTANCE_KEY), 0);
    EXPECT_EQ(listed.size(), 8u); // ENTRYID RECORD_KEY SEARCH_KEY OBJECT_TYPE DISPLAY_TYPE 7BIT DISPLAY_NAME SURNAME
}

TEST_F(RealStoreTest, CopyAndDeleteEntriesCountWhatTheyCannotTake) {
    auto book = root();
    const auto a = create(book.get(), PR_DEF_CREATE_MAILUSER, person("Ada", "1", "2"));
    const auto b = create(book.get(), PR_DEF_CREATE_MAILUSER, person("Bo", "3", ""));
    const auto groupId = create(book.get(), PR_DEF_CREATE_DL, {stringValue(PR_DISPLAY_NAME, "Team")});
    auto group = openEntry(groupId);
    auto* dl = static_cast<IABContainer*>(group.get());
    auto tmpl = templateOf(book.get(), PR_DEF_CREATE_MAILUSER);
    EXPECT_EQ(copyInto(dl, {a, tmpl, makeId(fieldsOf(b), 0x77), b}), MAPI_W_PARTIAL_COMPLETION);
    RowSet before = contents(dl, {PR_DISPLAY_NAME});
    EXPECT_EQ(before->cRows, 2u);

    // From the group: the member goes, the record stays.
    EXPECT_EQ(deleteFrom(dl, {a}), S_OK);
    RowSet cached = contents(dl, {PR_DISPLAY_NAME}); // the table built before lost the row
    ASSERT_EQ(cached->cRows, 1u);
    EXPECT_EQ(rowText(cached->aRow[0], PR_DISPLAY_NAME), "Bo");
    auto again = openEntry(groupId);
    RowSet after = contents(static_cast<IABContainer*>(again.get()), {PR_DISPLAY_NAME});
    ASSERT_EQ(after->cRows, 1u);
    EXPECT_EQ(rowText(after->aRow[0], PR_DISPLAY_NAME), "Bo");
    EXPECT_TRUE(openEntry(a));

    // From the root: the record goes; a template counts as a failure.
    EXPECT_EQ(deleteFrom(book.get(), {a, tmpl}), MAPI_W_PARTIAL_COMPLETION);
    openEntry(a, nullptr, MAPI_E_NOT_FOUND);
    auto fresh = root();
    RowSet left = contents(fresh.get(), {PR_DISPLAY_NAME});
    EXPECT_EQ(left->cRows, 2u);
    EXPECT_FALSE(rowNamed(left.get(), "Ada"));
}

TEST_F(RealStoreTest, ANewContactMadeInAGroupKeepsItsFieldsAndJoinsTheGroup) {
    auto book = root();
    const auto groupId = create(book.get(), PR_DEF_CREATE_DL, {stringValue(PR_DISPLAY_NAME, "Team")});
    auto group = openEntry(groupId);
    const auto id = create(static_cast<IABContainer*>(group.get()), PR_DEF_CREATE_MAILUSER, person("Cy", "555", ""));
    const IdFields f = fieldsOf(id);
    EXPECT_EQ(f.kind, 6u);
    EXPECT_GT(f.record, 0);
    EXPECT_EQ(f.parentRecord, fieldsOf(groupId).record);

    // Its own record holds its fields, and the group lists it with its one number.
    auto fresh = root();
    RowSet all = contents(fresh.get(), {PR_DISPLAY_NAME, PR_BUSINESS_FAX_NUMBER, PR_COMPANY_NAME});
    const SRow* cy = rowNamed(all.get(), "Cy");
    ASSERT_TRUE(cy);
    EXPECT_EQ(rowText(*cy, PR_BUSINESS_FAX_NUMBER), "555");
    EXPECT_EQ(rowText(*cy, PR_COMPANY_NAME), "Kestrel Ltd");
    auto reread = openEntry(groupId);
    RowSet members = contents(static_cast<IABContainer*>(reread.get()), {PR_DISPLAY_NAME, PR_BUSINESS_FAX_NUMBER});
    ASSERT_EQ(members->cRows, 1u);
    EXPECT_EQ(rowText(members->aRow[0], PR_BUSINESS_FAX_NUMBER), "555");
}

TEST_F(RealStoreTest, TheRootHasAnEmptyHierarchyAndGroupsHaveNone) {
    auto book = root();
    const auto groupId = create(book.get(), PR_DEF_CREATE_DL, {stringValue(PR_DISPLAY_NAME, "Team")});
    object_ptr<IMAPITable> table;
    ASSERT_EQ(book->GetHierarchyTable(1, table.out()), S_OK);
    RowSet rows;
    ASSERT_EQ(table->QueryRows(10, 0, rows.out()), S_OK);
    EXPECT_EQ(rows->cRows, 0u);
    auto group = openEntry(groupId);
    EXPECT_EQ(static_cast<IABContainer*>(group.get())->GetHierarchyTable(1, table.out()), MAPI_E_NO_SUPPORT);
}

TEST_F(RealStoreTest, AnEmptyGroupHasAnEmptyTable) {
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

TEST_F(RealStoreTest, PrepareRecipsPutsTheRequestedPropertiesFirst) {
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

TEST_F(RealStoreTest, IdentifiersStayValidInTheNextLogon) {
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

TEST_F(RealStoreTest, EntryDialogsOutsideAQtApplicationFailInsteadOfPassingForCancelled) {
    // This process has no QApplication: no dialog can be shown.
    auto rootBytes = makeId({0, 0, -1, 4});
    auto contactTemplate = makeId({0, 0, 0, 0x3006});
    auto groupTemplate = makeId({0, 0, INT32_MIN, 0x3008});
    ULONG cb = 7;
    ENTRYID* made = nullptr;
    auto raw = [](std::vector<uint8_t>& id) { return reinterpret_cast<ENTRYID*>(id.data()); };
    EXPECT_EQ(logon_->NewEntry(0, 0, 40, raw(rootBytes), 40, raw(contactTemplate), &cb, &made), E_FAIL);
    EXPECT_EQ(logon_->NewEntry(0, 0, 40, raw(rootBytes), 40, raw(groupTemplate), &cb, &made), E_FAIL);
    EXPECT_EQ(logon_->NewEntry(0, 0, 0, nullptr, 0, nullptr, &cb, &made), E_FAIL); // the record type dialog
    EXPECT_FALSE(made);

    auto contact = create(root().get(), PR_DEF_CREATE_MAILUSER, person("Ada", "111", ""));
    ULONG_PTR window = 0;
    EXPECT_EQ(logon_->Details(&window, nullptr, nullptr, ULONG(contact.size()), raw(contact), nullptr, nullptr,
                              nullptr, 0),
              E_FAIL);
}
