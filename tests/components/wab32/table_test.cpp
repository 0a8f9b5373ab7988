// The snapshot table and property copies the component stand-ins share.

#include <gtest/gtest.h>

#include "pdx/restriction.h"
#include "pdx/status.h"
#include "pdx/tags.h"
#include "pdx_common/buffer_pool.h"
#include "pdx_common/snapshot_table.h"

using namespace pdx;
using namespace pdx::common;

namespace {

BufferPool g_pool;
HRESULT alloc(ULONG cb, void** out) { return g_pool.allocate(cb, out); }
HRESULT more(ULONG cb, void* parent, void** out) { return g_pool.allocateMore(cb, parent, out); }
HRESULT release(void* p) { return g_pool.free(p); }
const MemoryDomain kDomain{&alloc, &more, &release};

std::vector<TableRow> rows(std::initializer_list<std::pair<const char*, LONG>> data) {
    std::vector<TableRow> out;
    for (auto& [name, n] : data) {
        auto row = std::make_shared<PropArray>();
        row->setString(PR_DISPLAY_NAME, name);
        row->setLong(PR_DEPTH, n);
        out.push_back(row);
    }
    return out;
}

std::vector<std::string> names(IMAPITable* t, LONG count, ULONG flags = 0) {
    SRowSet* set = nullptr;
    EXPECT_EQ(t->QueryRows(count, flags, &set), S_OK);
    std::vector<std::string> out;
    for (ULONG i = 0; i < set->cRows; ++i) out.push_back(set->aRow[i].lpProps[0].Value.lpszA);
    freeRowSet(set, kDomain);
    return out;
}

struct Table {
    IMAPITable* t;
    explicit Table(std::vector<TableRow> r) {
        struct { ULONG c; ULONG t[2]; } cols = {2, {PR_DISPLAY_NAME, PR_DEPTH}};
        t = SnapshotTable::create(std::move(r), reinterpret_cast<SPropTagArray*>(&cols), kDomain);
    }
    ~Table() { t->Release(); }
};

} // namespace

TEST(SnapshotTable, CursorSeekAndBackwardReads) {
    Table table(rows({{"a", 1}, {"b", 2}, {"c", 3}}));
    IMAPITable* t = table.t;
    LONG moved = 0;
    ASSERT_EQ(t->SeekRow(BOOKMARK_END, -1, &moved), S_OK);
    EXPECT_EQ(moved, -1);
    EXPECT_EQ(names(t, 5), std::vector<std::string>{"c"});
    EXPECT_TRUE(names(t, 1).empty());
    // Reading backwards returns the rows in table order and moves the cursor back.
    EXPECT_EQ(names(t, -2), (std::vector<std::string>{"b", "c"}));
    EXPECT_EQ(names(t, 1, TBL_NOADVANCE), std::vector<std::string>{"b"});
    ASSERT_EQ(t->SeekRow(BOOKMARK_BEGINNING, 10, &moved), S_OK);
    EXPECT_EQ(moved, 3);
    ASSERT_EQ(t->SeekRowApprox(1, 2), S_OK);
    EXPECT_EQ(names(t, 1), std::vector<std::string>{"b"});
    EXPECT_EQ(t->SeekRow(99, 0, nullptr), MAPI_E_INVALID_BOOKMARK);
    SRowSet* none = nullptr;
    EXPECT_EQ(t->QueryRows(0, 0, &none), E_INVALIDARG);
}

TEST(SnapshotTable, BookmarksSortAndRestrict) {
    Table table(rows({{"delta", 4}, {"Alpha", 1}, {"charlie", 3}, {"bravo", 2}}));
    IMAPITable* t = table.t;
    struct { ULONG cSorts, cCategories, cExpanded; SSortOrder s[1]; } order = {1, 0, 0, {{PR_DISPLAY_NAME, TABLE_SORT_ASCEND}}};
    ASSERT_EQ(t->SortTable(reinterpret_cast<SSortOrderSet*>(&order), 0), S_OK);
    EXPECT_EQ(names(t, 10), (std::vector<std::string>{"Alpha", "bravo", "charlie", "delta"}));
    ASSERT_EQ(t->SeekRow(BOOKMARK_BEGINNING, 2, nullptr), S_OK);
    BOOKMARK mark = 0;
    ASSERT_EQ(t->CreateBookmark(&mark), S_OK);
    ASSERT_EQ(t->SeekRow(BOOKMARK_BEGINNING, 0, nullptr), S_OK);
    ASSERT_EQ(t->SeekRow(mark, 0, nullptr), S_OK);
    EXPECT_EQ(names(t, 1), std::vector<std::string>{"charlie"});
    EXPECT_EQ(t->FreeBookmark(mark), S_OK);
    EXPECT_EQ(t->FreeBookmark(mark), MAPI_E_INVALID_BOOKMARK);

    SPropValue two{};
    two.ulPropTag = PR_DEPTH;
    two.Value.l = 2;
    SRestriction r{};
    r.rt = RES_PROPERTY;
    r.res.resProperty = {RELOP_GT, PR_DEPTH, &two};
    ASSERT_EQ(t->Restrict(&r, 0), S_OK);
    ULONG count = 0;
    t->GetRowCount(0, &count);
    EXPECT_EQ(count, 2u);
    EXPECT_EQ(names(t, 10), (std::vector<std::string>{"charlie", "delta"}));
    SRestriction negated{};
    negated.rt = RES_NOT;
    negated.res.resNot.lpRes = &r;
    ASSERT_EQ(t->FindRow(&negated, BOOKMARK_BEGINNING, 0), MAPI_E_NOT_FOUND);
}

TEST(SnapshotTable, MissingColumnsAndAllColumns) {
    Table table(rows({{"only", 7}}));
    IMAPITable* t = table.t;
    struct { ULONG c; ULONG t[3]; } cols = {3, {PR_NULL, PR_EMAIL_ADDRESS, PR_DEPTH}};
    ASSERT_EQ(t->SetColumns(reinterpret_cast<SPropTagArray*>(&cols), 0), S_OK);
    SRowSet* set = nullptr;
    ASSERT_EQ(t->QueryRows(1, 0, &set), S_OK);
    EXPECT_EQ(set->aRow[0].lpProps[0].ulPropTag, PR_NULL);
    EXPECT_EQ(set->aRow[0].lpProps[1].ulPropTag, CHANGE_PROP_TYPE(PR_EMAIL_ADDRESS, PT_ERROR));
    EXPECT_EQ(set->aRow[0].lpProps[1].Value.err, MAPI_E_NOT_FOUND);
    EXPECT_EQ(set->aRow[0].lpProps[2].Value.l, 7);
    freeRowSet(set, kDomain);
    SPropTagArray* all = nullptr;
    ASSERT_EQ(t->QueryColumns(TBL_ALL_COLUMNS, &all), S_OK);
    EXPECT_EQ(all->cValues, 2u);
    release(all);
    EXPECT_EQ(g_pool.liveRoots(), 0u);
}

TEST(PropCopy, DeepCopiesOwnEveryByteAndBadValuesBecomeErrors) {
    char text[] = "copied";
    BYTE bytes[] = {1, 2, 3};
    char* strings[] = {text, text};
    SBinary bins[] = {{3, bytes}, {0, nullptr}};
    SPropValue in[4] = {};
    in[0].ulPropTag = PR_DISPLAY_NAME;
    in[0].Value.lpszA = text;
    in[1].ulPropTag = PR_ENTRYID;
    in[1].Value.bin = {3, bytes};
    in[2].ulPropTag = PROP_TAG(PT_MV_STRING8, 0x6001);
    in[2].Value.MVszA = {2, strings};
    in[3].ulPropTag = PR_AB_SEARCH_PATH;
    in[3].Value.MVbin = {2, bins};
    SPropValue* out = nullptr;
    ASSERT_EQ(copyProps(in, 4, kDomain, &out), S_OK);
    text[0] = 'X';
    bytes[0] = 9;
    EXPECT_STREQ(out[0].Value.lpszA, "copied");
    EXPECT_EQ(out[1].Value.bin.lpb[0], 1);
    EXPECT_STREQ(out[2].Value.MVszA.lppszA[1], "copied");
    EXPECT_EQ(out[3].Value.MVbin.lpbin[0].lpb[2], 3);
    release(out);

    SPropValue bad{};
    bad.ulPropTag = PR_DISPLAY_NAME; // null string
    ASSERT_EQ(copyProps(&bad, 1, kDomain, &out), S_OK);
    EXPECT_EQ(out[0].ulPropTag, CHANGE_PROP_TYPE(PR_DISPLAY_NAME, PT_ERROR));
    EXPECT_EQ(out[0].Value.err, E_INVALIDARG);
    release(out);
    EXPECT_EQ(g_pool.liveRoots(), 0u);
}
