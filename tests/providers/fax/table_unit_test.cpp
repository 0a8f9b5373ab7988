// The provider's own table data and views.

#include <gtest/gtest.h>

#include <cstring>

#include "allocator.h"
#include "fax_memory.h"
#include "pdx/pdx.h"
#include "table_data.h"

using namespace pdx;
using pdx::core::Buffer;
using pdx::core::RowSet;

namespace {

struct Columns {
    ULONG cValues = 3;
    ULONG tags[3] = {PR_DISPLAY_NAME, PR_DEPTH, PR_INSTANCE_KEY};
};
const Columns kColumns;
const SPropTagArray* columns() { return reinterpret_cast<const SPropTagArray*>(&kColumns); }

class TableTest : public ::testing::Test {
protected:
    void SetUp() override {
        vqfax::setAllocators(&PDXAllocateBuffer, &PDXAllocateMore, &PDXFreeBuffer);
        data_ = object_ptr<IMAPITableData>(vqfax::TableData::create(PR_INSTANCE_KEY, columns()));
    }
    HRESULT put(uint8_t key, const char* name, LONG depth = 0) {
        uint8_t k[4] = {key, 0, 0, 0};
        SPropValue v[3] = {};
        v[0].ulPropTag = PR_INSTANCE_KEY;
        v[0].Value.bin = SBinary{4, k};
        v[1].ulPropTag = PR_DISPLAY_NAME;
        v[1].Value.lpszA = const_cast<char*>(name);
        v[2].ulPropTag = PR_DEPTH;
        v[2].Value.l = depth;
        SRow row{0, 3, v};
        return data_->HrModifyRow(&row);
    }
    object_ptr<IMAPITable> view() {
        object_ptr<IMAPITable> v;
        EXPECT_EQ(data_->HrGetView(nullptr, nullptr, 0, v.out()), S_OK);
        return v;
    }
    object_ptr<IMAPITableData> data_;
};

SPropValue keyValue(uint8_t* k) {
    SPropValue v{};
    v.ulPropTag = PR_INSTANCE_KEY;
    v.Value.bin = SBinary{4, k};
    return v;
}

} // namespace

TEST_F(TableTest, SeekRowClampsToTheRowsThereAre) {
    put(1, "a"), put(2, "b"), put(3, "c");
    auto v = view();
    LONG at = -1;
    ASSERT_EQ(v->SeekRow(BOOKMARK_BEGINNING, 5, &at), S_OK);
    EXPECT_EQ(at, 2);
    ASSERT_EQ(v->SeekRow(BOOKMARK_END, 0, &at), S_OK);
    EXPECT_EQ(at, 2); // on the last row, not after it
    ASSERT_EQ(v->SeekRow(BOOKMARK_CURRENT, -10, &at), S_OK);
    EXPECT_EQ(at, 0);
    EXPECT_EQ(v->SeekRow(0x2000, 0, &at), MAPI_E_INVALID_BOOKMARK);
    ASSERT_EQ(v->SeekRowApprox(2, 3), S_OK);
    ULONG row = 9, num = 9, den = 9;
    ASSERT_EQ(v->QueryPosition(&row, nullptr, &den), S_OK); // a missing out-pointer is skipped
    EXPECT_EQ(row, 2u);
    EXPECT_EQ(den, 3u);
    EXPECT_EQ(num, 9u);
    EXPECT_EQ(v->SeekRowApprox(1, 0), E_INVALIDARG);
}

TEST_F(TableTest, SixteenBookmarksAndNoMore) {
    put(1, "a"), put(2, "b"), put(3, "c");
    auto v = view();
    ASSERT_EQ(v->SeekRow(BOOKMARK_BEGINNING, 1, nullptr), S_OK);
    std::vector<BOOKMARK> marks;
    for (int i = 0; i < 16; ++i) {
        BOOKMARK b = 0;
        ASSERT_EQ(v->CreateBookmark(&b), S_OK);
        marks.push_back(b);
    }
    EXPECT_EQ(marks.front(), 0x1000u);
    EXPECT_EQ(marks.back(), 0x100Fu);
    BOOKMARK extra = 0;
    EXPECT_EQ(v->CreateBookmark(&extra), MAPI_E_UNABLE_TO_COMPLETE);
    LONG at = -1;
    ASSERT_EQ(v->SeekRow(BOOKMARK_END, 0, nullptr), S_OK);
    ASSERT_EQ(v->SeekRow(0x1003, 1, &at), S_OK);
    EXPECT_EQ(at, 2);
    ASSERT_EQ(v->FreeBookmark(0x1003), S_OK);
    EXPECT_EQ(v->SeekRow(0x1003, 0, &at), MAPI_E_INVALID_BOOKMARK);
    EXPECT_EQ(v->FreeBookmark(0x1003), MAPI_E_INVALID_BOOKMARK);
    EXPECT_EQ(v->FreeBookmark(0x1010), MAPI_E_INVALID_BOOKMARK);
    // The freed slot is the one reused.
    ASSERT_EQ(v->CreateBookmark(&extra), S_OK);
    EXPECT_EQ(extra, 0x1003u);
}

TEST_F(TableTest, RowsAreReplacedByTheirIndexValueAndReadInColumnOrder) {
    put(1, "first", 1);
    put(2, "second", 2);
    put(1, "again", 7);
    auto v = view();
    ULONG count = 0;
    ASSERT_EQ(v->GetRowCount(0, &count), S_OK);
    EXPECT_EQ(count, 2u);
    struct {
        ULONG c = 3;
        ULONG t[3] = {PR_DEPTH, 0x3004001E, PR_DISPLAY_NAME}; // no row has the second
    } cols;
    ASSERT_EQ(v->SetColumns(reinterpret_cast<SPropTagArray*>(&cols), 0), S_OK);
    RowSet rows;
    ASSERT_EQ(v->QueryRows(10, 0, rows.out()), S_OK);
    ASSERT_EQ(rows->cRows, 2u);
    EXPECT_EQ(rows->aRow[0].lpProps[0].Value.l, 7); // replaced in place, first position kept
    EXPECT_STREQ(rows->aRow[0].lpProps[2].Value.lpszA, "again");
    EXPECT_EQ(rows->aRow[0].lpProps[1].ulPropTag, 0x3004000Au);
    EXPECT_EQ(rows->aRow[0].lpProps[1].Value.err, MAPI_E_NOT_FOUND);
    EXPECT_STREQ(rows->aRow[1].lpProps[2].Value.lpszA, "second");
    // The cursor moved past what was read.
    RowSet none;
    ASSERT_EQ(v->QueryRows(10, 0, none.out()), S_OK);
    EXPECT_EQ(none->cRows, 0u);
    EXPECT_EQ(v->QueryRows(0, 0, none.out()), E_INVALIDARG);

    Buffer<SPropTagArray> current;
    ASSERT_EQ(v->QueryColumns(0, current.out()), S_OK);
    EXPECT_EQ(current->aulPropTag[1], 0x3004001Eu);
}

TEST_F(TableTest, AViewBeforeSetColumnsReadsTheDataColumns) {
    put(4, "only");
    auto v = view();
    RowSet rows;
    ASSERT_EQ(v->QueryRows(10, 0, rows.out()), S_OK);
    ASSERT_EQ(rows->cRows, 1u);
    ASSERT_EQ(rows->aRow[0].cValues, 3u);
    EXPECT_EQ(rows->aRow[0].lpProps[0].ulPropTag, PR_DISPLAY_NAME);
    EXPECT_EQ(rows->aRow[0].lpProps[2].ulPropTag, PR_INSTANCE_KEY);
}

TEST_F(TableTest, AnEmptyTableReadsNothingWhereverItSeeks) {
    auto v = view();
    LONG at = -1;
    ASSERT_EQ(v->SeekRow(BOOKMARK_END, 3, &at), S_OK);
    EXPECT_EQ(at, 0);
    RowSet rows;
    ASSERT_EQ(v->QueryRows(10, 0, rows.out()), S_OK);
    EXPECT_EQ(rows->cRows, 0u);
    ULONG status = 9, type = 0;
    ASSERT_EQ(v->GetStatus(&status, &type), S_OK);
    EXPECT_EQ(status, 0u);
    EXPECT_EQ(type, 2u);
}

TEST_F(TableTest, DataOperationsNeedTheIndexColumn) {
    put(1, "a"), put(2, "b");
    SPropValue noKey[1] = {};
    noKey[0].ulPropTag = PR_DISPLAY_NAME;
    noKey[0].Value.lpszA = const_cast<char*>("x");
    SRow row{0, 1, noKey};
    EXPECT_EQ(data_->HrModifyRow(&row), E_INVALIDARG);
    EXPECT_EQ(data_->HrDeleteRow(&noKey[0]), E_INVALIDARG);

    uint8_t k2[4] = {2, 0, 0, 0};
    SPropValue key2 = keyValue(k2);
    SRow dup{0, 1, &key2};
    EXPECT_EQ(data_->HrInsertRow(0, &dup), E_INVALIDARG); // already there

    SRow* found = nullptr;
    ULONG position = 99;
    ASSERT_EQ(data_->HrQueryRow(&key2, &found, &position), S_OK);
    ASSERT_TRUE(found);
    EXPECT_EQ(position, 1u);
    EXPECT_STREQ(found->lpProps[0].Value.lpszA, "b");
    PDXFreeBuffer(found);
    SRow* second = nullptr;
    ASSERT_EQ(data_->HrEnumRow(5, &second), S_OK);
    EXPECT_FALSE(second);

    // Deleting several: unknown ones are passed over; nothing deleted is NOT_FOUND.
    uint8_t k9[4] = {9, 0, 0, 0};
    SPropValue keys[2] = {key2, keyValue(k9)};
    SRowSet* set = nullptr;
    ASSERT_EQ(PDXAllocateBuffer(ULONG(cbRowSet(2)), reinterpret_cast<void**>(&set)), S_OK);
    set->cRows = 2;
    set->aRow[0] = SRow{0, 1, &keys[0]};
    set->aRow[1] = SRow{0, 1, &keys[1]};
    ULONG deleted = 0;
    EXPECT_EQ(data_->HrDeleteRows(0, set, &deleted), S_OK);
    EXPECT_EQ(deleted, 1u);
    EXPECT_EQ(data_->HrDeleteRows(0, set, &deleted), MAPI_E_NOT_FOUND);
    EXPECT_EQ(deleted, 0u);
    PDXFreeBuffer(set);
    EXPECT_EQ(data_->HrDeleteRow(&keys[1]), S_OK); // no match is not an error
    auto v = view();
    ULONG count = 0;
    v->GetRowCount(0, &count);
    EXPECT_EQ(count, 1u);
}

// Rows are found by their whole index value: a key that is only a prefix of a
// stored one, or longer than it, names no row, for binary and text indexes.
TEST(TableKeys, LookupsMatchWholeKeysOnly) {
    vqfax::setAllocators(&PDXAllocateBuffer, &PDXAllocateMore, &PDXFreeBuffer);
    for (ULONG indexTag : {PR_INSTANCE_KEY, PR_DISPLAY_NAME}) {
        const bool binary = PROP_TYPE(indexTag) == PT_BINARY;
        struct {
            ULONG c = 1;
            ULONG t[1];
        } cols;
        cols.t[0] = indexTag;
        object_ptr<IMAPITableData> data(vqfax::TableData::create(indexTag, reinterpret_cast<SPropTagArray*>(&cols)));
        uint8_t stored[] = {1, 2, 3};
        char storedText[] = "Contact";
        auto key = [&](uint8_t* bytes, ULONG cb, char* text) {
            SPropValue v{};
            v.ulPropTag = indexTag;
            if (binary) v.Value.bin = SBinary{cb, bytes};
            else v.Value.lpszA = text;
            return v;
        };
        SPropValue row = key(stored, 3, storedText);
        SRow r{0, 1, &row};
        ASSERT_EQ(data->HrModifyRow(&r), S_OK);

        uint8_t shorter[] = {1, 2}, longer[] = {1, 2, 3, 4};
        char prefix[] = "Cont", extended[] = "Contacts";
        for (SPropValue probe : {key(shorter, 2, prefix), key(longer, 4, extended)}) {
            SRow* found = nullptr;
            ULONG at = 7;
            EXPECT_EQ(data->HrQueryRow(&probe, &found, &at), S_OK) << indexTag;
            EXPECT_FALSE(found) << indexTag;
            EXPECT_EQ(at, 0u) << indexTag << ": no row comes with position 0";
            if (found) PDXFreeBuffer(found);
            data->HrDeleteRow(&probe);
            ASSERT_EQ(data->HrQueryRow(&row, &found, &at), S_OK);
            EXPECT_TRUE(found) << indexTag << ": deleting a near key took the stored row";
            if (found) PDXFreeBuffer(found);
        }
        // A longer key is a row of its own, not a replacement.
        SPropValue other = key(longer, 4, extended);
        SRow r2{0, 1, &other};
        ASSERT_EQ(data->HrModifyRow(&r2), S_OK);
        object_ptr<IMAPITable> view;
        ASSERT_EQ(data->HrGetView(nullptr, nullptr, 0, view.out()), S_OK);
        ULONG count = 0;
        ASSERT_EQ(view->GetRowCount(0, &count), S_OK);
        EXPECT_EQ(count, 2u) << indexTag;
    }
}

TEST_F(TableTest, RowsKeepTheirOwnCopiesAndRowsAddedUnlookedAreStillFoundByKey) {
    // A caller's buffers may change or go once the row is in.
    char name[] = "copied";
    ASSERT_EQ(put(1, name, 3), S_OK);
    std::strcpy(name, "CHANGE");

    auto* data = static_cast<vqfax::TableData*>(data_.get());
    auto own = [&](uint8_t key, const char* text) {
        uint8_t k[4] = {key, 0, 0, 0};
        SPropValue v[3] = {};
        v[0].ulPropTag = PR_DISPLAY_NAME;
        v[0].Value.lpszA = const_cast<char*>(text);
        v[1].ulPropTag = CHANGE_PROP_TYPE(PR_DEPTH, PT_ERROR);
        v[1].Value.err = MAPI_E_NOT_FOUND;
        v[2] = keyValue(k);
        vqfax::StoredRow::Ptr row;
        ASSERT_EQ(vqfax::StoredRow::make(0, v, 3, row), S_OK);
        data->appendNewRow(std::move(row));
    };
    own(5, "five");
    own(6, "six");

    uint8_t k6[4] = {6, 0, 0, 0};
    SPropValue six = keyValue(k6);
    SRow* row = nullptr;
    ULONG position = 99;
    ASSERT_EQ(data_->HrQueryRow(&six, &row, &position), S_OK);
    ASSERT_NE(row, nullptr);
    Buffer<SRow> found(row);
    EXPECT_EQ(position, 2u);
    EXPECT_STREQ(found->lpProps[0].Value.lpszA, "six");
    EXPECT_EQ(found->lpProps[2].Value.bin.cb, 4u);
    EXPECT_EQ(found->lpProps[2].Value.bin.lpb[0], 6);

    uint8_t k5[4] = {5, 0, 0, 0};
    SPropValue five = keyValue(k5);
    ASSERT_EQ(data_->HrDeleteRow(&five), S_OK);
    put(6, "six again", 9); // replaced where it stands
    auto v = view();
    RowSet rows;
    ASSERT_EQ(v->QueryRows(10, 0, rows.out()), S_OK);
    ASSERT_EQ(rows->cRows, 2u);
    EXPECT_STREQ(rows->aRow[0].lpProps[0].Value.lpszA, "copied");
    EXPECT_EQ(rows->aRow[0].lpProps[1].Value.l, 3);
    EXPECT_STREQ(rows->aRow[1].lpProps[0].Value.lpszA, "six again");
    EXPECT_EQ(rows->aRow[1].lpProps[1].Value.l, 9);
}
