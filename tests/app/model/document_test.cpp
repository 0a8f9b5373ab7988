#include "model/document.h"
#include "recording_prompter.h"
#include "settings/preferences.h"
#include "strings/string_ids.h"

#include <gtest/gtest.h>
#include <numeric>

using namespace lisotrex;
using lisotrex::test::RecordingPrompter;
namespace I = lisotrex::ids;

namespace {

struct DocFixture : ::testing::Test {
    RecordingPrompter ui;
    Preferences prefs;
    MemoryClipboard clip;
    CLisotrexDoc doc{ui, prefs, clip};

    void fill(int32_t kind, int n, bool numbered = false) {
        doc.m_nBookType = kind;
        for (int i = 0; i < n; ++i)
            doc.m_list.push_back(std::make_unique<CAddrUserDataObj>(
                i % 2, "N" + std::to_string(i), "", "D" + std::to_string(i), "", 0, numbered ? i + 1 : 0, false));
        doc.recountChecked();
    }
    std::string name(size_t i) const { return doc.entry(i).m_szName.c_str(); }
    static std::function<bool(CAddrUserDataObj&, EntryDialogMode)> typing(const char* name, int32_t oneTouch = -1) {
        return [=](CAddrUserDataObj& e, EntryDialogMode) {
            e.setName(name);
            e.setDestination("555");
            if (oneTouch >= 0) e.m_nOneTouch = oneTouch;
            return true;
        };
    }
};

} // namespace

TEST_F(DocFixture, AddAtLimitShowsBookFullOnly) {
    fill(kPlainBook, 9999);
    EXPECT_FALSE(doc.addEntry());
    EXPECT_EQ(ui.take(), std::vector<int>{I::IDS_MSG_BOOK_FULL});
    EXPECT_EQ(doc.count(), 9999u);
}

TEST_F(DocFixture, AddStartsWithLowestFreeOneTouchNumber) {
    doc.m_nMaxOneTouch = 3;
    fill(kOneTouchBook, 0);
    for (int32_t n : {1, 3}) doc.m_list.push_back(std::make_unique<CAddrUserDataObj>(n));
    int32_t offered = -1;
    ui.onEdit = [&](CAddrUserDataObj& e, EntryDialogMode m) {
        offered = e.m_nOneTouch;
        EXPECT_EQ(m, EntryDialogMode::Add);
        return typing("A")(e, m);
    };
    ASSERT_TRUE(doc.addEntry());
    EXPECT_EQ(offered, 2);
    EXPECT_EQ(doc.entry(2).m_bUpdated, 1u);
    // All numbers in use: the next entry starts without one.
    ASSERT_TRUE(doc.addEntry());
    EXPECT_EQ(offered, 0);
    EXPECT_TRUE(ui.shown.empty());
    EXPECT_TRUE(doc.isModified());
}

// In a one-touch book whose only free number is the maximum itself, add and
// paste take exactly that number, and only once.
TEST_F(DocFixture, OnlyFreeNumberIsTheMaximumForAddAndPaste) {
    doc.m_nMaxOneTouch = 4;
    fill(kOneTouchBook, 3, true); // numbers 1, 2 and 3
    clip.put("0,P1,,1,,0,\n0,P2,,2,,0,\n");
    ASSERT_TRUE(doc.pasteEntries());
    ASSERT_EQ(doc.count(), 5u);
    EXPECT_EQ(doc.entry(3).m_nOneTouch, 4);
    EXPECT_EQ(doc.entry(4).m_nOneTouch, 0) << "nothing is free any more";
    ui.answers = {Answer::Yes};
    ASSERT_TRUE(doc.undo());

    int32_t offered = -1;
    ui.onEdit = [&](CAddrUserDataObj& e, EntryDialogMode m) {
        offered = e.m_nOneTouch;
        return typing("A")(e, m);
    };
    ASSERT_TRUE(doc.addEntry());
    EXPECT_EQ(offered, 4);
    EXPECT_EQ(doc.entry(3).m_nOneTouch, 4);
    EXPECT_EQ(ui.take(), std::vector<int>{I::IDS_ASK_UNDO});
}

TEST_F(DocFixture, CancelledAddChangesNothing) {
    fill(kPlainBook, 1);
    ui.onEdit = [](CAddrUserDataObj&, EntryDialogMode) { return false; };
    EXPECT_FALSE(doc.addEntry());
    EXPECT_EQ(doc.count(), 1u);
    EXPECT_FALSE(doc.canUndo());
}

TEST_F(DocFixture, OneTouchConflictYesTakesNumberAndUndoGivesItBack) {
    fill(kOneTouchBook, 3, true);
    ui.onEdit = typing("New", 2);
    ui.answers = {Answer::Yes};
    ASSERT_TRUE(doc.addEntry());
    EXPECT_EQ(ui.take(), std::vector<int>{I::IDS_ASK_ONE_TOUCH_TAKEN});
    EXPECT_EQ(ui.args.back(), std::vector<std::string>{"2"});
    EXPECT_EQ(doc.entry(1).m_nOneTouch, 0);
    EXPECT_EQ(doc.entry(1).m_bUpdated, 1u);
    EXPECT_EQ(doc.entry(3).m_nOneTouch, 2);

    ui.answers = {Answer::No};
    EXPECT_FALSE(doc.undo());
    EXPECT_EQ(doc.count(), 4u);
    ui.answers = {Answer::Yes};
    ASSERT_TRUE(doc.undo());
    EXPECT_EQ(ui.take(), (std::vector<int>{I::IDS_ASK_UNDO, I::IDS_ASK_UNDO}));
    ASSERT_EQ(doc.count(), 3u);
    EXPECT_EQ(doc.entry(1).m_nOneTouch, 2);
    EXPECT_EQ(doc.entry(1).m_bUpdated, 0u);
    EXPECT_FALSE(doc.canUndo());
}

TEST_F(DocFixture, OneTouchConflictNoDropsNewNumber) {
    fill(kOneTouchBook, 3, true);
    ui.onEdit = [](CAddrUserDataObj& e, EntryDialogMode) {
        e.m_nOneTouch = 3;
        return true;
    };
    ui.answers = {Answer::No};
    ASSERT_TRUE(doc.modifyEntry({0}));
    EXPECT_EQ(doc.entry(0).m_nOneTouch, 0);
    EXPECT_EQ(doc.entry(2).m_nOneTouch, 3);
    EXPECT_EQ(doc.entry(2).m_bUpdated, 0u);
}

TEST_F(DocFixture, ModifyNeedsOneSelectionAndRecordsOnlyRealChanges) {
    fill(kPlainBook, 3);
    EXPECT_FALSE(doc.modifyEntry({}));
    EXPECT_FALSE(doc.modifyEntry({0, 1}));
    EXPECT_EQ(ui.take(), (std::vector<int>{I::IDS_MSG_MODIFY_SELECT_ONE, I::IDS_MSG_MODIFY_SELECT_ONE}));

    ui.onEdit = [](CAddrUserDataObj& e, EntryDialogMode m) { return m == EntryDialogMode::Modify; };
    EXPECT_FALSE(doc.modifyEntry({1}));
    EXPECT_EQ(doc.entry(1).m_bUpdated, 0u);
    EXPECT_FALSE(doc.canUndo());
    EXPECT_FALSE(doc.isModified());

    ui.onEdit = [](CAddrUserDataObj& e, EntryDialogMode) {
        e.m_nAccessCode = 12;
        return true;
    };
    ASSERT_TRUE(doc.modifyEntry({1}));
    EXPECT_EQ(doc.entry(1).m_nAccessCode, 12);
    EXPECT_EQ(doc.entry(1).m_bUpdated, 1u);
    ui.answers = {Answer::Yes};
    ASSERT_TRUE(doc.undo());
    EXPECT_EQ(doc.entry(1).m_nAccessCode, 0);
    EXPECT_EQ(doc.entry(1).m_bUpdated, 0u);
}

TEST_F(DocFixture, DeleteAsksAndUndoRestoresPositionsWithoutAsking) {
    fill(kPlainBook, 6);
    EXPECT_FALSE(doc.deleteEntries({}));
    ui.answers = {Answer::No};
    EXPECT_FALSE(doc.deleteEntries({1}));
    EXPECT_EQ(ui.take(), (std::vector<int>{I::IDS_MSG_DELETE_SELECT, I::IDS_ASK_DELETE_ENTRIES}));
    EXPECT_EQ(doc.count(), 6u);

    ui.answers = {Answer::Yes};
    doc.entry(4).m_bChecked = 0;
    ASSERT_TRUE(doc.deleteEntries({4, 0, 2})); // view order differs from list order
    ASSERT_EQ(doc.count(), 3u);
    EXPECT_EQ(name(0) + name(1) + name(2), "N1N3N5");
    EXPECT_EQ(doc.m_nCheckedCount, 3u);
    ui.take();
    ASSERT_TRUE(doc.undo());
    EXPECT_TRUE(ui.shown.empty());
    ASSERT_EQ(doc.count(), 6u);
    for (size_t i = 0; i < 6; ++i) EXPECT_EQ(name(i), "N" + std::to_string(i));
    EXPECT_EQ(doc.m_nCheckedCount, 5u);
}

TEST_F(DocFixture, CutWritesListOrderCopyWritesViewOrder) {
    fill(kOneTouchBook, 3, true);
    EXPECT_FALSE(doc.copyEntries({}));
    EXPECT_FALSE(doc.cutEntries({}));
    EXPECT_EQ(ui.take(), (std::vector<int>{I::IDS_MSG_COPY_SELECT, I::IDS_MSG_CUT_SELECT}));

    ASSERT_TRUE(doc.copyEntries({2, 0}));
    EXPECT_EQ(*clip.get(), std::string("0,N2,,D2,,0,3\n0,N0,,D0,,0,1\n") + '\0');
    EXPECT_FALSE(doc.canUndo());

    ui.answers = {Answer::Yes};
    ASSERT_TRUE(doc.cutEntries({2, 1}));
    EXPECT_EQ(*clip.get(), std::string("1,N1,,D1,,0,2\n0,N2,,D2,,0,3\n") + '\0');
    EXPECT_EQ(ui.take(), std::vector<int>{I::IDS_ASK_DELETE_ENTRIES});
    EXPECT_EQ(doc.count(), 1u);
}

TEST_F(DocFixture, PasteStopsAtLimitWithOneMessageAndOneUndo) {
    fill(kPlainBook, 9997);
    clip.put(std::string("0,A,,1,\n1,B,,b@x,,7\n0,C,,3,\n0,D,,4,\n") + '\0');
    ASSERT_TRUE(doc.pasteEntries());
    EXPECT_EQ(ui.take(), std::vector<int>{I::IDS_MSG_BOOK_FULL});
    ASSERT_EQ(doc.count(), 9999u);
    EXPECT_EQ(name(9998), "B");
    EXPECT_EQ(doc.entry(9998).m_nAccessCode, 7);
    EXPECT_EQ(doc.entry(9998).m_bUpdated, 1u);
    ui.answers = {Answer::Yes};
    ASSERT_TRUE(doc.undo());
    EXPECT_EQ(doc.count(), 9997u);
}

TEST_F(DocFixture, PasteFillingTheBookExactlyShowsNothing) {
    fill(kPlainBook, 9998);
    clip.put(std::string("0,A,,1,\n") + '\0');
    ASSERT_TRUE(doc.pasteEntries());
    EXPECT_TRUE(ui.shown.empty());
}

TEST_F(DocFixture, PasteEndsSilentlyAtBadRecordAndNumbersOneTouchEntries) {
    doc.m_nMaxOneTouch = 10;
    fill(kOneTouchBook, 2, true);
    clip.put(std::string("0,A,,1,,0,1\n2,Bad,,2,\n0,C,,3,\n") + '\0');
    ASSERT_TRUE(doc.pasteEntries());
    EXPECT_TRUE(ui.shown.empty());
    ASSERT_EQ(doc.count(), 3u);
    EXPECT_EQ(doc.entry(2).m_nOneTouch, 3); // lowest free, not the copied number
}

TEST_F(DocFixture, PastedEntriesFillTheGapsBetweenOneTouchNumbersInOrder) {
    doc.m_nMaxOneTouch = 8;
    fill(kOneTouchBook, 3, true);
    doc.entry(0).m_nOneTouch = 2;
    doc.entry(1).m_nOneTouch = 5;
    doc.entry(2).m_nOneTouch = 9; // beyond the maximum: frees nothing, takes nothing
    std::string lines;
    for (int i = 0; i < 8; ++i) lines += "0,P" + std::to_string(i) + ",,1,,0,\n";
    clip.put(lines + '\0');
    ASSERT_TRUE(doc.pasteEntries());
    ASSERT_EQ(doc.count(), 11u);
    const int32_t expected[] = {1, 3, 4, 6, 7, 8, 0, 0};
    for (size_t i = 0; i < 8; ++i) EXPECT_EQ(doc.entry(3 + i).m_nOneTouch, expected[i]) << i;
    EXPECT_TRUE(ui.shown.empty()) << "a free number is never asked about";
}

TEST_F(DocFixture, RenumberFollowsViewOrderUpToMaximum) {
    doc.m_nMaxOneTouch = 200;
    fill(kOneTouchBook, 260, true);
    // The view shows 250 entries in reverse list order; the last 10 are hidden.
    std::vector<size_t> view(250);
    std::iota(view.rbegin(), view.rend(), size_t{0});
    ASSERT_TRUE(doc.renumberOneTouch(view));
    for (size_t i = 0; i < 250; ++i) EXPECT_EQ(doc.entry(view[i]).m_nOneTouch, i < 200 ? int32_t(i + 1) : 0) << i;
    for (size_t p = 250; p < 260; ++p) EXPECT_EQ(doc.entry(p).m_nOneTouch, 0);
    ui.answers = {Answer::Yes};
    ASSERT_TRUE(doc.undo());
    for (size_t p = 0; p < 260; ++p) ASSERT_EQ(doc.entry(p).m_nOneTouch, int32_t(p + 1));
}

TEST_F(DocFixture, RenumberMarksOnlyChangedEntriesAndIgnoresPlainBooks) {
    doc.m_nMaxOneTouch = 5;
    fill(kOneTouchBook, 3, true);
    EXPECT_FALSE(doc.renumberOneTouch({0, 1, 2}));
    EXPECT_FALSE(doc.canUndo());
    ASSERT_TRUE(doc.renumberOneTouch({0, 2, 1}));
    EXPECT_EQ(doc.entry(0).m_bUpdated, 0u);
    EXPECT_EQ(doc.entry(1).m_nOneTouch, 3);
    EXPECT_EQ(doc.entry(1).m_bUpdated, 1u);

    doc.m_nBookType = kPlainBook;
    EXPECT_FALSE(doc.renumberOneTouch({2, 1, 0}));
    EXPECT_EQ(doc.entry(0).m_nOneTouch, 1);
    EXPECT_EQ(ui.busy, 0);
}
