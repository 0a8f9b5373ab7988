// Memory running out in the middle of a document operation: whichever
// allocation fails, the operation ends cleanly and the book keeps what it had.

#include "every_allocation.h"
#include "files/entry_record.h"
#include "model/book_kind.h"
#include "model/document.h"
#include "recording_prompter.h"
#include "settings/preferences.h"
#include "shadow_view.h"
#include "strings/string_ids.h"
#include "test_environment.h"

#include <filesystem>
#include <gtest/gtest.h>

using namespace lisotrex;
using lisotrex::test::atEveryAllocation;
using lisotrex::test::Outcome;
using lisotrex::test::SteadyPrompter;
using lisotrex::test::ShadowView;
using velmo::test::readFile;
using velmo::test::writeFile;
namespace I = lisotrex::ids;

namespace {

// Every entry with the flags the file does not keep.
std::string snapshot(const CLisotrexDoc& doc) {
    std::string out;
    for (const auto& e : doc.m_list) {
        appendEntryLine(out, *e, kOneTouchBook, "");
        out += e->m_bUpdated ? " u" : " -";
        out += e->m_bChecked ? "c\n" : "-\n";
    }
    return out;
}

struct MemoryFixture : ::testing::Test {
    SteadyPrompter ui;
    Preferences prefs;
    MemoryClipboard clip;
    std::unique_ptr<CLisotrexDoc> doc;
    std::unique_ptr<ShadowView> view;
    std::string dir = velmo::test::makeTempDir("mem");

    void fresh(int entries) {
        view.reset();
        doc = std::make_unique<CLisotrexDoc>(ui, prefs, clip);
        doc->m_nBookType = kOneTouchBook;
        doc->m_nMaxOneTouch = 20;
        for (int i = 0; i < entries; ++i)
            doc->m_list.push_back(std::make_unique<CAddrUserDataObj>(
                i % 2, "N" + std::to_string(i), "", "D" + std::to_string(i), "", 0, i + 1, false));
        doc->recountChecked();
        view = std::make_unique<ShadowView>(*doc);
        ui.shown.clear();
        ui.onShow = [this](int id) { EXPECT_TRUE(view->showsOnlyHeldEntries()) << "at message " << id; };
    }
};

} // namespace

TEST_F(MemoryFixture, PasteKeepsWhatItPastedUnderOneUndo) {
    const std::string block = std::string("0,A,,1,\n1,B,,b@x,,7\n0,C,,3,\n0,D,,4,\n") + '\0';
    std::string before;
    atEveryAllocation(
        [&] {
            fresh(3);
            clip.put(block);
            before = snapshot(*doc);
        },
        [&] { return doc->pasteEntries(); },
        [&](const Outcome& o) {
            // Before anything was pasted the failure ends the command as it
            // is; after, the paste keeps what it pasted.
            if (o.threw) {
                EXPECT_EQ(doc->count(), 3u);
            }
            EXPECT_TRUE(ui.shown.empty());
            EXPECT_TRUE(doc->m_bStatusRefresh);
            EXPECT_TRUE(view->inStep());
            EXPECT_EQ(o.result, doc->count() > 3);
            EXPECT_EQ(doc->canUndo(), doc->count() > 3);
            if (doc->count() > 3) {
                EXPECT_TRUE(doc->isModified());
                ui.answers = {Answer::Yes};
                ASSERT_TRUE(doc->undo());
            }
            EXPECT_EQ(snapshot(*doc), before);
        });
}

TEST_F(MemoryFixture, ListCommandsChangeEverythingOrNothing) {
    using Op = std::function<bool(CLisotrexDoc&)>;
    const std::vector<std::pair<const char*, Op>> commands = {
        {"add", [](CLisotrexDoc& d) { return d.addEntry(); }},
        {"modify", [](CLisotrexDoc& d) { return d.modifyEntry({1}); }},
        {"delete", [](CLisotrexDoc& d) { return d.deleteEntries({2, 0}); }},
        {"cut", [](CLisotrexDoc& d) { return d.cutEntries({1, 3}); }},
        {"copy", [](CLisotrexDoc& d) { return d.copyEntries({1, 3}); }},
        {"renumber", [](CLisotrexDoc& d) { return d.renumberOneTouch({3, 2, 1, 0}); }},
    };
    for (const auto& [name, command] : commands) {
        SCOPED_TRACE(name);
        std::string before;
        atEveryAllocation(
            [&] {
                fresh(4);
                // The new or changed entry takes number 2, which entry 1 holds.
                ui.onEdit = [](CAddrUserDataObj& e, EntryDialogMode) {
                    e.setName("Typed");
                    e.setDestination("555");
                    e.m_nOneTouch = 2;
                    return true;
                };
                ui.answers = {Answer::Yes, Answer::Yes};
                before = snapshot(*doc);
            },
            [&] { return command(*doc); },
            [&](const Outcome& o) {
                if (o.threw) {
                    EXPECT_EQ(snapshot(*doc), before);
                    EXPECT_FALSE(doc->canUndo());
                    EXPECT_FALSE(doc->isModified());
                } else {
                    EXPECT_TRUE(o.result);
                }
                EXPECT_TRUE(view->inStep());
                EXPECT_TRUE(doc->m_bStatusRefresh);
            });
    }
}

TEST_F(MemoryFixture, FailedOpenShowsOpenFailedAndLeavesAnEmptyBook) {
    writeFile(dir + "/five.abu", "1,Velmo.Lisotrex.Document,30,1600,0,1,\r\n"
                                 "0,A,,1,,0,1\r\n0,B,,2,,0,2\r\n1,C,,c@x,,0,\r\n0,D,,4,,0,4\r\n0,E,,5,,0,5\r\n");
    const std::string path = dir + "/five.abu";
    atEveryAllocation(
        [&] { fresh(3); },
        [&] { return doc->openBook(path); },
        [&](const Outcome& o) {
            EXPECT_FALSE(o.threw);
            EXPECT_TRUE(view->inStep());
            EXPECT_TRUE(doc->m_bStatusRefresh);
            if (o.result) {
                EXPECT_EQ(doc->count(), 5u);
                EXPECT_TRUE(ui.shown.empty());
                return;
            }
            EXPECT_EQ(ui.shown, std::vector<int>{I::IDS_MSG_FILE_OPEN_FAILED});
            EXPECT_EQ(ui.icons.back(), Icon::Stop);
            // As after any failed open: the old book when the file was not
            // yet opened, else an empty one; the held file is let go.
            EXPECT_TRUE(doc->count() == 0 || doc->count() == 3) << doc->count();
            EXPECT_FALSE(doc->heldFile().isOpen());
            EXPECT_TRUE(doc->path().empty());
        });
}

TEST_F(MemoryFixture, FailedSaveKeepsTheFileAndTheChanges) {
    const std::string path = dir + "/saved.abu";
    const std::string old = "0,Velmo.Lisotrex.Document,200,1600,1,1,\r\n0,Old,,1,,0\r\n";
    atEveryAllocation(
        [&] {
            fresh(4);
            doc->setModified(true);
            writeFile(path, old);
        },
        [&] { return doc->saveBook(path); },
        [&](const Outcome& o) {
            EXPECT_FALSE(o.threw);
            if (o.result) {
                EXPECT_NE(readFile(path), old);
                EXPECT_FALSE(doc->isModified());
                return;
            }
            EXPECT_EQ(ui.shown, std::vector<int>{I::IDS_MSG_FILE_OPEN_FAILED});
            EXPECT_EQ(readFile(path), old);
            EXPECT_TRUE(doc->isModified());
            EXPECT_EQ(doc->count(), 4u);
            size_t files = 0;
            for ([[maybe_unused]] const auto& f : std::filesystem::directory_iterator(dir)) ++files;
            EXPECT_EQ(files, 1u) << "no temporary file is left behind";
        });
}

TEST_F(MemoryFixture, FreeOneTouchNumberCostsNoMoreThanTheEntries) {
    // A header maximum far beyond the entry limit (as a damaged or foreign
    // file may carry) must not make each search allocate by the maximum.
    fresh(0);
    doc->m_nMaxOneTouch = std::numeric_limits<int32_t>::max();
    for (int32_t n : {1, 2, 3, 5}) doc->m_list.push_back(std::make_unique<CAddrUserDataObj>(n));
    velmo::test::LimitAllocationSize limit(64 * 1024);
    EXPECT_EQ(doc->lowestFreeOneTouch(), 4);
    doc->m_list.push_back(std::make_unique<CAddrUserDataObj>(4));
    EXPECT_EQ(doc->lowestFreeOneTouch(), 6);
    clip.put(std::string("0,A,,1,\n0,B,,2,\n") + '\0');
    ASSERT_TRUE(doc->pasteEntries());
    EXPECT_EQ(doc->entry(5).m_nOneTouch, 6);
    EXPECT_EQ(doc->entry(6).m_nOneTouch, 7);
    EXPECT_FALSE(velmo::test::allocationFailed());

    // Every number up to a small maximum in use: none is free.
    doc->m_nMaxOneTouch = 7;
    EXPECT_EQ(doc->lowestFreeOneTouch(), 0);
    doc->m_nMaxOneTouch = 8;
    EXPECT_EQ(doc->lowestFreeOneTouch(), 8);
}
