// pdxadmin end to end: vqcore loaded by name, the registry layout it leaves.

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <sys/wait.h>

#include "core_test_util.h"
#include "test_environment.h"

namespace fs = std::filesystem;

namespace {

struct Result {
    int status;
    std::string out;
};

Result run(const std::string& dir, const std::string& args) {
    const std::string cmd = "'" + dir + "/pdxadmin' " + args + " 2>&1";
    Result r{-1, {}};
    FILE* p = ::popen(cmd.c_str(), "r");
    if (!p) return r;
    char buf[512];
    while (size_t n = std::fread(buf, 1, sizeof buf, p)) r.out.append(buf, n);
    int raw = ::pclose(p);
    r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    return r;
}

class PdxAdmin : public ::testing::Test {
protected:
    void SetUp() override { velmo::test::freshRegistry(); }
    const std::string bin_ = VELMO_BIN_DIR;
};

} // namespace

TEST_F(PdxAdmin, ManagesProfiles) {
    EXPECT_EQ(run(bin_, "profiles").out, "");
    EXPECT_EQ(run(bin_, "create Alpha --default-services").status, 0);
    EXPECT_EQ(run(bin_, "create Beta").status, 0);
    EXPECT_EQ(run(bin_, "set-default Alpha").status, 0);
    EXPECT_EQ(run(bin_, "profiles").out, "* Alpha\n  Beta\n");
    Result dup = run(bin_, "create Beta");
    EXPECT_EQ(dup.status, 1);
    EXPECT_NE(dup.out.find("0x80070005 E_ACCESSDENIED"), std::string::npos);
    EXPECT_EQ(run(bin_, "rename Alpha Gamma").status, 0);
    EXPECT_EQ(run(bin_, "copy Gamma Delta").status, 0);
    EXPECT_EQ(run(bin_, "delete Beta").status, 0);
    EXPECT_EQ(run(bin_, "profiles").out, "  Delta\n* Gamma\n");
    EXPECT_EQ(run(bin_, "set-default --none").status, 0);
    EXPECT_EQ(run(bin_, "profiles").out, "  Delta\n  Gamma\n");
    Result missing = run(bin_, "delete Nobody");
    EXPECT_EQ(missing.status, 1);
    EXPECT_NE(missing.out.find("0x8004010f MAPI_E_NOT_FOUND"), std::string::npos);
    EXPECT_EQ(run(bin_, "frobnicate").status, 2);
}

TEST_F(PdxAdmin, DefaultServicesLayoutAndConfiguration) {
    ASSERT_EQ(run(bin_, "create Main --default-services").status, 0);
    Result list = run(bin_, "services Main");
    ASSERT_EQ(list.status, 0);
    // The shipped INF gives every profile the WAB service.
    ASSERT_EQ(list.out.size(), 32 + 1 + 3 + 1 + std::string("Windows 通訊錄").size() + 1 + 10 + 1);
    const std::string uid = list.out.substr(0, 32);
    EXPECT_EQ(list.out.substr(32), "\tWAB\tWindows 通訊錄\t0x00000002\n");

    platform::RegKey key;
    ASSERT_EQ(coretest::profileKey("Main").openSubKey(uid, key), platform::kRegOk);
    std::vector<uint8_t> data;
    ASSERT_EQ(key.queryValue("1024065566", nullptr, &data), platform::kRegOk); // PR_SERVICE_DLL_NAME
    ASSERT_EQ(data.size(), 40u);
    EXPECT_EQ(data[4], 12); // "vqwabsp.dll" with its NUL
    EXPECT_EQ(std::string(reinterpret_cast<char*>(data.data() + 24)), "vqwabsp.dll");
    ASSERT_EQ(key.queryValue("1024397342", nullptr, &data), platform::kRegOk); // PR_SERVICE_SUPPORT_FILES
    EXPECT_EQ(data.size(), 40u);
    EXPECT_EQ(data[4], 4 + 12);
    EXPECT_EQ(data[16], 1);

    ASSERT_EQ(run(bin_, "configure Main " + uid + " 3001001e=Renamed 66000003=-5").status, 0);
    EXPECT_EQ(run(bin_, "services Main").out, uid + "\tWAB\tRenamed\t0x00000002\n");
    ASSERT_EQ(key.queryValue("1711276035", nullptr, &data), platform::kRegOk);
    EXPECT_EQ(data[16], 0xFB);
    EXPECT_EQ(run(bin_, "configure Main " + uid + " 3001001f=wide").status, 2);

    // The fax provider is built beside vqcore: its service entry runs and the service stays.
    ASSERT_EQ(run(bin_, "create Other").status, 0);
    Result add = run(bin_, "add-service Other ZELT_ABS");
    EXPECT_EQ(add.status, 0) << add.out;
    EXPECT_NE(run(bin_, "services Other").out.find("\tZELT_ABS\t"), std::string::npos);

    EXPECT_EQ(run(bin_, "remove-service Main " + uid).status, 0);
    EXPECT_EQ(run(bin_, "services Main").out, "");
    EXPECT_EQ(run(bin_, "remove-service Main " + uid).status, 1);
}

TEST_F(PdxAdmin, AddServiceThroughATestProvider) {
    // A private installation: vqcore, the tool, the test provider and an INF naming it.
    const std::string dir = velmo::test::makeTempDir("install");
    for (const char* f : {"vqcore.so", "pdxadmin", "pdxtestsp.so"})
        fs::copy_file(bin_ + "/" + f, dir + "/" + f, fs::copy_options::overwrite_existing);
    coretest::writeTestInf(dir);
    const std::string log = dir + "/entry.log";
    ::setenv("PDXTEST_LOG", log.c_str(), 1);

    ASSERT_EQ(run(dir, "create P").status, 0);
    ASSERT_EQ(run(dir, "add-service P TESTB --display Mine").status, 0);
    Result list = run(dir, "services P");
    EXPECT_EQ(list.out.substr(32), "\tTESTB\tMine\t0x00000000\n");
    auto lines = coretest::readLines(log);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].substr(0, 28), "context=2 flags=0x0 count=0 ");
    ASSERT_EQ(run(dir, "add-service P TESTA").status, 0);
    Result twice = run(dir, "add-service P TESTA");
    EXPECT_EQ(twice.status, 1);
    EXPECT_NE(twice.out.find("0x80040604 MAPI_E_COLLISION"), std::string::npos);
    EXPECT_EQ(coretest::readLines(log).size(), 2u);
    ::unsetenv("PDXTEST_LOG");
}
