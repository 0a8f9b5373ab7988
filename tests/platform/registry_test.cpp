#include "platform/registry.h"
#include "test_environment.h"

#include <atomic>
#include <chrono>
#include <gtest/gtest.h>
#include <thread>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace platform;

class RegistryTest : public testing::Test {
protected:
    void SetUp() override { velmo::test::freshRegistry(); }
};

TEST_F(RegistryTest, KeysAndValuesIgnoreCaseButKeepTheirFirstSpelling) {
    RegKey k;
    bool created = false;
    ASSERT_EQ(RegKey::create(RegRoot::CurrentUser, "Software\\Velmo\\Kavrelo", k, &created), kRegOk);
    EXPECT_TRUE(created);
    RegKey again;
    ASSERT_EQ(RegKey::create(RegRoot::CurrentUser, "SOFTWARE\\velmo\\KAVRELO", again, &created), kRegOk);
    EXPECT_FALSE(created);
    EXPECT_EQ(again.path(), "Software\\Velmo\\Kavrelo");

    ASSERT_EQ(k.setString("LogFilePath", "/tmp/a.log"), kRegOk);
    ASSERT_EQ(again.setString("LOGFILEPATH", "/tmp/b.log"), kRegOk);
    std::string name;
    ASSERT_EQ(k.enumValue(0, name), kRegOk);
    EXPECT_EQ(name, "LogFilePath");
    std::string text;
    ASSERT_EQ(k.queryString("logfilepath", text), kRegOk);
    EXPECT_EQ(text, "/tmp/b.log");
    EXPECT_EQ(k.enumValue(1, name), kRegNoMoreItems);

    // Non-ASCII names (the program's Chinese section names) match exactly.
    RegKey settings;
    ASSERT_EQ(k.createSubKey("設定\\匯入", settings), kRegOk);
    RegKey opened;
    EXPECT_EQ(RegKey::open(RegRoot::CurrentUser, "software\\velmo\\kavrelo\\設定\\匯入", opened), kRegOk);
    EXPECT_EQ(RegKey::open(RegRoot::CurrentUser, "software\\velmo\\kavrelo\\設定\\匯出", opened), kRegFileNotFound);
    // The two roots are separate trees.
    EXPECT_EQ(RegKey::open(RegRoot::LocalMachine, "Software\\Velmo", opened), kRegFileNotFound);
}

// The store's folders are made when missing, however the path is written.
TEST_F(RegistryTest, StoreInFoldersNotYetMadeIsCreated) {
    const std::string base = velmo::test::makeTempDir("regdirs");
    const std::string path = base + "/a//b/c/registry.sqlite3";
    closeRegistry();
    setenv("VELMO_REGISTRY", path.c_str(), 1);
    RegKey k;
    ASSERT_EQ(RegKey::create(RegRoot::CurrentUser, "Software\\Velmo", k), kRegOk);
    ASSERT_EQ(k.setString("Kept", "yes"), kRegOk);
    closeRegistry();
    EXPECT_EQ(access(path.c_str(), F_OK), 0);
    RegKey again;
    ASSERT_EQ(RegKey::open(RegRoot::CurrentUser, "Software\\Velmo", again), kRegOk);
    std::string text;
    EXPECT_EQ(again.queryString("Kept", text), kRegOk);
    EXPECT_EQ(text, "yes");
}

// A write-ahead log left holding frames would be recovered and copied into
// the store again (with its syncs) by every later run, even one that only reads.
TEST_F(RegistryTest, ClosingLeavesAnEmptyLogAndReadingWritesNothing) {
    const std::string path = velmo::test::makeTempDir("regwal") + "/registry.sqlite3";
    closeRegistry();
    setenv("VELMO_REGISTRY", path.c_str(), 1);
    auto sizeOf = [](const std::string& p) {
        struct stat st{};
        return stat(p.c_str(), &st) == 0 ? static_cast<long long>(st.st_size) : -1LL;
    };
    auto modified = [](const std::string& p) {
        struct stat st{};
        stat(p.c_str(), &st);
        return std::make_pair(st.st_mtim.tv_sec, st.st_mtim.tv_nsec);
    };
    RegKey k;
    ASSERT_EQ(RegKey::create(RegRoot::CurrentUser, "Software\\Velmo", k), kRegOk);
    ASSERT_EQ(k.setString("Kept", "yes"), kRegOk);
    EXPECT_GT(sizeOf(path + "-wal"), 0);
    k = RegKey();
    closeRegistry();
    EXPECT_EQ(sizeOf(path + "-wal"), 0); // kept beside the store, emptied

    const auto stored = modified(path);
    RegKey again;
    ASSERT_EQ(RegKey::open(RegRoot::CurrentUser, "Software\\Velmo", again), kRegOk);
    std::string text;
    EXPECT_EQ(again.queryString("Kept", text), kRegOk);
    EXPECT_EQ(text, "yes");
    again = RegKey();
    closeRegistry();
    EXPECT_EQ(sizeOf(path + "-wal"), 0);
    EXPECT_EQ(modified(path), stored);
}

TEST_F(RegistryTest, SubkeysEnumerateInCaseInsensitiveOrder) {
    RegKey base;
    ASSERT_EQ(RegKey::create(RegRoot::CurrentUser, "Order", base), kRegOk);
    for (const char* n : {"beta", "Alpha", "gamma", "ALPHA2", "Delta", "10", "9"}) {
        RegKey s;
        ASSERT_EQ(base.createSubKey(n, s), kRegOk);
    }
    std::vector<std::string> names;
    for (uint32_t i = 0;; ++i) {
        std::string n;
        if (base.enumKey(i, n) != kRegOk) break;
        names.push_back(n);
    }
    EXPECT_EQ(names, (std::vector<std::string>{"10", "9", "Alpha", "ALPHA2", "beta", "Delta", "gamma"}));
    std::vector<std::string> all;
    ASSERT_EQ(base.subKeyNames(all), kRegOk);
    EXPECT_EQ(all, names);
}

TEST_F(RegistryTest, TypedValuesRoundTrip) {
    RegKey k;
    ASSERT_EQ(RegKey::create(RegRoot::CurrentUser, "Types", k), kRegOk);
    ASSERT_EQ(k.setDword("n", 0xFFFFFFFFu), kRegOk);
    const uint8_t bin[] = {0x7b, 0x00, 0xff, 0x10, 0x00};
    ASSERT_EQ(k.setBinary("b", bin, sizeof bin), kRegOk);
    ASSERT_EQ(k.setBinary("empty", nullptr, 0), kRegOk);
    ASSERT_EQ(k.setString("", "default"), kRegOk);

    uint32_t n = 0;
    ASSERT_EQ(k.queryDword("N", n), kRegOk);
    EXPECT_EQ(n, 0xFFFFFFFFu);
    RegType t;
    std::vector<uint8_t> d;
    ASSERT_EQ(k.queryValue("b", &t, &d), kRegOk);
    EXPECT_EQ(t, REG_BINARY);
    EXPECT_EQ(d, std::vector<uint8_t>(bin, bin + sizeof bin));
    ASSERT_EQ(k.queryValue("empty", &t, &d), kRegOk);
    EXPECT_TRUE(d.empty());
    ASSERT_EQ(k.queryValue("", &t, &d), kRegOk);
    EXPECT_EQ(t, REG_SZ);
    EXPECT_EQ(d.back(), 0) << "REG_SZ data carries its NUL";

    std::string s;
    EXPECT_EQ(k.queryString("n", s), kRegInvalidParameter) << "a DWORD is not a text";
    EXPECT_EQ(k.queryDword("b", n), kRegInvalidParameter);
    EXPECT_EQ(k.queryDword("missing", n), kRegFileNotFound);
    // Changing a value's type replaces it.
    ASSERT_EQ(k.setString("n", "12"), kRegOk);
    ASSERT_EQ(k.queryString("n", s), kRegOk);
    EXPECT_EQ(s, "12");
}

TEST_F(RegistryTest, DeletingValuesAndKeysBehavesLikeWindows) {
    RegKey k;
    ASSERT_EQ(RegKey::create(RegRoot::CurrentUser, "Del\\Parent\\Child", k), kRegOk);
    ASSERT_EQ(k.setDword("v", 1), kRegOk);
    RegKey del;
    ASSERT_EQ(RegKey::open(RegRoot::CurrentUser, "Del", del), kRegOk);
    EXPECT_EQ(del.deleteSubKey("Parent"), kRegAccessDenied) << "a key with subkeys stays";
    EXPECT_EQ(del.deleteSubKey("Parent\\Child"), kRegOk);
    EXPECT_EQ(k.setDword("v", 2), kRegFileNotFound) << "a handle of a deleted key is dead";
    EXPECT_EQ(del.deleteSubKey("Parent"), kRegOk);
    EXPECT_EQ(del.deleteSubKey("Parent"), kRegFileNotFound);

    ASSERT_EQ(RegKey::create(RegRoot::CurrentUser, "Del\\Tree\\A\\B", k), kRegOk);
    ASSERT_EQ(k.setDword("v", 1), kRegOk);
    EXPECT_EQ(del.deleteSubTree("tree"), kRegOk);
    RegKey gone;
    EXPECT_EQ(RegKey::open(RegRoot::CurrentUser, "Del\\Tree", gone), kRegFileNotFound);

    ASSERT_EQ(del.setDword("x", 1), kRegOk);
    EXPECT_EQ(del.deleteValue("X"), kRegOk);
    EXPECT_EQ(del.deleteValue("X"), kRegFileNotFound);
}

TEST_F(RegistryTest, TransactionGroupsWritesAndRollsBack) {
    RegKey k;
    ASSERT_EQ(RegKey::create(RegRoot::CurrentUser, "Tx", k), kRegOk);
    {
        RegTransaction tx;
        ASSERT_EQ(tx.status(), kRegOk);
        ASSERT_EQ(k.setDword("a", 1), kRegOk);
        ASSERT_EQ(k.setDword("b", 2), kRegOk);
        // destroyed without commit
    }
    uint32_t v;
    EXPECT_EQ(k.queryDword("a", v), kRegFileNotFound);
    {
        RegTransaction tx;
        ASSERT_EQ(k.setDword("a", 1), kRegOk);
        EXPECT_EQ(k.deleteValue("nothing"), kRegFileNotFound) << "a refusal does not spoil the batch";
        ASSERT_EQ(tx.commit(), kRegOk);
    }
    EXPECT_EQ(k.queryDword("a", v), kRegOk);
}

// A write transaction remembers the keys it found or made: one deleted and
// made again, a miss later made, and keys taken back by a rollback must never
// be found through what was remembered.
TEST_F(RegistryTest, WriteTransactionsNeverFindAKeyThatIsGone) {
    {
        RegTransaction tx;
        RegKey c;
        bool created = false;
        ASSERT_EQ(RegKey::create(RegRoot::CurrentUser, "Walk\\A\\B\\C", c, &created), kRegOk);
        EXPECT_TRUE(created);
        RegKey same;
        ASSERT_EQ(RegKey::create(RegRoot::CurrentUser, "WALK\\a\\b\\c", same, &created), kRegOk);
        EXPECT_FALSE(created);
        EXPECT_EQ(same.path(), "Walk\\A\\B\\C");
        ASSERT_EQ(c.setDword("v", 1), kRegOk);

        RegKey walk;
        ASSERT_EQ(RegKey::open(RegRoot::CurrentUser, "walk", walk), kRegOk);
        ASSERT_EQ(walk.deleteSubTree("a\\b"), kRegOk);
        EXPECT_EQ(c.setDword("v", 2), kRegFileNotFound) << "the key is gone";
        EXPECT_EQ(c.setDword("v", 2), kRegFileNotFound) << "and stays gone";
        ASSERT_EQ(RegKey::create(RegRoot::CurrentUser, "Walk\\a\\b\\c", same, &created), kRegOk);
        EXPECT_TRUE(created) << "a miss is not remembered";
        EXPECT_EQ(same.path(), "Walk\\A\\b\\c");
        ASSERT_EQ(c.setDword("v", 3), kRegOk);
        ASSERT_EQ(tx.commit(), kRegOk);
    }
    uint32_t v = 0;
    RegKey c;
    ASSERT_EQ(RegKey::open(RegRoot::CurrentUser, "Walk\\A\\B\\C", c), kRegOk);
    ASSERT_EQ(c.queryDword("v", v), kRegOk);
    EXPECT_EQ(v, 3u);

    // Keys made in a transaction that rolls back, whole or from inside, are
    // made again by the next one.
    for (bool fromInside : {false, true}) {
        {
            RegTransaction outer;
            RegKey gone;
            if (fromInside) {
                RegTransaction inner;
                ASSERT_EQ(RegKey::create(RegRoot::CurrentUser, "Gone\\X", gone), kRegOk);
            } else {
                ASSERT_EQ(RegKey::create(RegRoot::CurrentUser, "Gone\\X", gone), kRegOk);
            }
            bool created = true;
            ASSERT_EQ(RegKey::create(RegRoot::CurrentUser, "gone\\x", gone, &created), kRegOk);
            EXPECT_FALSE(created);
            if (fromInside) {
                EXPECT_EQ(outer.commit(), kRegStoreFailure);
            }
        }
        RegKey x;
        EXPECT_EQ(RegKey::open(RegRoot::CurrentUser, "Gone\\X", x), kRegFileNotFound);
        RegTransaction tx;
        bool created = false;
        ASSERT_EQ(RegKey::create(RegRoot::CurrentUser, "Gone\\X", x, &created), kRegOk);
        EXPECT_TRUE(created);
        ASSERT_EQ(x.setDword("v", 4), kRegOk);
        ASSERT_EQ(tx.commit(), kRegOk);
        ASSERT_EQ(x.queryDword("v", v), kRegOk);
        EXPECT_EQ(v, 4u);
        RegKey root;
        ASSERT_EQ(RegKey::open(RegRoot::CurrentUser, "", root), kRegOk);
        ASSERT_EQ(root.deleteSubTree("Gone"), kRegOk);
    }
}

// A read snapshot remembers the keys it found: a key deleted and made again
// (by this process inside it, or by another between two snapshots) must be
// found anew, never through the id it had before.
TEST_F(RegistryTest, ReadSnapshotsNeverFindAKeyThatWasReplaced) {
    RegKey k;
    ASSERT_EQ(RegKey::create(RegRoot::CurrentUser, "Snap\\Inner", k), kRegOk);
    ASSERT_EQ(k.setDword("v", 1), kRegOk);
    uint32_t v = 0;
    {
        RegReadSnapshot snapshot;
        ASSERT_EQ(k.queryDword("v", v), kRegOk);
        EXPECT_EQ(v, 1u);
        RegKey parent;
        ASSERT_EQ(RegKey::open(RegRoot::CurrentUser, "SNAP", parent), kRegOk);
        ASSERT_EQ(parent.deleteSubTree("inner"), kRegOk); // a write inside the snapshot
        EXPECT_EQ(k.queryDword("v", v), kRegFileNotFound);
        ASSERT_EQ(RegKey::create(RegRoot::CurrentUser, "Snap\\Inner", k), kRegOk);
        ASSERT_EQ(k.setDword("v", 2), kRegOk);
        ASSERT_EQ(k.queryDword("v", v), kRegOk);
        EXPECT_EQ(v, 2u);
        RegReadSnapshot nested;
        ASSERT_EQ(k.queryDword("v", v), kRegOk);
        EXPECT_EQ(v, 2u);
    }
    {
        // A key missed, then made: found, however its path is spelled.
        RegReadSnapshot snapshot;
        RegKey deep;
        EXPECT_EQ(RegKey::open(RegRoot::CurrentUser, "Snap\\Inner\\Deep\\Er", deep), kRegFileNotFound);
        EXPECT_EQ(RegKey::open(RegRoot::CurrentUser, "Snap\\Inner\\Deep", deep), kRegFileNotFound);
        ASSERT_EQ(RegKey::create(RegRoot::CurrentUser, "snap\\inner\\deep\\er", deep), kRegOk);
        EXPECT_EQ(RegKey::open(RegRoot::CurrentUser, "SNAP\\\\Inner\\DEEP\\Er\\", deep), kRegOk);
        EXPECT_EQ(deep.path(), "Snap\\Inner\\deep\\er");
        EXPECT_EQ(RegKey::open(RegRoot::CurrentUser, "Snap\\Inner\\Deep\\Er", deep), kRegOk); // as first asked
    }

    // Another process replaces the key while this one holds a snapshot: the
    // snapshot keeps reading the state it began with, the next one sees the change.
    int ready[2], done[2];
    ASSERT_EQ(pipe(ready), 0);
    ASSERT_EQ(pipe(done), 0);
    platform::closeRegistry(); // no connection crosses the fork
    pid_t child = fork();
    if (child == 0) {
        char c;
        if (read(ready[0], &c, 1) != 1) _exit(2);
        RegKey parent, fresh;
        bool ok = RegKey::open(RegRoot::CurrentUser, "Snap", parent) == kRegOk &&
                  parent.deleteSubTree("Inner") == kRegOk &&
                  RegKey::create(RegRoot::CurrentUser, "Snap\\Other\\Filler", fresh) == kRegOk &&
                  RegKey::create(RegRoot::CurrentUser, "Snap\\Inner", fresh) == kRegOk && fresh.setDword("v", 3) == kRegOk;
        if (write(done[1], "x", 1) != 1) _exit(2);
        _exit(ok ? 0 : 1);
    }
    {
        RegReadSnapshot snapshot;
        ASSERT_EQ(k.queryDword("v", v), kRegOk);
        EXPECT_EQ(v, 2u);
        ASSERT_EQ(write(ready[1], "x", 1), 1);
        char c;
        ASSERT_EQ(read(done[0], &c, 1), 1);
        ASSERT_EQ(k.queryDword("v", v), kRegOk);
        EXPECT_EQ(v, 2u) << "one snapshot reads one state";
    }
    int status = 0;
    waitpid(child, &status, 0);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    {
        RegReadSnapshot snapshot;
        ASSERT_EQ(k.queryDword("v", v), kRegOk);
        EXPECT_EQ(v, 3u);
    }
    for (int fd : {ready[0], ready[1], done[0], done[1]}) close(fd);
}

TEST_F(RegistryTest, TwoProcessesWritingAtOnceLoseNothing) {
    RegKey k;
    ASSERT_EQ(RegKey::create(RegRoot::CurrentUser, "Shared", k), kRegOk);
    ASSERT_EQ(k.setDword("counter", 0), kRegOk);
    platform::closeRegistry();
    constexpr int kRounds = 150;
    pid_t pids[2];
    for (int p = 0; p < 2; ++p) {
        pids[p] = fork();
        if (pids[p] == 0) {
            RegKey mine;
            int bad = 0;
            for (int i = 0; i < kRounds; ++i) {
                if (RegKey::create(RegRoot::CurrentUser, "Shared\\P" + std::to_string(p) + "\\" + std::to_string(i), mine) != kRegOk)
                    ++bad;
                // read-modify-write inside one transaction
                RegTransaction tx;
                uint32_t c = 0;
                RegKey shared;
                RegKey::open(RegRoot::CurrentUser, "Shared", shared);
                shared.queryDword("counter", c);
                if (shared.setDword("counter", c + 1) != kRegOk) ++bad;
                if (tx.commit() != kRegOk) ++bad;
            }
            _exit(bad == 0 ? 0 : 1);
        }
    }
    for (pid_t pid : pids) {
        int status = 0;
        waitpid(pid, &status, 0);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    uint32_t c = 0;
    ASSERT_EQ(k.queryDword("counter", c), kRegOk);
    EXPECT_EQ(c, 2u * kRounds);
    for (int p = 0; p < 2; ++p) {
        RegKey sub;
        ASSERT_EQ(RegKey::open(RegRoot::CurrentUser, "Shared\\P" + std::to_string(p), sub), kRegOk);
        std::vector<std::string> names;
        sub.subKeyNames(names);
        EXPECT_EQ(names.size(), static_cast<size_t>(kRounds));
    }
}

// Threads share one store connection: a transaction keeps it to its own
// thread, so another thread's read-modify-write neither interleaves with it
// nor is rolled back with it.
TEST_F(RegistryTest, ThreadsWritingAtOnceLoseNothing) {
    RegKey k;
    ASSERT_EQ(RegKey::create(RegRoot::CurrentUser, "Shared", k), kRegOk);
    ASSERT_EQ(k.setDword("counter", 0), kRegOk);
    constexpr int kRounds = 200;
    std::vector<std::thread> threads;
    std::atomic<int> bad{0};
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([&] {
            for (int i = 0; i < kRounds; ++i) {
                RegTransaction tx;
                uint32_t c = 0;
                k.queryDword("counter", c);
                std::this_thread::yield();
                if (k.setDword("counter", c + 1) != kRegOk || tx.commit() != kRegOk) ++bad;
            }
        });
    for (auto& th : threads) th.join();
    EXPECT_EQ(bad.load(), 0);
    uint32_t c = 0;
    ASSERT_EQ(k.queryDword("counter", c), kRegOk);
    EXPECT_EQ(c, 4u * kRounds);

    // A transaction that is rolled back takes only its own writes with it.
    std::atomic<bool> open{false};
    std::thread rolledBack([&] {
        RegTransaction tx;
        EXPECT_EQ(k.setString("mine", "rolled back"), kRegOk);
        open = true;
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    });
    while (!open) std::this_thread::yield();
    EXPECT_EQ(k.setString("other", "kept"), kRegOk);
    rolledBack.join();
    std::string v;
    EXPECT_EQ(k.queryString("other", v), kRegOk);
    EXPECT_EQ(v, "kept");
    EXPECT_EQ(k.queryString("mine", v), kRegFileNotFound);
}

TEST_F(RegistryTest, TextValuesCrossInTheSystemCodePage) {
    setenv("VELMO_CODEPAGE", "CP950", 1);
    RegKey k;
    // "設定" in code page 950
    const std::string big5 = "\xb3\x5d\xa9\x77";
    ASSERT_EQ(RegKey::create(RegRoot::CurrentUser, "CP\\" + big5, k), kRegOk);
    ASSERT_EQ(k.setString("t", big5), kRegOk);
    unsetenv("VELMO_CODEPAGE");
    RegKey u;
    ASSERT_EQ(RegKey::open(RegRoot::CurrentUser, "CP\\設定", u), kRegOk) << "stored as UTF-8";
    std::string s;
    ASSERT_EQ(u.queryString("t", s), kRegOk);
    EXPECT_EQ(s, "設定");

    // All values at once, as enumValue and queryValue give them one by one;
    // one whose name the code page cannot spell keeps its data.
    ASSERT_EQ(u.setString("한", "Korean"), kRegOk);
    ASSERT_EQ(u.setDword("n", 7), kRegOk);
    setenv("VELMO_CODEPAGE", "CP950", 1);
    std::vector<RegValue> values;
    ASSERT_EQ(k.values(values), kRegOk);
    ASSERT_EQ(values.size(), 3u);
    EXPECT_EQ(values[0].name, "n");
    EXPECT_EQ(values[0].type, REG_DWORD);
    EXPECT_EQ(values[0].data, (std::vector<uint8_t>{7, 0, 0, 0}));
    EXPECT_EQ(values[1].name, "t");
    EXPECT_EQ(values[1].data, (std::vector<uint8_t>{0xb3, 0x5d, 0xa9, 0x77, 0}));
    EXPECT_EQ(values[2].type, REG_SZ);
    EXPECT_EQ(std::string(values[2].data.begin(), values[2].data.end()), std::string("Korean", 7));
    for (uint32_t i = 0; i < 2; ++i) {
        std::string name;
        RegType type;
        std::vector<uint8_t> data;
        ASSERT_EQ(k.enumValue(i, name, &type, &data), kRegOk);
        EXPECT_EQ(name, values[i].name);
        EXPECT_EQ(type, values[i].type);
        EXPECT_EQ(data, values[i].data);
    }
    unsetenv("VELMO_CODEPAGE");
    RegKey gone;
    ASSERT_EQ(RegKey::open(RegRoot::CurrentUser, "CP", gone), kRegOk);
    ASSERT_EQ(gone.deleteSubTree("設定"), kRegOk);
    EXPECT_EQ(k.values(values), kRegFileNotFound);
}
