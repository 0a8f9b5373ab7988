// Values, rows, lists and identifiers crossing between two memory domains.

#include <gtest/gtest.h>

#include <cstring>

#include "convert.h"
#include "entry_ids.h"
#include "pdx/pdx.h"
#include "tracked_heap.h"

using namespace pdx;
using namespace pdx::proxy;
using wabtest::TrackedHeap;

namespace {

// A heap seen through the proxy layer's allocator interface.
class HeapAllocator final : public Allocator {
public:
    explicit HeapAllocator(TrackedHeap& heap) : heap_(heap) {}
    HRESULT allocate(ULONG cb, void** out) const override { return heap_.allocate(cb, out); }
    HRESULT allocateMore(ULONG cb, void* parent, void** out) const override {
        return heap_.allocateMore(cb, parent, out);
    }
    HRESULT free(void* p) const override { return heap_.free(p); }

private:
    TrackedHeap& heap_;
};

const MAPIUID kUid = {{0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77, 0x88, 0x99, 0xAA, 0xBB, 0xCC, 0xDD, 0xEE, 0xF0, 0x01}};

std::vector<BYTE> componentId(BYTE first) {
    std::vector<BYTE> id(40);
    for (size_t i = 0; i < id.size(); ++i) id[i] = BYTE(first + i);
    return id;
}

std::vector<BYTE> wrapped(const std::vector<BYTE>& inner) {
    std::vector<BYTE> id(20, 0);
    std::memcpy(id.data() + 4, kUid.ab, 16);
    id.insert(id.end(), inner.begin(), inner.end());
    return id;
}

std::vector<BYTE> bytes(const SBinary& b) { return std::vector<BYTE>(b.lpb, b.lpb + b.cb); }

class Conversions : public ::testing::Test {
protected:
    TrackedHeap componentHeap, pdxHeap;
    HeapAllocator component{componentHeap}, pdxMemory{pdxHeap};
    WrappedIds ids{kUid};
    Conversion toCaller{pdxMemory, &ids, Conversion::ToCaller};
    Conversion inward{component, &ids, Conversion::Inward};
    Conversion plain{pdxMemory, nullptr, Conversion::ToCaller};

    template <class T> T* more(size_t n, void* root) {
        void* p = nullptr;
        componentHeap.allocateMore(ULONG(n), root, &p);
        return static_cast<T*>(p);
    }
    SPropValue* values(ULONG n) {
        void* p = nullptr;
        componentHeap.allocate(ULONG(sizeof(SPropValue) * n), &p);
        std::memset(p, 0, sizeof(SPropValue) * n);
        return static_cast<SPropValue*>(p);
    }
    void binary(SPropValue& v, ULONG tag, const std::vector<BYTE>& b, void* root) {
        v.ulPropTag = tag;
        v.Value.bin.cb = ULONG(b.size());
        v.Value.bin.lpb = more<BYTE>(b.size(), root);
        std::memcpy(v.Value.bin.lpb, b.data(), b.size());
    }
    void TearDown() override {
        EXPECT_EQ(componentHeap.foreignFrees(), 0u);
        EXPECT_EQ(pdxHeap.foreignFrees(), 0u);
        EXPECT_EQ(pdxHeap.badParents(), 0u);
    }
};

} // namespace

TEST_F(Conversions, EveryTypeIsCopiedDeeplyIntoOneRootOfTheTargetDomain) {
    const ULONG n = 13;
    SPropValue* src = values(n);
    src[0].ulPropTag = PR_OBJECT_TYPE;
    src[0].Value.l = 6;
    src[1].ulPropTag = PROP_TAG(PT_I8, 0x6001);
    src[1].Value.li = -5;
    src[2].ulPropTag = PR_DISPLAY_NAME;
    src[2].Value.lpszA = more<char>(6, src);
    std::memcpy(src[2].Value.lpszA, "Alice", 6);
    src[3].ulPropTag = PROP_TAG(PT_UNICODE, 0x6002);
    src[3].Value.lpszW = more<WCHAR>(sizeof(u"Bob"), src);
    std::memcpy(src[3].Value.lpszW, u"Bob", sizeof(u"Bob"));
    src[4].ulPropTag = PROP_TAG(PT_CLSID, 0x6003);
    src[4].Value.lpguid = more<GUID>(sizeof(GUID), src);
    *src[4].Value.lpguid = IID_IDistList;
    binary(src[5], PROP_TAG(PT_BINARY, 0x300B), {1, 2, 3}, src);
    src[6].ulPropTag = PROP_TAG(PT_MV_LONG, 0x6004);
    src[6].Value.MVl.cValues = 3;
    src[6].Value.MVl.lpl = more<LONG>(3 * sizeof(LONG), src);
    for (LONG i = 0; i < 3; ++i) src[6].Value.MVl.lpl[i] = 10 * i;
    src[7].ulPropTag = PROP_TAG(PT_MV_STRING8, 0x6005);
    src[7].Value.MVszA.cValues = 2;
    src[7].Value.MVszA.lppszA = more<char*>(2 * sizeof(char*), src);
    for (int i = 0; i < 2; ++i) {
        src[7].Value.MVszA.lppszA[i] = more<char>(3, src);
        std::memcpy(src[7].Value.MVszA.lppszA[i], i ? "b2" : "a1", 3);
    }
    src[8].ulPropTag = PROP_TAG(PT_MV_UNICODE, 0x6006);
    src[8].Value.MVszW.cValues = 1;
    src[8].Value.MVszW.lppszW = more<WCHAR*>(sizeof(WCHAR*), src);
    src[8].Value.MVszW.lppszW[0] = more<WCHAR>(sizeof(u"w"), src);
    std::memcpy(src[8].Value.MVszW.lppszW[0], u"w", sizeof(u"w"));
    src[9].ulPropTag = PROP_TAG(PT_MV_BINARY, 0x6007);
    src[9].Value.MVbin.cValues = 2;
    src[9].Value.MVbin.lpbin = more<SBinary>(2 * sizeof(SBinary), src);
    for (int i = 0; i < 2; ++i) {
        src[9].Value.MVbin.lpbin[i].cb = 2;
        src[9].Value.MVbin.lpbin[i].lpb = more<BYTE>(2, src);
        src[9].Value.MVbin.lpbin[i].lpb[0] = BYTE(i);
        src[9].Value.MVbin.lpbin[i].lpb[1] = BYTE(i + 1);
    }
    src[10].ulPropTag = PROP_TAG(PT_MV_CLSID, 0x6008);
    src[10].Value.MVguid.cValues = 1;
    src[10].Value.MVguid.lpguid = more<GUID>(sizeof(GUID), src);
    src[10].Value.MVguid.lpguid[0] = IID_IMailUser;
    src[11].ulPropTag = CHANGE_PROP_TYPE(PR_EMAIL_ADDRESS, PT_ERROR);
    src[11].Value.err = MAPI_E_NOT_FOUND;
    src[12].ulPropTag = PROP_TAG(0x0033, 0x6009); // a type nobody knows
    src[12].Value.lpszA = reinterpret_cast<char*>(src);

    SPropValue* copy = nullptr;
    ASSERT_EQ(copyValues(plain, n, src, &copy), S_OK);
    // The source goes: nothing of the copy may point into it.
    componentHeap.free(src);
    ASSERT_EQ(componentHeap.liveRoots(), 0u);
    ASSERT_EQ(pdxHeap.liveRoots(), 1u);

    EXPECT_EQ(copy[0].Value.l, 6);
    EXPECT_EQ(copy[1].Value.li, -5);
    EXPECT_STREQ(copy[2].Value.lpszA, "Alice");
    EXPECT_EQ(std::u16string(copy[3].Value.lpszW), u"Bob");
    EXPECT_TRUE(*copy[4].Value.lpguid == IID_IDistList);
    EXPECT_EQ(bytes(copy[5].Value.bin), (std::vector<BYTE>{1, 2, 3}));
    ASSERT_EQ(copy[6].Value.MVl.cValues, 3u);
    EXPECT_EQ(copy[6].Value.MVl.lpl[2], 20);
    ASSERT_EQ(copy[7].Value.MVszA.cValues, 2u);
    EXPECT_STREQ(copy[7].Value.MVszA.lppszA[1], "b2");
    EXPECT_EQ(std::u16string(copy[8].Value.MVszW.lppszW[0]), u"w");
    EXPECT_EQ(bytes(copy[9].Value.MVbin.lpbin[1]), (std::vector<BYTE>{1, 2}));
    EXPECT_TRUE(copy[10].Value.MVguid.lpguid[0] == IID_IMailUser);
    EXPECT_EQ(copy[11].Value.err, MAPI_E_NOT_FOUND);
    // A value whose layout is unknown is never copied as a pointer.
    EXPECT_EQ(copy[12].ulPropTag, PROP_TAG(PT_ERROR, 0x6009));
    EXPECT_EQ(copy[12].Value.err, MAPI_E_INVALID_TYPE);
    pdxHeap.free(copy);
}

TEST_F(Conversions, IdentifiersAreWrappedToTheCallerAndUnwrappedInward) {
    const auto inner = componentId(0x40);
    SPropValue* src = values(6);
    binary(src[0], PR_ENTRYID, inner, src);
    binary(src[1], PR_DEF_CREATE_MAILUSER, componentId(0x50), src);
    binary(src[2], PR_DEF_CREATE_DL, componentId(0x60), src);
    binary(src[3], PROP_TAG(PT_BINARY, 0x300B), inner, src); // not an identifier
    src[4].ulPropTag = PR_CONTAINER_FLAGS;
    src[4].Value.ul = 0x4; // AB_MODIFIABLE
    binary(src[5], PR_ENTRYID, wrapped(inner), src); // already ours

    SPropValue* out = nullptr;
    ASSERT_EQ(copyValues(toCaller, 6, src, &out), S_OK);
    componentHeap.free(src);
    ASSERT_EQ(out[0].Value.bin.cb, 60u);
    EXPECT_EQ(bytes(out[0].Value.bin), wrapped(inner));
    EXPECT_EQ(bytes(out[1].Value.bin), wrapped(componentId(0x50)));
    EXPECT_EQ(bytes(out[2].Value.bin), wrapped(componentId(0x60)));
    EXPECT_EQ(bytes(out[3].Value.bin), inner);
    EXPECT_EQ(out[4].Value.ul, 0x5u) << "a modifiable container holds recipients";
    EXPECT_EQ(bytes(out[5].Value.bin), wrapped(inner)) << "wrapped once only";

    // Back in, the same 40 bytes the component gave.
    SPropValue* back = nullptr;
    ASSERT_EQ(copyValues(inward, 6, out, &back), S_OK);
    pdxHeap.free(out);
    EXPECT_EQ(bytes(back[0].Value.bin), inner);
    EXPECT_EQ(bytes(back[1].Value.bin), componentId(0x50));
    EXPECT_EQ(bytes(back[3].Value.bin), inner);
    EXPECT_EQ(back[4].Value.ul, 0x5u) << "flags are only reported, never changed inward";
    componentHeap.free(back);

    // Without the rules the values are only copied.
    SPropValue* again = values(1);
    binary(again[0], PR_ENTRYID, inner, again);
    ASSERT_EQ(copyValues(plain, 1, again, &out), S_OK);
    EXPECT_EQ(bytes(out[0].Value.bin), inner);
    componentHeap.free(again);
    pdxHeap.free(out);
}

TEST_F(Conversions, ACopyThatRunsOutOfMemoryLeavesErrorValuesAndNoLeaks) {
    // A wide string is copied value by value, each into memory chained to the array.
    const ULONG wideName = CHANGE_PROP_TYPE(PR_DISPLAY_NAME, PT_UNICODE);
    SPropValue* src = values(3);
    src[0].ulPropTag = wideName;
    src[0].Value.lpszW = more<WCHAR>(4 * sizeof(WCHAR), src);
    const WCHAR abc[] = {'a', 'b', 'c', 0};
    std::memcpy(src[0].Value.lpszW, abc, sizeof abc);
    binary(src[1], PR_ENTRYID, componentId(1), src);
    src[2].ulPropTag = PR_OBJECT_TYPE;
    src[2].Value.l = 6;
    for (long budget = 0; budget < 4; ++budget) {
        pdxHeap.failAfter(budget);
        SPropValue* out = nullptr;
        const HRESULT h = copyValues(toCaller, 3, src, &out);
        pdxHeap.failAfter(-1);
        if (budget == 0) {
            EXPECT_EQ(h, E_OUTOFMEMORY);
            EXPECT_EQ(out, nullptr);
            continue;
        }
        ASSERT_EQ(h, S_OK) << budget;
        EXPECT_EQ(out[0].ulPropTag, budget >= 2 ? wideName : CHANGE_PROP_TYPE(PR_DISPLAY_NAME, PT_ERROR));
        EXPECT_EQ(out[1].ulPropTag, budget >= 3 ? PR_ENTRYID : CHANGE_PROP_TYPE(PR_ENTRYID, PT_ERROR));
        if (budget < 3) EXPECT_EQ(out[1].Value.err, E_OUTOFMEMORY);
        EXPECT_EQ(out[2].Value.l, 6) << "scalars need no memory";
        pdxHeap.free(out);
        EXPECT_EQ(pdxHeap.liveRoots(), 0u);
    }

    // Narrow strings, binaries and numbers share the array's one buffer: one
    // allocation copies them all, and none leaves nothing behind.
    src[0].ulPropTag = PR_DISPLAY_NAME;
    src[0].Value.lpszA = more<char>(4, src);
    std::memcpy(src[0].Value.lpszA, "abc", 4);
    for (long budget = 0; budget < 2; ++budget) {
        pdxHeap.failAfter(budget);
        SPropValue* out = nullptr;
        const HRESULT h = copyValues(toCaller, 3, src, &out);
        pdxHeap.failAfter(-1);
        if (budget == 0) {
            EXPECT_EQ(h, E_OUTOFMEMORY);
            EXPECT_EQ(out, nullptr);
            EXPECT_EQ(pdxHeap.liveRoots(), 0u);
            continue;
        }
        ASSERT_EQ(h, S_OK);
        EXPECT_STREQ(out[0].Value.lpszA, "abc");
        EXPECT_NE(out[0].Value.lpszA, src[0].Value.lpszA);
        EXPECT_EQ(bytes(out[1].Value.bin), wrapped(componentId(1)));
        EXPECT_EQ(out[2].Value.l, 6);
        pdxHeap.free(out);
        EXPECT_EQ(pdxHeap.liveRoots(), 0u);
    }
    componentHeap.free(src);
}

TEST_F(Conversions, RowSetsAndAddressListsKeepEachRowInARootOfItsOwn) {
    void* p = nullptr;
    componentHeap.allocate(ULONG(cbRowSet(2)), &p);
    auto* rows = static_cast<SRowSet*>(p);
    rows->cRows = 2;
    for (ULONG r = 0; r < 2; ++r) {
        SPropValue* v = values(1);
        binary(v[0], PR_ENTRYID, componentId(BYTE(r)), v);
        rows->aRow[r] = {0, 1, v};
    }
    SRowSet* out = nullptr;
    ASSERT_EQ(copyRows(toCaller, rows, &out), S_OK);
    freeRows(component, rows);
    EXPECT_EQ(componentHeap.liveRoots(), 0u);
    ASSERT_EQ(out->cRows, 2u);
    EXPECT_EQ(pdxHeap.liveRoots(), 3u);
    EXPECT_EQ(bytes(out->aRow[1].lpProps[0].Value.bin), wrapped(componentId(1)));
    // What the caller's FreeProws does: every row, then the set.
    freeRows(pdxMemory, out);
    EXPECT_EQ(pdxHeap.liveRoots(), 0u);

    // A failure halfway frees what was made.
    componentHeap.allocate(ULONG(cbRowSet(2)), &p);
    rows = static_cast<SRowSet*>(p);
    rows->cRows = 2;
    for (ULONG r = 0; r < 2; ++r) {
        SPropValue* v = values(1);
        binary(v[0], PR_ENTRYID, componentId(BYTE(r)), v);
        rows->aRow[r] = {0, 1, v};
    }
    pdxHeap.failAfter(2); // the set and the first row (its identifier inside it)
    EXPECT_EQ(copyRows(toCaller, rows, &out), E_OUTOFMEMORY);
    pdxHeap.failAfter(-1);
    EXPECT_EQ(out, nullptr);
    EXPECT_EQ(pdxHeap.liveRoots(), 0u);
    freeRows(component, rows);
}

TEST_F(Conversions, ReplacedEntriesFreeTheCallersOldValues) {
    void* p = nullptr;
    pdxHeap.allocate(ULONG(cbAdrList(2)), &p);
    auto* caller = static_cast<ADRLIST*>(p);
    caller->cEntries = 2;
    for (ULONG i = 0; i < 2; ++i) {
        pdxHeap.allocate(sizeof(SPropValue), &p);
        auto* v = static_cast<SPropValue*>(p);
        v->ulPropTag = PR_OBJECT_TYPE;
        v->Value.l = LONG(i);
        caller->aEntries[i] = {0, 1, v};
    }
    ADRLIST* result = nullptr;
    ASSERT_EQ(copyAdrList(inward, caller, &result), S_OK);
    EXPECT_EQ(componentHeap.liveRoots(), 3u);
    // The component resolves the first entry: new values of its own.
    componentHeap.free(result->aEntries[0].rgPropVals);
    SPropValue* resolved = values(2);
    binary(resolved[0], PR_ENTRYID, componentId(7), resolved);
    resolved[1].ulPropTag = PR_OBJECT_TYPE;
    resolved[1].Value.l = 6;
    result->aEntries[0] = {0, 2, resolved};

    pdxHeap.failAfter(1);
    EXPECT_EQ(replaceEntries(toCaller, caller, result), E_OUTOFMEMORY);
    pdxHeap.failAfter(-1);
    EXPECT_EQ(caller->aEntries[0].cValues, 1u) << "a failed copy leaves the caller's list as it was";
    EXPECT_EQ(pdxHeap.liveRoots(), 3u);

    ASSERT_EQ(replaceEntries(toCaller, caller, result), S_OK);
    ASSERT_EQ(caller->aEntries[0].cValues, 2u);
    EXPECT_EQ(bytes(caller->aEntries[0].rgPropVals[0].Value.bin), wrapped(componentId(7)));
    EXPECT_EQ(caller->aEntries[1].rgPropVals[0].Value.l, 1);
    EXPECT_EQ(pdxHeap.liveRoots(), 3u) << "the old values were freed";
    freeAdrList(component, result);
    freeAdrList(pdxMemory, caller);
}

TEST_F(Conversions, EntryListsAndSingleIdentifiers) {
    const auto a = componentId(1), b = componentId(2);
    std::vector<SBinary> bins = {{ULONG(a.size()), const_cast<BYTE*>(a.data())},
                                 {ULONG(b.size()), const_cast<BYTE*>(b.data())}};
    ENTRYLIST list{2, bins.data()};
    ENTRYLIST* out = nullptr;
    ASSERT_EQ(copyEntryList(toCaller, &list, &out), S_OK);
    ASSERT_EQ(out->cValues, 2u);
    EXPECT_EQ(bytes(out->lpbin[1]), wrapped(b));
    ENTRYLIST* in = nullptr;
    ASSERT_EQ(copyEntryList(inward, out, &in), S_OK);
    EXPECT_EQ(bytes(in->lpbin[0]), a);
    pdxHeap.free(out);
    componentHeap.free(in);

    ULONG cb = 0;
    ENTRYID* id = nullptr;
    ASSERT_EQ(copyEntryId(toCaller, ULONG(a.size()), a.data(), &cb, &id), S_OK);
    EXPECT_EQ(cb, 60u);
    EXPECT_EQ(std::vector<BYTE>(reinterpret_cast<BYTE*>(id), reinterpret_cast<BYTE*>(id) + cb), wrapped(a));
    pdxHeap.free(id);
}

TEST_F(Conversions, NamedPropertiesAreCopiedWithTheirGuidsAndNames) {
    void* p = nullptr;
    componentHeap.allocate(3 * sizeof(MAPINAMEID*), &p);
    auto** names = static_cast<MAPINAMEID**>(p);
    names[0] = more<MAPINAMEID>(sizeof(MAPINAMEID), names);
    names[0]->lpguid = more<GUID>(sizeof(GUID), names);
    *names[0]->lpguid = IID_IMailUser;
    names[0]->ulKind = MNID_STRING;
    names[0]->Kind.lpwstrName = more<WCHAR>(sizeof(u"Fax"), names);
    std::memcpy(names[0]->Kind.lpwstrName, u"Fax", sizeof(u"Fax"));
    names[1] = nullptr; // a name the component could not give
    names[2] = more<MAPINAMEID>(sizeof(MAPINAMEID), names);
    names[2]->lpguid = nullptr;
    names[2]->ulKind = MNID_ID;
    names[2]->Kind.lID = 0x8123;
    MAPINAMEID** out = nullptr;
    ASSERT_EQ(copyNames(pdxMemory, 3, names, &out), S_OK);
    componentHeap.free(names);
    EXPECT_TRUE(*out[0]->lpguid == IID_IMailUser);
    EXPECT_EQ(std::u16string(out[0]->Kind.lpwstrName), u"Fax");
    EXPECT_EQ(out[1], nullptr);
    EXPECT_EQ(out[2]->Kind.lID, 0x8123);
    EXPECT_EQ(pdxHeap.liveRoots(), 1u);
    pdxHeap.free(out);
}

TEST(WrappedIdentifiers, OnlyLongEnoughIdentifiersWithOurUidAreOwn) {
    WrappedIds ids(kUid);
    const auto root = ids.rootId();
    ASSERT_EQ(root.size(), 21u);
    EXPECT_EQ(root[20], 0);
    InwardId in = ids.inward(21, reinterpret_cast<const ENTRYID*>(root.data()));
    EXPECT_EQ(in.kind, InwardId::Root);
    EXPECT_EQ(in.cb, 0u);
    EXPECT_EQ(in.id, nullptr);

    const auto inner = componentId(9);
    auto own = wrapped(inner);
    in = ids.inward(ULONG(own.size()), reinterpret_cast<const ENTRYID*>(own.data()));
    ASSERT_EQ(in.kind, InwardId::Component);
    EXPECT_EQ(std::vector<BYTE>(reinterpret_cast<BYTE*>(in.id), reinterpret_cast<BYTE*>(in.id) + in.cb), inner);

    // The header alone, another provider's UID, nothing at all, unreadable memory.
    EXPECT_EQ(ids.inward(20, reinterpret_cast<const ENTRYID*>(own.data())).kind, InwardId::Foreign);
    auto other = own;
    other[19] ^= 1;
    EXPECT_EQ(ids.inward(ULONG(other.size()), reinterpret_cast<const ENTRYID*>(other.data())).kind, InwardId::Foreign);
    EXPECT_EQ(ids.inward(60, nullptr).kind, InwardId::Foreign);
    EXPECT_EQ(ids.inward(60, reinterpret_cast<const ENTRYID*>(uintptr_t(16))).kind, InwardId::Foreign);
    // Bytes 0-3 are not looked at.
    own[0] = 7;
    EXPECT_EQ(ids.inward(ULONG(own.size()), reinterpret_cast<const ENTRYID*>(own.data())).kind, InwardId::Component);
}
