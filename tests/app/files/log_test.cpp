#include "files/log_file.h"
#include "platform/system.h"
#include "recording_prompter.h"
#include "settings/preferences.h"
#include "strings/string_ids.h"
#include "test_environment.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace lisotrex;
using lisotrex::test::RecordingPrompter;
using velmo::test::makeTempDir;
using velmo::test::readFile;
using velmo::test::writeFile;
namespace I = lisotrex::ids;

TEST(Log, RecordLinesAndHeader) {
    RecordingPrompter ui;
    std::string path = makeTempDir("log") + "/run.log";
    Log log(ui, path);
    ASSERT_TRUE(log.start(LogOperation::Export, "/out/book.abk"));
    EXPECT_TRUE(log.writeLine(7, I::IDS_LOG_NO_ONE_TOUCH));
    EXPECT_TRUE(log.writeLine(12345, std::string("own text")));
    EXPECT_TRUE(log.writeLine(3, I::IDS_LOG_READ_LIMIT));
    log.end();
    EXPECT_TRUE(log.writeLine(8, std::string("after end")));
    std::string got = readFile(path);
    const std::string tail = " | 匯出 | /out/book.abk\r\n";
    size_t header = got.find(tail);
    ASSERT_NE(header, std::string::npos);
    EXPECT_GT(header, 0u); // date and time first
    EXPECT_EQ(got.substr(0, header).find('\n'), std::string::npos);
    EXPECT_EQ(got.substr(header + tail.size()), "0007: 沒有單鍵資料。\r\n12345: own text\r\n"
                          "0003: 已達最大可讀取數。 \r\n通訊錄讀取失敗。 \r\n");
    EXPECT_TRUE(ui.shown.empty());
}

// A run killed while it wrote a line leaves that line cut short; the next
// run ends it first instead of going on in it.
TEST(Log, NextRunStartsOnALineOfItsOwn) {
    RecordingPrompter ui;
    std::string path = makeTempDir("log") + "/cut.log";
    writeFile(path, "0001: whole\r\n0002: cut sh");
    Log log(ui, path);
    ASSERT_TRUE(log.start(LogOperation::Import, "/in/a.csv"));
    log.end();
    std::string got = readFile(path);
    EXPECT_EQ(got.rfind("0001: whole\r\n0002: cut sh\r\n", 0), 0u) << got;
    ASSERT_TRUE(log.start(LogOperation::Import, "/in/b.csv"));
    log.end();
    std::string twice = readFile(path);
    EXPECT_EQ(twice.find("\r\n\r\n"), std::string::npos) << "a whole log gains no empty line";
}

TEST(Log, EmptyPathRunsWithoutFileOrMessage) {
    RecordingPrompter ui;
    Log log(ui, "");
    EXPECT_TRUE(log.start(LogOperation::Import, "x"));
    EXPECT_TRUE(log.writeLine(1, I::IDS_LOG_NO_NAME));
    log.end();
    EXPECT_TRUE(ui.shown.empty());
}

TEST(Log, StartFailuresByCause) {
    RecordingPrompter ui;
    std::string dir = makeTempDir("logfail");
    Log missing(ui, dir + "/no/such/run.log");
    EXPECT_FALSE(missing.start(LogOperation::Import, "x"));
    writeFile(dir + "/ro.log", "");
    chmod((dir + "/ro.log").c_str(), 0444);
    Log readOnly(ui, dir + "/ro.log");
    if (geteuid() != 0) {
        EXPECT_FALSE(readOnly.start(LogOperation::Import, "x"));
    }
    platform::File holder;
    ASSERT_EQ(holder.open(dir + "/held.log", {platform::FileAccess::Write, true, false, true}), platform::FileCause::None);
    Log held(ui, dir + "/held.log");
    EXPECT_FALSE(held.start(LogOperation::Import, "x"));
    std::vector<int> expected{I::IDS_LOG_ERR_SETTING};
    if (geteuid() != 0) expected.push_back(I::IDS_LOG_ERR_NOT_WRITABLE);
    expected.push_back(I::IDS_LOG_ERR_IN_USE);
    EXPECT_EQ(ui.take(), expected);
    EXPECT_FALSE(held.isOpen());
}

TEST(Log, FirstInstanceEmptiesAndSetPathStores) {
    RecordingPrompter ui;
    std::string dir = makeTempDir("logreset");
    velmo::test::freshRegistry();
    writeFile(dir + "/a.log", "old run\r\n");
    Log log(ui, dir + "/a.log");
    platform::SingleInstanceLock first, second;
    log.resetIfFirstInstance(first, "VELMO_TEST_LOG_LOCK");
    EXPECT_EQ(readFile(dir + "/a.log"), "");
    writeFile(dir + "/a.log", "kept\r\n");
    Log later(ui, dir + "/a.log");
    later.resetIfFirstInstance(second, "VELMO_TEST_LOG_LOCK");
    EXPECT_FALSE(second.owned());
    EXPECT_EQ(readFile(dir + "/a.log"), "kept\r\n");

    Preferences prefs;
    ASSERT_TRUE(log.start(LogOperation::Import, "x"));
    log.setPath(dir + "/b.log", prefs);
    EXPECT_FALSE(log.isOpen());
    EXPECT_EQ(loadPreferences().env.logFilePath, dir + "/b.log");
}
