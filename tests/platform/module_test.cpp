#include "platform/module.h"

#include "test_environment.h"

#include <gtest/gtest.h>
#include <unistd.h>

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

// Installed programs are started through links in bin/ while their parts lie
// beside the real files in lib/lisotrex/.
TEST(ModuleLoading, LinksResolveToTheFolderOfTheRealFile) {
    const std::string bin = std::string(VELMO_BIN_DIR) + "/";
    const std::string links = velmo::test::makeTempDir("links");
    ASSERT_EQ(symlink((bin + "velmo_module_probe").c_str(), (links + "/probe").c_str()), 0);
    ASSERT_EQ(symlink((bin + "velmo_test_module.so").c_str(), (links + "/velmo_test_module.so").c_str()), 0);

    std::string out;
    // Started by its absolute link path, as a shell finds it on PATH.
    ASSERT_EQ(velmo::test::runCommand(velmo::test::shellQuote(links + "/probe"), &out), 0);
    EXPECT_EQ(out, bin + "\n");
    // Started with a misleading argv[0].
    ASSERT_EQ(velmo::test::runCommand("bash -c 'exec -a /nowhere/probe \"$0\"' " + velmo::test::shellQuote(links + "/probe"), &out), 0);
    EXPECT_EQ(out, bin + "\n");
    // Started through a relative link.
    ASSERT_EQ(velmo::test::runCommand("cd " + velmo::test::shellQuote(links) + " && ./probe", &out), 0);
    EXPECT_EQ(out, bin + "\n");

    // A library loaded through a link also finds the folder of its real file.
    Module m;
    ASSERT_TRUE(m.load("velmo_test_module.so", links + "/")) << m.error();
    auto where = m.function<void (*)(char*, unsigned)>("velmoTestModuleDirectory");
    ASSERT_NE(where, nullptr);
    char buf[4096];
    where(buf, sizeof buf);
    EXPECT_EQ(std::string(buf), bin);
}
