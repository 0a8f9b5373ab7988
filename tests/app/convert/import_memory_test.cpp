// An import that runs out of memory at any point: nothing read is merged when
// the reading fails, what was merged stays (as one undo step) when the merge
// fails, and 6023 says so.

#include "convert/import_command.h"

#include "../every_allocation.h"
#include "../shadow_view.h"
#include "files/entry_record.h"
#include "files/log_file.h"
#include "model/document.h"
#include "scripted_import_prompter.h"
#include "settings/field_maps.h"
#include "settings/preferences.h"
#include "strings/string_ids.h"
#include "test_environment.h"

#include <gtest/gtest.h>

using namespace lisotrex;

namespace {

class SteadyImportPrompter : public lisotrex::test::ScriptedImportPrompter {
public:
    std::optional<int> chooseImportMode(bool bookIsEmpty) override {
        velmo::test::AllocationsAllowed steady;
        return ScriptedImportPrompter::chooseImportMode(bookIsEmpty);
    }
    bool importDialog(ImportDialogValues& v) override {
        velmo::test::AllocationsAllowed steady;
        return ScriptedImportPrompter::importDialog(v);
    }
    DuplicateChoice chooseDuplicate(const DuplicateQuestion& q) override {
        velmo::test::AllocationsAllowed steady;
        return ScriptedImportPrompter::chooseDuplicate(q);
    }
};

std::string snapshot(const CLisotrexDoc& doc) {
    std::string out;
    for (const auto& e : doc.m_list) {
        appendEntryLine(out, *e, kOneTouchBook, e->m_bUpdated ? " u\n" : " -\n");
    }
    return out;
}

} // namespace

TEST(ImportMemory, ReadingOrMergingRunsOutOfMemory) {
    velmo::test::freshRegistry();
    const std::string dir = velmo::test::makeTempDir("impmem");
    velmo::test::writeFile(dir + "/in.abu", "1,Velmo.Lisotrex.Document,200,1600,1,1,\r\n"
                                            "0,Ann,,101,New,0,\r\n1,Bob,,b@x.y,,0,\r\n0,Cy,,300,,0,\r\n0,Di,,400,,0,\r\n");
    velmo::test::writeFile(dir + "/in.csv", "First Name,Last name,Fax number,E-mail Addresses\n"
                                            "Ann,,102,SMTP:a@x.y\nEd,,500,\n");
    FieldMaps maps = FieldMaps::load("/nonexistent/Lisotrex.inf");
    for (int32_t source : {kSourceNativeBook, kSourceExchange}) {
        SCOPED_TRACE(source);
        lisotrex::test::SteadyPrompter prompter;
        SteadyImportPrompter ip;
        Preferences prefs;
        MemoryClipboard clipboard;
        Conversion conversion;
        Log log(prompter, dir + "/import.log");
        std::unique_ptr<CLisotrexDoc> doc;
        std::unique_ptr<lisotrex::test::ShadowView> view;
        std::string before;
        ImportOutcome outcome;
        lisotrex::test::atEveryAllocation(
            [&] {
                view.reset();
                doc = std::make_unique<CLisotrexDoc>(prompter, prefs, clipboard);
                doc->m_nBookType = kOneTouchBook;
                doc->m_list.push_back(std::make_unique<CAddrUserDataObj>(0, "Ann", "", "100", "Old", 0, 1, false));
                view = std::make_unique<lisotrex::test::ShadowView>(*doc);
                before = snapshot(*doc);
                prompter.shown.clear();
                ip.dialog = ImportDialogValues{source == kSourceNativeBook ? dir + "/in.abu" : dir + "/in.csv", source, 1, 1};
            },
            [&] {
                ImportServices s{*doc, prefs, maps, conversion, log, prompter, ip, {}};
                outcome = importCommand(s);
                return !outcome.failed;
            },
            [&](const lisotrex::test::Outcome& o) {
                EXPECT_FALSE(log.running());
                EXPECT_TRUE(doc->m_bStatusRefresh);
                EXPECT_TRUE(view->inStep());
                if (o.threw) {
                    // Before the importer ran: the command ends where it is caught.
                    EXPECT_TRUE(prompter.shown.empty());
                    EXPECT_EQ(snapshot(*doc), before);
                } else if (!o.result) {
                    EXPECT_EQ(prompter.shown, std::vector<int>{ids::IDS_MSG_FILE_OPEN_FAILED});
                } else {
                    EXPECT_TRUE(prompter.shown.empty());
                }
                EXPECT_EQ(doc->canUndo(), snapshot(*doc) != before);
                if (doc->canUndo()) {
                    prompter.answers = {Answer::Yes};
                    ASSERT_TRUE(doc->undo());
                }
                EXPECT_EQ(snapshot(*doc), before);
            });
    }
}
