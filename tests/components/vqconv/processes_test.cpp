// Other processes on the same store: two writers at once, a writer killed at
// random moments, and a writer whose files hit a size limit.

#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <map>
#include <random>
#include <set>
#include <spawn.h>
#include <sqlite3.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

#include "store_library.h"
#include "crash_kill.h"
#include "test_environment.h"

extern char** environ;

using namespace vqconv;
using namespace vqconv::test;

namespace {

// A running vqconv_writer with its standard output on a pipe.
class Writer {
public:
    explicit Writer(std::vector<std::string> args) {
        int fds[2];
        if (pipe(fds) != 0) return;
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, fds[1], STDOUT_FILENO);
        posix_spawn_file_actions_addclose(&actions, fds[0]);
        std::string program = std::string(VELMO_BIN_DIR) + "/vqconv_writer";
        args.insert(args.begin(), program);
        std::vector<char*> argv;
        for (std::string& a : args) argv.push_back(a.data());
        argv.push_back(nullptr);
        if (posix_spawn(&pid_, program.c_str(), &actions, nullptr, argv.data(), environ) != 0) pid_ = -1;
        posix_spawn_file_actions_destroy(&actions);
        close(fds[1]);
        out_ = fdopen(fds[0], "r");
    }
    ~Writer() {
        if (pid_ > 0) kill(pid_, SIGKILL), wait();
        if (out_) fclose(out_);
    }
    // The next line it printed, without the line end; empty at its end.
    std::string line() {
        char buf[256];
        if (!out_ || !fgets(buf, sizeof buf, out_)) return {};
        std::string s = buf;
        if (!s.empty() && s.back() == '\n') s.pop_back();
        return s;
    }
    void kill9() { kill(pid_, SIGKILL); }
    // Its exit status, or -1 when a signal ended it.
    int wait() {
        int status = 0;
        waitpid(pid_, &status, 0);
        pid_ = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

private:
    pid_t pid_ = -1;
    FILE* out_ = nullptr;
};

std::string freshStore() {
    std::string path = velmo::test::makeTempDir("proc") + "/book.sqlite3";
    OpenBook create(path);
    EXPECT_NE(create.handle(), kBadHandle);
    return path;
}

// Everything the writers made, checked record by record: a record is either
// still empty (created, not yet written) or holds exactly what was written.
struct StoreContents {
    std::vector<int32_t> ids;
    std::map<std::string, int> contactsByTag;
    std::vector<std::string> problems;
};

StoreContents inspect(const std::string& path) {
    StoreContents c;
    OpenBook book(path);
    if (book.handle() == kBadHandle) {
        c.problems.push_back("store does not open: word " + std::to_string(book.openError()));
        return c;
    }
    c.ids = book.recordIds();
    std::set<int32_t> present(c.ids.begin(), c.ids.end());
    if (present.size() != c.ids.size()) c.problems.push_back("an id is listed twice");
    for (int32_t id : c.ids) {
        std::vector<TestElement> elements;
        if (!book.read(id, &elements)) {
            c.problems.push_back("record " + std::to_string(id) + " unreadable");
            continue;
        }
        if (elements.empty()) continue;
        const std::string& text = elements[0].text;
        std::string tag = text.substr(0, text.find(':'));
        if (id > 0) {
            ++c.contactsByTag[tag];
            if (elements != writerContact(tag, id, static_cast<int>(elements.size())))
                c.problems.push_back("contact " + std::to_string(id) + " is torn");
            continue;
        }
        if (elements[0] != writerGroupName(tag, id)) c.problems.push_back("group " + std::to_string(id) + " has no name");
        for (size_t i = 1; i < elements.size(); ++i) {
            if (elements[i] != writerMember(elements[i].member) || !present.count(elements[i].member))
                c.problems.push_back("group " + std::to_string(id) + " has a bad member");
        }
    }
    return c;
}

std::string integrity(const std::string& path) {
    sqlite3* db = nullptr;
    std::string answer = "not opened";
    if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
        sqlite3_stmt* s = nullptr;
        if (sqlite3_prepare_v2(db, "PRAGMA integrity_check", -1, &s, nullptr) == SQLITE_OK && sqlite3_step(s) == SQLITE_ROW)
            answer = reinterpret_cast<const char*>(sqlite3_column_text(s, 0));
        sqlite3_finalize(s);
    }
    sqlite3_close(db);
    return answer;
}

} // namespace

TEST(VqconvProcesses, TwoWritersAtOnceLoseNothing) {
    std::string path = freshStore();
    constexpr int kRounds = 120;
    Writer a({path, "A", std::to_string(kRounds)});
    Writer b({path, "B", std::to_string(kRounds)});
    ASSERT_EQ(a.line(), "ready");
    ASSERT_EQ(b.line(), "ready");
    // Meanwhile this process reads and writes the same store too.
    OpenBook book(path);
    uint32_t word = 0;
    int32_t mine = library().createContact(book.handle(), &word);
    ASSERT_TRUE(book.write(mine, writerContact("C", mine, 3)));

    // 120 rounds: 30 groups, 24 contacts deleted again.
    EXPECT_EQ(a.line(), "done 120 30 24");
    EXPECT_EQ(b.line(), "done 120 30 24");
    EXPECT_EQ(a.wait(), 0);
    EXPECT_EQ(b.wait(), 0);
    StoreContents c = inspect(path);
    EXPECT_EQ(c.problems, std::vector<std::string>{});
    EXPECT_EQ(c.contactsByTag["A"], kRounds - 24);
    EXPECT_EQ(c.contactsByTag["B"], kRounds - 24);
    EXPECT_EQ(c.contactsByTag["C"], 1);
    EXPECT_EQ(c.ids.size(), size_t(2 * (kRounds - 24 + 30) + 1));
    EXPECT_EQ(integrity(path), "ok");
}

TEST(VqconvProcesses, AWriterKilledAtAnyMomentLeavesWholeRecords) {
    std::string path = freshStore();
    const int rounds = velmo::test::killPoints(); // 200, more with VELMO_KILL_POINTS
    std::mt19937 random(20240611);
    std::set<int32_t> seen;
    int32_t highestContact = 0, highestGroup = INT32_MIN;
    for (int round = 0; round < rounds; ++round) {
        SCOPED_TRACE("round " + std::to_string(round));
        {
            Writer w({path, "K" + std::to_string(round), "0"});
            ASSERT_EQ(w.line(), "ready");
            std::this_thread::sleep_for(std::chrono::microseconds(random() % 15000));
            w.kill9();
            EXPECT_EQ(w.wait(), -1);
        }
        StoreContents c = inspect(path);
        ASSERT_EQ(c.problems, std::vector<std::string>{});
        // A record that appears for the first time has a fresh id: none is handed out twice.
        int32_t newHighContact = highestContact, newHighGroup = highestGroup;
        for (int32_t id : c.ids) {
            if (seen.insert(id).second) {
                EXPECT_GT(id, id > 0 ? highestContact : highestGroup) << "id " << id << " given again";
            }
            if (id > 0) newHighContact = std::max(newHighContact, id);
            else newHighGroup = std::max(newHighGroup, id);
        }
        highestContact = newHighContact;
        highestGroup = newHighGroup;
    }
    EXPECT_GT(highestContact, rounds); // the writers got somewhere
    EXPECT_EQ(integrity(path), "ok");
}

TEST(VqconvProcesses, AFullDiskIsReportedAndTheStoreStaysWhole) {
    std::string path = freshStore();
    // Files may not grow past 1.5 MB: writes beyond fail as on a full disk.
    Writer w({path, "F", "--fill", "1500000"});
    ASSERT_EQ(w.line(), "ready");
    std::string full = w.line();
    EXPECT_EQ(w.wait(), 0);
    char function[64] = {};
    unsigned word = 0;
    int lastGood = 0;
    ASSERT_EQ(std::sscanf(full.c_str(), "full %63s %u %d", function, &word, &lastGood), 3) << full;
    EXPECT_EQ(word, kErrDiskFull) << full;
    ASSERT_GT(lastGood, 0) << full;

    OpenBook book(path);
    ASSERT_NE(book.handle(), kBadHandle);
    for (int32_t id : book.recordIds()) {
        std::vector<TestElement> elements;
        ASSERT_TRUE(book.read(id, &elements));
        // Written whole, or (the record whose write failed) not at all.
        EXPECT_EQ(elements.size(), id <= lastGood ? 200u : 0u) << "record " << id;
    }
    EXPECT_EQ(integrity(path), "ok");
}
