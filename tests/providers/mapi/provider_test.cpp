// The directory provider as vqcore drives it, over the scripted messaging
// subsystem: the logon flags, what a failed logon leaves behind, the root
// identifier's comparisons and refusals, and the UID scan. Every test ends
// with both memory domains empty, no MAPI object alive and MAPI uninitialised.

#include <gtest/gtest.h>

#include <cstring>

#include "fake_mapi.h"
#include "mapi_library.h"
#include "pdx/mapi.h"
#include "pdx_side.h"
#include "platform/module.h"
#include "provider_open.h"

using namespace pdx;
using namespace wabtest;

namespace {

const MAPIUID kUid = {{0x3C, 0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77, 0x88, 0x99, 0xAA, 0xBB, 0xCC, 0xDD, 0xEE, 0x01}};

class MapiProviderTest : public ::testing::Test {
protected:
    void SetUp() override {
        pdxHeap().clear();
        // Held for the whole test, so the scripted state outlives every provider.
        ASSERT_TRUE(fakeModule_.loadFile(std::string(VELMO_BIN_DIR) + "/fakemapi.so")) << fakeModule_.error();
        mapi_ = fakeModule_.function<FakeMapiFn>("fakeMapi")();
        wab_ = fakeModule_.function<FakeWabFn>("fakeWab")();
        mapi_->reset();
        wab_->reset();
        mapi::setLibraryName("fakemapi.so");
        section_.setUid(kUid);
        section_.strings[PR_DISPLAY_NAME] = "Company directory";
    }
    void TearDown() override {
        if (provider_) {
            EXPECT_EQ(provider_->Release(), 0u);
        }
        mapi::setLibraryName("MAPI32.DLL");
        EXPECT_EQ(mapi_->initialized, 0);
        EXPECT_EQ(mapi_->liveSessions, 0);
        EXPECT_EQ(wab_->liveObjects, 0);
        EXPECT_EQ(wab_->heap.liveRoots(), 0u);
        EXPECT_EQ(wab_->heap.foreignFrees(), 0u);
        EXPECT_EQ(pdxHeap().liveRoots(), 0u);
        EXPECT_EQ(pdxHeap().foreignFrees(), 0u);
        EXPECT_EQ(support_.refs, 1u);
    }
    HRESULT open(ULONG flags = 0) {
        return mapi::openProvider(nullptr, &support_, &section_, 0, flags, &pdxAllocate, &pdxAllocateMore, &pdxFree,
                                  &provider_);
    }
    Bytes rootId() {
        Bytes id(20, 0);
        std::memcpy(id.data() + 4, kUid.ab, 16);
        return id;
    }
    std::vector<std::string> mapiCalls() const { return mapi_->calls; }
    static ENTRYID* asId(Bytes& b) { return reinterpret_cast<ENTRYID*>(b.data()); }

    platform::Module fakeModule_;
    FakeMapi* mapi_ = nullptr;
    FakeWab* wab_ = nullptr;
    TestSupport support_;
    TestSection section_;
    IAddrBook* provider_ = nullptr;
};

} // namespace

TEST_F(MapiProviderTest, WithoutAStoredProfileTheDefaultIsUsed) {
    section_.strings[PR_FAX_AB_FILE_PATH] = "";
    ASSERT_EQ(open(), S_OK);
    const std::vector<std::string> expected = {"MAPIInitialize", "MAPILogonEx 0x00028062 -",
                                               "OpenAddressBook 0x00000001"};
    EXPECT_EQ(mapiCalls(), expected);
}

TEST_F(MapiProviderTest, AStoredProfileIsNamedExplicitly) {
    section_.strings[PR_FAX_AB_FILE_PATH] = "Company";
    ASSERT_EQ(open(), S_OK);
    ASSERT_GE(mapiCalls().size(), 2u);
    EXPECT_EQ(mapiCalls()[1], "MAPILogonEx 0x00028032 Company");
}

TEST_F(MapiProviderTest, AFailedLogonUninitialisesAndAFailedAddressBookLogsOff) {
    mapi_->logonResult = MAPI_E_LOGON_FAILED;
    EXPECT_EQ(open(), MAPI_E_LOGON_FAILED);
    EXPECT_EQ(provider_, nullptr);
    EXPECT_EQ(mapiCalls().back(), "MAPIUninitialize");

    mapi_->reset();
    mapi_->addressBookResult = MAPI_E_NO_SUPPORT;
    EXPECT_EQ(open(), MAPI_E_NO_SUPPORT);
    const std::vector<std::string> expected = {"MAPIInitialize", "MAPILogonEx 0x00028062 -",
                                               "OpenAddressBook 0x00000001", "Logoff", "Session.Release",
                                               "MAPIUninitialize"};
    EXPECT_EQ(mapiCalls(), expected);
}

TEST_F(MapiProviderTest, AnUnconfiguredServiceAsksOrFails) {
    section_.strings.erase(PR_DISPLAY_NAME);
    EXPECT_EQ(open(0x00080000), MAPI_E_UNCONFIGURED);
    // The dialog needs MAPI's profile administration; its failure is returned
    // with MAPI uninitialised again.
    EXPECT_EQ(open(), MAPI_E_NO_SUPPORT);
    const std::vector<std::string> expected = {"MAPIInitialize", "MAPIUninitialize"};
    EXPECT_EQ(mapiCalls(), expected);
}

TEST_F(MapiProviderTest, TheLastReleaseLogsOffAndUninitialises) {
    ASSERT_EQ(open(), S_OK);
    mapi_->calls.clear();
    EXPECT_EQ(provider_->Release(), 0u);
    provider_ = nullptr;
    const std::vector<std::string> expected = {"Logoff", "Session.Release", "MAPIUninitialize"};
    EXPECT_EQ(mapiCalls(), expected);
}

TEST_F(MapiProviderTest, TheRootComparesHereAndOtherIdentifiersGoToMapi) {
    ASSERT_EQ(open(), S_OK);
    Bytes root = rootId(), other = rootId(), alice = wab_->alice, bob = wab_->bob;
    ULONG same = 7;
    wab_->calls.clear();
    EXPECT_EQ(provider_->CompareEntryIDs(20, asId(root), 20, asId(other), 0, &same), S_OK);
    EXPECT_EQ(same, 1u);
    EXPECT_EQ(provider_->CompareEntryIDs(20, asId(root), ULONG(alice.size()), asId(alice), 0, &same), S_OK);
    EXPECT_EQ(same, 0u);
    EXPECT_EQ(provider_->CompareEntryIDs(ULONG(alice.size()), asId(alice), 20, asId(root), 0, &same), S_OK);
    EXPECT_EQ(same, 0u);
    EXPECT_FALSE(wab_->called("CompareEntryIDs")) << "the root is answered by the provider";
    EXPECT_EQ(provider_->CompareEntryIDs(0, nullptr, 20, asId(root), 0, &same), MAPI_E_UNKNOWN_ENTRYID);
    EXPECT_EQ(provider_->CompareEntryIDs(20, asId(root), 20, asId(other), 0, nullptr), E_INVALIDARG);

    EXPECT_EQ(provider_->CompareEntryIDs(ULONG(alice.size()), asId(alice), ULONG(bob.size()), asId(bob), 0, &same),
              S_OK);
    EXPECT_EQ(same, 0u);
    EXPECT_EQ(wab_->calls.back(), "CompareEntryIDs 40:" + hexOf(alice) + " 40:" + hexOf(bob)) << "unchanged";
}

TEST_F(MapiProviderTest, DefaultsRefuseTheRootAndPassOthersUnchanged) {
    ASSERT_EQ(open(), S_OK);
    Bytes root = rootId(), contacts = wab_->contacts;
    EXPECT_EQ(provider_->SetDefaultDir(20, asId(root)), E_INVALIDARG);
    EXPECT_EQ(provider_->SetPAB(0, nullptr), E_INVALIDARG);
    EXPECT_EQ(provider_->SetPAB(20, asId(root)), E_INVALIDARG);
    EXPECT_EQ(provider_->SetDefaultDir(ULONG(contacts.size()), asId(contacts)), S_OK);
    EXPECT_EQ(wab_->calls.back(), "SetDefaultDir 40:" + hexOf(contacts));

    // The root opens MAPI's root (no identifier), any other identifier goes as it is.
    ULONG type = 0;
    IUnknown* object = nullptr;
    ASSERT_EQ(provider_->OpenEntry(20, asId(root), nullptr, 0, &type, &object), S_OK);
    EXPECT_EQ(wab_->calls.back(), "OpenEntry -");
    object->Release();
    ASSERT_EQ(provider_->OpenEntry(ULONG(contacts.size()), asId(contacts), nullptr, 0, &type, &object), S_OK);
    EXPECT_EQ(wab_->calls.back(), "OpenEntry 40:" + hexOf(contacts));
    object->Release();
    ASSERT_EQ(provider_->OpenEntry(0, nullptr, nullptr, 0, &type, &object), S_OK) << "no identifier goes unchanged";
    EXPECT_EQ(wab_->calls.back(), "OpenEntry -");
    object->Release();
    EXPECT_EQ(provider_->SetDefaultDir(0, asId(contacts)), E_INVALIDARG) << "an empty identifier";
    ULONG same = 7;
    EXPECT_EQ(provider_->CompareEntryIDs(0, nullptr, ULONG(contacts.size()), asId(contacts), 0, &same),
              MAPI_E_UNKNOWN_ENTRYID);
}

TEST_F(MapiProviderTest, AContainerListedTwiceRegistersItsUidOnce) {
    wab_->hierarchy = {wab_->contacts, wab_->contacts};
    ASSERT_EQ(open(), S_OK);
    MAPIUID bookUid;
    std::memcpy(bookUid.ab, wab_->contacts.data() + 4, 16);
    ASSERT_EQ(support_.registered.size(), 2u) << "the provider's own UID and the container's";
    EXPECT_EQ(std::memcmp(support_.registered[0].ab, kUid.ab, 16), 0);
    EXPECT_EQ(std::memcmp(support_.registered[1].ab, bookUid.ab, 16), 0);
    EXPECT_TRUE(wab_->called("GetHierarchyTable root 0x00000001")) << "CONVENIENT_DEPTH";
    // Both listings were looked into: their contents read for one row each.
    EXPECT_EQ(std::count_if(wab_->calls.begin(), wab_->calls.end(),
                            [](const std::string& c) { return c.rfind("GetContentsTable", 0) == 0; }),
              2);
}

TEST_F(MapiProviderTest, AMissingSubsystemFailsTheOpen) {
    mapi::setLibraryName("nosuchmapi.so");
    EXPECT_EQ(open(), MAPI_E_NOT_FOUND);
}
