// lisotrex-convert importing from PDX address books, run as a process from
// a test installation whose "WAB" service is the test provider.

#include "bridge_world.h"
#include "sample_book.h"
#include "test_environment.h"

#include <gtest/gtest.h>
#include <algorithm>
#include <regex>

using namespace bridgetest;
using velmo::test::readFile;
using velmo::test::runCommand;

namespace {

const auto& q = velmo::test::shellQuote;

class PdxCli : public testing::Test {
protected:
    std::string dir;
    Core core;
    void SetUp() override {
        velmo::test::freshRegistry();
        useBook(kSampleBook);
        dir = velmo::test::makeTempDir("pdxcli");
        ASSERT_TRUE(core.load());
    }
    int run(const std::string& args, std::string* err = nullptr) {
        return runCommand(q(installFolder() + "lisotrex-convert") + " --set Env.LogFilePath=" + q(dir + "/run.log") +
                              " " + args,
                          nullptr, err);
    }
    std::string log() const {
        return std::regex_replace(readFile(dir + "/run.log"), std::regex("^[^|\\r\\n]* \\| ", std::regex::multiline),
                                  "<time> | ");
    }
};

} // namespace

TEST_F(PdxCli, ImportsAContainerThroughTheProgramsOwnProfileAndExports) {
    std::string err;
    ASSERT_EQ(run("--import pdx --container 通訊錄/Sales/East --save " + q(dir + "/out.abu") + " --export " +
                      q(dir + "/out.abk"),
                  &err),
              0)
        << err;
    EXPECT_EQ(core.serviceNames(kProgramProfile), std::vector<std::string>{"WAB"}) << "made as the program makes it";
    const std::string book = readFile(dir + "/out.abu");
    EXPECT_EQ(book.substr(book.find("\r\n") + 2), "0,Ann Lee,,0211110000,Acme Sales Dept,0\r\n"
                                                  "1,Ann Lee,,ann@example.com,Acme Sales Dept,0\r\n"
                                                  "0,Eve Lin,,0444440000,Echo,0\r\n"
                                                  "0,Eve Lin,,0555550000,Echo,0\r\n"
                                                  "1,Eve Lin,,eve@example.com,Echo,0\r\n"
                                                  "0,Frank Yu,,0666660000,,0\r\n"
                                                  "1,Frank Yu,,frank@example.com,,0\r\n");
    const std::string abk = readFile(dir + "/out.abk");
    EXPECT_NE(abk.find("cn: Eve Lin\r\ncnread: Eve Lin\r\nprotocol: t30\r\ndialdata: 0555550000\r\n"), std::string::npos)
        << abk;
    EXPECT_NE(abk.find("protocol: smtp\r\nmailaddress: frank@example.com\r\n"), std::string::npos);
    EXPECT_EQ(log().substr(0, log().find("匯出")),
              "<time> | 匯入 | \r\n"
              "0001: 無法取得 e-mail 資料。\r\n0002: 無法取得傳真號碼 (1) 資料。\r\n"
              "0003: 無法取得 e-mail 資料。\r\n0004: 無法取得 e-mail 資料。\r\n"
              "0005: 無法取得傳真號碼 (1) 資料。\r\n0006: 無法取得 e-mail 資料。\r\n"
              "0007: 無法取得傳真號碼 (1) 資料。\r\n<time> | ");
}

TEST_F(PdxCli, NamedProfilesTypesAndFailures) {
    ASSERT_EQ(core.createProfile("Office", {"WAB", "ZELT_ABS"}), 0);
    std::string err;
    ASSERT_EQ(run("--import pdx:Office --types email --container 通訊錄/Sales --save " + q(dir + "/m.abu"), &err), 0)
        << err;
    const std::string book = readFile(dir + "/m.abu");
    EXPECT_EQ(book.substr(book.find("\r\n") + 2), "1,Ann Lee,,ann@example.com,Acme Sales Dept,0\r\n"
                                                  "1,Carol Chen,,carol@example.com,,0\r\n"
                                                  "1,Eve Lin,,eve@example.com,Echo,0\r\n"
                                                  "1,Frank Yu,,frank@example.com,,0\r\n");
    std::vector<std::string> names = core.serviceNames("Office");
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"WAB", "ZELT_ABS"})) << "the fax service is back after the import";
    EXPECT_TRUE(core.serviceNames(kProgramProfile).empty()) << "a named profile leaves the program's alone";

    // Two imports in one run load the bridge twice.
    ASSERT_EQ(run("--import pdx --import pdx:Office --types email --mode add-all --container 通訊錄/Sales/East --save " +
                      q(dir + "/twice.abu"),
                  &err),
              0)
        << err;
    const std::string twice = readFile(dir + "/twice.abu");
    EXPECT_EQ(std::count(twice.begin(), twice.end(), '\n'), 7) << twice;

    EXPECT_EQ(run("--import pdx:Nobody --save " + q(dir + "/n.abu"), &err), 1);
    EXPECT_NE(err.find("開啟通訊錄失敗。"), std::string::npos) << err;
    EXPECT_EQ(run("--import pdx --container 通訊錄/Nowhere --save " + q(dir + "/n.abu"), &err), 1);
    EXPECT_NE(err.find("通訊錄/Nowhere"), std::string::npos) << err;
    EXPECT_EQ(run("--import pdx --container 通訊錄 --save " + q(dir + "/n.abu"), &err), 0)
        << "an empty container imports nothing";
    EXPECT_EQ(run("--container 通訊錄 --new plain"), 2) << "a container needs a pdx import";
    EXPECT_EQ(run("--import pdx: --new plain"), 2);
}
