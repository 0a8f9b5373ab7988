#include "settings/preferences.h"

#include "platform/registry.h"
#include "strings/strings.h"
#include "test_environment.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

using namespace lisotrex;
using platform::RegKey;
using platform::RegRoot;

namespace {

RegKey sectionKey(const std::string& utf8Sub) {
    RegKey k;
    RegKey::create(RegRoot::CurrentUser, "Software\\Velmo\\Kavrelo\\設定\\" + utf8Sub, k);
    return k;
}

} // namespace

class PreferencesTest : public testing::Test {
protected:
    void SetUp() override { velmo::test::freshRegistry(); }
};

TEST_F(PreferencesTest, EmptyRegistryGivesTheDocumentedDefaults) {
    Preferences p = loadPreferences();
    EXPECT_EQ(p.conversion.nameSeq, 2);
    EXPECT_EQ(p.conversion.outsideWireCode, "");
    EXPECT_EQ(p.conversion.faxConvertType, 1);
    EXPECT_EQ(p.conversion.emailConvertType, 1);
    EXPECT_EQ(p.conversion.deptConvertType, 0);
    EXPECT_EQ(p.exports.maxExport, 1600);
    EXPECT_EQ(p.env.oneTouchNumber, 200);
    EXPECT_EQ(p.env.logFilePath, "");
    EXPECT_EQ(p.exchange.version, 0);
    EXPECT_EQ(p.exchange.column, 0);
    EXPECT_EQ(p.exchange.quote, 1);
    EXPECT_EQ(p.exchange.groupSymbol, 3);
    EXPECT_EQ(p.notes.version, 1);
    EXPECT_EQ(p.notes.sectionCode, 12);
    EXPECT_EQ(p.notes.officeFax, 1);
    EXPECT_EQ(p.notes.homeFax, 1);
    EXPECT_EQ(p.notes.emailField, 0);
    EXPECT_EQ(preferenceTable().size(), 24u);
}

TEST_F(PreferencesTest, ReadsStoredValuesWithoutRangeChecks) {
    sectionKey("Exchange").setDword("內容", 99);
    sectionKey("Env").setDword("OneTouchNumber", 0xFFFFFFFFu);
    sectionKey("轉換").setString("OutsideWireCode", "0,");
    // A value of the wrong type is as good as missing, four bytes long or not.
    sectionKey("匯出").setString("MaxExport", "12");
    const uint8_t five[4] = {5, 0, 0, 0};
    sectionKey("註解").setBinary("SectionCode", five, sizeof five);
    sectionKey("註解").setString("NotesVersion", "abc"); // four bytes with its NUL
    sectionKey("Env").setBinary("LogFilePath", "/l.log", 6);
    sectionKey("匯入").setDword("AddrBookPath", 0x2F2F2F2F);
    Preferences p = loadPreferences();
    EXPECT_EQ(p.exchange.groupSymbol, 99);
    EXPECT_EQ(p.env.oneTouchNumber, -1);
    EXPECT_EQ(p.conversion.outsideWireCode, "0,");
    EXPECT_EQ(p.exports.maxExport, 1600);
    EXPECT_EQ(p.notes.sectionCode, 12) << "a 4-byte REG_BINARY is no REG_DWORD";
    EXPECT_EQ(p.notes.version, 1) << "a 4-byte REG_SZ is no REG_DWORD";
    EXPECT_EQ(p.env.logFilePath, "");
    EXPECT_EQ(p.import.path, "");
}

TEST_F(PreferencesTest, SavingWritesOnlyWhatIsAsked) {
    Preferences p;
    p.exports.ldifFilePath = "/tmp/out.abk";
    p.exports.fax = 0;
    p.exports.maxExport = 5;
    savePreference(p, PrefSection::Export, ids::IDS_KEY_LDIF_FILE_PATH);
    RegKey k = sectionKey("匯出");
    std::string path;
    uint32_t n = 7;
    EXPECT_EQ(k.queryString("LdifFilePath", path), platform::kRegOk);
    EXPECT_EQ(path, "/tmp/out.abk");
    EXPECT_EQ(k.queryDword("FAX", n), platform::kRegFileNotFound) << "export keys are written one by one";

    p.import.path = "/data/x.csv";
    p.import.source = 1;
    saveImportSettings(p);
    RegKey imp = sectionKey("匯入");
    for (const char* key : {"AddrBookType", "FAX", "Email"}) EXPECT_EQ(imp.queryDword(key, n), platform::kRegOk) << key;
    EXPECT_EQ(imp.queryString("AddrBookPath", path), platform::kRegOk);

    Preferences back = loadPreferences();
    EXPECT_EQ(back.import.source, 1);
    EXPECT_EQ(back.import.path, "/data/x.csv");
    EXPECT_EQ(back.exports.ldifFilePath, "/tmp/out.abk");
    EXPECT_EQ(back.exports.fax, 1) << "not saved, so still the default";
}

// A section saved as it is stored writes nothing; a changed value among
// unchanged ones is written, the others kept.
TEST_F(PreferencesTest, SavingASectionWritesOnlyWhatChanged) {
    const std::string wal = platform::registryPath() + "-wal";
    auto walSize = [&] {
        struct stat st{};
        return stat(wal.c_str(), &st) == 0 ? static_cast<long long>(st.st_size) : -1LL;
    };
    Preferences p;
    p.conversion.nameSeq = 1;
    p.conversion.outsideWireCode = "9,";
    saveSection(p, PrefSection::Conversion);
    const long long written = walSize();
    ASSERT_GT(written, 0);
    saveSection(p, PrefSection::Conversion);
    EXPECT_EQ(walSize(), written) << "nothing changed, nothing written";

    p.conversion.outsideWireCode = "0,";
    saveSection(p, PrefSection::Conversion);
    EXPECT_GT(walSize(), written);
    const Preferences back = loadPreferences();
    EXPECT_EQ(back.conversion.outsideWireCode, "0,");
    EXPECT_EQ(back.conversion.nameSeq, 1);
}

TEST_F(PreferencesTest, NamesAreTheChineseRegistryNames) {
    EXPECT_EQ(sectionKeyPath(PrefSection::Notes), "Software\\Velmo\\Kavrelo\\設定\\註解");
    EXPECT_EQ(sectionKeyPath(PrefSection::Conversion), "Software\\Velmo\\Kavrelo\\設定\\轉換");
    EXPECT_EQ(sectionKeyPath(PrefSection::Env), "Software\\Velmo\\Kavrelo\\設定\\Env");
    setenv("VELMO_CODEPAGE", "CP950", 1);
    Preferences p;
    p.env.logFilePath = "\xa4\xa4.log"; // "中.log" in code page 950
    saveSection(p, PrefSection::Env);
    unsetenv("VELMO_CODEPAGE");
    RegKey env;
    ASSERT_EQ(RegKey::open(RegRoot::CurrentUser, "Software\\Velmo\\Kavrelo\\設定\\Env", env), platform::kRegOk);
    std::string stored;
    env.queryString("LogFilePath", stored);
    EXPECT_EQ(stored, "中.log");
}

TEST_F(PreferencesTest, OverridesUseTheShownNames) {
    Preferences p;
    EXPECT_TRUE(overridePreference(p, "Env.LogFilePath", "/tmp/x.log"));
    EXPECT_EQ(p.env.logFilePath, "/tmp/x.log");
    EXPECT_TRUE(overridePreference(p, "Exchange.內容", "6"));
    EXPECT_EQ(p.exchange.groupSymbol, 6);
    EXPECT_TRUE(overridePreference(p, "Export.FAX", "0"));
    EXPECT_EQ(p.exports.fax, 0);
    EXPECT_EQ(p.import.fax, 1) << "the import FAX key is another preference";
    EXPECT_FALSE(overridePreference(p, "Export.FAX", "yes"));
    EXPECT_FALSE(overridePreference(p, "export.fax", "1"));
    EXPECT_FALSE(overridePreference(p, "Nothing", "1"));
    EXPECT_TRUE(isPreferenceName("Export.FAX"));
    EXPECT_TRUE(isPreferenceName("Exchange.內容"));
    EXPECT_FALSE(isPreferenceName("export.fax"));
    EXPECT_FALSE(isPreferenceName("Export"));
}
