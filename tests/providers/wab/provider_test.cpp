// ABProviderOpen and the provider object's slots.

#include <algorithm>
#include <cstring>

#include "provider_fixture.h"
#include "provider_open.h"

using namespace pdx;
using namespace wabtest;

namespace {

class Provider : public ProviderFixture {};

} // namespace

TEST_F(Provider, OpensTheComponentAndRegistersItsUid) {
    ASSERT_EQ(open(), S_OK);
    ASSERT_NE(provider_, nullptr);
    ASSERT_EQ(support_.registered.size(), 1u);
    EXPECT_EQ(std::memcmp(support_.registered[0].ab, kUid.ab, 16), 0);
    EXPECT_EQ(fake_->paramSize, sizeof(WAB_PARAM));
    EXPECT_EQ(support_.refs, 2u) << "the provider keeps the support object";
    EXPECT_EQ(pdxHeap().liveRoots(), 0u) << "the section's answer was freed";
}

TEST_F(Provider, OpenChecksItsArgumentsAndTheSection) {
    IAddrBook* out = nullptr;
    EXPECT_EQ(abOpen_(nullptr, nullptr, &section_, 0, 0, &pdxAllocate, &pdxAllocateMore, &pdxFree, &out), E_INVALIDARG);
    EXPECT_EQ(abOpen_(nullptr, &support_, nullptr, 0, 0, &pdxAllocate, &pdxAllocateMore, &pdxFree, &out), E_INVALIDARG);
    EXPECT_EQ(abOpen_(nullptr, &support_, &section_, 0, 0, &pdxAllocate, &pdxAllocateMore, &pdxFree, nullptr),
              E_INVALIDARG);
    EXPECT_EQ(open(MAPI_UNICODE), MAPI_E_BAD_CHARWIDTH);
    // Without a free routine the section's answer could not be given back.
    EXPECT_EQ(abOpen_(nullptr, &support_, &section_, 0, 0, &pdxAllocate, &pdxAllocateMore, nullptr, &out),
              E_INVALIDARG);

    section_.binaries.clear(); // no PR_SERVICE_UID
    EXPECT_EQ(open(), MAPI_E_BAD_VALUE);
    section_.binaries[PR_SERVICE_UID] = {1, 2, 3}; // too short to be a UID
    EXPECT_EQ(open(), MAPI_E_BAD_VALUE);
    section_.setUid(kUid);

    section_.strings.erase(PR_DISPLAY_NAME);
    EXPECT_EQ(open(0x00080000), MAPI_E_UNCONFIGURED);
    // The configuration dialog cannot be shown without a QApplication.
    EXPECT_EQ(open(), MAPI_E_USER_CANCEL);
    section_.getResult = MAPI_E_NO_SUPPORT;
    EXPECT_EQ(open(), MAPI_E_NO_SUPPORT);
    section_.getResult = S_OK;
    section_.strings[PR_DISPLAY_NAME] = "Contacts";

    support_.routinesResult = MAPI_E_CORRUPT_DATA;
    EXPECT_EQ(open(), MAPI_E_CORRUPT_DATA);
    support_.routinesResult = S_OK;
    fake_->openResult = MAPI_E_DISK_ERROR;
    EXPECT_EQ(open(), MAPI_E_DISK_ERROR);
    fake_->openResult = S_OK;
    EXPECT_EQ(provider_, nullptr);
    EXPECT_TRUE(support_.registered.empty());
}

TEST_F(Provider, WabFiveWithoutAPathUsesProfilesAndWithAPathDoesNot) {
    ASSERT_EQ(open(), S_OK);
    EXPECT_EQ(fake_->paramFlags, WAB_ENABLE_PROFILES);
    EXPECT_FALSE(fake_->fileGiven);
    provider_->Release();
    provider_ = nullptr;

    section_.strings[PR_FAX_AB_FILE_PATH] = "/home/me/book.vcf";
    ASSERT_EQ(open(), S_OK);
    EXPECT_EQ(fake_->paramFlags, 0u);
    EXPECT_TRUE(fake_->fileGiven);
    EXPECT_EQ(fake_->file, "/home/me/book.vcf");
    provider_->Release();
    provider_ = nullptr;

    // An empty path is no path.
    section_.strings[PR_FAX_AB_FILE_PATH] = "";
    ASSERT_EQ(open(), S_OK);
    EXPECT_FALSE(fake_->fileGiven);
    EXPECT_EQ(fake_->paramFlags, WAB_ENABLE_PROFILES);
}

TEST_F(Provider, OlderComponentsGetNeitherProfilesNorTheTableFlag) {
    useFake("fakewab4.so");
    ASSERT_EQ(open(), S_OK);
    EXPECT_EQ(fake_->paramFlags, 0u);
    IABContainer* contacts = openContacts();
    IMAPITable* table = nullptr;
    ASSERT_EQ(contacts->GetContentsTable(0x40, &table), S_OK);
    table->Release();
    contacts->Release();
    EXPECT_TRUE(fake_->called("GetContentsTable " + hexOf(fake_->contacts).substr(0, 8) + " 0x00000040"));
}

TEST_F(Provider, WabFiveGetsTheTableFlagAddedToTheCallersFlags) {
    ASSERT_EQ(open(), S_OK);
    IABContainer* contacts = openContacts();
    IMAPITable* table = nullptr;
    ASSERT_EQ(contacts->GetContentsTable(0x40, &table), S_OK);
    table->Release();
    ASSERT_EQ(contacts->GetHierarchyTable(1, &table), S_OK);
    table->Release();
    contacts->Release();
    EXPECT_TRUE(fake_->called("GetContentsTable " + hexOf(fake_->contacts).substr(0, 8) + " 0x00100040"));
    EXPECT_TRUE(fake_->called("GetHierarchyTable " + hexOf(fake_->contacts).substr(0, 8) + " 0x00100001"));
}

TEST_F(Provider, WithoutTheComponentEveryCallSaysNotInitialized) {
    useComponent("no_such_component.so");
    ASSERT_EQ(open(), S_OK);
    ASSERT_NE(provider_, nullptr);
    EXPECT_TRUE(support_.registered.empty());
    const HRESULT ni = MAPI_E_NOT_INITIALIZED;
    IAddrBook* p = provider_;
    void* any = nullptr;
    ULONG n = 0;
    SPropValue* values = nullptr;
    SPropTagArray* tags = nullptr;
    ENTRYID* id = nullptr;
    SRowSet* rows = nullptr;
    ULONG_PTR ui = 0;
    Bytes root = wrap({0});
    EXPECT_EQ(p->QueryInterface(&IID_IAddrBook, &any), ni);
    EXPECT_EQ(p->GetLastError(0, 0, nullptr), ni);
    EXPECT_EQ(p->SaveChanges(0), ni);
    EXPECT_EQ(p->GetProps(nullptr, 0, &n, &values), ni);
    EXPECT_EQ(p->GetPropList(0, &tags), ni);
    EXPECT_EQ(p->OpenProperty(0, &IID_IMAPITable, 0, 0, reinterpret_cast<IUnknown**>(&any)), ni);
    EXPECT_EQ(p->SetProps(0, nullptr, nullptr), ni);
    EXPECT_EQ(p->DeleteProps(nullptr, nullptr), ni);
    EXPECT_EQ(p->CopyTo(0, nullptr, nullptr, 0, nullptr, nullptr, nullptr, 0, nullptr), ni);
    EXPECT_EQ(p->CopyProps(nullptr, 0, nullptr, nullptr, nullptr, 0, nullptr), ni);
    EXPECT_EQ(p->GetNamesFromIDs(&tags, nullptr, 0, &n, nullptr), ni);
    EXPECT_EQ(p->GetIDsFromNames(0, nullptr, 0, &tags), ni);
    EXPECT_EQ(p->OpenEntry(21, asId(root), nullptr, 0, &n, reinterpret_cast<IUnknown**>(&any)), ni);
    EXPECT_EQ(p->CompareEntryIDs(21, asId(root), 21, asId(root), 0, &n), ni);
    EXPECT_EQ(p->Advise(21, asId(root), 0, nullptr, &ui), ni);
    EXPECT_EQ(p->Unadvise(1), ni);
    EXPECT_EQ(p->CreateOneOff(nullptr, nullptr, nullptr, 0, &n, &id), ni);
    EXPECT_EQ(p->NewEntry(0, 0, 0, nullptr, 0, nullptr, &n, &id), ni);
    EXPECT_EQ(p->ResolveName(0, 0, nullptr, nullptr), ni);
    EXPECT_EQ(p->Address(&ui, nullptr, nullptr), ni);
    EXPECT_EQ(p->Details(&ui, nullptr, nullptr, 21, asId(root), nullptr, nullptr, nullptr, 0), ni);
    EXPECT_EQ(p->RecipOptions(0, 0, nullptr), ni);
    EXPECT_EQ(p->QueryDefaultRecipOpt(nullptr, 0, &n, &values), ni);
    EXPECT_EQ(p->GetPAB(&n, &id), ni);
    EXPECT_EQ(p->SetPAB(21, asId(root)), ni);
    EXPECT_EQ(p->GetDefaultDir(&n, &id), ni);
    EXPECT_EQ(p->SetDefaultDir(21, asId(root)), ni);
    EXPECT_EQ(p->GetSearchPath(0, &rows), ni);
    EXPECT_EQ(p->SetSearchPath(0, nullptr), ni);
    EXPECT_EQ(p->PrepareRecips(0, nullptr, nullptr), ni);
    // Reference counting still works, so vqcore can release it.
    EXPECT_EQ(p->AddRef(), 2u);
    EXPECT_EQ(p->Release(), 1u);
    EXPECT_TRUE(fake_->calls.empty());
}

TEST_F(Provider, AModuleWithoutWabOpenLeavesTheProviderNotInitialized) {
    useComponent("velmo_test_module.so");
    ASSERT_EQ(open(), S_OK);
    ULONG n = 0;
    SPropValue* values = nullptr;
    EXPECT_EQ(provider_->GetProps(nullptr, 0, &n, &values), MAPI_E_NOT_INITIALIZED);
}

TEST_F(Provider, WithoutADllPathTheComponentIsLookedForBesideThePlugIn) {
    useComponent("");
    EXPECT_EQ(wab::componentPath(), "WAB32.DLL");
    useComponent("fakewab6.so");
    EXPECT_EQ(wab::componentPath(), std::string(VELMO_BIN_DIR) + "/fakewab6.so");
}

TEST_F(Provider, AnswersItsOwnPropertiesAsTheRootOfItsHierarchy) {
    ASSERT_EQ(open(), S_OK);
    ULONG n = 0;
    Pdx<SPropValue> v;
    ASSERT_EQ(provider_->GetProps(nullptr, 0, &n, v.out()), S_OK);
    ASSERT_EQ(n, 5u);
    EXPECT_EQ(v[0].ulPropTag, PR_DISPLAY_NAME);
    EXPECT_STREQ(v[0].Value.lpszA, "Contacts on disk");
    EXPECT_EQ(bin(v[1]), wrap({0})) << "the 21-byte root identifier";
    EXPECT_EQ(v[2].Value.ul, 4u);
    EXPECT_EQ(v[3].Value.ul, 10u);
    EXPECT_EQ(v[4].Value.l, 0);

    const struct {
        ULONG c;
        ULONG t[3];
    } some = {3, {PR_NULL, PR_EMAIL_ADDRESS, PR_OBJECT_TYPE}};
    ASSERT_EQ(provider_->GetProps(reinterpret_cast<const SPropTagArray*>(&some), 0, &n, v.out()),
              MAPI_W_ERRORS_RETURNED);
    EXPECT_EQ(v[0].ulPropTag, PR_NULL);
    EXPECT_EQ(v[1].ulPropTag, CHANGE_PROP_TYPE(PR_EMAIL_ADDRESS, PT_ERROR));
    EXPECT_EQ(v[1].Value.err, MAPI_E_NOT_FOUND);
    EXPECT_EQ(v[2].Value.ul, 4u);

    const SPropTagArray none{0, {0}};
    EXPECT_EQ(provider_->GetProps(&none, 0, &n, v.out()), E_INVALIDARG);
    EXPECT_EQ(provider_->GetProps(nullptr, MAPI_UNICODE, &n, v.out()), MAPI_E_BAD_CHARWIDTH);
    EXPECT_EQ(provider_->GetProps(nullptr, 0, nullptr, v.out()), E_INVALIDARG);

    Pdx<SPropTagArray> list;
    ASSERT_EQ(provider_->GetPropList(0, list.out()), S_OK);
    ASSERT_EQ(list->cValues, 5u);
    EXPECT_EQ(list->aulPropTag[1], PR_ENTRYID);
    EXPECT_TRUE(fake_->calls.empty()) << "answered without the component";
}

TEST_F(Provider, IdentifiersRoundTripBetweenCallerAndComponent) {
    ASSERT_EQ(open(), S_OK);
    // The root identifier opens the component's root container.
    ULONG type = 0;
    IABContainer* root = reinterpret_cast<IABContainer*>(openEntry(wrap({0}), &type));
    ASSERT_NE(root, nullptr);
    EXPECT_EQ(type, 4u);
    EXPECT_EQ(fake_->calls.back(), "OpenEntry -");

    // Its hierarchy names Contacts by a 40-byte identifier: the caller sees 60.
    IMAPITable* table = nullptr;
    ASSERT_EQ(root->GetHierarchyTable(0, &table), S_OK);
    SRowSet* rows = nullptr;
    ASSERT_EQ(table->QueryRows(10, 0, &rows), S_OK);
    ASSERT_EQ(rows->cRows, 1u);
    const SPropValue& id = rows->aRow[0].lpProps[1];
    ASSERT_EQ(id.ulPropTag, PR_ENTRYID);
    ASSERT_EQ(id.Value.bin.cb, 60u);
    EXPECT_EQ(idBytes(4, id.Value.bin.lpb), Bytes(4, 0));
    EXPECT_EQ(std::memcmp(id.Value.bin.lpb + 4, kUid.ab, 16), 0);
    Bytes caller = bin(id);
    freePdxRows(rows);
    table->Release();
    root->Release();

    // Handed back, the component sees the same 40 bytes it gave.
    IUnknown* contacts = openEntry(caller, &type);
    EXPECT_EQ(type, 4u);
    EXPECT_EQ(fake_->calls.back(), "OpenEntry 40:" + hexOf(fake_->contacts));
    contacts->Release();

    // Identifiers of other providers, or too short to be ours, never reach it.
    const size_t before = fake_->calls.size();
    Bytes other = caller;
    other[10] ^= 0xFF;
    IUnknown* object = nullptr;
    EXPECT_EQ(provider_->OpenEntry(60, asId(other), nullptr, 0, &type, &object), MAPI_E_INVALID_ENTRYID);
    EXPECT_EQ(provider_->OpenEntry(20, asId(caller), nullptr, 0, &type, &object), MAPI_E_INVALID_ENTRYID);
    EXPECT_EQ(provider_->OpenEntry(0, nullptr, nullptr, 0, &type, &object), MAPI_E_INVALID_ENTRYID);
    EXPECT_EQ(provider_->OpenEntry(60, asId(caller), nullptr, 0, nullptr, &object), E_INVALIDARG);
    EXPECT_EQ(object, nullptr);
    EXPECT_EQ(fake_->calls.size(), before);
}

TEST_F(Provider, CompareEntryIdsNeverShowsAForeignIdentifierToTheComponent) {
    ASSERT_EQ(open(), S_OK);
    Bytes alice = wrap(fake_->alice), bob = wrap(fake_->bob), foreign = alice;
    foreign[4] ^= 1;
    ULONG same = 7;
    EXPECT_EQ(provider_->CompareEntryIDs(60, asId(alice), 60, asId(foreign), 0, &same), MAPI_E_UNKNOWN_ENTRYID);
    EXPECT_EQ(provider_->CompareEntryIDs(60, asId(foreign), 60, asId(alice), 0, &same), MAPI_E_UNKNOWN_ENTRYID);
    EXPECT_EQ(same, 7u);
    EXPECT_FALSE(fake_->called("CompareEntryIDs"));

    ASSERT_EQ(provider_->CompareEntryIDs(60, asId(alice), 60, asId(bob), 0, &same), S_OK);
    EXPECT_EQ(same, 0u);
    EXPECT_EQ(fake_->calls.back(), "CompareEntryIDs 40:" + hexOf(fake_->alice) + " 40:" + hexOf(fake_->bob));
    ASSERT_EQ(provider_->CompareEntryIDs(60, asId(alice), 60, asId(alice), 0, &same), S_OK);
    EXPECT_EQ(same, 1u);
}

TEST_F(Provider, DefaultsAndSearchPathCrossWrapped) {
    ASSERT_EQ(open(), S_OK);
    ULONG cb = 0;
    Pdx<ENTRYID> id;
    ASSERT_EQ(provider_->GetPAB(&cb, id.out()), S_OK);
    EXPECT_EQ(idBytes(cb, id.get()), wrap(fake_->contacts));
    // The component has no default directory: nothing to wrap.
    ASSERT_EQ(provider_->GetDefaultDir(&cb, id.out()), S_OK);
    EXPECT_EQ(cb, 0u);
    EXPECT_EQ(id.get(), nullptr);

    Bytes contacts = wrap(fake_->contacts), foreign = contacts;
    foreign[8] ^= 1;
    ASSERT_EQ(provider_->SetPAB(60, asId(contacts)), S_OK);
    EXPECT_EQ(fake_->calls.back(), "SetPAB 40:" + hexOf(fake_->contacts));
    EXPECT_EQ(provider_->SetDefaultDir(60, asId(foreign)), MAPI_E_UNKNOWN_ENTRYID);
    EXPECT_EQ(provider_->SetPAB(0, nullptr), MAPI_E_UNKNOWN_ENTRYID);
    EXPECT_FALSE(fake_->called("SetDefaultDir"));

    SRowSet* path = nullptr;
    ASSERT_EQ(provider_->GetSearchPath(0, &path), S_OK);
    ASSERT_EQ(path->cRows, 1u);
    EXPECT_EQ(bin(path->aRow[0].lpProps[0]), contacts);
    ASSERT_EQ(provider_->SetSearchPath(0, path), S_OK);
    EXPECT_EQ(fake_->calls.back(), "SetSearchPath 40:" + hexOf(fake_->contacts));
    freePdxRows(path);
}

TEST_F(Provider, AdviseAndDetailsTakeOnlyOwnIdentifiers) {
    ASSERT_EQ(open(), S_OK);
    Bytes alice = wrap(fake_->alice), foreign = alice;
    foreign[6] ^= 1;
    ULONG_PTR connection = 0;
    EXPECT_EQ(provider_->Advise(60, asId(foreign), 0x10, nullptr, &connection), MAPI_E_UNKNOWN_ENTRYID);
    ASSERT_EQ(provider_->Advise(60, asId(alice), 0x10, reinterpret_cast<IMAPIAdviseSink*>(&connection), &connection),
              S_OK);
    EXPECT_EQ(connection, 42u);
    EXPECT_EQ(fake_->calls.back(), "Advise 40:" + hexOf(fake_->alice) + " sink");
    EXPECT_EQ(provider_->Unadvise(42), S_OK);
    EXPECT_EQ(fake_->calls.back(), "Unadvise 42");

    ULONG_PTR ui = 0;
    EXPECT_EQ(provider_->Details(&ui, nullptr, nullptr, 60, asId(foreign), nullptr, nullptr, nullptr, 0),
              MAPI_E_UNKNOWN_ENTRYID);
    ASSERT_EQ(provider_->Details(&ui, nullptr, nullptr, 60, asId(alice), nullptr, nullptr, nullptr, 0), S_OK);
    EXPECT_EQ(fake_->calls.back(), "Details 40:" + hexOf(fake_->alice));
}

TEST_F(Provider, NewEntryUnwrapsItsArgumentsAndWrapsTheNewIdentifier) {
    ASSERT_EQ(open(), S_OK);
    Bytes contacts = wrap(fake_->contacts), templ = wrap(fake_->mailUserTemplate), foreign = templ;
    foreign[5] ^= 1;
    ULONG cb = 0;
    Pdx<ENTRYID> made;
    ASSERT_EQ(provider_->NewEntry(0, 0, 60, asId(contacts), 60, asId(templ), &cb, made.out()), S_OK);
    EXPECT_EQ(fake_->calls.back(),
              "NewEntry 40:" + hexOf(fake_->contacts) + " 40:" + hexOf(fake_->mailUserTemplate));
    ASSERT_EQ(cb, 60u);
    const Bytes fresh = idBytes(cb, made.get());
    EXPECT_EQ(Bytes(fresh.begin(), fresh.begin() + 20), wrap({}));
    EXPECT_NE(fake_->entry(Bytes(fresh.begin() + 20, fresh.end())), nullptr) << "the component's new entry";

    EXPECT_EQ(provider_->NewEntry(0, 0, 60, asId(foreign), 60, asId(templ), &cb, made.out()), MAPI_E_UNKNOWN_ENTRYID);
    EXPECT_EQ(provider_->NewEntry(0, 0, 60, asId(contacts), 60, asId(foreign), &cb, made.out()),
              MAPI_E_UNKNOWN_ENTRYID);
    // No template and no window system for the record type dialog.
    EXPECT_EQ(provider_->NewEntry(0, 0, 60, asId(contacts), 0, nullptr, &cb, made.out()), MAPI_E_USER_CANCEL);
    EXPECT_EQ(std::count_if(fake_->calls.begin(), fake_->calls.end(),
                            [](const std::string& c) { return c.rfind("NewEntry", 0) == 0; }),
              1);
}

TEST_F(Provider, PropertyCallsAreForwardedWithProblemsCopied) {
    ASSERT_EQ(open(), S_OK);
    SPropValue v{};
    v.ulPropTag = PR_DISPLAY_NAME;
    v.Value.lpszA = const_cast<char*>("x");
    Pdx<SPropProblemArray> problems;
    EXPECT_EQ(provider_->SetProps(1, &v, problems.out()), MAPI_W_ERRORS_RETURNED);
    ASSERT_TRUE(problems);
    ASSERT_EQ(problems->cProblem, 1u);
    EXPECT_EQ(problems->aProblem[0].ulPropTag, PR_DISPLAY_NAME);
    EXPECT_EQ(provider_->SetProps(1, &v, nullptr), MAPI_W_ERRORS_RETURNED);
    EXPECT_EQ(provider_->SaveChanges(4), S_OK);
    EXPECT_EQ(fake_->calls.back(), "Book.SaveChanges 4");
    EXPECT_EQ(provider_->CopyTo(0, nullptr, nullptr, 0, nullptr, &IID_IMAPIProp, nullptr, 0, nullptr), S_OK);
    EXPECT_EQ(fake_->calls.back(), "Book.CopyTo");
    EXPECT_EQ(provider_->CreateOneOff(nullptr, nullptr, nullptr, 0, nullptr, nullptr), MAPI_E_NO_SUPPORT);
    EXPECT_EQ(provider_->ResolveName(0, 0, nullptr, nullptr), MAPI_E_NO_SUPPORT);
    EXPECT_EQ(provider_->RecipOptions(0, 0, nullptr), MAPI_E_NO_SUPPORT);
    EXPECT_EQ(provider_->QueryDefaultRecipOpt(nullptr, 0, nullptr, nullptr), MAPI_E_NO_SUPPORT);
    EXPECT_EQ(provider_->GetLastError(0, 0, nullptr), S_OK);

    void* iface = nullptr;
    EXPECT_EQ(provider_->QueryInterface(&IID_IMailUser, &iface), E_NOINTERFACE);
    ASSERT_EQ(provider_->QueryInterface(&IID_IMAPIProp, &iface), S_OK);
    EXPECT_EQ(iface, provider_);
    provider_->Release();

    IUnknown* table = nullptr;
    EXPECT_EQ(provider_->OpenProperty(PR_CONTAINER_CONTENTS, &IID_IMAPIProp, 0, 0, &table), E_NOINTERFACE);
    ASSERT_EQ(provider_->OpenProperty(PR_CONTAINER_CONTENTS, &IID_IMAPITable, 0, 0, &table), S_OK);
    ULONG count = 0;
    EXPECT_EQ(reinterpret_cast<IMAPITable*>(table)->GetRowCount(0, &count), S_OK);
    EXPECT_EQ(count, 1u);
    table->Release();
}

TEST_F(Provider, AddressAndPrepareRecipsGiveTheComponentItsOwnMemory) {
    ASSERT_EQ(open(), S_OK);
    auto list = [] {
        ADRLIST* l = nullptr;
        pdxAllocate(ULONG(cbAdrList(1)), reinterpret_cast<void**>(&l));
        l->cEntries = 1;
        SPropValue* v = nullptr;
        pdxAllocate(sizeof(SPropValue) + 6, reinterpret_cast<void**>(&v));
        v->ulPropTag = PR_DISPLAY_NAME;
        v->Value.lpszA = reinterpret_cast<char*>(v + 1);
        std::memcpy(v->Value.lpszA, "Alice", 6);
        l->aEntries[0] = {0, 1, v};
        return l;
    };
    // PrepareRecips resolves the entry in place: the caller's old values are freed.
    ADRLIST* prepared = list();
    ASSERT_EQ(provider_->PrepareRecips(0, nullptr, prepared), S_OK);
    ASSERT_EQ(prepared->aEntries[0].cValues, 3u);
    EXPECT_EQ(bin(prepared->aEntries[0].rgPropVals[1]), wrap(fake_->alice));
    EXPECT_EQ(pdxHeap().liveRoots(), 2u);
    freePdxList(prepared);

    // Address hands back a list of its own, which replaces the caller's.
    ADRLIST* chosen = list();
    ULONG_PTR ui = 0;
    ASSERT_EQ(provider_->Address(&ui, nullptr, &chosen), S_OK);
    ASSERT_EQ(chosen->cEntries, 1u);
    EXPECT_STREQ(chosen->aEntries[0].rgPropVals[0].Value.lpszA, "Bob");
    EXPECT_EQ(bin(chosen->aEntries[0].rgPropVals[1]), wrap(fake_->bob));
    EXPECT_EQ(pdxHeap().liveRoots(), 2u);
    freePdxList(chosen);
}

TEST_F(Provider, TheProviderOutlivesItsProxies) {
    ASSERT_EQ(open(), S_OK);
    IABContainer* contacts = openContacts();
    EXPECT_EQ(provider_->Release(), 1u) << "the container holds the provider";
    provider_ = nullptr;
    ULONG n = 0;
    Pdx<SPropValue> v;
    const SPropTagArray name{1, {PR_DISPLAY_NAME}};
    ASSERT_EQ(contacts->GetProps(&name, 0, &n, v.out()), S_OK);
    EXPECT_STREQ(v[0].Value.lpszA, "Contacts");
    v.reset();
    EXPECT_EQ(contacts->Release(), 0u);
    EXPECT_EQ(fake_->liveObjects, 0);
}
