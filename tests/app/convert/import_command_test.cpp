#include "convert/import_command.h"
#include "convert/exchange_import.h"
#include "convert/notes_import.h"

#include "../recording_prompter.h"
#include "files/log_file.h"
#include "model/document.h"
#include "scripted_import_prompter.h"
#include "settings/field_maps.h"
#include "settings/preferences.h"
#include "strings/string_ids.h"
#include "test_environment.h"

#include <gtest/gtest.h>

using namespace lisotrex;
using lisotrex::test::RecordingPrompter;
using lisotrex::test::ScriptedImportPrompter;

namespace {

class ImportCommandTest : public testing::Test {
protected:
    RecordingPrompter prompter;
    ScriptedImportPrompter ip;
    Preferences prefs;
    MemoryClipboard clipboard;
    CLisotrexDoc doc{prompter, prefs, clipboard};
    FieldMaps maps = FieldMaps::load("/nonexistent/Lisotrex.inf");
    Conversion conversion;
    std::string dir;
    std::unique_ptr<Log> log;

    void SetUp() override {
        velmo::test::freshRegistry();
        dir = velmo::test::makeTempDir("cmd");
        log = std::make_unique<Log>(prompter, dir + "/import.log");
    }
    ImportOutcome import(const std::string& path, int32_t source) {
        ip.dialog = ImportDialogValues{path, source, 1, 1};
        ImportServices s{doc, prefs, maps, conversion, *log, prompter, ip, {}};
        return importCommand(s);
    }
    std::string book(const std::string& lines) {
        std::string path = dir + "/b" + std::to_string(++n_) + ".abu";
        velmo::test::writeFile(path, "0,Velmo.Lisotrex.Document,200,1600,1,1,\r\n" + lines);
        return path;
    }
    int n_ = 0;
};

} // namespace

TEST_F(ImportCommandTest, WholeImportIsOneUndoStep) {
    doc.m_list.push_back(std::make_unique<CAddrUserDataObj>(0, "Ann", "", "100", "Old", 0, 0, false));
    ImportOutcome o = import(book("0,Ann,,101,New,0\r\n1,Bob,,b@x.y,,0\r\n0,Cy,,300,,0\r\n"), kSourceNativeBook);
    ASSERT_TRUE(o.changed);
    ASSERT_EQ(doc.count(), 3u);
    EXPECT_TRUE(doc.isModified());
    EXPECT_EQ(ip.modeZeroOffered, true);
    prompter.answers = {Answer::Yes};
    ASSERT_TRUE(doc.undo());
    EXPECT_EQ(prompter.take(), std::vector<int>{ids::IDS_ASK_UNDO});
    ASSERT_EQ(doc.count(), 1u);
    EXPECT_STREQ(doc.entry(0).m_szDestination, "100");
    EXPECT_STREQ(doc.entry(0).m_szDepartment, "Old");
    // The dialog's choices were stored.
    EXPECT_EQ(loadPreferences().import.source, kSourceNativeBook);
}

TEST_F(ImportCommandTest, NothingChangedLeavesNoUndo) {
    doc.m_list.push_back(std::make_unique<CAddrUserDataObj>(0, "Ann", "", "100", "", 0, 0, false));
    ImportOutcome o = import(book("0,Ann,,100,,0\r\n"), kSourceNativeBook);
    EXPECT_FALSE(o.changed);
    EXPECT_FALSE(doc.canUndo());
    EXPECT_FALSE(doc.isModified());
}

TEST_F(ImportCommandTest, FileFailuresShowTheFileMessageAndMergeNothing) {
    ImportOutcome o = import(dir + "/missing.txt", kSourceExchange);
    EXPECT_TRUE(o.failed);
    EXPECT_EQ(prompter.take(), std::vector<int>{ids::IDS_FILE_ERR_NOT_FOUND});
    EXPECT_EQ(doc.count(), 0u);
    EXPECT_TRUE(ip.dialog.has_value());
    EXPECT_FALSE(ip.modeZeroOffered) << "an empty book has no entries to update";
}

TEST_F(ImportCommandTest, BrokenLineKeepsEarlierEntries) {
    ImportOutcome o = import(book("0,Ann,,101,,0\r\n7,Bad,,1,,0\r\n0,Cy,,300,,0\r\n"), kSourceNativeBook);
    EXPECT_TRUE(o.failed);
    EXPECT_TRUE(o.changed);
    EXPECT_EQ(prompter.take(), std::vector<int>{ids::IDS_MSG_BOOK_DATA_INVALID});
    ASSERT_EQ(doc.count(), 1u);
    EXPECT_STREQ(doc.entry(0).m_szName, "Ann");
}

TEST_F(ImportCommandTest, FullRoomShows6015AfterTheMerge) {
    std::string lines;
    for (int i = 0; i < 10001; ++i) lines += "0,n" + std::to_string(i) + ",,1,,0\r\n";
    ImportOutcome o = import(book(lines), kSourceNativeBook);
    EXPECT_TRUE(o.changed);
    EXPECT_EQ(doc.count(), 9999u);
    EXPECT_EQ(prompter.take(), std::vector<int>{ids::IDS_MSG_IMPORT_LIMIT});
    std::string logText = velmo::test::readFile(dir + "/import.log");
    EXPECT_NE(logText.find("\r\n10000: 已達最大可讀取數。"), std::string::npos);
}

TEST_F(ImportCommandTest, ExactlyFullExportIsNoCutImport) {
    std::string rows = "First Name,Last name,Fax number,E-mail Addresses\n";
    for (int i = 0; i < 9999; ++i) rows += "G" + std::to_string(i) + ",S,1,\n";
    velmo::test::writeFile(dir + "/full.csv", rows);
    ImportOutcome o = import(dir + "/full.csv", kSourceExchange);
    EXPECT_TRUE(o.changed);
    EXPECT_EQ(doc.count(), 9999u);
    EXPECT_EQ(prompter.take(), std::vector<int>{}) << "nothing was left out, so no 6015";
    velmo::test::writeFile(dir + "/over.csv", rows + "Last,S,1,\n");
    doc.deleteContents();
    import(dir + "/over.csv", kSourceExchange);
    EXPECT_EQ(prompter.take(), std::vector<int>{ids::IDS_MSG_IMPORT_LIMIT});
}

TEST_F(ImportCommandTest, AddressBookSourceWithoutBridgeSaysSo) {
    ImportOutcome o = import("", kSourcePdx);
    EXPECT_FALSE(o.changed);
    EXPECT_EQ(prompter.take(), std::vector<int>{ids::IDS_MSG_PDX_OPEN_FAILED});
}

namespace {

struct QuietImportLog : ImportLog {
    std::vector<std::pair<int, int>> lines;
    bool startImport(const std::string&) override { return true; }
    bool writeLine(int number, int id) override {
        lines.emplace_back(number, id);
        return true;
    }
    void end() override {}
};

} // namespace

TEST_F(ImportCommandTest, RoomRunningOutInTheLastRecordIsACutImport) {
    // Room for three: the second record's fax fits, its e-mail address does not.
    velmo::test::writeFile(dir + "/ex.csv", "First Name,Last name,Fax number,E-mail Addresses\n"
                                            "A,S,1,SMTP:a@x.y\nB,S,2,SMTP:b@x.y\n");
    velmo::test::writeFile(dir + "/notes.txt", "FirstName:  A\nOfficeFAXPhoneNumber:  1\nHomeFAXPhoneNumber:  2\n\f\n"
                                               "FirstName:  B\nOfficeFAXPhoneNumber:  3\nHomeFAXPhoneNumber:  4\n");
    for (int source : {kSourceExchange, kSourceNotes}) {
        SCOPED_TRACE(source);
        ImportedEntries out;
        QuietImportLog quiet;
        conversion.room = 3;
        ImportContext ctx{conversion, out, kPlainBook, prompter, quiet};
        ImportResult r = source == kSourceExchange
                             ? importExchange(dir + "/ex.csv", false, prefs.exchange, maps, ctx)
                             : importNotes(dir + "/notes.txt", prefs.notes, maps, ctx);
        EXPECT_EQ(r.code, kImportRoomExhausted);
        EXPECT_EQ(out.size(), 3u);
        std::vector<std::pair<int, int>> logged{{2, ids::IDS_LOG_READ_LIMIT}};
        if (source == kSourceNotes) logged.insert(logged.begin(), {1, ids::IDS_LOG_NO_EMAIL});
        EXPECT_EQ(quiet.lines, logged);
    }
}

TEST_F(ImportCommandTest, ExchangeRowsAcrossReadAheadBlocksKeepEveryField) {
    // Rows of changing length, so that the edge of a read-ahead block falls
    // in every column somewhere: texts taken in place before the edge must
    // survive the refill, mixed with quoted texts that are copied at once.
    struct Row {
        std::string given, surname, fax, email, company, department;
    };
    std::vector<Row> rows;
    std::string csv = "First Name,Last name,Padding,Fax number,E-mail Addresses,Company,Department\n";
    for (int i = 0; csv.size() < 3 * ImportInput::kBlock; ++i) {
        Row r{"G" + std::string(i % 7, 'g') + std::to_string(i), "S" + std::to_string(i) + std::string(i % 5, 's'),
              "+1 (2) " + std::to_string(1000 + i), "u" + std::to_string(i) + "@x.example",
              i % 9 ? "Co" + std::string(i % 11, 'c') : "Co \"q\"", "D" + std::to_string(i % 13)};
        const std::string company = i % 9 ? r.company : "\"Co \"\"q\"\"\"";
        csv += r.given + "," + r.surname + "," + std::string(i % 17, 'p') + "," + r.fax + ",SMTP:" + r.email + "," +
               company + "," + r.department + "\n";
        rows.push_back(r);
    }
    velmo::test::writeFile(dir + "/ex.csv", csv);
    ImportedEntries out;
    QuietImportLog quiet;
    conversion.room = 9999;
    ImportContext ctx{conversion, out, kPlainBook, prompter, quiet};
    ImportResult r = importExchange(dir + "/ex.csv", false, prefs.exchange, maps, ctx);
    EXPECT_EQ(r.code, 0);
    ASSERT_EQ(out.size(), rows.size() * 2);
    for (size_t i = 0; i < rows.size(); ++i) {
        const Row& row = rows[i];
        SCOPED_TRACE(i);
        const std::string name = conversion.buildName(row.given, row.surname);
        const std::string department = conversion.buildDepartment(row.company, row.department);
        const CAddrUserDataObj& fax = *out[2 * i];
        const CAddrUserDataObj& mail = *out[2 * i + 1];
        EXPECT_EQ(std::string(fax.m_szName.view()), name);
        EXPECT_EQ(std::string(fax.m_szDestination.view()), conversion.convertFax(row.fax));
        EXPECT_EQ(std::string(fax.m_szDepartment.view()), department);
        EXPECT_EQ(std::string(mail.m_szName.view()), name);
        EXPECT_EQ(std::string(mail.m_szDestination.view()), row.email);
        EXPECT_EQ(std::string(mail.m_szDepartment.view()), department);
    }
}
