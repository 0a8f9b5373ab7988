// The program's PDX import over the test installation: the bridge client's
// open with profile creation and fax-service recovery, the records the
// bridge hands back, and the conversion of each into entries and log lines.

#include "bridge_world.h"
#include "convert/bridge_library.h"
#include "convert/import_command.h"
#include "convert/pdx_import.h"
#include "files/log_file.h"
#include "../recording_prompter.h"
#include "sample_book.h"
#include "test_environment.h"
#include "vqbridge.h"

#include <algorithm>
#include <cstring>
#include <regex>

using namespace lisotrex;
using namespace bridgetest;

namespace {

class PdxImport : public testing::Test {
protected:
    test::RecordingPrompter prompter;
    std::string logPath;
    std::unique_ptr<Log> log;
    std::unique_ptr<ImportLogAdapter> logAdapter;
    Conversion conversion;
    ImportedEntries out;
    Core core;

    void SetUp() override {
        velmo::test::freshRegistry();
        useBook(kSampleBook);
        ASSERT_TRUE(core.load());
        logPath = velmo::test::makeTempDir("log") + "/import.log";
        log = std::make_unique<Log>(prompter, logPath);
        logAdapter = std::make_unique<ImportLogAdapter>(*log);
    }
    ImportResult run(PdxImportRequest& request) {
        ImportContext ctx{conversion, out, 0, prompter, *logAdapter};
        request.bridgeFolder = installFolder();
        return importFromPdx(ctx, request);
    }
    PdxImportRequest headless(const std::string& container) {
        PdxImportRequest r;
        r.container = container;
        return r;
    }
    std::vector<std::string> entries() const {
        std::vector<std::string> lines;
        for (const auto& e : out)
            lines.push_back(std::to_string(e->m_nType) + "," + e->m_szName.c_str() + "," + e->m_szDestination.c_str() +
                            "," + e->m_szDepartment.c_str());
        return lines;
    }
    std::string logLines() const {
        const std::string text = velmo::test::readFile(logPath);
        return std::regex_replace(text, std::regex("^[^|\\r\\n]* \\| ", std::regex::multiline), "<time> | ");
    }
};

} // namespace

TEST_F(PdxImport, FirstImportCreatesTheProgramsProfileAndConvertsEveryRecipient) {
    EXPECT_TRUE(core.serviceNames(kProgramProfile).empty());
    PdxImportRequest request = headless("通訊錄/Sales");
    const ImportResult result = run(request);
    EXPECT_TRUE(request.opened);
    EXPECT_EQ(request.selectionStatus, 0);
    EXPECT_EQ(result.code, kImportFinished);
    EXPECT_EQ(core.serviceNames(kProgramProfile), std::vector<std::string>{"WAB"});
    EXPECT_TRUE(prompter.shown.empty());
    EXPECT_EQ(entries(), (std::vector<std::string>{
                             "0,Ann Lee,0211110000,Acme Sales Dept", "0,Ann Lee,0222220000,Acme Sales Dept",
                             "1,Ann Lee,ann@example.com,Acme Sales Dept", "0,Bob Wu,886255550000,",
                             "1,Carol Chen,carol@example.com,", "0,Dan Ho,0333330000,Delta Support",
                             "0,Eve Lin,0444440000,Echo", "0,Eve Lin,0555550000,Echo", "1,Eve Lin,eve@example.com,Echo",
                             "0,Frank Yu,0666660000,", "1,Frank Yu,frank@example.com,"}));
    // Every fax recipient lacks an e-mail address and every e-mail recipient a fax number.
    EXPECT_EQ(logLines(), "<time> | 匯入 | \r\n"
                          "0001: 無法取得 e-mail 資料。\r\n0002: 無法取得 e-mail 資料。\r\n"
                          "0003: 無法取得傳真號碼 (1) 資料。\r\n0004: 無法取得 e-mail 資料。\r\n"
                          "0005: 無法取得傳真號碼 (1) 資料。\r\n0006: 無法取得 e-mail 資料。\r\n"
                          "0007: 無法取得 e-mail 資料。\r\n0008: 無法取得 e-mail 資料。\r\n"
                          "0009: 無法取得傳真號碼 (1) 資料。\r\n0010: 無法取得 e-mail 資料。\r\n"
                          "0011: 無法取得傳真號碼 (1) 資料。\r\n");

    // Only e-mail wanted: the fax recipients give nothing and say why.
    out.clear();
    conversion.importFax = false;
    PdxImportRequest again = headless("通訊錄/Sales/East");
    run(again);
    EXPECT_EQ(entries(), (std::vector<std::string>{"1,Ann Lee,ann@example.com,Acme Sales Dept",
                                                   "1,Eve Lin,eve@example.com,Echo", "1,Frank Yu,frank@example.com,"}));
}

TEST_F(PdxImport, TooManyRecipientsImportNothingAndAnUnknownContainerIsReported) {
    conversion.room = 5;
    PdxImportRequest request = headless("通訊錄/Sales");
    run(request);
    EXPECT_EQ(request.selectionStatus, int32_t(0x80040403));
    EXPECT_TRUE(out.empty());
    PdxImportRequest nowhere = headless("通訊錄/Nowhere");
    run(nowhere);
    EXPECT_EQ(nowhere.selectionStatus, int32_t(0x8004010F));
    EXPECT_TRUE(out.empty());
}

TEST_F(PdxImport, WithoutTheBridgeOrAProfileTheImportSays6021) {
    PdxImportRequest request = headless("");
    ImportContext ctx{conversion, out, 0, prompter, *logAdapter};
    request.bridgeFolder = velmo::test::makeTempDir("nobridge") + "/";
    importFromPdx(ctx, request);
    EXPECT_FALSE(request.opened);
    EXPECT_EQ(prompter.shown, std::vector<int>{6021});

    prompter.shown.clear();
    PdxImportRequest named = headless("");
    named.profile = "Not there";
    run(named);
    EXPECT_FALSE(named.opened);
    EXPECT_EQ(prompter.shown, std::vector<int>{6021});
    EXPECT_TRUE(core.serviceNames("Not there").empty()) << "only the program's own profile is made";
    EXPECT_TRUE(core.serviceNames(kProgramProfile).empty());
}

TEST_F(PdxImport, FaxServiceIsTakenOutForTheImportAndPutBackAtClose) {
    ASSERT_EQ(core.createProfile(kProgramProfile, {"WAB", "ZELT_ABS"}), 0);
    BridgeClient client(&prompter, installFolder());
    ASSERT_TRUE(client.openWithProfileCreation(0));
    EXPECT_EQ(client.removedService(), "Test fax book");
    EXPECT_EQ(core.serviceNames(kProgramProfile), std::vector<std::string>{"WAB"});
    std::vector<ImportRecord> records;
    EXPECT_EQ(client.selectContainer(records, 9999, "通訊錄/Sales/East"), 0);
    EXPECT_EQ(records.size(), 7u);
    EXPECT_EQ(client.close(0), 1);
    std::vector<std::string> names = core.serviceNames(kProgramProfile);
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"WAB", "ZELT_ABS"}));
    EXPECT_EQ(client.removedService(), "");
    EXPECT_EQ(client.unload(), 1);
    EXPECT_EQ(client.unload(), 0) << "nothing left to free";

    // When even that does not open it, the service goes back at once.
    setenv(kBookVariable, "/nonexistent/contacts.fixture", 1);
    ASSERT_EQ(core.createProfile("Broken", {"WAB", "ZELT_ABS"}), 0);
    BridgeClient broken(&prompter, installFolder());
    EXPECT_FALSE(broken.open(0, "Broken"));
    EXPECT_EQ(broken.removedService(), "");
    names = core.serviceNames("Broken");
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"WAB", "ZELT_ABS"}));
}

TEST(PdxRecords, RecipientRecordsBecomeImportRecords) {
    vqbridge::RecipientRecord r;
    std::memset(&r, 0, sizeof r);
    std::memset(r.displayName, 'n', 85);
    std::strcpy(r.address, "mail@example.com");
    std::strcpy(r.company, "Co");
    std::strcpy(r.department, "Dept");
    std::strcpy(r.faxText1, "unused");
    std::strcpy(r.givenName, "G");
    std::strcpy(r.surname, "S");
    r.kind = vqbridge::kEmailRecipient;
    ImportRecord rec = importRecordOf(&r);
    EXPECT_EQ(rec.displayName.str(), std::string(85, 'n'));
    EXPECT_EQ(rec.email.str(), "mail@example.com");
    EXPECT_TRUE(rec.fax1.empty());
    EXPECT_EQ(rec.givenName.str(), "G");
    EXPECT_EQ(rec.surname.str(), "S");
    EXPECT_EQ(rec.company.str(), "Co");
    EXPECT_EQ(rec.department.str(), "Dept");
    r.kind = vqbridge::kFaxRecipient;
    std::strcpy(r.address, "02-1234");
    rec = importRecordOf(&r);
    EXPECT_EQ(rec.fax1.str(), "02-1234");
    EXPECT_TRUE(rec.fax2.empty()) << "fax field 2 stays empty";
    EXPECT_TRUE(rec.email.empty());
    // A record whose field is full to the last byte is still read within the field.
    std::memset(r.company, 'c', sizeof r.company);
    EXPECT_EQ(importRecordOf(&r).company.str(), std::string(44, 'c'));
}
