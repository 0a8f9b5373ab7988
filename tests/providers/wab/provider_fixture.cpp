#include "provider_fixture.h"

#include <cstring>

#include "platform/registry.h"
#include "test_environment.h"

namespace wabtest {

using namespace pdx;

void freePdxRows(SRowSet* rows) {
    if (!rows) return;
    for (ULONG i = 0; i < rows->cRows; ++i) pdxFree(rows->aRow[i].lpProps);
    pdxFree(rows);
}

void freePdxList(ADRLIST* list) {
    if (!list) return;
    for (ULONG i = 0; i < list->cEntries; ++i) pdxFree(list->aEntries[i].rgPropVals);
    pdxFree(list);
}

Bytes wrap(const Bytes& inner) {
    Bytes id(20, 0);
    std::memcpy(id.data() + 4, kUid.ab, 16);
    id.insert(id.end(), inner.begin(), inner.end());
    return id;
}

Bytes idBytes(ULONG cb, const void* id) {
    return id ? Bytes(static_cast<const BYTE*>(id), static_cast<const BYTE*>(id) + cb) : Bytes();
}

Bytes bin(const SPropValue& v) { return idBytes(v.Value.bin.cb, v.Value.bin.lpb); }

void ProviderFixture::SetUp() {
    velmo::test::freshRegistry();
    pdxHeap().clear();
    ASSERT_TRUE(plugin_.loadFile(std::string(VELMO_BIN_DIR) + "/vqwabsp.so")) << plugin_.error();
    abOpen_ = plugin_.function<ABProviderOpenFn>("ABProviderOpen");
    serviceEntry_ = plugin_.function<ServiceEntryFn>("WABServiceEntry");
    ASSERT_TRUE(abOpen_ && serviceEntry_);
    useFake("fakewab6.so");
    section_.strings[PR_DISPLAY_NAME] = "Contacts on disk";
    section_.setUid(kUid);
}

void ProviderFixture::useComponent(const std::string& fileName) {
    platform::RegKey key;
    ASSERT_EQ(platform::RegKey::create(platform::RegRoot::LocalMachine, "Software\\Microsoft\\WAB\\DLLPath", key),
              platform::kRegOk);
    if (fileName.empty()) key.deleteValue("");
    else key.setString("", std::string(VELMO_BIN_DIR) + "/" + fileName);
}

void ProviderFixture::useFake(const std::string& fileName) {
    ASSERT_TRUE(component_.loadFile(std::string(VELMO_BIN_DIR) + "/" + fileName)) << component_.error();
    auto world = component_.function<FakeWabFn>("fakeWab");
    ASSERT_NE(world, nullptr);
    fake_ = world();
    fake_->reset();
    useComponent(fileName);
}

HRESULT ProviderFixture::open(ULONG flags) {
    return abOpen_(nullptr, &support_, &section_, 0, flags, &pdxAllocate, &pdxAllocateMore, &pdxFree, &provider_);
}

void ProviderFixture::TearDown() {
    if (provider_) EXPECT_EQ(provider_->Release(), 0u) << "the test kept a proxy alive";
    provider_ = nullptr;
    EXPECT_EQ(support_.refs, 1u) << "the support object's reference was not given back";
    EXPECT_EQ(section_.refs, 1u);
    EXPECT_EQ(pdxHeap().foreignFrees(), 0u) << "a buffer was freed in the PDX domain that was not PDX memory";
    EXPECT_EQ(pdxHeap().badParents(), 0u);
    EXPECT_EQ(pdxHeap().liveRoots(), 0u) << "PDX memory left behind";
    if (fake_) {
        EXPECT_EQ(fake_->liveObjects, 0) << "a component object was not released";
        EXPECT_EQ(fake_->heap.foreignFrees(), 0u) << "the component was given memory that is not its own";
        EXPECT_EQ(fake_->heap.badParents(), 0u);
        EXPECT_EQ(fake_->heap.liveRoots(), 0u) << "component memory left behind";
        for (const auto& call : fake_->calls) EXPECT_EQ(call.find("foreign"), std::string::npos) << call;
    }
    component_.unload();
    plugin_.unload();
}

IUnknown* ProviderFixture::openEntry(const Bytes& id, ULONG* type) {
    Bytes copy = id;
    ULONG t = 0;
    IUnknown* object = nullptr;
    const HRESULT h = provider_->OpenEntry(ULONG(copy.size()), asId(copy), nullptr, 0, &t, &object);
    EXPECT_EQ(h, S_OK);
    if (type) *type = t;
    return object;
}

IABContainer* ProviderFixture::openContacts() {
    ULONG type = 0;
    auto* c = reinterpret_cast<IABContainer*>(openEntry(wrap(fake_->contacts), &type));
    EXPECT_EQ(type, 4u);
    return c;
}

IDistList* ProviderFixture::openTeam() {
    ULONG type = 0;
    auto* l = reinterpret_cast<IDistList*>(openEntry(wrap(fake_->team), &type));
    EXPECT_EQ(type, 8u);
    return l;
}

} // namespace wabtest
