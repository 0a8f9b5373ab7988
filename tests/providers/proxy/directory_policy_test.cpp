// The proxy layer under the directory provider's policy: identifiers pass
// unchanged, values are only copied, lists are plain containers, and copies
// between two proxies go straight to the component.

#include <gtest/gtest.h>

#include <cstring>

#include "fake_wab.h"
#include "pdx_side.h"
#include "platform/module.h"
#include "provider.h"

using namespace pdx;
using namespace pdx::proxy;
using namespace wabtest;

namespace {

const MAPIUID kUid = {{0xD1, 0xD2, 0xD3, 0xD4, 0xD5, 0xD6, 0xD7, 0xD8, 0xD9, 0xDA, 0xDB, 0xDC, 0xDD, 0xDE, 0xDF, 0xE0}};

class ComponentMemory final : public Allocator {
public:
    explicit ComponentMemory(IWABObject* wab) : wab_(wab) {}
    HRESULT allocate(ULONG cb, void** out) const override { return wab_->AllocateBuffer(cb, out); }
    HRESULT allocateMore(ULONG cb, void* parent, void** out) const override { return wab_->AllocateMore(cb, parent, out); }
    HRESULT free(void* p) const override { return wab_->FreeBuffer(p); }

private:
    IWABObject* wab_;
};

class DirectoryPolicy final : public ComponentPolicy {
public:
    explicit DirectoryPolicy(IWABObject* wab) : wab_(wab), memory_(wab), ids_(kUid) {}
    ~DirectoryPolicy() override { wab_->Release(); }
    const Allocator& componentMemory() const override { return memory_; }
    const IdentifierRule& ids() const override { return ids_; }
    bool convertsValues() const override { return false; }
    bool exposesWrappedObjects() const override { return true; }
    HRESULT chooseRecordType(ULONG_PTR, ULONG* tag) override {
        *tag = 0;
        return S_OK;
    }

private:
    IWABObject* wab_;
    ComponentMemory memory_;
    PassThroughIds ids_;
};

class DirectoryPolicyTest : public ::testing::Test {
protected:
    void SetUp() override {
        pdxHeap().clear();
        ASSERT_TRUE(component_.loadFile(std::string(VELMO_BIN_DIR) + "/fakewab6.so")) << component_.error();
        fake_ = component_.function<FakeWabFn>("fakeWab")();
        fake_->reset();
        auto wabOpen = component_.function<WABOpenFn>("WABOpen");
        WAB_PARAM params{sizeof(WAB_PARAM), 0, nullptr, 0, {}};
        IAddrBook* book = nullptr;
        IWABObject* wab = nullptr;
        ASSERT_EQ(wabOpen(&book, &wab, &params, 0), S_OK);
        provider_ = Provider::create(nullptr);
        provider_->setPdxMemory(&pdxAllocate, &pdxAllocateMore, &pdxFree);
        provider_->open(std::make_unique<DirectoryPolicy>(wab), book, &support_, "Directory", kUid);
    }
    void TearDown() override {
        EXPECT_EQ(provider_->Release(), 0u);
        EXPECT_EQ(support_.refs, 1u);
        EXPECT_EQ(fake_->liveObjects, 0);
        EXPECT_EQ(fake_->heap.liveRoots(), 0u);
        EXPECT_EQ(fake_->heap.foreignFrees(), 0u);
        EXPECT_EQ(pdxHeap().liveRoots(), 0u);
        EXPECT_EQ(pdxHeap().foreignFrees(), 0u);
    }
    template <class T> T* open(Bytes id) {
        ULONG type = 0;
        IUnknown* object = nullptr;
        EXPECT_EQ(provider_->OpenEntry(ULONG(id.size()), reinterpret_cast<ENTRYID*>(id.data()), nullptr, 0, &type,
                                       &object),
                  S_OK);
        return reinterpret_cast<T*>(object);
    }

    platform::Module component_;
    FakeWab* fake_ = nullptr;
    TestSupport support_;
    Provider* provider_ = nullptr;
};

Bytes bytesOf(const SBinary& b) { return Bytes(b.lpb, b.lpb + b.cb); }

} // namespace

TEST_F(DirectoryPolicyTest, IdentifiersAndValuesPassUnchanged) {
    const SPropTagArray entry{1, {PR_ENTRYID}};
    ULONG n = 0;
    SPropValue* v = nullptr;
    ASSERT_EQ(provider_->GetProps(&entry, 0, &n, &v), S_OK);
    Bytes root = bytesOf(v[0].Value.bin);
    pdxFree(v);
    ASSERT_EQ(root.size(), 20u) << "four zero bytes and the UID";
    auto* top = open<IABContainer>(root);
    EXPECT_EQ(fake_->calls.back(), "OpenEntry -");
    top->Release();

    auto* contacts = open<IABContainer>(fake_->contacts);
    EXPECT_EQ(fake_->calls.back(), "OpenEntry 40:" + hexOf(fake_->contacts));
    struct {
        ULONG c;
        ULONG t[3];
    } tags = {3, {PR_ENTRYID, PR_CONTAINER_FLAGS, PR_DEF_CREATE_DL}};
    ASSERT_EQ(contacts->GetProps(reinterpret_cast<SPropTagArray*>(&tags), 0, &n, &v), S_OK);
    EXPECT_EQ(bytesOf(v[0].Value.bin), fake_->contacts);
    EXPECT_EQ(v[1].Value.ul, 0x4u);
    EXPECT_EQ(bytesOf(v[2].Value.bin), fake_->listTemplate);
    pdxFree(v);
    IMAPITable* table = nullptr;
    ASSERT_EQ(contacts->GetContentsTable(0x40, &table), S_OK);
    EXPECT_TRUE(fake_->called("GetContentsTable " + hexOf(fake_->contacts).substr(0, 8) + " 0x00000040"));
    table->Release();
    contacts->Release();
}

TEST_F(DirectoryPolicyTest, CopiesBetweenProxiesGoToTheComponent) {
    auto* contacts = open<IABContainer>(fake_->contacts);
    auto* team = open<IDistList>(fake_->team);
    IUnknown* inner = nullptr;
    ASSERT_EQ(contacts->QueryInterface(&kWrappedObjectIid, reinterpret_cast<void**>(&inner)), S_OK);
    EXPECT_NE(inner, static_cast<IUnknown*>(contacts)) << "the component's own object";
    inner->Release();

    EXPECT_EQ(contacts->CopyTo(0, nullptr, nullptr, 0, nullptr, &IID_IDistList, team, 0, nullptr), S_OK);
    EXPECT_EQ(team->CopyProps(nullptr, 0, nullptr, &IID_IABContainer, contacts, 0, nullptr), S_OK);
    EXPECT_TRUE(fake_->called("CopyTo " + hexOf(fake_->contacts).substr(0, 8)));
    EXPECT_TRUE(fake_->called("CopyProps " + hexOf(fake_->team).substr(0, 8)));
    EXPECT_TRUE(support_.copies.empty());
    // A destination that is not one of ours goes through the support object.
    EXPECT_EQ(contacts->CopyTo(0, nullptr, nullptr, 0, nullptr, &IID_IMAPIProp, &support_, 0, nullptr), S_OK);
    EXPECT_EQ(support_.copies.size(), 1u);

    // A list is a plain container here: members are created in it directly.
    IMAPIProp* member = nullptr;
    ASSERT_EQ(team->CreateEntry(40, reinterpret_cast<ENTRYID*>(fake_->bob.data()), 0, &member), S_OK);
    EXPECT_EQ(fake_->calls.back(), "CreateEntry " + hexOf(fake_->team).substr(0, 8) + " 40:" + hexOf(fake_->bob));
    EXPECT_FALSE(fake_->called("GetPAB"));
    member->Release();
    team->Release();
    contacts->Release();
}
