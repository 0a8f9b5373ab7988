#include "platform/ini.h"
#include "test_environment.h"

#include <gtest/gtest.h>

using namespace platform;

TEST(Ini, ReadsLikeThePrivateProfileCalls) {
    IniText ini("; comment\r\n"
                "[Lotus Notes]\r\n"
                "  email1  =   Mail  \r\n"
                "Email1=Second\r\n"
                "Quoted=\"  padded  \"\r\n"
                "Empty=\r\n"
                "[lotus notes]\r\n"
                "Company=Ignored, second section of the same name\r\n"
                "[Other]\n"
                "Email1=Other\n");
    EXPECT_EQ(ini.value("LOTUS NOTES", "EMAIL1", "dflt"), "Mail") << "case-insensitive, trimmed, first wins";
    EXPECT_EQ(ini.value("Lotus Notes", "Quoted", ""), "  padded  ");
    EXPECT_EQ(ini.value("Lotus Notes", "Empty", "dflt"), "") << "present but empty is not the default";
    EXPECT_EQ(ini.value("Lotus Notes", "Company", "dflt"), "dflt");
    EXPECT_EQ(ini.value("Missing", "Email1", "dflt"), "dflt");
    EXPECT_EQ(ini.value("Other", "Email1", ""), "Other");
    EXPECT_EQ(ini.section("Lotus Notes"),
              (std::vector<std::string>{"email1=Mail", "Email1=Second", "Quoted=\"  padded  \"", "Empty="}));
}

TEST(Ini, BufferSizeCutsLongValues) {
    std::string longValue(2000, 'x');
    IniText ini("[S]\nK=" + longValue + "\n");
    EXPECT_EQ(ini.value("S", "K", "", 1024).size(), 1023u);
    EXPECT_EQ(ini.value("S", "K", "").size(), 2000u);
    EXPECT_EQ(ini.value("S", "none", longValue, 1024).size(), 1023u) << "the default is cut too";
}

TEST(Ini, MissingFileGivesDefaults) {
    std::string dir = velmo::test::makeTempDir();
    EXPECT_EQ(getPrivateProfileString("S", "K", "d", dir + "/none.inf"), "d");
    EXPECT_TRUE(getPrivateProfileSection("S", dir + "/none.inf").empty());
    velmo::test::writeFile(dir + "/a.inf", "[Services]\nWAB = Windows Address Book\nLine without equals\n\n;x\n");
    EXPECT_EQ(getPrivateProfileSection("services", dir + "/a.inf"),
              (std::vector<std::string>{"WAB=Windows Address Book", "Line without equals"}));
}

TEST(Ini, FilesAreReadWholeAndAFolderReadsAsEmpty) {
    std::string dir = velmo::test::makeTempDir();
    // Longer than one read block.
    std::string big = "[S]\r\nK=" + std::string(40000, 'v') + "\r\n[T]\nLast=end";
    velmo::test::writeFile(dir + "/big.inf", big);
    bool found = false;
    IniText ini = IniText::load(dir + "/big.inf", &found);
    EXPECT_TRUE(found);
    EXPECT_EQ(ini.value("S", "K", "").size(), 40000u);
    EXPECT_EQ(ini.value("T", "Last", ""), "end");
    IniText folder = IniText::load(dir, &found);
    EXPECT_TRUE(found) << "a folder opens, as a stream read found it, and holds nothing";
    EXPECT_EQ(folder.value("S", "K", "d"), "d");
    IniText none = IniText::load(dir + "/none.inf", &found);
    EXPECT_FALSE(found);
}
