#include "convert/import_merge.h"

#include "../recording_prompter.h"
#include "model/book_kind.h"
#include "model/document.h"
#include "scripted_import_prompter.h"
#include "settings/preferences.h"
#include "strings/string_ids.h"

#include <gtest/gtest.h>

using namespace lisotrex;
using lisotrex::test::RecordingPrompter;
using lisotrex::test::ScriptedImportPrompter;

namespace {

CAddrUserDataObj entry(const char* name, int32_t type, const char* dest, const char* dept = "") {
    return CAddrUserDataObj(type, name, "", dest, dept, 0, 0, false);
}

class MergeTest : public testing::Test {
protected:
    RecordingPrompter prompter;
    ScriptedImportPrompter ip;
    Preferences prefs;
    MemoryClipboard clipboard;
    CLisotrexDoc doc{prompter, prefs, clipboard};
    UndoRecord undo{UndoRecord::Add};

    void book(std::initializer_list<CAddrUserDataObj> entries) {
        for (const auto& e : entries) doc.m_list.push_back(std::make_unique<CAddrUserDataObj>(e));
    }
    MergeResult merge(std::vector<CAddrUserDataObj> entries, int mode) {
        ImportedEntries imported;
        for (auto& e : entries) imported.push_back(std::make_unique<CAddrUserDataObj>(std::move(e)));
        return mergeImported(doc, imported, mode, undo, prompter, ip);
    }
    std::string dest(size_t i) { return doc.entry(i).m_szDestination.c_str(); }
};

} // namespace

TEST_F(MergeTest, ModeZeroUpdatesSameNameAndTypeOnly) {
    book({entry("Ann", kEntryFax, "111", "Old")});
    MergeResult r = merge({entry("Ann", kEntryFax, "222", "New"), entry("Ann", kEntryEmail, "a@b.c"),
                           entry("Bob", kEntryFax, "333")},
                          kModeUpdate);
    ASSERT_EQ(doc.count(), 1u);
    EXPECT_EQ(dest(0), "222");
    EXPECT_STREQ(doc.entry(0).m_szDepartment, "New");
    EXPECT_EQ(doc.entry(0).m_bUpdated, 1u);
    EXPECT_TRUE(ip.asked.empty()) << "one name, one entry: no dialog";
    EXPECT_EQ(r.changedRows, std::vector<size_t>{0});
    ASSERT_EQ(undo.previous.size(), 1u);
    EXPECT_STREQ(undo.previous[0].second.m_szDestination, "111");
}

TEST_F(MergeTest, UnchangedUpdateIsNoChange) {
    book({entry("Ann", kEntryFax, "111")});
    MergeResult r = merge({entry("Ann", kEntryFax, "111")}, kModeUpdate);
    EXPECT_FALSE(r.anyChange());
    EXPECT_EQ(doc.entry(0).m_bUpdated, 0u);
}

TEST_F(MergeTest, TwoImportedOfOneNameAgainstOneBookEntry) {
    book({entry("Ann", kEntryFax, "111")});
    MergeResult r = merge({entry("Ann", kEntryFax, "222"), entry("Ann", kEntryFax, "333")}, kModeUpdateAdd);
    ASSERT_EQ(ip.asked.size(), 2u);
    EXPECT_EQ(ip.asked[0].index, 1u);
    EXPECT_EQ(ip.asked[1].index, 2u);
    EXPECT_EQ(ip.asked[1].groupSize, 2u);
    EXPECT_EQ(ip.asked[0].candidates, std::vector<size_t>{0});
    // The first updates the book entry; the second finds no unmatched one and is added.
    ASSERT_EQ(doc.count(), 2u);
    EXPECT_EQ(dest(0), "222");
    EXPECT_EQ(dest(1), "333");
    EXPECT_EQ(doc.entry(1).m_bUpdated, 1u);
    EXPECT_EQ(r.addedCount, 1u);
    EXPECT_EQ(undo.added, std::vector<uint32_t>{1});
    EXPECT_EQ(ip.asked[0].description,
              "No.1\r\n 類型: 傳真號碼\r\n 名稱: Ann\r\n 目的地: 222\r\n 部門/處: \r\n 存取號碼: \r\n");
}

TEST_F(MergeTest, DuplicateAnswersDeleteAndAddNew) {
    book({entry("Ann", kEntryFax, "1"), entry("Ann", kEntryFax, "2")});
    ip.duplicates = {{DuplicateAnswer::Delete, 0}, {DuplicateAnswer::AddNew, 0}};
    merge({entry("Ann", kEntryFax, "9")}, kModeUpdateAdd);
    merge({entry("Ann", kEntryFax, "8")}, kModeUpdateAdd);
    ASSERT_EQ(ip.asked.size(), 2u) << "two candidates ask even for a single import";
    EXPECT_EQ(ip.asked[0].candidates, (std::vector<size_t>{0, 1}));
    ASSERT_EQ(doc.count(), 3u);
    EXPECT_EQ(dest(0), "1");
    EXPECT_EQ(dest(2), "8");
    // "加入新項目" is not offered in mode 0: such an answer drops the entry.
    ip.duplicates = {{DuplicateAnswer::AddNew, 0}};
    merge({entry("Ann", kEntryFax, "7")}, kModeUpdate);
    EXPECT_EQ(doc.count(), 3u);
}

// The numbers a merge hands out are those the book itself would give each
// entry appended one by one: whatever the maximum (none, smaller than the
// book, larger), numbers beyond it, taken twice or left as gaps.
TEST_F(MergeTest, AppendedEntriesGetTheBooksLowestFreeOneTouchNumbers) {
    struct Case {
        int32_t max;
        std::vector<int32_t> numbers;
        size_t adding;
    };
    const std::vector<Case> cases = {
        {200, {2, 5, 5, 9, 300}, 12}, {6, {1, 3, 5}, 5}, {0, {}, 3}, {0, {1}, 2}, {-4, {2}, 2},
        {3, {}, 6},                   {1, {0, 7}, 3},    {50, {1, 2, 3, 4}, 60},
    };
    for (const auto& c : cases) {
        RecordingPrompter p2;
        CLisotrexDoc expected{p2, prefs, clipboard};
        CLisotrexDoc merged{p2, prefs, clipboard};
        for (CLisotrexDoc* d : {&expected, &merged}) {
            d->m_nBookType = kOneTouchBook;
            d->m_nMaxOneTouch = c.max;
            for (int32_t n : c.numbers) {
                d->m_list.push_back(std::make_unique<CAddrUserDataObj>(entry("Old", kEntryFax, "1")));
                d->m_list.back()->m_nOneTouch = n;
            }
        }
        ImportedEntries imported;
        for (size_t i = 0; i < c.adding; ++i) {
            const std::string name = "New " + std::to_string(i);
            imported.push_back(std::make_unique<CAddrUserDataObj>(entry(name.c_str(), kEntryFax, "2")));
            auto e = std::make_unique<CAddrUserDataObj>(entry(name.c_str(), kEntryFax, "2"));
            e->m_nOneTouch = expected.lowestFreeOneTouch();
            expected.m_list.push_back(std::move(e));
        }
        UndoRecord u{UndoRecord::Add};
        for (int mode : {kModeAddAll, kModeUpdateAdd}) {
            if (mode == kModeUpdateAdd) {
                merged.m_list.resize(c.numbers.size());
                for (size_t i = 0; i < c.adding; ++i)
                    imported.push_back(std::make_unique<CAddrUserDataObj>(
                        entry(("New " + std::to_string(i)).c_str(), kEntryFax, "2")));
            }
            mergeImported(merged, imported, mode, u, p2, ip);
            ASSERT_EQ(merged.count(), expected.count());
            for (size_t i = 0; i < expected.count(); ++i)
                EXPECT_EQ(merged.entry(i).m_nOneTouch, expected.entry(i).m_nOneTouch)
                    << "maximum " << c.max << ", entry " << i << ", mode " << mode;
            imported.clear();
        }
    }
}

TEST_F(MergeTest, ModeTwoAddsEverythingWithFreeOneTouchNumbers) {
    doc.m_nBookType = kOneTouchBook;
    doc.m_nMaxOneTouch = 200;
    book({entry("Ann", kEntryFax, "1")});
    doc.entry(0).m_nOneTouch = 2;
    merge({entry("Ann", kEntryFax, "1"), entry("B", kEntryFax, "2"), entry("C", kEntryEmail, "c@d.e")}, kModeAddAll);
    ASSERT_EQ(doc.count(), 4u);
    EXPECT_EQ(doc.entry(1).m_nOneTouch, 1);
    EXPECT_EQ(doc.entry(2).m_nOneTouch, 3);
    EXPECT_EQ(doc.entry(3).m_nOneTouch, 4);
    EXPECT_TRUE(ip.asked.empty());
}

TEST_F(MergeTest, ImportTakesTheMaximumWhenOnlyItIsFree) {
    doc.m_nBookType = kOneTouchBook;
    doc.m_nMaxOneTouch = 3;
    book({entry("Ann", kEntryFax, "1"), entry("Bo", kEntryFax, "2")});
    doc.entry(0).m_nOneTouch = 1;
    doc.entry(1).m_nOneTouch = 2;
    merge({entry("Cy", kEntryFax, "3"), entry("Di", kEntryEmail, "d@e.f")}, kModeUpdateAdd);
    ASSERT_EQ(doc.count(), 4u);
    EXPECT_EQ(doc.entry(2).m_nOneTouch, 3);
    EXPECT_EQ(doc.entry(3).m_nOneTouch, 0);
}

TEST_F(MergeTest, FullBookStopsWith6001Once) {
    for (int i = 0; i < 9998; ++i) book({entry(("n" + std::to_string(i)).c_str(), kEntryFax, "1")});
    MergeResult r = merge({entry("x", kEntryFax, "1"), entry("y", kEntryFax, "2"), entry("z", kEntryFax, "3")},
                          kModeUpdateAdd);
    EXPECT_FALSE(r.finished);
    EXPECT_EQ(doc.count(), 9999u);
    EXPECT_EQ(prompter.take(), std::vector<int>{ids::IDS_MSG_BOOK_FULL});
}

TEST_F(MergeTest, ManySameNamesUpdateInOrder) {
    // n imported entries of one name update n book entries in book order.
    for (int i = 0; i < 3; ++i) book({entry("Same", kEntryFax, "old")});
    merge({entry("Same", kEntryFax, "a"), entry("Same", kEntryFax, "b"), entry("Same", kEntryFax, "c")},
          kModeUpdateAdd);
    EXPECT_EQ(doc.count(), 3u);
    EXPECT_EQ(dest(0), "a");
    EXPECT_EQ(dest(1), "b");
    EXPECT_EQ(dest(2), "c");
}

TEST_F(MergeTest, OnlyEntriesTheBookHadBeforeAreCandidates) {
    // Two fax entries of one name from one record, into an empty book: nothing to ask.
    MergeResult r = merge({entry("Ann", kEntryFax, "111"), entry("Ann", kEntryFax, "222")}, kModeUpdateAdd);
    EXPECT_TRUE(ip.asked.empty());
    ASSERT_EQ(doc.count(), 2u);
    EXPECT_EQ(dest(0), "111");
    EXPECT_EQ(dest(1), "222");
    EXPECT_EQ(r.addedCount, 2u);

    // Three of a name against the book's one: each is asked about, always
    // with the book's entry alone, never with one this import added.
    undo = UndoRecord(UndoRecord::Add);
    ip.duplicates = {{DuplicateAnswer::Update, 0}, {DuplicateAnswer::AddNew, 0}};
    merge({entry("Ann", kEntryEmail, "a@x.y")}, kModeUpdateAdd);
    ASSERT_EQ(doc.count(), 3u);
    ip.asked.clear();
    ip.duplicates = {{DuplicateAnswer::Update, 2}, {DuplicateAnswer::AddNew, 0}};
    merge({entry("Ann", kEntryEmail, "b@x.y"), entry("Ann", kEntryEmail, "c@x.y"), entry("Ann", kEntryEmail, "d@x.y")},
          kModeUpdateAdd);
    ASSERT_EQ(ip.asked.size(), 3u);
    for (size_t k = 0; k < 3; ++k) {
        EXPECT_EQ(ip.asked[k].index, k + 1);
        EXPECT_EQ(ip.asked[k].groupSize, 3u);
        EXPECT_EQ(ip.asked[k].candidates, std::vector<size_t>{2}) << "member " << k + 1;
    }
    EXPECT_EQ(dest(2), "b@x.y");
    ASSERT_EQ(doc.count(), 5u) << "the second and third are added";
}
