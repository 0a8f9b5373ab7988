#include "platform/module.h"

#include <gtest/gtest.h>

using namespace platform;

TEST(ModuleNames, WindowsNamesMapToSharedObjects) {
    EXPECT_EQ(mapModuleName("VQCORE.dll"), "vqcore.so");
    EXPECT_EQ(mapModuleName("VQCONV.DLL"), "vqconv.so");
    EXPECT_EQ(mapModuleName("vqwabsp"), "vqwabsp.so");
    EXPECT_EQ(mapModuleName("lib.so"), "lib.so");
    EXPECT_EQ(mapModuleName("..\\evil.dll"), "");
    EXPECT_EQ(mapModuleName("/usr/lib/evil.dll"), "");
    EXPECT_EQ(mapModuleName("sub/vqcore.dll"), "");
    EXPECT_EQ(mapModuleName(""), "");
}

TEST(ModuleLoading, LoadsFromTheOwnFolderByWindowsName) {
    std::string dir = moduleDirectory(reinterpret_cast<const void*>(&mapModuleName));
    EXPECT_EQ(dir, std::string(VELMO_BIN_DIR) + "/");
    EXPECT_EQ(ownModuleDirectory(), dir);
    Module m;
    ASSERT_TRUE(m.load("VELMO_TEST_MODULE.DLL")) << m.error();
    auto answer = m.function<int (*)()>("velmoTestAnswer");
    ASSERT_NE(answer, nullptr);
    EXPECT_EQ(answer(), 42);
    EXPECT_EQ(m.symbol("missing"), nullptr);
    Module refused;
    EXPECT_FALSE(refused.load(std::string(VELMO_BIN_DIR) + "/velmo_test_module.so"));
    EXPECT_FALSE(refused.load("no_such_module.dll"));
}

TEST(ModuleLoading, ConfiguredPathsLoadAsNamedAndReportTheirVersion) {
    Module m;
    ASSERT_TRUE(m.loadFile(std::string(VELMO_BIN_DIR) + "/velmo_test_module.so")) << m.error();
    FileVersion v;
    ASSERT_TRUE(moduleFileVersion(m, v));
    EXPECT_EQ(v.high, 0x00050000u);
    EXPECT_EQ(v.low, 0x00020007u);

    // Only absolute paths: a relative one would depend on the working folder.
    Module relative;
    EXPECT_FALSE(relative.loadFile("velmo_test_module.so"));
    EXPECT_FALSE(relative.loadFile(std::string(VELMO_BIN_DIR) + "/VELMO_TEST_MODULE.SO"));
    // No module, no version resource: 0.0.
    v = {7, 7};
    EXPECT_FALSE(moduleFileVersion(relative, v));
    EXPECT_EQ(v.high, 0u);
    EXPECT_EQ(v.low, 0u);
}

TEST(ModuleLoading, AnUnloadedModuleGivesBackWhatItsTextServicesCached) {
    for (int round = 0; round < 2; ++round) {
        Module m;
        ASSERT_TRUE(m.load("velmo_test_text_module.so")) << m.error();
        auto work = m.function<int (*)()>("velmoTextWork");
        ASSERT_NE(work, nullptr);
        EXPECT_EQ(work(), 2 + 1 + 1 + 2);
    }
}
