// Imports through the headless tool, from export files written here, into
// books and logs as the program writes them.

#include "test_environment.h"

#include <gtest/gtest.h>
#include <regex>

using velmo::test::binPath;
using velmo::test::makeTempDir;
using velmo::test::readFile;
using velmo::test::runCommand;
using velmo::test::writeFile;

namespace {

const std::string kTool = binPath("lisotrex-convert");
const auto& q = velmo::test::shellQuote;

// The book's entry lines, without the header.
std::string entryLines(const std::string& book) { return book.substr(book.find("\r\n") + 2); }

// The log without the date and time of its header lines.
std::string logWithoutTimes(const std::string& log) {
    return std::regex_replace(log, std::regex("^[^|\\r\\n]* \\| ", std::regex::multiline), "<time> | ");
}

class ImportCli : public testing::Test {
protected:
    std::string dir;
    void SetUp() override {
        velmo::test::freshRegistry();
        dir = makeTempDir("imp");
    }
    int run(const std::string& args, std::string* err = nullptr) {
        return runCommand(kTool + " --set Env.LogFilePath=" + q(dir + "/run.log") + " " + args, nullptr, err);
    }
};

} // namespace

TEST_F(ImportCli, Exchange5WithOtherDelimiterQuoteAndGroupSymbol) {
    // Delimiter ";" (3), quote "'" (0), group symbol "#" (1).
    writeFile(dir + "/ex5.txt",
              "First Name;Last name;Display Name;Fax number;E-mail Addresses;Company;Department\r\n"
              "Ann;Lee;Ann Lee;'+886 (2) 2345-6789';SMTP:ann@example.com#X400:c=TW;Acme;Sales\r\n"
              ";;Bo Display;555-1234;X400:c=TW;;\r\n"
              "'Chen; Wu';Mei;;;SMTP:mei@example.com;;\r\n"
              "\r\n"
              "Never;Read;;1;;;\r\n");
    std::string err;
    ASSERT_EQ(run("--set Exchange.Column=3 --set Exchange.Quote=0 --set Exchange.內容=1 --import exchange:" +
                      q(dir + "/ex5.txt") + " --save " + q(dir + "/out.abu"),
                  &err),
              0)
        << err;
    EXPECT_EQ(entryLines(readFile(dir + "/out.abu")),
              "0,Ann Lee,,886223456789,Acme Sales,0\r\n"
              "1,Ann Lee,,ann@example.com,Acme Sales,0\r\n"
              "0,Bo Display,,5551234,,0\r\n"
              "1,Chen; Wu Mei,,mei@example.com,,0\r\n")
        << "given name first, group before '#', display name fallback";
    EXPECT_EQ(logWithoutTimes(readFile(dir + "/run.log")),
              "<time> | 匯入 | " + dir + "/ex5.txt\r\n"
              "0002: 無法取得 e-mail 資料。\r\n"
              "0003: 無法取得傳真號碼 (1) 資料。\r\n");
}

TEST_F(ImportCli, Exchange2000HexValuesAndHeaderRules) {
    writeFile(dir + "/ex2000.csv",
              "givenName,sn,displayName,facsimileTelephoneNumber,mail,company,department\n"
              "X'E999B3',X'E69DB1',,02-1234,chen@example.com,,\n");
    ASSERT_EQ(run("--new onetouch --import exchange2000:" + q(dir + "/ex2000.csv") + " --save " + q(dir + "/o.abu")), 0);
    EXPECT_EQ(entryLines(readFile(dir + "/o.abu")),
              "0,陳 東,,021234,,0,1\r\n"
              "1,陳 東,,chen@example.com,,0,2\r\n")
        << "new entries in a one-touch book take the lowest free numbers";
    // Into a book with gaps between its numbers: the gaps fill first, in order.
    writeFile(dir + "/gaps.abu", "1,Velmo.Lisotrex.Document,200,1600,1,1,\r\n"
                                 "0,Two,,2,,0,2\r\n0,Four,,4,,0,4\r\n");
    writeFile(dir + "/more.abu", "0,Velmo.Lisotrex.Document,200,1600,1,1,\r\n"
                                 "0,A,,11,,0\r\n0,B,,12,,0\r\n0,C,,13,,0\r\n");
    ASSERT_EQ(run("--book " + q(dir + "/gaps.abu") + " --import abu:" + q(dir + "/more.abu") + " --save " +
                  q(dir + "/filled.abu")),
              0);
    EXPECT_EQ(entryLines(readFile(dir + "/filled.abu")),
              "0,Two,,2,,0,2\r\n0,Four,,4,,0,4\r\n0,A,,11,,0,1\r\n0,B,,12,,0,3\r\n0,C,,13,,0,5\r\n");

    writeFile(dir + "/bad.txt", "first name,Last name,Fax number,E-mail Addresses\nA,B,1,x@y.z\n");
    std::string err;
    EXPECT_EQ(run("--import exchange5:" + q(dir + "/bad.txt"), &err), 1);
    EXPECT_NE(err.find("在 Microsoft Exchange 通訊錄中找不到需要的資炓。"), std::string::npos);
}

TEST_F(ImportCli, NotesDocumentsAndMissingFile) {
    writeFile(dir + "/notes.txt",
              "FirstName:  Ann\nLastName:  Lee\nOfficeFAXPhoneNumber:  111\nHomeFAXPhoneNumber:  222\n"
              "MailAddress:  Ann Lee/Acme\nInternetAddress:  ann@example.com\n\f\n"
              "LastName:  Solo\nMailAddress:no-blanks@example.com\n");
    std::string err;
    ASSERT_EQ(run("--set Notes.EmailField=1 --import notes:" + q(dir + "/notes.txt") + " --save " + q(dir + "/n.abu"),
                  &err),
              0)
        << err;
    EXPECT_EQ(entryLines(readFile(dir + "/n.abu")),
              "0,Ann Lee,,111,,0\r\n0,Ann Lee,,222,,0\r\n1,Ann Lee,,ann@example.com,,0\r\n");
    std::string log = logWithoutTimes(readFile(dir + "/run.log"));
    EXPECT_NE(log.find("0002: 無法取得傳真號碼 (1) 資料。\r\n0002: 無法取得傳真號碼 (2) 資料。\r\n0002: 無法取得 e-mail 資料。\r\n"),
              std::string::npos)
        << log;

    EXPECT_EQ(run("--import notes:" + q(dir + "/missing.txt"), &err), 1);
    EXPECT_NE(err.find("找不到 " + dir + "/missing.txt."), std::string::npos) << err;
    writeFile(dir + "/empty.txt", "nothing here\n");
    EXPECT_EQ(run("--import notes:" + q(dir + "/empty.txt"), &err), 1);
    EXPECT_NE(err.find("通訊錄資料格式不正確。"), std::string::npos);
}

TEST_F(ImportCli, ModesAndDuplicateAnswersAgainstABook) {
    writeFile(dir + "/book.abu", "0,Velmo.Lisotrex.Document,200,1600,1,1,\r\n0,Ann,,100,Old,0\r\n0,Bob,,200,,0\r\n");
    writeFile(dir + "/in.abu", "0,Velmo.Lisotrex.Document,200,1600,1,1,\r\n0,Ann,,101,New,0\r\n0,Ann,,102,New,0\r\n"
                               "0,Cy,,300,,0\r\n");
    ASSERT_EQ(run("--book " + q(dir + "/book.abu") + " --import abu:" + q(dir + "/in.abu") + " --save " +
                  q(dir + "/m1.abu")),
              0);
    EXPECT_EQ(entryLines(readFile(dir + "/m1.abu")),
              "0,Ann,,101,New,0\r\n0,Bob,,200,,0\r\n0,Ann,,102,New,0\r\n0,Cy,,300,,0\r\n");
    ASSERT_EQ(run("--book " + q(dir + "/book.abu") + " --mode update --duplicates skip --import abu:" +
                  q(dir + "/in.abu") + " --save " + q(dir + "/m0.abu")),
              0);
    EXPECT_EQ(entryLines(readFile(dir + "/m0.abu")), "0,Ann,,100,Old,0\r\n0,Bob,,200,,0\r\n");
    ASSERT_EQ(run("--book " + q(dir + "/book.abu") + " --mode add-all --types email --import abu:" +
                  q(dir + "/in.abu") + " --save " + q(dir + "/m2.abu")),
              0);
    EXPECT_EQ(entryLines(readFile(dir + "/m2.abu")), "0,Ann,,100,Old,0\r\n0,Bob,,200,,0\r\n")
        << "only e-mail entries were wanted";
    // The import dialog's choices are stored.
    std::string reg;
    runCommand(binPath("velmo-reg") + " export", &reg);
    EXPECT_NE(reg.find("\"AddrBookType\"=dword:00000002"), std::string::npos);
    EXPECT_NE(reg.find("\"FAX\"=dword:00000000"), std::string::npos);
}

TEST_F(ImportCli, UsageErrors) {
    EXPECT_EQ(run("--import pdx:"), 2);
    EXPECT_EQ(run("--import exchange"), 2);
    EXPECT_EQ(run("--import abu:x --mode sometimes"), 2);
    EXPECT_EQ(run("--import abu:x --duplicates maybe"), 2);
}

TEST_F(ImportCli, ControlCharactersNeverReachTheBook) {
    // A line feed from a hex value, a line feed that follows an opening quote,
    // and carriage returns, NULs and form feeds in Notes values all become
    // blanks; the saved book opens again.
    writeFile(dir + "/ex2000.csv",
              "givenName,sn,displayName,facsimileTelephoneNumber,mail,company,department\n"
              "X'410A42',Lee,,02-1234,,X'4300',\"\nDept\"\n");
    writeFile(dir + "/ex5.txt",
              "First Name,Last name,Fax number,E-mail Addresses,Department\n"
              "\"\nAnn\",Lee,111,SMTP:ann@example.com,Sa\x01les\n");
    writeFile(dir + "/notes.txt", "FirstName:  Bo\rb\nLastName:  N" + std::string(1, '\0') +
                                      "l\nOfficeFAXPhoneNumber:  222\nDepartment:  Form\ffeed\x1f\n");
    std::string err;
    ASSERT_EQ(run("--set Conversion.FaxConvertType=0 --set Notes.HomeFax=0 --import exchange2000:" +
                      q(dir + "/ex2000.csv") + " --import exchange5:" + q(dir + "/ex5.txt") + " --import notes:" +
                      q(dir + "/notes.txt") + " --save " + q(dir + "/out.abu"),
                  &err),
              0)
        << err;
    const std::string lines = entryLines(readFile(dir + "/out.abu"));
    EXPECT_EQ(lines, "0,A B Lee,,02-1234,C   Dept,0\r\n"
                     "0, Ann Lee,,111,Sa les,0\r\n"
                     "1, Ann Lee,,ann@example.com,Sa les,0\r\n"
                     "0,Bo b N l,,222,Form feed ,0\r\n");
    ASSERT_EQ(run("--book " + q(dir + "/out.abu") + " --save " + q(dir + "/again.abu"), &err), 0) << err;
    EXPECT_EQ(entryLines(readFile(dir + "/again.abu")), lines);
}

TEST_F(ImportCli, TheGroupSymbolIsNeverStored) {
    // Escaped, or the first byte of a quoted stretch: still not part of the value.
    writeFile(dir + "/ex5.txt",
              "First Name,Last name,Fax number,E-mail Addresses\n"
              "A\\%n,\"%Lee\",111,\"%SMTP:a@example.com\\%X400:c=TW\"\n");
    std::string err;
    ASSERT_EQ(run("--import exchange5:" + q(dir + "/ex5.txt") + " --save " + q(dir + "/out.abu"), &err), 0) << err;
    EXPECT_EQ(entryLines(readFile(dir + "/out.abu")),
              "0,An Lee,,111,,0\r\n"
              "1,An Lee,,a@example.com,,0\r\n");
}
