// Sessions: opening a profile, loading and unloading providers, routing,
// the hierarchy, the root container, advise connections and the end of a
// session.

#include <algorithm>
#include <cstring>

#include "provider_list.h"
#include "provider_loader.h"
#include "session_fixture.h"
#include "support.h"

using namespace pdx;
using namespace sessiontest;
using coretest::standardFixture;

namespace {

class Sessions : public SessionTest {};

TEST_F(Sessions, OpenRefusesBadArgumentsAndUnknownProfiles) {
    makeProfile("Main");
    object_ptr<IPDXSession> s;
    EXPECT_EQ(PDXOpen(0, "Main", 0, 0, 0, 0, nullptr, nullptr), E_INVALIDARG);
    EXPECT_EQ(PDXOpen(0, "Main", MAPI_UNICODE, 0, 0, 0, nullptr, s.out()), MAPI_E_BAD_CHARWIDTH);
    EXPECT_EQ(PDXOpen(0, "Main", 0, 0, 1, 0, nullptr, s.out()), MAPI_E_NO_SUPPORT);
    // Names are compared exactly.
    EXPECT_EQ(PDXOpen(0, "main", 0, 0, 0, 0, nullptr, s.out()), MAPI_E_LOGON_FAILED);
    EXPECT_EQ(PDXOpen(0, "main", MAPI_LOGON_UI, 0, 0, 0, nullptr, s.out()), MAPI_E_UNKNOWN_FLAGS);
    EXPECT_EQ(PDXOpen(0, nullptr, 0, 0, 0, 0, nullptr, s.out()), MAPI_E_LOGON_FAILED);
    // No default profile.
    EXPECT_EQ(PDXOpen(0, "Main", MAPI_USE_DEFAULT, 0, 0, 0, nullptr, s.out()), MAPI_E_LOGON_FAILED);
    EXPECT_EQ(PDXOpen(0, "Main", MAPI_USE_DEFAULT | MAPI_LOGON_UI, 0, 0, 0, nullptr, s.out()), MAPI_E_UNKNOWN_FLAGS);
    EXPECT_FALSE(s);
}

TEST_F(Sessions, DefaultProfileIsChosenAndTheNameIgnored) {
    makeProfile("Other");
    makeProfile("Main");
    addProvider("Main", "TESTA", standardFixture(kUid1, kUid2));
    object_ptr<IPDXProfAdmin> admin;
    ASSERT_EQ(PDXAdminProfiles(0, admin.out()), S_OK);
    ASSERT_EQ(admin->SetDefaultProfile("Main", 0), S_OK);
    object_ptr<IPDXSession> s;
    object_ptr<IAddrBook> book;
    ASSERT_EQ(PDXOpen(0, "Other", MAPI_USE_DEFAULT, 0, 0, 0, book.out(), s.out()), S_OK);
    EXPECT_EQ(names(hierarchy(book.get(), 0)), std::vector<std::string>{"Test Book"});
}

TEST_F(Sessions, ProfileWithoutServicesOpensEmpty) {
    makeProfile();
    open();
    EXPECT_TRUE(hierarchy(book_.get()).empty());
    Id someone(24, 0x11);
    ULONG type = 0;
    object_ptr<IUnknown> out;
    EXPECT_EQ(book_->OpenEntry(cb(someone), eid(someone), nullptr, 0, &type, out.out()), MAPI_E_NOT_FOUND);
    ULONG_PTR connection = 0;
    EXPECT_EQ(book_->Advise(cb(someone), eid(someone), 0, nullptr, &connection), MAPI_E_NOT_FOUND);
    ULONG_PTR ui = 0;
    EXPECT_EQ(book_->Details(&ui, nullptr, nullptr, cb(someone), eid(someone), nullptr, nullptr, nullptr, 0),
              MAPI_E_NOT_FOUND);
    ULONG n = 0;
    ENTRYID* made = nullptr;
    EXPECT_EQ(book_->NewEntry(0, 0, cb(someone), eid(someone), 0, nullptr, &n, &made), MAPI_E_NOT_FOUND);
    EXPECT_EQ(book_->GetPAB(&n, &made), E_FAIL);
    core::RowSet path;
    EXPECT_EQ(book_->GetSearchPath(0, path.out()), MAPI_E_NOT_FOUND);
}

TEST_F(Sessions, SessionSlots) {
    makeProfile();
    open();
    // The PDX's own identifier cannot be opened.
    ULONG n = 0;
    ENTRYID* own = nullptr;
    ASSERT_EQ(session_->GetPDXEntryID(&n, &own), S_OK);
    core::Buffer<ENTRYID> ownHolder(own);
    ASSERT_EQ(n, 20u);
    Id ownId(reinterpret_cast<uint8_t*>(own), reinterpret_cast<uint8_t*>(own) + n);
    EXPECT_EQ(Id(ownId.begin(), ownId.begin() + 4), Id(4, 0));
    EXPECT_EQ(std::memcmp(ownId.data() + 4, &PDX_GUID, 16), 0);
    ULONG type = 0;
    object_ptr<IUnknown> out;
    EXPECT_EQ(book_->OpenEntry(n, own, nullptr, 0, &type, out.out()), MAPI_E_INVALID_ENTRYID);
    EXPECT_EQ(book_->OpenEntry(19, own, nullptr, 0, &type, out.out()), MAPI_E_INVALID_ENTRYID);
    ULONG_PTR ui = 0;
    EXPECT_EQ(book_->Details(&ui, nullptr, nullptr, n, own, nullptr, nullptr, nullptr, 0), MAPI_E_INVALID_ENTRYID);
    EXPECT_EQ(book_->Details(nullptr, nullptr, nullptr, n, own, nullptr, nullptr, nullptr, 0), E_INVALIDARG);
    EXPECT_EQ(session_->GetPDXEntryID(nullptr, &own), E_INVALIDARG);

    object_ptr<IAddrBook> again;
    EXPECT_EQ(session_->OpenAddressBook(1, again.out()), MAPI_E_UNKNOWN_FLAGS);
    ASSERT_EQ(session_->OpenAddressBook(0, again.out()), S_OK);
    EXPECT_EQ(again.get(), book_.get());
    object_ptr<IPDXServiceAdmin> services;
    EXPECT_EQ(session_->AdminServices(2, services.out()), MAPI_E_UNKNOWN_FLAGS);
    EXPECT_EQ(session_->AdminServices(0, services.out()), S_OK);
    object_ptr<IUnknown> unknown;
    EXPECT_EQ(session_->QueryInterface(&IID_IPDXSession, unknown.vout()), S_OK);
    EXPECT_EQ(session_->QueryInterface(&IID_IAddrBook, unknown.vout()), E_NOINTERFACE);
    EXPECT_EQ(book_->QueryInterface(&IID_IMAPIProp, unknown.vout()), S_OK);
    EXPECT_EQ(book_->QueryInterface(&IID_IPDXSession, unknown.vout()), E_NOINTERFACE);
    EXPECT_EQ(book_->CompareEntryIDs(n, own, n, own, 0, &type), MAPI_E_UNKNOWN_ENTRYID);
    EXPECT_EQ(book_->GetProps(nullptr, 0, &n, nullptr), MAPI_E_NO_SUPPORT);
}

TEST_F(Sessions, HierarchyDescendsWithDepthAndRootContainerAnswersItsSlots) {
    makeProfile();
    addProvider("Main", "TESTA", standardFixture(kUid1, kUid2));
    open();
    const auto rows = hierarchy(book_.get());
    ASSERT_EQ(names(rows), (std::vector<std::string>{"Test Book", "Customers", "Suppliers", "Archive"}));
    std::vector<LONG> depths, flags, types;
    for (const auto& r : rows) {
        depths.push_back(r.number(PR_DEPTH));
        flags.push_back(r.number(PR_CONTAINER_FLAGS));
        types.push_back(r.number(PR_OBJECT_TYPE));
    }
    EXPECT_EQ(depths, (std::vector<LONG>{0, 1, 2, 1}));
    EXPECT_EQ(flags, (std::vector<LONG>{2, 5, 1, 5}));
    EXPECT_EQ(types, (std::vector<LONG>{4, 4, 4, 4}));
    // Without the flag only the provider's own row.
    EXPECT_EQ(names(hierarchy(book_.get(), 0)), std::vector<std::string>{"Test Book"});

    ULONG type = 0;
    object_ptr<IUnknown> rootObject;
    ASSERT_EQ(book_->OpenEntry(0, nullptr, &IID_IMAPIContainer, 0, &type, rootObject.out()), S_OK);
    auto* root = reinterpret_cast<IABContainer*>(rootObject.get());
    object_ptr<IUnknown> table;
    ASSERT_EQ(root->OpenProperty(PR_CONTAINER_HIERARCHY, &IID_IMAPITable, 0, CONVENIENT_DEPTH, table.out()), S_OK);
    EXPECT_EQ(readTable(reinterpret_cast<IMAPITable*>(table.get())).size(), 4u);
    EXPECT_EQ(root->OpenProperty(PR_CONTAINER_CONTENTS, &IID_IMAPITable, 0, 0, table.out()), E_NOINTERFACE);
    object_ptr<IMAPITable> contentsTable;
    EXPECT_EQ(root->GetContentsTable(0, contentsTable.out()), MAPI_E_NO_SUPPORT);
    EXPECT_EQ(root->GetContentsTable(0, nullptr), E_INVALIDARG);
    EXPECT_EQ(root->CopyEntries(nullptr, 0, nullptr, 0), S_OK);
    ENTRYLIST none{0, nullptr};
    EXPECT_EQ(root->CopyEntries(&none, 0, nullptr, 0), MAPI_E_NO_SUPPORT);
    object_ptr<IMAPIProp> created;
    EXPECT_EQ(root->CreateEntry(0, nullptr, 0, created.out()), E_INVALIDARG);
    Id templ(24, 1);
    EXPECT_EQ(root->CreateEntry(cb(templ), eid(templ), 0, created.out()), MAPI_E_NO_SUPPORT);
    EXPECT_EQ(root->GetLastError(0, 0, nullptr), MAPI_E_NO_SUPPORT);
    EXPECT_EQ(root->GetProps(nullptr, 0, &type, nullptr), MAPI_E_NO_SUPPORT);
    // OpenEntry goes through the address book.
    Id customers = idOf(rows, "Customers");
    object_ptr<IUnknown> opened;
    ASSERT_EQ(root->OpenEntry(cb(customers), eid(customers), nullptr, 0, &type, opened.out()), S_OK);
    EXPECT_EQ(type, MAPI_ABCONT);
    EXPECT_EQ(root->OpenEntry(cb(customers), eid(customers), nullptr, 0, nullptr, opened.out()), E_INVALIDARG);
    EXPECT_EQ(names(contents(book_.get(), customers)), (std::vector<std::string>{"Alice", "Bob", "Team", "Inner"}));
}

TEST_F(Sessions, ProvidersRouteByTheirUidsNewestFirstAndUnloadNewestFirst) {
    makeProfile();
    // A's entries carry UIDs 1 and 2, B's UID 3; both also register UID 4.
    // Record 1 is "Customers" in A and "Vendors" in B.
    const std::string shared = "44444444444444444444444444444444";
    addProvider("Main", "TESTA", standardFixture(kUid1, kUid2, "uid\t" + shared + "\n"));
    addProvider("Main", "TESTB",
                std::string("uid\t") + kUid3 + "\nuid\t" + shared +
                    "\nroot\tname=Second Book\ncontainer\tkey=v\tname=Vendors\tflags=1\n"
                    "user\tkey=z\tin=v\tname=Zoe\n");
    open();
    const auto opened = log();
    ASSERT_EQ(opened.size(), 2u);
    const bool aFirst = opened[0].rfind("open Test Book", 0) == 0;
    EXPECT_EQ(opened[aFirst ? 1 : 0].rfind("open Second Book", 0), 0u);
    // Hierarchy in provider list order: the newest provider first.
    const auto rows = hierarchy(book_.get(), 0);
    EXPECT_EQ(names(rows), aFirst ? (std::vector<std::string>{"Second Book", "Test Book"})
                                  : (std::vector<std::string>{"Test Book", "Second Book"}));

    // Identifiers with UID 2 and 3 reach the one provider that has them.
    auto nameOf = [&](const Id& id) {
        object_ptr<IUnknown> o = openEntry(book_.get(), id);
        SPropTagArray tag{1, {PR_DISPLAY_NAME}};
        ULONG n = 0;
        core::Buffer<SPropValue> v;
        if (!o || FAILED(reinterpret_cast<IMAPIProp*>(o.get())->GetProps(&tag, 0, &n, v.out()))) return std::string();
        return std::string(v[0].Value.lpszA);
    };
    Id bob = idOf(contents(book_.get(), idOf(hierarchy(book_.get()), "Customers")), "Bob");
    EXPECT_EQ(bob[4], 0x22);
    EXPECT_EQ(nameOf(bob), "Bob");
    Id vendors = idOf(hierarchy(book_.get()), "Vendors");
    EXPECT_EQ(vendors[4], 0x33);
    EXPECT_EQ(nameOf(vendors), "Vendors");
    // UID 4 is registered by both: the provider loaded last answers.
    Id both = vendors;
    std::fill(both.begin() + 4, both.begin() + 20, 0x44);
    EXPECT_EQ(nameOf(both), aFirst ? "Vendors" : "Customers");
    Id unknown = vendors;
    unknown[4] = 0x44;
    ULONG type = 0;
    object_ptr<IUnknown> out;
    EXPECT_EQ(book_->OpenEntry(cb(unknown), eid(unknown), nullptr, 0, &type, out.out()), MAPI_E_NOT_FOUND);

    clearLog();
    close();
    const auto released = log();
    ASSERT_EQ(released.size(), 2u);
    EXPECT_EQ(released[0], aFirst ? "release Second Book" : "release Test Book");
    EXPECT_EQ(released[1], aFirst ? "release Test Book" : "release Second Book");
}

TEST_F(Sessions, OneFailingProviderFailsTheOpenAndLeavesNothingLoaded) {
    makeProfile();
    addProvider("Main", "TESTA", standardFixture(kUid1, kUid2));
    addProvider("Main", "TESTB", std::string("uid\t") + kUid3 + "\nfail\t80040115\nroot\tname=Broken\n");
    object_ptr<IPDXSession> s;
    object_ptr<IAddrBook> book;
    EXPECT_EQ(PDXOpen(0, "Main", 0, 0, 0, 0, book.out(), s.out()), MAPI_E_NETWORK_ERROR);
    EXPECT_FALSE(s);
    EXPECT_FALSE(book);
    // Whatever opened before the failure was released again.
    auto lines = log();
    const auto opens = std::count_if(lines.begin(), lines.end(), [](auto& l) { return l.rfind("open ", 0) == 0; });
    const auto releases = std::count_if(lines.begin(), lines.end(), [](auto& l) { return l.rfind("release ", 0) == 0; });
    EXPECT_GE(opens, 1);
    EXPECT_EQ(releases, opens - 1); // the failing provider made no object
}

TEST_F(Sessions, ModulesThatCannotServeFailTheOpen) {
    makeProfile();
    const MAPIUID uid = addProvider("Main", "TESTA", standardFixture(kUid1, kUid2));
    object_ptr<IPDXSession> s;
    coretest::configureService("Main", uid, PR_SERVICE_ENTRY_NAME, "NoSuchEntry");
    EXPECT_EQ(PDXOpen(0, "Main", 0, 0, 0, 0, nullptr, s.out()), E_FAIL);
    {
        // No entry name at all: an export that is not there, as above.
        static const char kHex[] = "0123456789abcdef";
        std::string service;
        for (uint8_t b : uid.ab) service += {kHex[b >> 4], kHex[b & 15]};
        platform::RegKey key;
        ASSERT_EQ(coretest::profileKey("Main").openSubKey(service, key), platform::kRegOk);
        ASSERT_EQ(key.deleteValue(std::to_string(PR_SERVICE_ENTRY_NAME)), platform::kRegOk);
        EXPECT_EQ(PDXOpen(0, "Main", 0, 0, 0, 0, nullptr, s.out()), E_FAIL);
    }
    coretest::configureService("Main", uid, PR_SERVICE_ENTRY_NAME, "TestServiceEntry");
    coretest::configureService("Main", uid, PR_SERVICE_DLL_NAME, "nosuchmodule.dll");
    EXPECT_EQ(PDXOpen(0, "Main", 0, 0, 0, 0, nullptr, s.out()), MAPI_E_NOT_FOUND);
    // Only modules beside vqcore: a name with a path is refused.
    coretest::configureService("Main", uid, PR_SERVICE_DLL_NAME, ("../bin/" + std::string("pdxtestsp.dll")).c_str());
    EXPECT_EQ(PDXOpen(0, "Main", 0, 0, 0, 0, nullptr, s.out()), MAPI_E_NOT_FOUND);
    coretest::configureService("Main", uid, PR_SERVICE_DLL_NAME, "pdxtestsp.dll");
    coretest::configureService("Main", uid, PR_FAX_AB_FILE_PATH, (dir_ + "/absent.tsv").c_str());
    EXPECT_EQ(PDXOpen(0, "Main", 0, 0, 0, 0, nullptr, s.out()), MAPI_E_NOT_FOUND);
    EXPECT_TRUE(log().empty());
}

TEST_F(Sessions, ProviderGetsTheOpenArguments) {
    makeProfile();
    addProvider("Main", "TESTA", standardFixture(kUid1, kUid2));
    object_ptr<IPDXSession> s;
    ASSERT_EQ(PDXOpen(77, "Main", 0x4, 0, 0, 0, nullptr, s.out()), S_OK);
    EXPECT_EQ(log(), std::vector<std::string>{"open Test Book ui=77 flags=4"});
}

TEST_F(Sessions, AddressBookAfterTheSessionEndedAnswersEndOfSession) {
    makeProfile();
    addProvider("Main", "TESTA", standardFixture(kUid1, kUid2));
    open();
    Id customers = idOf(hierarchy(book_.get()), "Customers");
    object_ptr<IAddrBook> kept = book_;
    ULONG type = 0;
    object_ptr<IUnknown> root;
    ASSERT_EQ(kept->OpenEntry(0, nullptr, nullptr, 0, &type, root.out()), S_OK);
    clearLog();
    close();
    EXPECT_EQ(log(), std::vector<std::string>{"release Test Book"});
    object_ptr<IUnknown> out;
    EXPECT_EQ(kept->OpenEntry(cb(customers), eid(customers), nullptr, 0, &type, out.out()), MAPI_E_END_OF_SESSION);
    EXPECT_EQ(kept->OpenEntry(0, nullptr, nullptr, 0, &type, out.out()), MAPI_E_END_OF_SESSION);
    EXPECT_EQ(kept->GetLastError(0, 0, nullptr), MAPI_E_END_OF_SESSION);
    EXPECT_EQ(kept->Unadvise(1), MAPI_E_END_OF_SESSION);
    object_ptr<IMAPITable> table;
    EXPECT_EQ(reinterpret_cast<IABContainer*>(root.get())->GetHierarchyTable(0, table.out()), MAPI_E_END_OF_SESSION);
    EXPECT_EQ(kept->AddRef(), 3u);
    EXPECT_EQ(kept->Release(), 2u);
}

TEST_F(Sessions, AdviseConnectionsAreNumberedAndUnadvisedAtTheEnd) {
    makeProfile();
    addProvider("Main", "TESTA", standardFixture(kUid1, kUid2));
    open();
    clearLog();
    Id customers = idOf(hierarchy(book_.get()), "Customers");
    ULONG_PTR first = 0, second = 0;
    EXPECT_EQ(book_->Advise(0, eid(customers), 0x10, nullptr, &first), E_INVALIDARG);
    EXPECT_EQ(book_->Advise(cb(customers), nullptr, 0x10, nullptr, &first), E_INVALIDARG);
    ASSERT_EQ(book_->Advise(cb(customers), eid(customers), 0x10, nullptr, &first), S_OK);
    ASSERT_EQ(book_->Advise(cb(customers), eid(customers), 0x10, nullptr, &second), S_OK);
    EXPECT_EQ(first, 1u);
    EXPECT_EQ(second, 2u);
    EXPECT_EQ(book_->Unadvise(7), MAPI_E_NOT_FOUND);
    EXPECT_EQ(book_->Unadvise(first), S_OK);
    EXPECT_EQ(book_->Unadvise(first), MAPI_E_NOT_FOUND);
    close();
    EXPECT_EQ(log(), (std::vector<std::string>{"advise 101 Test Book", "advise 102 Test Book",
                                               "unadvise 101 Test Book", "unadvise 102 Test Book",
                                               "release Test Book"}));
}

TEST_F(Sessions, NewEntryAndDetailsAreRouted) {
    makeProfile();
    addProvider("Main", "TESTA", standardFixture(kUid1, kUid2));
    open();
    clearLog();
    const auto rows = hierarchy(book_.get());
    Id archive = idOf(rows, "Archive");
    ULONG n = 0;
    ENTRYID* made = nullptr;
    EXPECT_EQ(book_->NewEntry(0, 0, 0, nullptr, 0, nullptr, &n, &made), MAPI_E_NO_SUPPORT);
    EXPECT_EQ(book_->NewEntry(0, 0, 0, eid(archive), 0, nullptr, &n, &made), E_INVALIDARG);
    ASSERT_EQ(book_->NewEntry(0, 0, cb(archive), eid(archive), 0, nullptr, &n, &made), S_OK);
    core::Buffer<ENTRYID> holder(made);
    EXPECT_EQ(names(contents(book_.get(), archive)), std::vector<std::string>{"New entry"});
    ULONG_PTR ui = 5;
    EXPECT_EQ(book_->Details(&ui, nullptr, nullptr, n, made, nullptr, nullptr, nullptr, 0), S_OK);
    EXPECT_EQ(log(), (std::vector<std::string>{"newentry Archive", "details New entry ui=5"}));
}

TEST_F(Sessions, SupportRegistersEachUidOncePerProvider) {
    object_ptr<core::ProviderList> list(core::ProviderList::create());
    auto record = std::make_shared<core::ProviderRecord>();
    object_ptr<core::Support> support(core::Support::createForProvider(list.get(), record, 0));
    MAPIUID a{}, b{};
    a.ab[0] = 1;
    b.ab[0] = 2;
    EXPECT_EQ(support->SetProviderUID(nullptr, 0), E_INVALIDARG);
    EXPECT_EQ(support->SetProviderUID(&a, 0), S_OK);
    EXPECT_EQ(support->SetProviderUID(&b, 0), S_OK);
    EXPECT_EQ(support->SetProviderUID(&a, 0), MAPI_E_COLLISION);
    ASSERT_EQ(record->uids.size(), 2u);
    EXPECT_EQ(record->uids[0].ab[0], 2); // newest first
    object_ptr<core::Support> forEntry(core::Support::createForServiceEntry(0));
    EXPECT_EQ(forEntry->SetProviderUID(&a, 0), MAPI_E_NO_SUPPORT);
    AllocateBufferFn ab = nullptr;
    AllocateMoreFn am = nullptr;
    FreeBufferFn fb = nullptr;
    EXPECT_EQ(support->GetMemAllocRoutines(&ab, &am, nullptr), E_INVALIDARG);
    EXPECT_EQ(support->GetMemAllocRoutines(&ab, &am, &fb), S_OK);
    EXPECT_EQ(fb, &PDXFreeBuffer);
}

TEST(CoreDirectory, IsThePathBeforeTheModuleNameIgnoringCase) {
    EXPECT_EQ(core::directoryBefore("/opt/velmo/lib/VQCORE.SO", "vqcore.so"), "/opt/velmo/lib/");
    EXPECT_EQ(core::directoryBefore("/opt/velmo/bin/core_tests", "vqcore.so"), "/opt/velmo/bin/");
}

} // namespace
