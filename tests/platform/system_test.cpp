#include <thread>
#include <atomic>
#include "platform/system.h"
#include "test_environment.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <gtest/gtest.h>
#include <set>
#include <string>
#include <vector>
#include <sys/mman.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace platform;

TEST(SingleInstance, OnlyTheFirstProcessOwnsTheMarker) {
    SingleInstanceLock first;
    ASSERT_TRUE(first.claim("VELMO_TEST_INSTANCE"));
    pid_t pid = fork();
    if (pid == 0) {
        SingleInstanceLock second;
        _exit(second.claim("VELMO_TEST_INSTANCE") ? 1 : 0);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    EXPECT_EQ(WEXITSTATUS(status), 0) << "a second process is not the owner";
    first.release();
    SingleInstanceLock again;
    EXPECT_TRUE(again.claim("VELMO_TEST_INSTANCE"));
}

TEST(Guids, AreRandomVersionFour) {
    std::set<std::array<uint8_t, 16>> seen;
    for (int i = 0; i < 100; ++i) {
        auto g = newGuid();
        EXPECT_EQ(g[6] >> 4, 4);
        EXPECT_EQ(g[8] & 0xC0, 0x80);
        seen.insert(g);
    }
    EXPECT_EQ(seen.size(), 100u);
}

TEST(PointerProbes, TellUsableFromUnusableMemoryWithoutFaulting) {
    long page = sysconf(_SC_PAGESIZE);
    auto* rw = static_cast<char*>(mmap(nullptr, 3 * page, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0));
    ASSERT_NE(rw, MAP_FAILED);
    mprotect(rw + page, page, PROT_READ);
    mprotect(rw + 2 * page, page, PROT_NONE);
    rw[10] = 'k';
    EXPECT_TRUE(isReadable(rw, page));
    EXPECT_TRUE(isWritable(rw, page));
    EXPECT_EQ(rw[10], 'k') << "probing keeps the content";
    EXPECT_TRUE(isReadable(rw + page, page));
    EXPECT_FALSE(isWritable(rw + page, page));
    EXPECT_FALSE(isWritable(rw + page - 8, 16)) << "a range running into read-only memory";
    EXPECT_FALSE(isReadable(rw + 2 * page, 1));
    EXPECT_FALSE(isReadable(nullptr, 4));
    EXPECT_FALSE(isWritable(nullptr, 0));
    EXPECT_TRUE(isWritable(rw, 0));
    // A probe that stopped halfway leaves nothing behind for the next one.
    std::memset(rw, 'a', page);
    EXPECT_FALSE(isWritable(rw + page - 8, 16));
    EXPECT_TRUE(isWritable(rw, page));
    EXPECT_EQ(std::count(rw, rw + page, 'a'), page) << "the probed page keeps its content";
    munmap(rw, 3 * page);
}

// A forked child probes with a pipe of its own: sharing its parent's, the two
// could take each other's bytes and write them into the memory they probe.
TEST(PointerProbes, AForkedChildNeverSharesItsParentsProbe) {
    std::vector<char> mine(3000, 'p');
    ASSERT_TRUE(isWritable(mine.data(), mine.size())); // the parent's pipe exists
    pid_t child = fork();
    if (child == 0) {
        std::vector<char> theirs(3000, 'c');
        bool ok = true;
        for (int i = 0; i < 2000 && ok; ++i)
            ok = isWritable(theirs.data(), theirs.size()) && theirs == std::vector<char>(3000, 'c');
        _exit(ok ? 0 : 1);
    }
    for (int i = 0; i < 2000; ++i) {
        ASSERT_TRUE(isWritable(mine.data(), mine.size()));
        ASSERT_EQ(std::count(mine.begin(), mine.end(), 'p'), 3000) << "probe " << i << " changed the memory";
    }
    int status = 0;
    waitpid(child, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
}

// Threads probing at once never take each other's bytes, and a child forked
// while another thread is probing still probes (its copy of the busy pipe
// stays busy for good).
TEST(PointerProbes, ThreadsAndChildrenForkedMidProbeKeepEveryByte) {
    std::atomic<bool> stop{false};
    std::atomic<int> faults{0};
    std::vector<std::thread> threads;
    for (char fill : {'a', 'b', 'c'}) {
        threads.emplace_back([&, fill] {
            std::vector<char> bytes(1 << 18, fill);
            while (!stop)
                if (!isWritable(bytes.data(), bytes.size()) ||
                    std::count(bytes.begin(), bytes.end(), fill) != static_cast<long>(bytes.size()))
                    ++faults;
        });
    }
    for (int i = 0; i < 20; ++i) {
        pid_t child = fork();
        if (child == 0) {
            alarm(10); // a probe waiting for the parent's thread would wait forever
            std::vector<char> theirs(5000, 'z');
            bool ok = isWritable(theirs.data(), theirs.size()) && theirs == std::vector<char>(5000, 'z');
            _exit(ok ? 0 : 1);
        }
        int status = 0;
        waitpid(child, &status, 0);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "child " << i;
    }
    stop = true;
    for (auto& t : threads) t.join();
    EXPECT_EQ(faults, 0);
}

TEST(SystemInfo, PrinterFolderAndVersion) {
    setenv("VELMO_PRINTER_DRIVER_DIR", "/opt/fax", 1);
    EXPECT_EQ(printerDriverDirectory(), "/opt/fax/");
    unsetenv("VELMO_PRINTER_DRIVER_DIR");
    EXPECT_EQ(printerDriverDirectory(), std::string(VELMO_BIN_DIR) + "/");
    EXPECT_EQ(osVersion().platformId, kPlatformWin32Windows);
}

TEST(SystemInfo, DateAndTimeFollowTheUserLocale) {
    setenv("TZ", "UTC", 1);
    std::time_t t = 1796688000; // 2026-12-07 00:00:00 UTC
    std::string date = formatShortDate(t);
    std::string time = formatTime(t);
    EXPECT_FALSE(date.empty());
    EXPECT_NE(date.find("12"), std::string::npos);
    EXPECT_NE(time.find("00"), std::string::npos);
}
