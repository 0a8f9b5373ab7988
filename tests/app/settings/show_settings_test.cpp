// The headless tool's settings listing and the registry tool, run as a user would.

#include "platform/registry.h"
#include "test_environment.h"

#include <filesystem>
#include <gtest/gtest.h>

using velmo::test::binPath;
using velmo::test::makeTempDir;
using velmo::test::runCommand;
using velmo::test::writeFile;

namespace {

const char kDefaults[] =
    "Import.AddrBookPath=\n"
    "Import.AddrBookType=0\n"
    "Import.FAX=1\n"
    "Import.Email=1\n"
    "Exchange.ExchangeVersion=0\n"
    "Exchange.Quote=1\n"
    "Exchange.內容=3\n"
    "Exchange.Column=0\n"
    "Notes.NotesVersion=1\n"
    "Notes.SectionCode=12\n"
    "Notes.OfficeFax=1\n"
    "Notes.HomeFax=1\n"
    "Notes.EmailField=0\n"
    "Conversion.NameSeq=2\n"
    "Conversion.OutsideWireCode=\n"
    "Conversion.FaxConvertType=1\n"
    "Conversion.EmailConvertType=1\n"
    "Conversion.DeptConvertType=0\n"
    "Export.MaxExport=1600\n"
    "Export.LdifFilePath=\n"
    "Export.FAX=1\n"
    "Export.Email=1\n"
    "Env.LogFilePath=\n"
    "Env.OneTouchNumber=200\n"
    "FieldMap[Microsoft Exchange 5.X].FirstName=First Name\n"
    "FieldMap[Microsoft Exchange 5.X].LastName=Last name\n"
    "FieldMap[Microsoft Exchange 5.X].AltFullNameSort=\n"
    "FieldMap[Microsoft Exchange 5.X].DisplayName=Display Name\n"
    "FieldMap[Microsoft Exchange 5.X].Company=Company\n"
    "FieldMap[Microsoft Exchange 5.X].Department=Department\n"
    "FieldMap[Microsoft Exchange 5.X].FaxNumber1=Fax number\n"
    "FieldMap[Microsoft Exchange 5.X].FaxNumber2=\n"
    "FieldMap[Microsoft Exchange 5.X].EmailProperty=SMTP:\n"
    "FieldMap[Microsoft Exchange 5.X].Email1=E-mail Addresses\n"
    "FieldMap[Microsoft Exchange 5.X].Email2=\n"
    "FieldMap[Microsoft Exchange 2000].FirstName=givenName\n"
    "FieldMap[Microsoft Exchange 2000].LastName=sn\n"
    "FieldMap[Microsoft Exchange 2000].AltFullNameSort=\n"
    "FieldMap[Microsoft Exchange 2000].DisplayName=displayName\n"
    "FieldMap[Microsoft Exchange 2000].Company=company\n"
    "FieldMap[Microsoft Exchange 2000].Department=department\n"
    "FieldMap[Microsoft Exchange 2000].FaxNumber1=facsimileTelephoneNumber\n"
    "FieldMap[Microsoft Exchange 2000].FaxNumber2=\n"
    "FieldMap[Microsoft Exchange 2000].EmailProperty=\n"
    "FieldMap[Microsoft Exchange 2000].Email1=mail\n"
    "FieldMap[Microsoft Exchange 2000].Email2=\n"
    "FieldMap[Lotus Notes].FirstName=FirstName:  \n"
    "FieldMap[Lotus Notes].LastName=LastName:  \n"
    "FieldMap[Lotus Notes].AltFullNameSort=AltFullNameSort:  \n"
    "FieldMap[Lotus Notes].DisplayName=:  \n"
    "FieldMap[Lotus Notes].Company=CompanyName:  \n"
    "FieldMap[Lotus Notes].Department=Department:  \n"
    "FieldMap[Lotus Notes].FaxNumber1=OfficeFAXPhoneNumber:  \n"
    "FieldMap[Lotus Notes].FaxNumber2=HomeFAXPhoneNumber:  \n"
    "FieldMap[Lotus Notes].EmailProperty=:  \n"
    "FieldMap[Lotus Notes].Email1=MailAddress:  \n"
    "FieldMap[Lotus Notes].Email2=InternetAddress:  \n"
    "PDX C_IF.FaxNumberPrimary=[第1優先ファクス]\n"
    "PDX C_IF.FaxNumberHome=[第2優先(自宅ファクス)]\n"
    "PDX C_IF.FaxNumberBusiness=[第1優先(勤務先ファクス)]\n"
    "PDX C_IF.FaxNumberOther=[その他のFAX]\n"
    "PDX C_IF.EmailAddress=\n"
    "PDX C_IF.CompFaxNumberHome=(自宅 FAX)\n"
    "PDX C_IF.CompFaxNumberBusiness=(会社 FAX)\n"
    "PDX C_IF.CompFaxNumberOther=(その他の FAX)\n"
    "PDX C_IF.CompEmailAddress=(E-mail)\n";

// A copy of the tool in a folder of its own, so the test decides what lies beside it.
std::string toolInOwnFolder(const std::string& infText, bool withInf) {
    std::string dir = makeTempDir("tool");
    std::filesystem::copy_file(std::string(VELMO_BIN_DIR) + "/lisotrex-convert", dir + "/lisotrex-convert");
    if (withInf) writeFile(dir + "/Lisotrex.inf", infText);
    return "'" + dir + "/lisotrex-convert'";
}

} // namespace

class ShowSettings : public testing::Test {
protected:
    void SetUp() override { velmo::test::freshRegistry(); }
};

TEST_F(ShowSettings, EmptyRegistryAndNoInfFilePrintTheDefaults) {
    std::string out;
    ASSERT_EQ(runCommand(toolInOwnFolder("", false) + " --show-settings", &out), 0);
    EXPECT_EQ(out, kDefaults);
}

TEST_F(ShowSettings, TheShippedInfFileChangesNothing) {
    std::string out;
    ASSERT_EQ(runCommand(binPath("lisotrex-convert") + " --show-settings", &out), 0);
    EXPECT_EQ(out, kDefaults);
}

TEST_F(ShowSettings, InfFileAndRegistryValuesShowUp) {
    std::string reg = makeTempDir() + "/seed.reg";
    writeFile(reg, "REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Velmo\\Kavrelo\\設定\\Exchange]\n"
                   "\"內容\"=dword:00000006\n\n"
                   "[HKEY_CURRENT_USER\\Software\\Velmo\\Kavrelo\\設定\\Env]\n\"LogFilePath\"=\"/tmp/長.log\"\n");
    ASSERT_EQ(runCommand(binPath("velmo-reg") + " import '" + reg + "'"), 0);
    std::string out;
    ASSERT_EQ(runCommand(toolInOwnFolder("[Lotus Notes]\nEmail1=Mail\n", true) + " --show-settings", &out), 0);
    EXPECT_NE(out.find("\nFieldMap[Lotus Notes].Email1=Mail:  \n"), std::string::npos);
    EXPECT_NE(out.find("\nExchange.內容=6\n"), std::string::npos);
    EXPECT_NE(out.find("\nEnv.LogFilePath=/tmp/長.log\n"), std::string::npos);
}

TEST_F(ShowSettings, UnknownOptionIsAUsageError) {
    std::string err;
    EXPECT_EQ(runCommand(binPath("lisotrex-convert") + " --frobnicate", nullptr, &err), 2);
    EXPECT_NE(err.find("usage"), std::string::npos);
}

TEST_F(ShowSettings, RegistryExportRoundTripsThroughImport) {
    std::string dir = makeTempDir();
    writeFile(dir + "/in.reg",
              "REGEDIT4\n\n"
              "[HKEY_CURRENT_USER\\Software\\Velmo\\Pandex\\Profiles\\Lisotrex's PDX Profile]\n"
              "@=\"default \\\"quoted\\\" \\\\ text\"\n"
              "\"0\"=hex:7b,00,00,00,ff\n"
              "\"Count\"=dword:0000000c\n"
              "\"empty\"=hex:\n"
              "\"lines\"=hex(1):61,0a,62,00\n"
              "\n[HKEY_CURRENT_USER\\Software\\Velmo\\Pandex\\Profiles\\b\\0123456789abcdef0123456789abcdef]\n"
              "\"1\"=hex:01,02,\\\n  03,04\n"
              "\n[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\WAB\\DLLPath]\n@=\"/opt/wab32.so\"\n");
    ASSERT_EQ(runCommand(binPath("velmo-reg") + " import '" + dir + "/in.reg'"), 0);
    std::string first;
    ASSERT_EQ(runCommand(binPath("velmo-reg") + " export", &first), 0);
    EXPECT_NE(first.find("\"1\"=hex:01,02,03,04\n"), std::string::npos);
    EXPECT_NE(first.find("\"Count\"=dword:0000000c\n"), std::string::npos);
    EXPECT_NE(first.find("\"lines\"=hex(1):61,0a,62,00\n"), std::string::npos) << "a line end cannot be quoted";
    writeFile(dir + "/out.reg", first);

    velmo::test::freshRegistry();
    ASSERT_EQ(runCommand(binPath("velmo-reg") + " import '" + dir + "/out.reg'"), 0);
    std::string second;
    ASSERT_EQ(runCommand(binPath("velmo-reg") + " export", &second), 0);
    EXPECT_EQ(first, second);

    // A subtree, deletions, and a broken file that changes nothing.
    std::string sub;
    ASSERT_EQ(runCommand(binPath("velmo-reg") + " export 'HKEY_CURRENT_USER\\Software\\Velmo\\Pandex\\Profiles\\b'", &sub), 0);
    EXPECT_EQ(sub.rfind("REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Velmo\\Pandex\\Profiles\\b]\n", 0), 0u);
    writeFile(dir + "/del.reg", "REGEDIT4\n[-HKEY_CURRENT_USER\\Software\\Velmo\\Pandex\\Profiles\\b]\n"
                                "[HKEY_CURRENT_USER\\Software\\Velmo\\Pandex\\Profiles\\Lisotrex's PDX Profile]\n\"Count\"=-\n");
    ASSERT_EQ(runCommand(binPath("velmo-reg") + " import '" + dir + "/del.reg'"), 0);
    writeFile(dir + "/bad.reg", "REGEDIT4\n[HKEY_CURRENT_USER\\New]\n\"x\"=dword:1\n\"y\"=bogus\n");
    EXPECT_EQ(runCommand(binPath("velmo-reg") + " import '" + dir + "/bad.reg'"), 1);
    std::string after;
    ASSERT_EQ(runCommand(binPath("velmo-reg") + " export", &after), 0);
    EXPECT_EQ(after.find("Profiles\\b"), std::string::npos);
    EXPECT_EQ(after.find("Count"), std::string::npos);
    EXPECT_EQ(after.find("HKEY_CURRENT_USER\\New"), std::string::npos) << "a failed import writes nothing";
    EXPECT_EQ(runCommand(binPath("velmo-reg") + " export 'HKEY_CURRENT_USER\\Nothing'"), 1);
}

TEST_F(ShowSettings, EveryValueTypeKeepsItsTypeThroughRoundTrips) {
    using namespace platform;
    const std::string keyPath = "Software\\Velmo\\Types";
    {
        RegKey key;
        ASSERT_EQ(RegKey::create(RegRoot::CurrentUser, keyPath, key), kRegOk);
        for (uint32_t type = 0; type <= 0xb; ++type) {
            // Four bytes fit every type, a DWORD included; text types end with their NUL.
            const uint8_t bytes[4] = {'a', static_cast<uint8_t>('a' + type), 'z', 0};
            ASSERT_EQ(key.setValue("v" + std::to_string(type), static_cast<RegType>(type), bytes, sizeof bytes), kRegOk);
        }
    }
    auto typesNow = [&] {
        std::vector<uint32_t> types;
        RegKey key;
        EXPECT_EQ(RegKey::open(RegRoot::CurrentUser, keyPath, key), kRegOk);
        for (uint32_t type = 0; type <= 0xb; ++type) {
            RegType got = REG_NONE;
            EXPECT_EQ(key.queryValue("v" + std::to_string(type), &got, nullptr), kRegOk);
            types.push_back(got);
        }
        return types;
    };
    std::vector<uint32_t> expected(12);
    for (uint32_t type = 0; type <= 0xb; ++type) expected[type] = type;
    ASSERT_EQ(typesNow(), expected);

    std::string dir = makeTempDir();
    std::string previous;
    for (int trip = 0; trip < 2; ++trip) {
        std::string exported;
        ASSERT_EQ(runCommand(binPath("velmo-reg") + " export 'HKEY_CURRENT_USER\\" + keyPath + "'", &exported), 0);
        if (trip == 0) {
            EXPECT_NE(exported.find("\"v11\"=hex(b):61,6c,7a,00\n"), std::string::npos) << exported;
            EXPECT_NE(exported.find("\"v10\"=hex(a):61,6b,7a,00\n"), std::string::npos) << exported;
        } else {
            EXPECT_EQ(exported, previous) << "a round trip changes nothing";
        }
        previous = exported;
        writeFile(dir + "/types.reg", exported);
        velmo::test::freshRegistry();
        ASSERT_EQ(runCommand(binPath("velmo-reg") + " import '" + dir + "/types.reg'"), 0);
        EXPECT_EQ(typesNow(), expected) << "after round trip " << trip + 1;
    }
}
