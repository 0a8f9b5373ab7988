#include "platform/file.h"
#include "test_environment.h"

#include <cerrno>
#include <ctime>
#include <fcntl.h>
#include <set>
#include <sys/file.h>
#include <sys/time.h>
#include <csignal>
#include <filesystem>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace platform;
using velmo::test::makeTempDir;
using velmo::test::readFile;
using velmo::test::writeFile;

TEST(FileCauses, ErrnoMapsToTheFrameworkCauses) {
    EXPECT_EQ(causeFromErrno(ENOENT), FileCause::FileNotFound);
    for (int e : {ENOTDIR, ENAMETOOLONG, EINVAL}) EXPECT_EQ(causeFromErrno(e), FileCause::BadPath);
    for (int e : {EMFILE, ENFILE}) EXPECT_EQ(causeFromErrno(e), FileCause::TooManyOpenFiles);
    for (int e : {EACCES, EPERM, EROFS, EISDIR}) EXPECT_EQ(causeFromErrno(e), FileCause::AccessDenied);
    for (int e : {ENOSPC, EDQUOT}) EXPECT_EQ(causeFromErrno(e), FileCause::DiskFull);
    EXPECT_EQ(causeFromErrno(EIO), FileCause::HardIO);
    EXPECT_EQ(causeFromErrno(EWOULDBLOCK, true), FileCause::SharingViolation);
    EXPECT_EQ(causeFromErrno(EWOULDBLOCK), FileCause::Generic);
    EXPECT_EQ(causeFromErrno(EXDEV), FileCause::Generic);
}

TEST(FileOpening, RealFailuresCarryTheirCause) {
    std::string dir = makeTempDir();
    File f;
    EXPECT_EQ(f.open(dir + "/missing.abu", {FileAccess::ReadWrite}), FileCause::FileNotFound);
    // Creating in a folder that does not exist: the path is bad, no file is missing.
    EXPECT_EQ(f.open(dir + "/nodir/x.abu", {FileAccess::Write, true}), FileCause::BadPath);
    EXPECT_EQ(f.open(dir + "/nodir/x.abu", {FileAccess::Read}), FileCause::FileNotFound);
    writeFile(dir + "/plain", "x");
    EXPECT_EQ(f.open(dir + "/plain/x.abu", {FileAccess::Write, true}), FileCause::BadPath);
    EXPECT_EQ(f.open(dir, {FileAccess::Read}), FileCause::AccessDenied) << "a folder is no file";
    if (geteuid() != 0) {
        writeFile(dir + "/ro", "x");
        chmod((dir + "/ro").c_str(), 0444);
        EXPECT_EQ(f.open(dir + "/ro", {FileAccess::ReadWrite}), FileCause::AccessDenied);
    }
}

TEST(FileOpening, DenyWriteKeepsOtherWritersAndReadersOut) {
    std::string dir = makeTempDir();
    std::string path = dir + "/book.abu";
    writeFile(path, "content");
    File holder;
    ASSERT_EQ(holder.open(path, {FileAccess::ReadWrite}), FileCause::None);
    File other;
    EXPECT_EQ(other.open(path, {FileAccess::ReadWrite}), FileCause::SharingViolation);
    EXPECT_EQ(other.open(path, {FileAccess::Write, true, true}), FileCause::SharingViolation);
    EXPECT_EQ(readFile(path), "content") << "a refused truncating open leaves the file alone";
    EXPECT_EQ(other.open(path, {FileAccess::Read}), FileCause::SharingViolation);
    holder.close();
    EXPECT_EQ(other.open(path, {FileAccess::Read}), FileCause::None);
    File reader2;
    EXPECT_EQ(reader2.open(path, {FileAccess::Read}), FileCause::None) << "readers share";
}

TEST(AtomicReplace, ReplacesWholeAndHoldsTheNewFile) {
    std::string dir = makeTempDir();
    std::string path = dir + "/book.abu";
    writeFile(path, "old");
    File held;
    ASSERT_EQ(held.open(path, {FileAccess::ReadWrite}), FileCause::None);

    AtomicFile other;
    EXPECT_EQ(other.begin(path), FileCause::SharingViolation) << "someone else holds it";

    AtomicFile af;
    ASSERT_EQ(af.begin(path, &held), FileCause::None);
    ASSERT_EQ(af.write("new "), FileCause::None);
    ASSERT_EQ(af.write("content"), FileCause::None);
    EXPECT_EQ(readFile(path), "old");
    File newHeld;
    ASSERT_EQ(af.commit(&newHeld), FileCause::None);
    held = std::move(newHeld);
    EXPECT_EQ(readFile(path), "new content");
    File intruder;
    EXPECT_EQ(intruder.open(path, {FileAccess::ReadWrite}), FileCause::SharingViolation)
        << "the lock moved to the new file";
    held.close();
    size_t files = 0;
    for (auto& e : std::filesystem::directory_iterator(dir)) (void)e, ++files;
    EXPECT_EQ(files, 1u) << "no temporary file is left behind";
}

TEST(AtomicReplace, KilledWriterLeavesTheOldOrTheNewFile) {
    std::string dir = makeTempDir();
    std::string path = dir + "/big.abu";
    const std::string oldContent(300000, 'o');
    const std::string newContent(3000000, 'n');
    writeFile(path, oldContent);
    for (int delayUs : {0, 200, 1000, 3000, 8000, 20000}) {
        pid_t pid = fork();
        if (pid == 0) {
            for (;;) writeFileAtomically(path, newContent), writeFileAtomically(path, oldContent);
        }
        usleep(static_cast<useconds_t>(delayUs));
        kill(pid, SIGKILL);
        waitpid(pid, nullptr, 0);
        std::string now = readFile(path);
        EXPECT_TRUE(now == oldContent || now == newContent) << "torn file of " << now.size() << " bytes";
    }
}

// The temporary a killed write left behind goes with the next write of the
// same target, once no writer holds it and it is over a minute old.
TEST(AtomicReplace, NextWriteRemovesTemporariesLeftByKilledWrites) {
    const std::string dir = makeTempDir();
    const std::string path = dir + "/k.abu";
    auto leftover = [&](const std::string& name, bool old) {
        writeFile(dir + "/" + name, "half a book");
        if (old) {
            struct timeval times[2] = {{::time(nullptr) - 600, 0}, {::time(nullptr) - 600, 0}};
            utimes((dir + "/" + name).c_str(), times);
        }
    };
    leftover(".k.abu.123456.tmp", true);
    leftover(".k.abu.77.tmp", true);
    leftover(".k.abu.5.tmp", false);         // may still be a live writer's
    leftover(".k.abu.888.tmp", true);        // held by a live writer, below
    leftover(".k.abux.1.tmp", true);         // another target's
    leftover(".k.abu.notanumber.tmp", true); // not ours
    int held = ::open((dir + "/.k.abu.888.tmp").c_str(), O_RDONLY);
    ASSERT_EQ(flock(held, LOCK_EX), 0);

    ASSERT_EQ(writeFileAtomically(path, "book"), FileCause::None);
    std::set<std::string> left;
    for (const auto& e : std::filesystem::directory_iterator(dir)) left.insert(e.path().filename().string());
    EXPECT_EQ(left, (std::set<std::string>{"k.abu", ".k.abu.5.tmp", ".k.abu.888.tmp", ".k.abux.1.tmp",
                                           ".k.abu.notanumber.tmp"}));
    ::close(held);
}

TEST(AtomicReplace, RefusesWhatADirectWriteWouldRefuse) {
    std::string dir = makeTempDir();
    EXPECT_EQ(writeFileAtomically(dir + "/missing/x.abk", "x"), FileCause::BadPath);
    EXPECT_EQ(writeFileAtomically(dir, "x"), FileCause::AccessDenied);
    EXPECT_EQ(writeFileAtomically("", "x"), FileCause::BadPath);
}
