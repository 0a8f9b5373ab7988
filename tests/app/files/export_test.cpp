#include "files/abk_export.h"
#include "model/document.h"
#include "every_allocation.h"
#include "recording_prompter.h"
#include "settings/preferences.h"
#include "strings/string_ids.h"
#include "test_environment.h"

#include <csignal>
#include <sys/resource.h>

#include <gtest/gtest.h>

using namespace lisotrex;
using lisotrex::test::RecordingPrompter;
using velmo::test::makeTempDir;
using velmo::test::readFile;
using velmo::test::writeFile;
namespace I = lisotrex::ids;

namespace {

struct ExportFixture : ::testing::Test {
    RecordingPrompter ui;
    Preferences prefs;
    MemoryClipboard clip;
    CLisotrexDoc doc{ui, prefs, clip};
    std::string dir = makeTempDir("exp");
    std::string out = dir + "/out.abk";
    std::string logPath = dir + "/x.log";
    Log log{ui, logPath};

    void add(int32_t type, const char* name, const char* dest, int32_t access, int32_t oneTouch, bool checked = true) {
        doc.m_list.push_back(std::make_unique<CAddrUserDataObj>(type, name, "", dest, "Dept", access, oneTouch, false));
        doc.m_list.back()->m_bChecked = checked;
    }
    ExportResult run(int32_t fax = 1, int32_t email = 1) {
        ui.exportDialogs.push_back(ExportDialogValues{out, fax, email});
        return exportBook(doc, prefs, log, ui);
    }
    std::string logBody() const {
        std::string s = readFile(logPath);
        return s.substr(s.find("\r\n") + 2);
    }
};

} // namespace

TEST_F(ExportFixture, PlainBookLayout) {
    add(kEntryFax, "A", "02-555", 12, 0);
    add(kEntryEmail, "B", "b@x.example", 0, 0);
    ASSERT_EQ(run(), ExportResult::Written);
    EXPECT_EQ(readFile(out), "# Velmo AddressBook version: 1\r\n"
                             "\r\ndn: 1\r\ncn: A\r\ncnread: A\r\nprotocol: t30\r\ndialdata: 02-555\r\naccesscode: 12\r\n"
                             "objectclass: top\r\nobjectclass: extensibleobject\r\nobjectclass: g3fax\r\n"
                             "\r\ndn: 2\r\ncn: B\r\ncnread: B\r\nprotocol: smtp\r\nmailaddress: b@x.example\r\n"
                             "objectclass: top\r\nobjectclass: extensibleobject\r\nobjectclass: email\r\n");
    EXPECT_TRUE(ui.shown.empty());
    // The dialog's choices are stored, and a second export logs a second run.
    EXPECT_EQ(loadPreferences().exports.ldifFilePath, out);
    ui.answers = {Answer::Yes};
    ASSERT_EQ(run(), ExportResult::Written);
    EXPECT_EQ(ui.take(), std::vector<int>{I::IDS_ASK_REPLACE_FILE});
    std::string text = readFile(logPath);
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 2);
}

TEST_F(ExportFixture, OneTouchBookUsesFixedNumbersAndLogsSkips) {
    doc.m_nBookType = kOneTouchBook;
    add(kEntryFax, "Skip", "111", 0, 0);      // 1: no one-touch number
    add(kEntryFax, "X", "222", 0, 9, false);  //    unchecked: not examined
    add(kEntryEmail, "Mail", "m@x", 0, 4);    //    type not chosen
    add(kEntryFax, "Hi", "333", 0, 30);       // 2
    add(kEntryFax, "NoDest", "", 0, 2);       // 3: no destination
    add(kEntryFax, "Lo", "444", 0, 2);        // 4
    ASSERT_EQ(run(1, 0), ExportResult::Written);
    EXPECT_EQ(readFile(out), "# Velmo AddressBook version: 1\r\n# dn: fixed\r\n"
                             "\r\ndn: 30\r\ncn: Hi\r\ncnshort: Hi\r\ncnread: Hi\r\nprotocol: t30\r\ndialdata: 333\r\n"
                             "objectclass: top\r\nobjectclass: extensibleobject\r\nobjectclass: g3fax\r\n"
                             "\r\ndn: 2\r\ncn: Lo\r\ncnshort: Lo\r\ncnread: Lo\r\nprotocol: t30\r\ndialdata: 444\r\n"
                             "objectclass: top\r\nobjectclass: extensibleobject\r\nobjectclass: g3fax\r\n");
    EXPECT_EQ(logBody(), "0001: 沒有單鍵資料。\r\n0003: 目的地沒有傳真或 E-mail 資料。\r\n");
    EXPECT_EQ(prefs.exports.email, 0);
}

TEST_F(ExportFixture, PlainSkipsDoNotUseNumbers) {
    add(kEntryFax, "A", "", 0, 0);
    add(kEntryFax, "B", "1", 0, 0);
    ASSERT_EQ(run(), ExportResult::Written);
    EXPECT_NE(readFile(out).find("\r\ndn: 1\r\ncn: B\r\n"), std::string::npos);
    EXPECT_EQ(logBody(), "0001: 目的地沒有傳真或 E-mail 資料。\r\n");
}

TEST_F(ExportFixture, QuestionsCanStopTheExport) {
    add(kEntryFax, "A", "1", 0, 0);
    prefs.exports.maxExport = 0;
    ui.answers = {Answer::No};
    EXPECT_EQ(run(), ExportResult::Cancelled);
    EXPECT_FALSE(platform::fileExists(out));
    EXPECT_FALSE(platform::fileExists(logPath));
    ui.answers = {Answer::Yes};
    EXPECT_EQ(run(), ExportResult::Written);
    EXPECT_EQ(ui.take(), (std::vector<int>{I::IDS_ASK_EXPORT_OVER_MAX, I::IDS_ASK_EXPORT_OVER_MAX}));

    // No to replacing returns to the dialog, whose Cancel ends the export.
    writeFile(out, "keep");
    ui.answers = {Answer::No};
    ui.exportDialogs = {ExportDialogValues{out, 1, 1}, std::nullopt};
    EXPECT_EQ(exportBook(doc, prefs, log, ui), ExportResult::Cancelled);
    EXPECT_EQ(ui.take(), std::vector<int>{I::IDS_ASK_REPLACE_FILE});
    EXPECT_EQ(readFile(out), "keep");

    // A one-touch book never asks about the maximum.
    doc.m_nBookType = kOneTouchBook;
    ui.answers = {Answer::Yes};
    EXPECT_EQ(run(), ExportResult::Written);
    EXPECT_EQ(ui.take(), std::vector<int>{I::IDS_ASK_REPLACE_FILE});
}

TEST_F(ExportFixture, FileAndLogFailures) {
    add(kEntryFax, "A", "1", 0, 0);
    // A folder that does not exist is a bad path.
    out = dir + "/missing/out.abk";
    EXPECT_EQ(run(), ExportResult::Failed);
    EXPECT_EQ(ui.take(), std::vector<int>{I::IDS_FILE_ERR_BAD_PATH});
    EXPECT_EQ(ui.args.back(), std::vector<std::string>{out});

    Log badLog(ui, dir + "/nope/x.log");
    out = dir + "/out.abk";
    ui.exportDialogs.push_back(ExportDialogValues{out, 1, 1});
    EXPECT_EQ(exportBook(doc, prefs, badLog, ui), ExportResult::Failed);
    EXPECT_EQ(ui.take(), std::vector<int>{I::IDS_LOG_ERR_SETTING});
    EXPECT_FALSE(platform::fileExists(out));
}

TEST_F(ExportFixture, AFailedWriteEndsTheWalk) {
    for (int i = 0; i < 1500; ++i) add(kEntryFax, "Somebody with a long name", "0223456789", 0, 0);
    for (int i = 0; i < 5; ++i) add(kEntryFax, "Nowhere", "", 0, 0);
    std::signal(SIGXFSZ, SIG_IGN); // a write past the limit fails instead of ending the test
    rlimit saved{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    rlimit small = saved;
    small.rlim_cur = 100 * 1024; // the export's second block does not fit
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    const ExportResult result = run();
    setrlimit(RLIMIT_FSIZE, &saved);
    EXPECT_EQ(result, ExportResult::Failed);
    EXPECT_EQ(ui.take().size(), 1u) << "the file error";
    EXPECT_EQ(logBody().find("1501: "), std::string::npos)
        << "entries after the failed write are not looked at";
    EXPECT_FALSE(platform::fileExists(out));
}

TEST(ExportMemory, RunningOutOfMemoryKeepsThePreviousFile) {
    lisotrex::test::SteadyPrompter ui;
    Preferences prefs;
    MemoryClipboard clip;
    CLisotrexDoc doc{ui, prefs, clip};
    for (int i = 0; i < 3; ++i)
        doc.m_list.push_back(std::make_unique<CAddrUserDataObj>(i % 2, "N" + std::to_string(i), "",
                                                                "D" + std::to_string(i), "", 0, 0, false));
    const std::string dir = makeTempDir("expmem"), out = dir + "/out.abk", previous = "previous export\r\n";
    Log log{ui, dir + "/x.log"};
    lisotrex::test::atEveryAllocation(
        [&] {
            writeFile(out, previous);
            ui.shown.clear();
            ui.exportDialogs = {ExportDialogValues{out, 1, 1}};
            ui.answers = {Answer::Yes};
        },
        [&] { return exportBook(doc, prefs, log, ui, /*storeChoices*/ false) == ExportResult::Written; },
        [&](const lisotrex::test::Outcome& o) {
            EXPECT_FALSE(o.threw);
            EXPECT_FALSE(log.running());
            if (o.result) {
                EXPECT_NE(readFile(out), previous);
                return;
            }
            EXPECT_EQ(ui.shown.back(), I::IDS_MSG_FILE_OPEN_FAILED);
            EXPECT_EQ(readFile(out), previous);
        });
}
