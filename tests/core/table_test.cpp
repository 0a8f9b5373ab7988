// The snapshot table: cursor arithmetic, reads and column sets.

#include <gtest/gtest.h>

#include "allocator.h"
#include "core_test_util.h"
#include "pdx/pdx.h"
#include "table.h"

using namespace pdx;
using namespace pdx::core;

namespace {

object_ptr<Table> tableOf(int rows) {
    RowStore store;
    for (int i = 0; i < rows; ++i) {
        SPropValue values[2] = {{PR_RESOURCE_FLAGS, 0, {.l = i}}, {PR_DEPTH, 0, {.l = 10 * i}}};
        EXPECT_EQ(store.addRow(values, 2, store.size()), S_OK);
    }
    return object_ptr<Table>(Table::create(std::move(store)));
}

LONG firstValue(const SRowSet* rows, ULONG i) { return rows->aRow[i].lpProps[0].Value.l; }

} // namespace

TEST(Table, SeekRowMovesWithinBounds) {
    auto t = tableOf(3);
    LONG sought = 0;
    ASSERT_EQ(t->SeekRow(BOOKMARK_END, -1, &sought), S_OK);
    EXPECT_EQ(t->cursor(), 2u);
    EXPECT_EQ(sought, -1);
    ASSERT_EQ(t->SeekRow(BOOKMARK_BEGINNING, 10, &sought), S_OK);
    EXPECT_EQ(sought, 3);
    ASSERT_EQ(t->SeekRow(BOOKMARK_CURRENT, -5, &sought), S_OK);
    EXPECT_EQ(sought, -3);
    EXPECT_EQ(t->cursor(), 0u);
    EXPECT_EQ(t->SeekRow(3, 0, nullptr), MAPI_E_INVALID_BOOKMARK);
}

TEST(Table, SeekRowApproxRoundsLikeMulDiv) {
    auto t = tableOf(3);
    ASSERT_EQ(t->SeekRowApprox(1, 2), S_OK);
    EXPECT_EQ(t->cursor(), 2u); // 1.5 rounds up
    ASSERT_EQ(t->SeekRowApprox(1, 3), S_OK);
    EXPECT_EQ(t->cursor(), 1u);
    ASSERT_EQ(t->SeekRowApprox(0, 3), S_OK);
    EXPECT_EQ(t->cursor(), 0u);
    ASSERT_EQ(t->SeekRowApprox(5, 5), S_OK);
    EXPECT_EQ(t->cursor(), 3u);
    ASSERT_EQ(t->SeekRowApprox(0x80000000u, 0xFFFFFFFFu), S_OK); // both halved first
    EXPECT_EQ(t->cursor(), 2u);
    ULONG row, num, den;
    ASSERT_EQ(t->QueryPosition(&row, &num, &den), S_OK);
    EXPECT_EQ(row, 2u);
    EXPECT_EQ(num, 2u);
    EXPECT_EQ(den, 3u);
}

TEST(Table, QueryRowsForwardsBackwardsAndWithoutAdvance) {
    auto empty = tableOf(0);
    RowSet rows;
    ASSERT_EQ(empty->QueryRows(5, 0, rows.out()), S_OK);
    EXPECT_EQ(rows->cRows, 0u);

    auto t = tableOf(3);
    std::vector<LONG> seen;
    for (;;) {
        ASSERT_EQ(t->QueryRows(1, 0, rows.out()), S_OK);
        if (rows->cRows == 0) break;
        seen.push_back(firstValue(rows.get(), 0));
    }
    EXPECT_EQ(seen, (std::vector<LONG>{0, 1, 2}));

    ASSERT_EQ(t->SeekRow(BOOKMARK_BEGINNING, 2, nullptr), S_OK);
    ASSERT_EQ(t->QueryRows(-5, 0, rows.out()), S_OK); // clipped to the two rows before the cursor
    ASSERT_EQ(rows->cRows, 2u);
    EXPECT_EQ(firstValue(rows.get(), 0), 0);
    EXPECT_EQ(t->cursor(), 2u);

    ASSERT_EQ(t->QueryRows(-1, 0, rows.out()), S_OK);
    ASSERT_EQ(rows->cRows, 1u);
    EXPECT_EQ(firstValue(rows.get(), 0), 1);
    EXPECT_EQ(t->cursor(), 2u); // ends where the read started

    ASSERT_EQ(t->SeekRow(BOOKMARK_BEGINNING, 1, nullptr), S_OK);
    ASSERT_EQ(t->QueryRows(10, TBL_NOADVANCE, rows.out()), S_OK);
    EXPECT_EQ(rows->cRows, 2u);
    EXPECT_EQ(t->cursor(), 1u);
    EXPECT_EQ(t->QueryRows(0, 0, rows.out()), E_INVALIDARG);
}

TEST(Table, ColumnsSelectPlaceholdersAndMissingValues) {
    auto t = tableOf(2);
    SPropTagArray* cols = nullptr;
    EXPECT_EQ(t->QueryColumns(0, &cols), S_OK);
    ASSERT_EQ(cols->cValues, 2u);
    EXPECT_EQ(cols->aulPropTag[1], PR_DEPTH);
    PDXFreeBuffer(cols);

    struct { ULONG c; ULONG t[3]; } wanted = {3, {PR_DEPTH, PR_NULL, PR_DISPLAY_NAME}};
    ASSERT_EQ(t->SetColumns(reinterpret_cast<SPropTagArray*>(&wanted), 0), S_OK);
    RowSet rows;
    ASSERT_EQ(t->QueryRows(1, 0, rows.out()), S_OK);
    ASSERT_EQ(rows->aRow[0].cValues, 3u);
    const SPropValue* v = rows->aRow[0].lpProps;
    EXPECT_EQ(v[0].ulPropTag, PR_DEPTH);
    EXPECT_EQ(v[1].ulPropTag, PR_NULL);
    EXPECT_EQ(v[2].ulPropTag, 0x3001000Au);
    EXPECT_EQ(v[2].Value.err, MAPI_E_NOT_FOUND);

    ASSERT_EQ(t->QueryColumns(0, &cols), S_OK);
    EXPECT_EQ(cols->cValues, 3u);
    PDXFreeBuffer(cols);
    ASSERT_EQ(t->QueryColumns(TBL_ALL_COLUMNS, &cols), S_OK);
    EXPECT_EQ(cols->cValues, 2u);
    PDXFreeBuffer(cols);

    struct { ULONG c; } none = {0};
    EXPECT_EQ(t->SetColumns(reinterpret_cast<SPropTagArray*>(&none), 0), E_INVALIDARG);
    EXPECT_EQ(tableOf(0)->QueryColumns(TBL_ALL_COLUMNS, &cols), MAPI_E_TABLE_EMPTY);

    // A column set whose count runs past readable memory is refused, and the old one stays.
    coretest::TruncatedTagArray truncated(64);
    EXPECT_EQ(t->SetColumns(truncated.get(), 0), E_INVALIDARG);
    coretest::TruncatedTagArray exact(1);
    EXPECT_EQ(t->SetColumns(exact.get(), 0), S_OK);
    EXPECT_EQ(t->SetColumns(nullptr, 0), E_INVALIDARG);
    ASSERT_EQ(t->QueryColumns(0, &cols), S_OK);
    EXPECT_EQ(cols->cValues, 1u);
    PDXFreeBuffer(cols);
}

TEST(Table, InterfaceAndUnsupportedSlots) {
    auto t = tableOf(1);
    object_ptr<IMAPITable> face;
    ASSERT_EQ(t.query(IID_IMAPITable, face), S_OK);
    object_ptr<IUnknown> other;
    EXPECT_EQ(t.query(IID_IMAPIProp, other), E_NOINTERFACE);
    EXPECT_EQ(face->FindRow(nullptr, 0, 0), MAPI_E_NO_SUPPORT);
    EXPECT_EQ(face->Abort(), S_OK);
    ULONG status = 9, type = 9;
    EXPECT_EQ(face->GetStatus(&status, &type), S_OK);
    EXPECT_EQ(status + type, 0u);
    EXPECT_EQ(face->GetRowCount(0, nullptr), E_INVALIDARG);
}

TEST(RowStore, FindRemoveAndSetByValue) {
    RowStore store;
    char a[] = "A", b[] = "B";
    SPropValue rowA[] = {{PR_SERVICE_NAME, 0, {.lpszA = a}}};
    SPropValue rowB[] = {{PR_SERVICE_NAME, 0, {.lpszA = b}}};
    ASSERT_EQ(store.addRow(rowA, 1, 0), S_OK);
    ASSERT_EQ(store.addRow(rowB, 1, 0), S_OK); // inserted before A
    EXPECT_EQ(store.rows()[0].nodes()[0].data()[0], 'B');
    SPropValue bad[] = {{PROP_TAG(MV_FLAG | PT_BOOLEAN, 0x6000), 0, {}}};
    EXPECT_EQ(store.addRow(bad, 1, 0), MAPI_E_NO_SUPPORT);
    EXPECT_EQ(store.size(), 2u);

    SPropValue flag{PR_RESOURCE_FLAGS, 0, {.l = 2}};
    ASSERT_EQ(store.setRowProps(rowA[0], 1, &flag), S_OK);
    EXPECT_NE(store.findRow(flag), nullptr);
    ASSERT_EQ(store.removeRow(rowA[0]), S_OK);
    EXPECT_EQ(store.removeRow(rowA[0]), MAPI_E_NOT_FOUND);
    EXPECT_EQ(store.size(), 1u);
}

// A lookup by a stored text or binary key matches that key exactly: never a
// key that is a prefix of it, nor a longer one that starts with it.
TEST(RowStore, LookupMatchesWholeKeysOnly) {
    RowStore store;
    BYTE uid[] = {1, 2, 3};
    char name[] = "Profile";
    SPropValue row[] = {{PR_SERVICE_UID, 0, {.bin = {3, uid}}}, {PR_SERVICE_NAME, 0, {.lpszA = name}}};
    ASSERT_EQ(store.addRow(row, 2, 0), S_OK);

    BYTE shorter[] = {1, 2}, longer[] = {1, 2, 3, 4}, same[] = {1, 2, 3};
    EXPECT_EQ(store.findRow({PR_SERVICE_UID, 0, {.bin = {2, shorter}}}), nullptr);
    EXPECT_EQ(store.findRow({PR_SERVICE_UID, 0, {.bin = {4, longer}}}), nullptr);
    EXPECT_EQ(store.findRow({PR_SERVICE_UID, 0, {.bin = {0, nullptr}}}), nullptr);
    EXPECT_NE(store.findRow({PR_SERVICE_UID, 0, {.bin = {3, same}}}), nullptr);

    char prefix[] = "Prof", extended[] = "Profiles", exact[] = "Profile", empty[] = "";
    EXPECT_EQ(store.findRow({PR_SERVICE_NAME, 0, {.lpszA = prefix}}), nullptr);
    EXPECT_EQ(store.findRow({PR_SERVICE_NAME, 0, {.lpszA = extended}}), nullptr);
    EXPECT_EQ(store.findRow({PR_SERVICE_NAME, 0, {.lpszA = empty}}), nullptr);
    EXPECT_NE(store.findRow({PR_SERVICE_NAME, 0, {.lpszA = exact}}), nullptr);
    EXPECT_EQ(store.removeRow({PR_SERVICE_UID, 0, {.bin = {2, shorter}}}), MAPI_E_NOT_FOUND);
    EXPECT_EQ(store.size(), 1u);
}
