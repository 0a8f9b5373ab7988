// Sessions: the defaults and the search path, recipient preparation, entry
// deletion, list expansion and the entry copy.

#include <algorithm>
#include <cstring>

#include "session_fixture.h"

using namespace pdx;
using namespace sessiontest;
using coretest::standardFixture;

namespace {

class SessionEntries : public SessionTest {
protected:
    void SetUp() override {
        SessionTest::SetUp();
        makeProfile();
        addProvider("Main", "TESTA", standardFixture(kUid1, kUid2), &fixture_);
        open();
        const auto rows = hierarchy(book_.get());
        customers_ = idOf(rows, "Customers");
        suppliers_ = idOf(rows, "Suppliers");
        archive_ = idOf(rows, "Archive");
        const auto people = contents(book_.get(), customers_);
        alice_ = idOf(people, "Alice");
        bob_ = idOf(people, "Bob");
        team_ = idOf(people, "Team");
        inner_ = idOf(people, "Inner");
        carol_ = idOf(contents(book_.get(), suppliers_), "Carol");
        clearLog();
    }

    // The stored value of the profile key, or empty.
    std::vector<uint8_t> storedValue(ULONG tag) {
        std::vector<uint8_t> data;
        coretest::profileKey("Main").queryValue(std::to_string(tag), nullptr, &data);
        return data;
    }
    std::vector<Id> searchPath() {
        core::RowSet path;
        std::vector<Id> ids;
        if (book_->GetSearchPath(0, path.out()) != S_OK) return ids;
        for (ULONG i = 0; i < path->cRows; ++i) {
            EXPECT_EQ(path->aRow[i].cValues, 1u);
            const SBinary& b = path->aRow[i].lpProps[0].Value.bin;
            ids.emplace_back(b.lpb, b.lpb + b.cb);
        }
        return ids;
    }
    Id pab() {
        ULONG n = 0;
        ENTRYID* id = nullptr;
        if (book_->GetPAB(&n, &id) != S_OK) return {};
        core::Buffer<ENTRYID> holder(id);
        return Id(reinterpret_cast<uint8_t*>(id), reinterpret_cast<uint8_t*>(id) + n);
    }
    Id defaultDir() {
        ULONG n = 0;
        ENTRYID* id = nullptr;
        if (book_->GetDefaultDir(&n, &id) != S_OK) return {};
        core::Buffer<ENTRYID> holder(id);
        return Id(reinterpret_cast<uint8_t*>(id), reinterpret_cast<uint8_t*>(id) + n);
    }
    // Removes fixture lines that contain `text`.
    void dropFixtureLines(const std::string& text) {
        std::string kept;
        for (const auto& line : coretest::readLines(fixture_))
            if (line.find(text) == std::string::npos) kept += line + "\n";
        velmo::test::writeFile(fixture_, kept);
    }

    std::string fixture_;
    Id customers_, suppliers_, archive_, alice_, bob_, carol_, team_, inner_;
};

// An address list in a PDX buffer, each entry given as values.
core::Buffer<ADRLIST> makeList(const std::vector<std::vector<SPropValue>>& entries) {
    ADRLIST* list = nullptr;
    PDXAllocateBuffer(ULONG(cbAdrList(ULONG(entries.size()))), reinterpret_cast<void**>(&list));
    list->cEntries = ULONG(entries.size());
    for (size_t i = 0; i < entries.size(); ++i) {
        SPropValue* values = nullptr;
        PDXAllocateBuffer(ULONG(sizeof(SPropValue) * entries[i].size()), reinterpret_cast<void**>(&values));
        for (size_t j = 0; j < entries[i].size(); ++j) {
            values[j] = entries[i][j];
            if (PROP_TYPE(values[j].ulPropTag) == PT_BINARY) {
                void* bytes = nullptr;
                PDXAllocateMore(values[j].Value.bin.cb, values, &bytes);
                std::memcpy(bytes, values[j].Value.bin.lpb, values[j].Value.bin.cb);
                values[j].Value.bin.lpb = static_cast<BYTE*>(bytes);
            } else if (PROP_TYPE(values[j].ulPropTag) == PT_STRING8) {
                void* text = nullptr;
                const size_t n = std::strlen(values[j].Value.lpszA) + 1;
                PDXAllocateMore(ULONG(n), values, &text);
                std::memcpy(text, values[j].Value.lpszA, n);
                values[j].Value.lpszA = static_cast<char*>(text);
            }
        }
        list->aEntries[i] = {0, ULONG(entries[i].size()), values};
    }
    return core::Buffer<ADRLIST>(list);
}

SPropValue idValue(Id& id) {
    SPropValue v{};
    v.ulPropTag = PR_ENTRYID;
    v.Value.bin = {cb(id), id.data()};
    return v;
}
SPropValue longValue(ULONG tag, LONG n) { return coretest::longProp(tag, n); }
SPropValue textValue(ULONG tag, const char* s) { return coretest::stringProp(tag, s); }

const SPropValue* find(const ADRENTRY& e, ULONG tag) {
    for (ULONG i = 0; i < e.cValues; ++i)
        if (e.rgPropVals[i].ulPropTag == tag) return &e.rgPropVals[i];
    return nullptr;
}
std::string nameOf(const ADRENTRY& e) {
    const SPropValue* v = find(e, PR_DISPLAY_NAME);
    return v ? v->Value.lpszA : "<none>";
}

TEST_F(SessionEntries, DefaultsComeFromTheHierarchyUntilSetAndSetOnesPersist) {
    // Customers is the first container with the flags; found, not stored.
    EXPECT_EQ(pab(), customers_);
    EXPECT_EQ(defaultDir(), customers_);
    ENTRYID* out = nullptr;
    EXPECT_EQ(book_->GetPAB(nullptr, &out), E_INVALIDARG);
    EXPECT_EQ(book_->SetPAB(0, eid(archive_)), E_FAIL);
    EXPECT_EQ(book_->SetPAB(cb(archive_), nullptr), E_FAIL);
    EXPECT_EQ(book_->SetPAB(cb(suppliers_), eid(suppliers_)), E_FAIL); // not modifiable
    EXPECT_EQ(book_->SetPAB(cb(alice_), eid(alice_)), E_FAIL);         // not a container
    ASSERT_EQ(book_->SetPAB(cb(archive_), eid(archive_)), S_OK);
    ASSERT_EQ(book_->SetDefaultDir(cb(suppliers_), eid(suppliers_)), S_OK);
    EXPECT_EQ(pab(), archive_);
    EXPECT_EQ(defaultDir(), suppliers_);
    EXPECT_TRUE(storedValue(PR_AB_DEFAULT_PAB).empty()); // written when the session ends
    close();
    EXPECT_FALSE(storedValue(PR_AB_DEFAULT_PAB).empty());
    open();
    EXPECT_EQ(pab(), archive_);
    EXPECT_EQ(defaultDir(), suppliers_);
}

TEST_F(SessionEntries, StoredDefaultThatVanishedFallsBackWithoutRewriting) {
    ASSERT_EQ(book_->SetPAB(cb(archive_), eid(archive_)), S_OK);
    close();
    const auto stored = storedValue(PR_AB_DEFAULT_PAB);
    dropFixtureLines("name=Archive");
    open();
    EXPECT_EQ(pab(), customers_);
    close();
    EXPECT_EQ(storedValue(PR_AB_DEFAULT_PAB), stored);
}

TEST_F(SessionEntries, SearchPathIsBuiltShortenedAndKept) {
    // Nothing stored: every recipient container, in hierarchy order, not written.
    EXPECT_EQ(searchPath(), (std::vector<Id>{customers_, suppliers_, archive_}));
    close();
    EXPECT_TRUE(storedValue(PR_AB_SEARCH_PATH).empty());
    open();

    // Rows not naming a recipient container are left out.
    Id junk(24, 0x99);
    SPropValue a = idValue(archive_), c = idValue(customers_), t = idValue(alice_), j = idValue(junk);
    SPropValue name = textValue(PR_DISPLAY_NAME, "x");
    struct { ULONG n; SRow rows[5]; } path = {5, {{0, 1, &a}, {0, 1, &name}, {0, 1, &t}, {0, 1, &j}, {0, 1, &c}}};
    ASSERT_EQ(book_->SetSearchPath(0, reinterpret_cast<SRowSet*>(&path)), S_OK);
    EXPECT_EQ(searchPath(), (std::vector<Id>{archive_, customers_}));
    struct { ULONG n; SRow rows[1]; } none = {1, {{0, 1, &t}}};
    EXPECT_EQ(book_->SetSearchPath(0, reinterpret_cast<SRowSet*>(&none)), E_INVALIDARG);
    struct { ULONG n; SRow rows[1]; } empty = {0, {}};
    EXPECT_EQ(book_->SetSearchPath(0, reinterpret_cast<SRowSet*>(&empty)), E_INVALIDARG);
    close();

    // A path whose containers all still exist is rebuilt from the hierarchy
    // for the session; the registry keeps the path the user set.
    const auto set = storedValue(PR_AB_SEARCH_PATH);
    open();
    EXPECT_EQ(searchPath(), (std::vector<Id>{customers_, suppliers_, archive_}));
    close();
    EXPECT_EQ(storedValue(PR_AB_SEARCH_PATH), set);

    // One container gone: shortened and written back.
    dropFixtureLines("name=Archive");
    open();
    EXPECT_EQ(searchPath(), std::vector<Id>{customers_});
    close();
    const auto shortened = storedValue(PR_AB_SEARCH_PATH);
    EXPECT_NE(shortened, set);
    open();
    EXPECT_EQ(searchPath(), (std::vector<Id>{customers_, suppliers_}));
    close();
    EXPECT_EQ(storedValue(PR_AB_SEARCH_PATH), shortened);

    // No container of the path serves any more: rebuilt in memory, the registry keeps what it held.
    std::string text = velmo::test::readFile(fixture_);
    text.replace(text.find("name=Customers\tflags=5"), 22, "name=Customers\tflags=0");
    velmo::test::writeFile(fixture_, text + "container\tkey=c9\tname=Fresh\tflags=1\n");
    open();
    const auto now = hierarchy(book_.get());
    EXPECT_EQ(searchPath(), (std::vector<Id>{idOf(now, "Suppliers"), idOf(now, "Fresh")}));
    close();
    EXPECT_EQ(storedValue(PR_AB_SEARCH_PATH), shortened);
}

TEST_F(SessionEntries, PrepareRecipsGroupsByProviderAndPreparesTheRestItself) {
    Id unknown(24, 0x77);
    auto list = makeList({
        {textValue(PR_DISPLAY_NAME, "Stranger"), idValue(unknown), longValue(PR_RECIPIENT_TYPE, 2)},
        {idValue(bob_), longValue(PR_RECIPIENT_TYPE, 1)},
        {textValue(PR_DISPLAY_NAME, "No id"), textValue(PR_EMAIL_ADDRESS, "x@example.com")},
        {idValue(alice_)},
    });
    struct { ULONG n; ULONG t[3]; } tags = {3, {PR_DISPLAY_NAME, PR_EMAIL_ADDRESS, PR_PRIMARY_FAX_NUMBER}};
    EXPECT_EQ(book_->PrepareRecips(1, reinterpret_cast<SPropTagArray*>(&tags), list.get()), E_INVALIDARG);
    EXPECT_EQ(book_->PrepareRecips(0, reinterpret_cast<SPropTagArray*>(&tags), nullptr), E_INVALIDARG);
    ASSERT_EQ(book_->PrepareRecips(0, reinterpret_cast<SPropTagArray*>(&tags), list.get()), S_OK);
    EXPECT_EQ(log(), std::vector<std::string>{"prepare Test Book 2"});
    ASSERT_EQ(list->cEntries, 4u);
    // The provider's entries first, in their order, then the others.
    EXPECT_EQ(nameOf(list->aEntries[0]), "Bob");
    EXPECT_EQ(nameOf(list->aEntries[1]), "Alice");
    EXPECT_EQ(nameOf(list->aEntries[2]), "Stranger");
    EXPECT_EQ(nameOf(list->aEntries[3]), "No id");
    const ADRENTRY& stranger = list->aEntries[2];
    ASSERT_EQ(stranger.cValues, 5u);
    EXPECT_EQ(stranger.rgPropVals[0].ulPropTag, PR_DISPLAY_NAME);
    EXPECT_EQ(stranger.rgPropVals[1].ulPropTag, CHANGE_PROP_TYPE(PR_EMAIL_ADDRESS, PT_ERROR));
    EXPECT_EQ(stranger.rgPropVals[1].Value.err, MAPI_E_NOT_FOUND);
    EXPECT_EQ(stranger.rgPropVals[2].ulPropTag, CHANGE_PROP_TYPE(PR_PRIMARY_FAX_NUMBER, PT_ERROR));
    EXPECT_EQ(stranger.rgPropVals[3].ulPropTag, PR_ENTRYID);
    EXPECT_EQ(Id(stranger.rgPropVals[3].Value.bin.lpb, stranger.rgPropVals[3].Value.bin.lpb + 24), unknown);
    EXPECT_EQ(stranger.rgPropVals[4].Value.l, 2);
    EXPECT_EQ(std::string(list->aEntries[3].rgPropVals[1].Value.lpszA), "x@example.com");
    const SPropValue* fax = find(list->aEntries[0], PR_PRIMARY_FAX_NUMBER);
    ASSERT_TRUE(fax);
    EXPECT_EQ(std::string(fax->Value.lpszA), "02-2345-6789");
    PDXFreePadrlist(list.release());
}

TEST_F(SessionEntries, RootDeleteEntriesHandsEachProviderItsOwn) {
    SessionTest::close();
    std::string second;
    addProvider("Main", "TESTB",
                std::string("uid\t") + kUid3 + "\nroot\tname=Second Book\ncontainer\tkey=v\tname=Vendors\tflags=1\n"
                    "user\tkey=z\tin=v\tname=Zoe\nuser\tkey=y\tin=v\tname=Yan\n", &second);
    open();
    Id vendors = idOf(hierarchy(book_.get()), "Vendors");
    Id zoe = idOf(contents(book_.get(), vendors), "Zoe");
    Id junk(24, 0x55), tiny(4, 0);
    SBinary ids[] = {{cb(zoe), zoe.data()}, {cb(carol_), carol_.data()}, {cb(junk), junk.data()},
                     {cb(tiny), tiny.data()}, {cb(bob_), bob_.data()}};
    ENTRYLIST list{5, ids};
    ULONG type = 0;
    object_ptr<IUnknown> root;
    ASSERT_EQ(book_->OpenEntry(0, nullptr, nullptr, 0, &type, root.out()), S_OK);
    clearLog();
    EXPECT_EQ(reinterpret_cast<IABContainer*>(root.get())->DeleteEntries(&list, 0), S_OK);
    EXPECT_EQ(reinterpret_cast<IABContainer*>(root.get())->DeleteEntries(nullptr, 0), E_INVALIDARG);
    auto lines = log();
    std::sort(lines.begin(), lines.end());
    EXPECT_EQ(lines, (std::vector<std::string>{"delete Second Book 1", "delete Test Book 2"}));
    EXPECT_EQ(names(contents(book_.get(), vendors)), std::vector<std::string>{"Yan"});
    EXPECT_EQ(names(contents(book_.get(), customers_)), (std::vector<std::string>{"Alice", "Team", "Inner"}));
    EXPECT_TRUE(contents(book_.get(), suppliers_).empty());
}

TEST_F(SessionEntries, ExpandDistListsExpandsEachListOnceAndKeepsEachEntryOnce) {
    auto list = makeList({
        {idValue(alice_), longValue(PR_OBJECT_TYPE, MAPI_MAILUSER), textValue(PR_DISPLAY_NAME, "Alice")},
        {idValue(team_), longValue(PR_OBJECT_TYPE, MAPI_DISTLIST), longValue(PR_RECIPIENT_TYPE, 2)},
        {idValue(alice_), longValue(PR_OBJECT_TYPE, MAPI_MAILUSER), textValue(PR_DISPLAY_NAME, "Alice again")},
        {idValue(team_), longValue(PR_OBJECT_TYPE, MAPI_DISTLIST), longValue(PR_RECIPIENT_TYPE, 3)},
    });
    ADRLIST* raw = list.release();
    ASSERT_EQ(session_->ExpandDistLists(0, &raw), S_OK);
    list.reset(raw);
    // Team: Alice (already there), Inner (queued), Team (itself); Inner: Bob, Carol, Alice.
    ASSERT_EQ(raw->cEntries, 3u);
    EXPECT_EQ(nameOf(raw->aEntries[0]), "Alice");
    EXPECT_EQ(nameOf(raw->aEntries[1]), "Bob");
    EXPECT_EQ(nameOf(raw->aEntries[2]), "Carol");
    const SPropValue* type = find(raw->aEntries[1], PR_RECIPIENT_TYPE);
    ASSERT_TRUE(type);
    EXPECT_EQ(type->Value.l, 2); // the list's recipient type
    const SPropValue* addrType = find(raw->aEntries[1], PR_ADDRTYPE);
    ASSERT_TRUE(addrType);
    EXPECT_EQ(std::string(addrType->Value.lpszA), "FAX");
    PDXFreePadrlist(list.release());
}

TEST_F(SessionEntries, ExpandDistListsGrowsTheListAndReportsMissingColumns) {
    auto list = makeList({{idValue(inner_), longValue(PR_OBJECT_TYPE, MAPI_DISTLIST), longValue(PR_RECIPIENT_TYPE, 1)}});
    ADRLIST* raw = list.release();
    EXPECT_EQ(session_->ExpandDistLists(1, &raw), MAPI_E_UNKNOWN_FLAGS);
    EXPECT_EQ(session_->ExpandDistLists(0, nullptr), E_INVALIDARG);
    ASSERT_EQ(session_->ExpandDistLists(0, &raw), S_OK); // one list in, three members out
    list.reset(raw);
    ASSERT_EQ(raw->cEntries, 3u);
    EXPECT_EQ(nameOf(raw->aEntries[2]), "Alice");
    PDXFreePadrlist(list.release());

    // A list without its recipient type stops the expansion; what came before stays.
    list = makeList({{idValue(carol_), longValue(PR_OBJECT_TYPE, MAPI_MAILUSER)},
                     {idValue(team_), longValue(PR_OBJECT_TYPE, MAPI_DISTLIST)},
                     {idValue(bob_), longValue(PR_OBJECT_TYPE, MAPI_MAILUSER)}});
    raw = list.release();
    EXPECT_EQ(session_->ExpandDistLists(0, &raw), MAPI_E_MISSING_REQUIRED_COLUMN);
    list.reset(raw);
    ASSERT_EQ(raw->cEntries, 1u);
    EXPECT_EQ(Id(raw->aEntries[0].rgPropVals[0].Value.bin.lpb, raw->aEntries[0].rgPropVals[0].Value.bin.lpb + 24),
              carol_);
    PDXFreePadrlist(list.release());

    ADRLIST empty{0, {}};
    raw = &empty;
    EXPECT_EQ(session_->ExpandDistLists(0, &raw), E_INVALIDARG);
}

TEST_F(SessionEntries, AListMemberWithoutObjectTypeIsCollected) {
    // Dan's row in the list's contents leaves out PR_OBJECT_TYPE: no list, so a member like any other.
    close();
    velmo::test::writeFile(fixture_, standardFixture(kUid1, kUid2,
                                                     "user\tkey=u4\tin=c1\tname=Dan\tnotinrows=0FFE0003\n"
                                                     "list\tkey=l3\tin=c1\tname=Solo\tmembers=u4,u1\n"));
    open();
    Id solo = idOf(contents(book_.get(), customers_), "Solo");
    auto list = makeList({{idValue(solo), longValue(PR_OBJECT_TYPE, MAPI_DISTLIST), longValue(PR_RECIPIENT_TYPE, 1)}});
    ADRLIST* raw = list.release();
    EXPECT_EQ(session_->ExpandDistLists(0, &raw), S_OK);
    list.reset(raw);
    ASSERT_EQ(raw->cEntries, 2u);
    EXPECT_EQ(nameOf(raw->aEntries[0]), "Dan");
    EXPECT_EQ(nameOf(raw->aEntries[1]), "Alice");
    PDXFreePadrlist(list.release());
}

TEST_F(SessionEntries, CopyToCopiesEntriesThroughTheDestinationTemplates) {
    object_ptr<IUnknown> from = openEntry(book_.get(), customers_);
    object_ptr<IUnknown> to = openEntry(book_.get(), archive_);
    auto* source = reinterpret_cast<IABContainer*>(from.get());
    core::Buffer<SPropProblemArray> problems;
    ASSERT_EQ(source->CopyTo(0, nullptr, nullptr, 0, nullptr, &IID_IABContainer, to.get(), 0, problems.out()), S_OK);
    const auto copied = contents(book_.get(), archive_);
    // Each source entry arrives once, however many lists hold it: Carol comes
    // in as a member of Inner, which Team holds too.
    ASSERT_EQ(names(copied), (std::vector<std::string>{"Alice", "Bob", "Team", "Inner", "Carol"}));
    EXPECT_EQ(copied[1].text(PR_PRIMARY_FAX_NUMBER), "02-2345-6789");
    EXPECT_EQ(copied[0].text(PR_COMPANY_NAME), "Acme");
    EXPECT_NE(copied[0].id(), alice_);
    // The copied lists name those same copies; a list is not copied into itself.
    const auto team = contents(book_.get(), copied[2].id());
    ASSERT_EQ(names(team), (std::vector<std::string>{"Alice", "Inner"}));
    EXPECT_EQ(team[0].id(), copied[0].id());
    EXPECT_EQ(team[1].id(), copied[3].id());
    const auto inner = contents(book_.get(), team[1].id());
    ASSERT_EQ(names(inner), (std::vector<std::string>{"Bob", "Carol", "Alice"}));
    EXPECT_EQ(inner[0].id(), copied[1].id());
    EXPECT_EQ(inner[1].id(), copied[4].id());
    EXPECT_EQ(inner[2].id(), copied[0].id());
    // The container itself keeps its name: its properties are its own.
    EXPECT_EQ(names(hierarchy(book_.get()))[3], "Archive");
    // The source is unchanged.
    EXPECT_EQ(contents(book_.get(), customers_).size(), 4u);
}

TEST_F(SessionEntries, CopyChecksItsObjects) {
    object_ptr<IUnknown> from = openEntry(book_.get(), customers_);
    object_ptr<IUnknown> to = openEntry(book_.get(), archive_);
    object_ptr<IUnknown> user = openEntry(book_.get(), alice_);
    auto* source = reinterpret_cast<IABContainer*>(from.get());
    auto* alice = reinterpret_cast<IMAPIProp*>(user.get());
    EXPECT_EQ(source->CopyTo(0, nullptr, nullptr, 0, nullptr, &IID_IABContainer, from.get(), 0, nullptr),
              E_ACCESSDENIED);
    EXPECT_EQ(source->CopyTo(0, nullptr, nullptr, 0, nullptr, &IID_IMAPITable, to.get(), 0, nullptr), E_NOINTERFACE);
    EXPECT_EQ(source->CopyTo(0, nullptr, nullptr, 0, nullptr, &IID_IABContainer, nullptr, 0, nullptr), E_INVALIDARG);
    SPropTagArray contentsTag{1, {PR_CONTAINER_CONTENTS}};
    EXPECT_EQ(alice->CopyProps(&contentsTag, 0, nullptr, &IID_IABContainer, to.get(), 0, nullptr), MAPI_E_NO_SUPPORT);
    EXPECT_TRUE(contents(book_.get(), archive_).empty());
    // Properties alone: no entries copied.
    SPropTagArray nameTag{1, {PR_DISPLAY_NAME}};
    object_ptr<IUnknown> bobObject = openEntry(book_.get(), bob_);
    EXPECT_EQ(alice->CopyProps(&nameTag, 0, nullptr, &IID_IMailUser, bobObject.get(), 0, nullptr), S_OK);
    EXPECT_EQ(source->CopyProps(&contentsTag, 0, nullptr, &IID_IABContainer, to.get(), 0, nullptr), S_OK);
    EXPECT_EQ(contents(book_.get(), archive_).size(), 5u);
}

} // namespace
