// PDX buffers, property nodes and the property operations.

#include <gtest/gtest.h>

#include <cstring>

#include "allocator.h"
#include "pdx/pdx.h"
#include "prop_list.h"
#include "prop_node.h"
#include "prop_ops.h"

using namespace pdx;
using namespace pdx::core;

namespace {

BufferHeader* header(void* data) {
    return reinterpret_cast<BufferHeader*>(static_cast<char*>(data) - sizeof(BufferHeader));
}

PropNode node(const SPropValue& v) {
    PropNode n;
    EXPECT_EQ(makeNode(v, n), S_OK);
    return n;
}

// Stores and reads back the way the registry does, then copies out.
SPropValue roundTrip(const SPropValue& v, void* parent) {
    PropNode stored = node(v);
    PropNode loaded;
    EXPECT_EQ(nodeFromBody(stored.body.data(), stored.body.size(), loaded), S_OK);
    SPropValue out{};
    EXPECT_EQ(copyNodeOut(loaded, out, parent), S_OK);
    return out;
}

} // namespace

TEST(Allocator, ZeroSizedBufferHasHeaderAndGuard) {
    void* p = nullptr;
    ASSERT_EQ(PDXAllocateBuffer(0, &p), S_OK);
    EXPECT_EQ(static_cast<uint8_t*>(p)[0], 0x7D);
    EXPECT_EQ(header(p)->marker, 0x7Bu);
    EXPECT_EQ(header(p)->size, 0u);
    EXPECT_EQ(reinterpret_cast<uintptr_t>(p) % alignof(std::max_align_t), 0u);
    EXPECT_EQ(PDXFreeBuffer(p), S_OK);
}

TEST(Allocator, ChainsNewestBehindRootAndRefusesChainedParents) {
    void* root = nullptr;
    ASSERT_EQ(PDXAllocateBuffer(8, &root), S_OK);
    void *a = nullptr, *b = nullptr;
    ASSERT_EQ(PDXAllocateMore(5, root, &a), S_OK);
    ASSERT_EQ(PDXAllocateMore(7, root, &b), S_OK);
    EXPECT_EQ(header(root)->next, header(b));
    EXPECT_EQ(header(b)->next, header(a));
    EXPECT_EQ(header(a)->next, nullptr);
    EXPECT_EQ(header(a)->previous, header(b));
    EXPECT_EQ(header(b)->previous, header(root));
    EXPECT_EQ(static_cast<uint8_t*>(a)[5], 0x7D);
    for (int i = 0; i < 5; ++i) EXPECT_EQ(static_cast<uint8_t*>(a)[i], 0);

    void* out = reinterpret_cast<void*>(1);
    EXPECT_EQ(PDXAllocateMore(4, a, &out), E_INVALIDARG);
    EXPECT_EQ(out, nullptr);
    EXPECT_EQ(PDXFreeBuffer(a), E_INVALIDARG); // frees nothing: the leak checker would see a double free
    EXPECT_EQ(PDXFreeBuffer(root), S_OK);       // frees all three
    EXPECT_EQ(PDXFreeBuffer(root), E_INVALIDARG);
}

TEST(Allocator, ForeignPointersAreRefusedWithoutBeingUsed) {
    // Looks like a root from the outside, but was never handed out.
    alignas(std::max_align_t) unsigned char fake[64] = {};
    BufferHeader h{0x7B, 8, nullptr, nullptr};
    std::memcpy(fake, &h, sizeof h);
    void* data = fake + sizeof(BufferHeader);
    void* out = nullptr;
    EXPECT_EQ(PDXFreeBuffer(data), E_INVALIDARG);
    EXPECT_EQ(PDXAllocateMore(4, data, &out), E_INVALIDARG);
    EXPECT_EQ(PDXFreeBuffer(nullptr), E_INVALIDARG);
    EXPECT_EQ(PDXFreeProws(reinterpret_cast<SRowSet*>(data)), E_INVALIDARG);
}

TEST(Allocator, BlocksNoCallerCouldHoldFailAtOnce) {
    void* root = reinterpret_cast<void*>(1);
    EXPECT_EQ(PDXAllocateBuffer(0xFFFFFFF0u, &root), E_OUTOFMEMORY);
    EXPECT_EQ(root, nullptr);
    ASSERT_EQ(PDXAllocateBuffer(8, &root), S_OK);
    void* more = reinterpret_cast<void*>(1);
    EXPECT_EQ(PDXAllocateMore(0x80000000u, root, &more), E_OUTOFMEMORY);
    EXPECT_EQ(more, nullptr);
    EXPECT_EQ(PDXFreeBuffer(root), S_OK);
}

TEST(Allocator, FreeProwsAndPadrlistTakeNullArrays) {
    SRowSet* rows = nullptr;
    ASSERT_EQ(allocRoot(cbRowSet(2), &rows), S_OK);
    rows->cRows = 2;
    ASSERT_EQ(allocRoot(sizeof(SPropValue), &rows->aRow[1].lpProps), S_OK);
    EXPECT_EQ(PDXFreeProws(rows), S_OK);

    ADRLIST* list = nullptr;
    ASSERT_EQ(allocRoot(cbAdrList(1), &list), S_OK);
    list->cEntries = 1;
    EXPECT_EQ(PDXFreePadrlist(list), S_OK);
    EXPECT_EQ(PDXFreeProws(nullptr), S_OK);
}

TEST(PropNode, SizesFollowTheStoredLayout) {
    PropNode n = node({PR_RESOURCE_FLAGS, 0, {.l = 2}});
    EXPECT_EQ(n.dataLength(), 0u);
    EXPECT_EQ(n.bodySize(), 32u);
    EXPECT_EQ(n.body.size(), 32u);
    EXPECT_EQ(n.word(16), 2u);

    char nine[] = "ninechars";
    n = node({PR_DISPLAY_NAME, 0, {.lpszA = nine}});
    EXPECT_EQ(n.dataLength(), 10u);
    EXPECT_EQ(n.bodySize(), 40u);
    EXPECT_EQ(n.tag(), PR_DISPLAY_NAME);
    EXPECT_EQ(std::memcmp(n.data(), "ninechars", 10), 0);

    SPropValue empty{PR_SERVICE_SUPPORT_FILES, 0, {}};
    n = node(empty);
    EXPECT_EQ(n.dataLength(), 0u);
    EXPECT_EQ(n.bodySize(), 32u);

    // Multi-valued strings: 4-byte slots, then the strings back to back.
    char a[] = "ab", b[] = "";
    char* strings[] = {a, b};
    SPropValue mv{PR_SERVICE_SUPPORT_FILES, 0, {}};
    mv.Value.MVszA = {2, strings};
    n = node(mv);
    EXPECT_EQ(n.dataLength(), 8u + 3 + 1);
    EXPECT_EQ(n.bodySize(), 24u + 16);
    EXPECT_EQ(n.word(16), 2u);
    EXPECT_EQ(n.word(20), 0u);

    // Binary: count in the value slot, no pointer stored.
    uint8_t bytes[3] = {1, 2, 3};
    SPropValue bin{PR_SERVICE_UID, 0x55, {}};
    bin.Value.bin = {3, bytes};
    n = node(bin);
    EXPECT_EQ(n.word(12), 0x55u);
    EXPECT_EQ(n.word(16), 3u);
    EXPECT_EQ(n.word(20), 0u);

    PropNode refused;
    EXPECT_EQ(makeNode({PROP_TAG(MV_FLAG | PT_BOOLEAN, 0x6000), 0, {}}, refused), MAPI_E_NO_SUPPORT);
    EXPECT_EQ(makeNode({PR_DISPLAY_NAME, 0, {}}, refused), E_INVALIDARG); // null string
}

TEST(PropNode, EveryMultiValuedTypeSurvivesStorage) {
    void* root = nullptr;
    ASSERT_EQ(PDXAllocateBuffer(0, &root), S_OK);

    char s1[] = "first", s2[] = "second";
    char* strings[] = {s1, s2};
    SPropValue v{PROP_TAG(PT_MV_STRING8, 0x6001), 0, {}};
    v.Value.MVszA = {2, strings};
    SPropValue out = roundTrip(v, root);
    ASSERT_EQ(out.Value.MVszA.cValues, 2u);
    EXPECT_STREQ(out.Value.MVszA.lppszA[0], "first");
    EXPECT_STREQ(out.Value.MVszA.lppszA[1], "second");

    char16_t w1[] = u"\u901a\u8a0a", w2[] = u"x";
    char16_t* wides[] = {w1, w2};
    v = {PROP_TAG(PT_MV_UNICODE, 0x6002), 0, {}};
    v.Value.MVszW = {2, wides};
    out = roundTrip(v, root);
    ASSERT_EQ(out.Value.MVszW.cValues, 2u);
    EXPECT_EQ(std::u16string(out.Value.MVszW.lppszW[0]), u"\u901a\u8a0a");
    EXPECT_EQ(std::u16string(out.Value.MVszW.lppszW[1]), u"x");

    uint8_t b1[] = {9, 8, 7}, b2[] = {6};
    SBinary bins[] = {{3, b1}, {0, nullptr}, {1, b2}};
    v = {PR_AB_SEARCH_PATH, 0, {}};
    v.Value.MVbin = {3, bins};
    out = roundTrip(v, root);
    ASSERT_EQ(out.Value.MVbin.cValues, 3u);
    EXPECT_EQ(out.Value.MVbin.lpbin[0].cb, 3u);
    EXPECT_EQ(std::memcmp(out.Value.MVbin.lpbin[0].lpb, b1, 3), 0);
    EXPECT_EQ(out.Value.MVbin.lpbin[1].cb, 0u);
    EXPECT_EQ(out.Value.MVbin.lpbin[2].lpb[0], 6);

    LONG longs[] = {1, -2, 3};
    v = {PROP_TAG(PT_MV_LONG, 0x6003), 0, {}};
    v.Value.MVl = {3, longs};
    out = roundTrip(v, root);
    ASSERT_EQ(out.Value.MVl.cValues, 3u);
    EXPECT_EQ(out.Value.MVl.lpl[1], -2);

    int16_t shorts[] = {5, 6};
    v = {PROP_TAG(PT_MV_I2, 0x6004), 0, {}};
    v.Value.MVi = {2, shorts};
    out = roundTrip(v, root);
    EXPECT_EQ(out.Value.MVi.lpi[1], 6);

    double doubles[] = {1.5, 2.5};
    v = {PROP_TAG(PT_MV_DOUBLE, 0x6005), 0, {}};
    v.Value.MVdbl = {2, doubles};
    out = roundTrip(v, root);
    EXPECT_EQ(out.Value.MVdbl.lpdbl[1], 2.5);

    GUID guids[] = {PDX_GUID, IID_IMAPITable};
    v = {PROP_TAG(PT_MV_CLSID, 0x6006), 0, {}};
    v.Value.MVguid = {2, guids};
    out = roundTrip(v, root);
    EXPECT_TRUE(out.Value.MVguid.lpguid[1] == IID_IMAPITable);

    GUID one = PDX_GUID;
    v = {PROP_TAG(PT_CLSID, 0x6007), 0, {.lpguid = &one}};
    out = roundTrip(v, root);
    EXPECT_TRUE(*out.Value.lpguid == PDX_GUID);

    v = {PROP_TAG(PT_I8, 0x6008), 0, {.li = -1234567890123LL}};
    out = roundTrip(v, root);
    EXPECT_EQ(out.Value.li, -1234567890123LL);

    // Without a parent the copy is a root of its own.
    char name[] = "alone";
    v = {PR_DISPLAY_NAME, 0, {.lpszA = name}};
    out = roundTrip(v, nullptr);
    EXPECT_STREQ(out.Value.lpszA, "alone");
    EXPECT_EQ(PDXFreeBuffer(out.Value.lpszA), S_OK);
    EXPECT_EQ(PDXFreeBuffer(root), S_OK);
}

TEST(PropNode, DamagedStoredBodiesAreRefused) {
    char text[] = "abc";
    PropNode good = node({PR_DISPLAY_NAME, 0, {.lpszA = text}});
    PropNode out;
    std::vector<uint8_t> body = good.body;
    body[4] = 200; // data length beyond the value
    EXPECT_EQ(nodeFromBody(body.data(), body.size(), out), E_FAIL);
    body = good.body;
    body[24 + 3] = 'x'; // string without its terminator
    EXPECT_EQ(nodeFromBody(body.data(), body.size(), out), E_FAIL);
    EXPECT_EQ(nodeFromBody(body.data(), 10, out), E_FAIL);

    uint8_t bytes[4] = {1, 2, 3, 4};
    SBinary bins[] = {{4, bytes}};
    SPropValue mv{PR_AB_SEARCH_PATH, 0, {}};
    mv.Value.MVbin = {1, bins};
    body = node(mv).body;
    body[24] = 100; // a slot claiming more bytes than stored
    EXPECT_EQ(nodeFromBody(body.data(), body.size(), out), E_FAIL);

    // A body must hold exactly the value it copies out to: no terminator
    // inside a string, no data behind a value that lives in its slot.
    body = good.body;
    body[24 + 1] = 0; // "a\0c\0"
    EXPECT_EQ(nodeFromBody(body.data(), body.size(), out), E_FAIL);
    const char16_t wide[] = u"ab";
    body = node({PROP_TAG(PT_UNICODE, 0x3001), 0, {.lpszW = const_cast<char16_t*>(wide)}}).body;
    body[24] = body[25] = 0;
    EXPECT_EQ(nodeFromBody(body.data(), body.size(), out), E_FAIL);
    body = node({PR_RESOURCE_FLAGS, 0, {.l = 2}}).body;
    body[4] = 4; // four data bytes for a PT_LONG
    EXPECT_EQ(nodeFromBody(body.data(), body.size(), out), E_FAIL);
}

TEST(PropNode, CompareIsExactAndTyped) {
    char stored[] = "Velmo", upper[] = "VELMO", same[] = "Velmo";
    PropNode n = node({PR_DISPLAY_NAME, 0, {.lpszA = stored}});
    EXPECT_EQ(compareNode(n, {PR_DISPLAY_NAME, 0, {.lpszA = same}}), S_OK);
    EXPECT_EQ(compareNode(n, {PR_DISPLAY_NAME, 0, {.lpszA = upper}}), MAPI_E_NOT_FOUND);
    EXPECT_EQ(compareNode(n, {PROP_TAG(PT_LONG, 0x3001), 0, {.l = 0}}), MAPI_E_NOT_FOUND);

    SPropValue emptyBin{PR_SERVICE_UID, 0, {}};
    EXPECT_EQ(compareNode(node(emptyBin), emptyBin), S_OK);

    PropNode b = node({PROP_TAG(PT_BOOLEAN, 0x6000), 0, {.b = 1}});
    EXPECT_EQ(compareNode(b, {PROP_TAG(PT_BOOLEAN, 0x6000), 0, {.b = 1}}), S_OK);
    EXPECT_EQ(compareNode(b, {PROP_TAG(PT_BOOLEAN, 0x6000), 0, {.b = 2}}), MAPI_E_NOT_FOUND);
    PropNode t = node({PROP_TAG(PT_SYSTIME, 0x6001), 0, {.ft = 5}});
    EXPECT_EQ(compareNode(t, {PROP_TAG(PT_SYSTIME, 0x6001), 0, {.ft = 5}}), MAPI_E_NO_SUPPORT);
}

TEST(PropList, ReplacesByIdentifierKeepingFlags) {
    PropList list;
    char a[] = "a", b[] = "b";
    list.set({PR_DISPLAY_NAME, 0, {.lpszA = a}});
    list.set({PR_RESOURCE_FLAGS, 0, {.l = 1}});
    list.clearChanged();
    list.nodes()[0].flags |= kNodeReadOnly;
    // Same identifier, different type: still replaces in place.
    list.set({PROP_TAG(PT_LONG, 0x3001), 0, {.l = 7}});
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list.nodes()[0].tag(), PROP_TAG(PT_LONG, 0x3001));
    EXPECT_EQ(list.nodes()[0].flags, kNodeReadOnly | kNodeChanged);
    EXPECT_EQ(list.nodes()[1].flags, 0u);
    list.set({PR_SERVICE_NAME, 0, {.lpszA = b}});
    EXPECT_EQ(list.nodes()[2].flags, kNodeChanged);
    EXPECT_NE(list.find(PROP_TAG(PT_UNSPECIFIED, 0x3001)), nullptr);
    EXPECT_EQ(list.find(PR_DISPLAY_NAME), nullptr);
}

TEST(PropOps, TagArraysAndHex) {
    struct { ULONG c; ULONG t[4]; } tags = {4, {PR_DISPLAY_NAME, PR_SERVICE_UID, PR_RESOURCE_FLAGS, PR_AB_SEARCH_PATH}};
    struct { ULONG c; ULONG t[1]; } exclude = {1, {PROP_TAG(PT_UNSPECIFIED, 0x3009)}};
    auto* all = reinterpret_cast<SPropTagArray*>(&tags);
    Buffer<SPropTagArray> out;
    ASSERT_EQ(filterTags(all, reinterpret_cast<SPropTagArray*>(&exclude), out.out()), S_OK);
    ASSERT_EQ(out->cValues, 3u);
    EXPECT_EQ(out->aulPropTag[2], PR_AB_SEARCH_PATH);

    ASSERT_EQ(writableTags(all, out.out()), S_OK);
    ASSERT_EQ(out->cValues, 2u);
    EXPECT_EQ(out->aulPropTag[1], PR_RESOURCE_FLAGS);
    struct { ULONG c; ULONG t[2]; } binaries = {2, {PR_SERVICE_UID, PR_CONTAINER_HIERARCHY}};
    EXPECT_EQ(writableTags(reinterpret_cast<SPropTagArray*>(&binaries), out.out()), MAPI_E_NOT_FOUND);

    std::string hex;
    const uint8_t bytes[] = {0x00, 0xAB, 0x7F};
    EXPECT_EQ(binaryToHex(bytes, 3, hex), S_OK);
    EXPECT_EQ(hex, "00ab7f");
    uint8_t many[33] = {};
    EXPECT_EQ(binaryToHex(many, 32, hex), S_OK);
    EXPECT_EQ(binaryToHex(many, 33, hex), MAPI_E_STRING_TOO_LONG);

    SPropValue missing = missingColumn(PR_DISPLAY_NAME);
    EXPECT_EQ(missing.ulPropTag, 0x3001000Au);
    EXPECT_EQ(missing.Value.err, MAPI_E_NOT_FOUND);
    EXPECT_EQ(missingColumn(PR_NULL).ulPropTag, PR_NULL);
}

TEST(Status, NamesAreMapiNames) {
    EXPECT_STREQ(statusName(MAPI_E_COLLISION), "MAPI_E_COLLISION");
    EXPECT_STREQ(statusName(E_INVALIDARG), "E_INVALIDARG");
    EXPECT_EQ(statusName(hr(0x80049999)), nullptr);
    // Codes the providers return, by their MAPI values.
    EXPECT_STREQ(statusName(hr(0x00040680)), "MAPI_W_PARTIAL_COMPLETION");
    EXPECT_STREQ(statusName(hr(0x8004011C)), "MAPI_E_UNCONFIGURED");
    EXPECT_STREQ(statusName(hr(0x80040116)), "MAPI_E_DISK_ERROR");
    EXPECT_STREQ(statusName(hr(0x8004010D)), "MAPI_E_NOT_ENOUGH_DISK");
    EXPECT_STREQ(statusName(hr(0x80040302)), "MAPI_E_INVALID_TYPE");
    EXPECT_STREQ(statusName(hr(0x80040400)), "MAPI_E_UNABLE_TO_COMPLETE");
}

TEST(Status, InterfaceIdentifiersAreMapis) {
    EXPECT_EQ(IID_IMAPITableData, mapiGuid(0x00020316));
    EXPECT_EQ(IID_IMAPIAdviseSink, mapiGuid(0x00020302));
}
