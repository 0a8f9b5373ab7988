#include "model/document.h"
#include "recording_prompter.h"
#include "shadow_view.h"
#include "settings/preferences.h"
#include "strings/string_ids.h"
#include "crash_kill.h"
#include "test_environment.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace lisotrex;
using lisotrex::test::RecordingPrompter;
using velmo::test::makeTempDir;
using velmo::test::readFile;
using velmo::test::writeFile;
namespace I = lisotrex::ids;

namespace {

const std::string kPlainHeader = "0,Velmo.Lisotrex.Document,200,1600,1,1,\r\n";

std::string bookWith(size_t entries, const std::string& header = kPlainHeader) {
    std::string s = header;
    for (size_t i = 0; i < entries; ++i) s += "0,N" + std::to_string(i) + ",,12345,,0\r\n";
    return s;
}

struct BookFixture : ::testing::Test {
    RecordingPrompter ui;
    Preferences prefs;
    MemoryClipboard clip;
    CLisotrexDoc doc{ui, prefs, clip};
    std::string dir = makeTempDir("book");
};

} // namespace

TEST_F(BookFixture, SavedBookReadsBackAndKeepsItsBytes) {
    const std::string text = "1,Velmo.Lisotrex.Document,150,20,0,1,\"/x/a,b.abk\"\r\n"
                             "0,\"Chen, Wei\",,02-1234,Sales,12,5\r\n"
                             "1,Say \"\"Hi\"\",,hi@x.example,,0,\r\n";
    writeFile(dir + "/a.abu", text);
    ASSERT_TRUE(doc.openBook(dir + "/a.abu"));
    EXPECT_TRUE(ui.shown.empty());
    EXPECT_EQ(doc.m_nBookType, kOneTouchBook);
    EXPECT_EQ(doc.m_nMaxOneTouch, 150);
    ASSERT_EQ(doc.count(), 2u);
    EXPECT_STREQ(doc.entry(0).m_szName, "Chen, Wei");
    EXPECT_STREQ(doc.entry(1).m_szName, "Say \"Hi\"");
    EXPECT_EQ(doc.entry(0).m_nOneTouch, 5);
    // The book's export settings replace the program's, in memory only.
    EXPECT_EQ(prefs.exports.maxExport, 20);
    EXPECT_EQ(prefs.exports.fax, 0);
    EXPECT_EQ(prefs.exports.ldifFilePath, "/x/a,b.abk");
    EXPECT_EQ(loadPreferences().exports.maxExport, 1600);
    EXPECT_FALSE(doc.isModified());

    ASSERT_TRUE(doc.saveBook(dir + "/b.abu"));
    EXPECT_EQ(readFile(dir + "/b.abu"), text);
    ASSERT_TRUE(doc.saveBook(dir + "/b.abu"));
    EXPECT_EQ(readFile(dir + "/b.abu"), text);
}

TEST_F(BookFixture, PlainBookHasNoOneTouchColumnAndDropsReading) {
    writeFile(dir + "/p.abu", kPlainHeader + "0,N,Reading,1,D\n1,M,,m@x,,,\n");
    ASSERT_TRUE(doc.openBook(dir + "/p.abu"));
    EXPECT_STREQ(doc.entry(0).m_szReading, "");
    EXPECT_EQ(doc.entry(0).m_nAccessCode, 0);
    ASSERT_TRUE(doc.saveBook(dir + "/p.abu"));
    EXPECT_EQ(readFile(dir + "/p.abu"), kPlainHeader + "0,N,,1,D,0\r\n1,M,,m@x,,0\r\n");
}

// A negative one-touch number is no number: it would be written back as none
// and exported as a negative dn.
TEST_F(BookFixture, NegativeOneTouchNumberReadsAsNone) {
    writeFile(dir + "/n.abu", "1,Velmo.Lisotrex.Document,200,1600,1,1,\r\n0,A,,1,,-12,-5\r\n0,B,,2,,0,7\r\n");
    ASSERT_TRUE(doc.openBook(dir + "/n.abu"));
    EXPECT_EQ(doc.entry(0).m_nOneTouch, 0);
    EXPECT_EQ(doc.entry(0).m_nAccessCode, -12) << "an access code is kept as it stands";
    EXPECT_EQ(doc.entry(1).m_nOneTouch, 7);
}

TEST_F(BookFixture, EntryLimitAndEmptyLine) {
    writeFile(dir + "/full.abu", bookWith(9999));
    ASSERT_TRUE(doc.openBook(dir + "/full.abu"));
    EXPECT_EQ(doc.count(), 9999u);
    EXPECT_EQ(doc.m_nCheckedCount, 9999u);

    writeFile(dir + "/over.abu", bookWith(10000));
    EXPECT_FALSE(doc.openBook(dir + "/over.abu"));
    EXPECT_EQ(ui.take(), std::vector<int>{I::IDS_FORMAT_ERROR});
    EXPECT_EQ(doc.count(), 0u);

    // Lines after an empty line are not read, even broken ones.
    writeFile(dir + "/gap.abu", bookWith(2) + "\r\n" + "garbage\r\n");
    ASSERT_TRUE(doc.openBook(dir + "/gap.abu"));
    EXPECT_EQ(doc.count(), 2u);
}

TEST_F(BookFixture, FormatErrorLeavesEmptyBookWithoutKindQuestion) {
    writeFile(dir + "/good.abu", bookWith(3));
    ASSERT_TRUE(doc.openBook(dir + "/good.abu"));
    for (const char* header : {"0,velmo.lisotrex.document,200,1600,1,1,\r\n", "2,Velmo.Lisotrex.Document,200,1600,1,1,\r\n",
                               "0,Velmo.Lisotrex.Document,,1600,1,1,\r\n", "0,Velmo.Lisotrex.Document,200,1600,x,1,\r\n",
                               "0,Velmo.Lisotrex.Document,200,1600,1,1\r\n", ""}) {
        writeFile(dir + "/bad.abu", bookWith(1, header));
        EXPECT_FALSE(doc.openBook(dir + "/bad.abu")) << header;
        EXPECT_EQ(ui.take(), std::vector<int>{I::IDS_FORMAT_ERROR}) << header;
        EXPECT_EQ(doc.count(), 0u);
        EXPECT_TRUE(doc.path().empty());
        EXPECT_FALSE(doc.heldFile().isOpen());
    }
    EXPECT_EQ(prefs.exports.maxExport, 1600);
    // The skip flag is spent: the next new book asks again.
    ui.kinds = {kOneTouchBook};
    ASSERT_TRUE(doc.newBook());
    EXPECT_EQ(doc.m_nBookType, kOneTouchBook);
}

TEST_F(BookFixture, FailedOpenLetsTheViewGoOfTheOldEntriesBeforeItsMessage) {
    writeFile(dir + "/good.abu", bookWith(3));
    ASSERT_TRUE(doc.openBook(dir + "/good.abu"));
    lisotrex::test::ShadowView view(doc);
    std::vector<int> seen;
    ui.onShow = [&](int id) {
        seen.push_back(id);
        EXPECT_TRUE(view.showsOnlyHeldEntries()) << "the list would read freed entries under message " << id;
    };
    writeFile(dir + "/bad.abu", bookWith(2, "0,Velmo.Lisotrex.Document,200\r\n"));
    EXPECT_FALSE(doc.openBook(dir + "/bad.abu"));
    EXPECT_EQ(seen, std::vector<int>{I::IDS_FORMAT_ERROR});
    EXPECT_TRUE(view.inStep());
}

TEST_F(BookFixture, HeldFileIsWriteLockedAndFailuresNameTheirCause) {
    writeFile(dir + "/a.abu", bookWith(1));
    ASSERT_TRUE(doc.openBook(dir + "/a.abu"));
    platform::File other;
    EXPECT_EQ(other.open(dir + "/a.abu", {platform::FileAccess::ReadWrite, false, false, true}),
              platform::FileCause::SharingViolation);
    // A second document cannot open the book either, and keeps its own entries.
    RecordingPrompter ui2;
    CLisotrexDoc second(ui2, prefs, clip);
    second.m_list.push_back(std::make_unique<CAddrUserDataObj>());
    EXPECT_FALSE(second.openBook(dir + "/a.abu"));
    EXPECT_EQ(ui2.take(), std::vector<int>{I::IDS_FILE_ERR_SHARING});
    EXPECT_EQ(ui2.args.back(), std::vector<std::string>{dir + "/a.abu"});
    EXPECT_EQ(second.count(), 1u);
    EXPECT_FALSE(second.saveBook(dir + "/a.abu"));
    EXPECT_EQ(ui2.take(), std::vector<int>{I::IDS_FILE_ERR_SHARING});

    EXPECT_FALSE(second.openBook(dir + "/missing.abu"));
    EXPECT_EQ(ui2.take(), std::vector<int>{I::IDS_FILE_ERR_NOT_FOUND});
    writeFile(dir + "/ro.abu", bookWith(1));
    chmod((dir + "/ro.abu").c_str(), 0444);
    if (geteuid() != 0) {
        EXPECT_FALSE(second.openBook(dir + "/ro.abu"));
        EXPECT_EQ(ui2.take(), std::vector<int>{I::IDS_FILE_ERR_ACCESS_DENIED});
    }
    second.setModified(true);
    // A folder that does not exist is a bad path, not a missing file.
    EXPECT_FALSE(second.saveBook(dir + "/no/such/folder.abu"));
    EXPECT_EQ(ui2.take(), std::vector<int>{I::IDS_FILE_ERR_BAD_PATH});
    EXPECT_EQ(ui2.args.back(), std::vector<std::string>{dir + "/no/such/folder.abu"});
    EXPECT_TRUE(second.isModified());
}

TEST_F(BookFixture, SaveModifiedQuestion) {
    EXPECT_TRUE(doc.saveModified());
    EXPECT_TRUE(ui.shown.empty());
    doc.setModified(true);
    ui.answers = {Answer::Cancel, Answer::No, Answer::Yes};
    EXPECT_FALSE(doc.saveModified());
    EXPECT_TRUE(doc.saveModified());
    ui.savePath = dir + "/chosen.abu";
    EXPECT_TRUE(doc.saveModified());
    EXPECT_EQ(ui.take(), (std::vector<int>{I::IDS_ASK_SAVE_CHANGES, I::IDS_ASK_SAVE_CHANGES, I::IDS_ASK_SAVE_CHANGES}));
    EXPECT_EQ(ui.args[0], std::vector<std::string>{"Untitled.abu"});
    EXPECT_EQ(ui.icons, std::vector<Icon>(3, Icon::Question));
    EXPECT_EQ(doc.path(), dir + "/chosen.abu");
    EXPECT_FALSE(doc.isModified());
    doc.setModified(true);
    ui.answers = {Answer::Cancel};
    doc.saveModified();
    EXPECT_EQ(ui.args.back(), std::vector<std::string>{"chosen.abu"});
}

TEST_F(BookFixture, NewBookTakesSettingMaximumAndCancelLeavesEmptyUntitledBook) {
    writeFile(dir + "/a.abu", bookWith(2, "1,Velmo.Lisotrex.Document,30,1600,1,1,\r\n"));
    ASSERT_TRUE(doc.openBook(dir + "/a.abu"));
    EXPECT_EQ(doc.m_nMaxOneTouch, 30);
    prefs.env.oneTouchNumber = 77;
    ui.kinds = {std::nullopt, kPlainBook};
    EXPECT_FALSE(doc.newBook());
    EXPECT_EQ(doc.count(), 0u);
    EXPECT_TRUE(doc.path().empty());
    ASSERT_TRUE(doc.newBook());
    EXPECT_EQ(doc.m_nBookType, kPlainBook);
    EXPECT_EQ(doc.m_nMaxOneTouch, 77);
}

// A save killed at any point leaves the old or the new book, never a mix.
TEST_F(BookFixture, KilledSaveLeavesOldOrNewBook) {
    const std::string target = dir + "/k.abu";
    writeFile(dir + "/old.abu", bookWith(3000));
    writeFile(dir + "/new.abu", bookWith(3500));
    const std::string oldBytes = readFile(dir + "/old.abu"), newBytes = readFile(dir + "/new.abu");
    velmo::test::KillRun run;
    run.prepare = [&](int) { writeFile(target, oldBytes); };
    run.write = [&](int, int i) {
        RecordingPrompter quiet;
        CLisotrexDoc d(quiet, prefs, clip);
        if (!d.openBook(dir + (i % 2 ? "/old.abu" : "/new.abu")) || !d.saveBook(target)) _exit(3);
    };
    run.check = [&](int) {
        std::string now = readFile(target);
        EXPECT_TRUE(now == oldBytes || now == newBytes) << now.size() << " bytes";
    };
    velmo::test::killAtRandomPoints(velmo::test::killPoints(), run);
}

TEST_F(BookFixture, ExportChoicesOtherThanZeroAreWrittenAsOne) {
    // A choice of 2 (from the registry or --set) still means "export this type".
    prefs.exports.fax = 2;
    prefs.exports.email = -1;
    ASSERT_TRUE(doc.saveBook(dir + "/two.abu"));
    EXPECT_EQ(readFile(dir + "/two.abu"), "0,Velmo.Lisotrex.Document,200,1600,1,1,\r\n");
    ASSERT_TRUE(doc.openBook(dir + "/two.abu"));
    EXPECT_EQ(prefs.exports.fax, 1);
    EXPECT_EQ(prefs.exports.email, 1);
}

TEST_F(BookFixture, EveryEntryTextSavedReadsBackAndTheBookReopens) {
    // Texts that reach an entry from outside the entry dialog: line ends,
    // quotes and commas in any order.
    const std::vector<std::pair<std::string, std::string>> names = {
        {"Line\nFeed", "Line Feed"},     {"Cr\r\nLf", "Cr\r Lf"},  {"\",leading quote", "\",leading quote"},
        {"\"\"two, quotes", "\"\"two, quotes"}, {"\",", "\","},   {"tail\"", "tail\""},
        {"Chen, Wei", "Chen, Wei"},      {"lone\rcr", "lone\rcr"},
    };
    doc.m_nBookType = kOneTouchBook;
    for (const auto& [written, read] : names)
        doc.m_list.push_back(std::make_unique<CAddrUserDataObj>(kEntryFax, written, "", "1\n2", "Dept,\"x\"\n", 7, 3, true));
    prefs.exports.ldifFilePath = "/out\nfolder/a.abk";
    ASSERT_TRUE(doc.saveBook(dir + "/texts.abu"));
    ASSERT_TRUE(doc.openBook(dir + "/texts.abu")) << readFile(dir + "/texts.abu");
    EXPECT_TRUE(ui.take().empty());
    ASSERT_EQ(doc.count(), names.size());
    for (size_t i = 0; i < names.size(); ++i) {
        EXPECT_EQ(std::string(doc.entry(i).m_szName), names[i].second) << i;
        EXPECT_STREQ(doc.entry(i).m_szDestination, "1 2");
        EXPECT_STREQ(doc.entry(i).m_szDepartment, "Dept,\"x\" ");
        EXPECT_EQ(doc.entry(i).m_nAccessCode, 7);
        EXPECT_EQ(doc.entry(i).m_nOneTouch, 3);
    }
    EXPECT_EQ(prefs.exports.ldifFilePath, "/out folder/a.abk");
}
