// The headless tool end to end: book files, exports and exit statuses.

#include "test_environment.h"

#include <fstream>
#include <gtest/gtest.h>

using velmo::test::binPath;
using velmo::test::makeTempDir;
using velmo::test::readFile;
using velmo::test::runCommand;
using velmo::test::writeFile;

namespace {

const std::string kTool = binPath("lisotrex-convert");

const auto& q = velmo::test::shellQuote;

} // namespace

TEST(ConvertCli, BookWrittenByProgramSavesByteIdentical) {
    std::string dir = makeTempDir("cli");
    ASSERT_EQ(runCommand(kTool + " --new onetouch --save " + q(dir + "/a.abu")), 0);
    EXPECT_EQ(readFile(dir + "/a.abu"), "1,Velmo.Lisotrex.Document,200,1600,1,1,\r\n");
    const std::string book = "1,Velmo.Lisotrex.Document,200,1600,1,1,\r\n"
                             "0,\"Chen, Wei\",,02-1234,Sales,12,5\r\n"
                             "1,Say \"\"Hi\"\",,hi@x.example,,0,\r\n";
    writeFile(dir + "/b.abu", book);
    ASSERT_EQ(runCommand(kTool + " --book " + q(dir + "/b.abu") + " --save " + q(dir + "/c.abu")), 0);
    EXPECT_EQ(readFile(dir + "/c.abu"), book);
    ASSERT_EQ(runCommand(kTool + " --book " + q(dir + "/c.abu") + " --save " + q(dir + "/c.abu")), 0);
    EXPECT_EQ(readFile(dir + "/c.abu"), book);
}

TEST(ConvertCli, ExportLayoutsFromPlainAndOneTouchBooks) {
    std::string dir = makeTempDir("cli");
    writeFile(dir + "/p.abu", "0,Velmo.Lisotrex.Document,200,1600,1,1,\r\n"
                              "0,A,,02-555,D,12\r\n1,B,,b@x.example,,0\r\n");
    std::string err;
    ASSERT_EQ(runCommand(kTool + " --book " + q(dir + "/p.abu") + " --export " + q(dir + "/p.abk"), nullptr, &err), 0)
        << err;
    EXPECT_EQ(readFile(dir + "/p.abk"),
              "# Velmo AddressBook version: 1\r\n"
              "\r\ndn: 1\r\ncn: A\r\ncnread: A\r\nprotocol: t30\r\ndialdata: 02-555\r\naccesscode: 12\r\n"
              "objectclass: top\r\nobjectclass: extensibleobject\r\nobjectclass: g3fax\r\n"
              "\r\ndn: 2\r\ncn: B\r\ncnread: B\r\nprotocol: smtp\r\nmailaddress: b@x.example\r\n"
              "objectclass: top\r\nobjectclass: extensibleobject\r\nobjectclass: email\r\n");

    writeFile(dir + "/o.abu", "1,Velmo.Lisotrex.Document,200,1600,1,1,\r\n"
                              "0,A,,02-555,D,0,7\r\n1,B,,b@x.example,,0,3\r\n0,C,,1,,0,\r\n");
    std::string log = dir + "/run.log";
    ASSERT_EQ(runCommand(kTool + " --book " + q(dir + "/o.abu") + " --export " + q(dir + "/o.abk") +
                         " --export-types fax --set Env.LogFilePath=" + q(log)),
              0);
    EXPECT_EQ(readFile(dir + "/o.abk"),
              "# Velmo AddressBook version: 1\r\n# dn: fixed\r\n"
              "\r\ndn: 7\r\ncn: A\r\ncnshort: A\r\ncnread: A\r\nprotocol: t30\r\ndialdata: 02-555\r\n"
              "objectclass: top\r\nobjectclass: extensibleobject\r\nobjectclass: g3fax\r\n");
    std::string logged = readFile(log);
    EXPECT_NE(logged.find(" | 匯出 | " + dir + "/o.abk\r\n0002: 沒有單鍵資料。\r\n"), std::string::npos) << logged;
    // Overriding the types for one run does not store them.
    std::string settings;
    runCommand(kTool + " --show-settings", &settings);
    EXPECT_EQ(settings.find(dir), std::string::npos);

    // An existing export file is replaced after the question, which is printed.
    ASSERT_EQ(runCommand(kTool + " --book " + q(dir + "/p.abu") + " --export " + q(dir + "/o.abk"), nullptr, &err), 0);
    EXPECT_NE(err.find("檔案已存在"), std::string::npos);
    EXPECT_EQ(readFile(dir + "/o.abk"), readFile(dir + "/p.abk"));
}

TEST(ConvertCli, FailuresAndUsage) {
    std::string dir = makeTempDir("cli");
    std::string book = "0,Velmo.Lisotrex.Document,200,1600,1,1,\r\n";
    for (int i = 0; i < 10000; ++i) book += "0,N" + std::to_string(i) + ",,123,,0\r\n";
    writeFile(dir + "/big.abu", book);
    std::string err;
    EXPECT_EQ(runCommand(kTool + " --book " + q(dir + "/big.abu") + " --save " + q(dir + "/out.abu"), nullptr, &err), 1);
    EXPECT_EQ(err, "檔案格式錯誤。\n");
    EXPECT_FALSE(std::ifstream(dir + "/out.abu").good());

    EXPECT_EQ(runCommand(kTool + " --book " + q(dir + "/none.abu"), nullptr, &err), 1);
    EXPECT_EQ(err, "找不到 " + dir + "/none.abu.\n");

    for (const char* args : {"", "--new square", "--export-types fax", "--bogus", "--set Nope.X=1 --new plain",
                             "--show-settings --new plain", "--export"})
        EXPECT_EQ(runCommand(kTool + " " + args), 2) << args;
}

TEST(ConvertCli, ExportTakesTheChoicesTheBookBrings) {
    velmo::test::freshRegistry();
    std::string dir = makeTempDir("cli");
    // The book's header chooses e-mail only (the stored preferences say both).
    writeFile(dir + "/mail.abu", "0,Velmo.Lisotrex.Document,200,1600,0,1,\r\n"
                                 "0,Fax,,02-555,,0\r\n1,Mail,,m@x.example,,0\r\n");
    writeFile(dir + "/in.abu", "0,Velmo.Lisotrex.Document,200,1600,1,1,\r\n0,More,,03-777,,0\r\n");
    ASSERT_EQ(runCommand(kTool + " --book " + q(dir + "/mail.abu") + " --import abu:" + q(dir + "/in.abu") +
                         " --export " + q(dir + "/m.abk")),
              0);
    std::string abk = readFile(dir + "/m.abk");
    EXPECT_NE(abk.find("mailaddress: m@x.example"), std::string::npos) << abk;
    EXPECT_EQ(abk.find("dialdata:"), std::string::npos) << "an import does not change the export choices";
    // --export-types overrides them for the run.
    ASSERT_EQ(runCommand(kTool + " --book " + q(dir + "/mail.abu") + " --export " + q(dir + "/f.abk") +
                         " --export-types fax"),
              0);
    abk = readFile(dir + "/f.abk");
    EXPECT_NE(abk.find("dialdata: 02-555"), std::string::npos) << abk;
    EXPECT_EQ(abk.find("mailaddress:"), std::string::npos);
}
