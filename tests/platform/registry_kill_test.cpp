// A registry write transaction killed at random points: the store stays
// consistent and holds the state before or after the transaction, never a
// part of it.

#include "platform/registry.h"
#include "crash_kill.h"
#include "test_environment.h"

#include <gtest/gtest.h>
#include <sqlite3.h>
#include <unistd.h>

using namespace platform;

namespace {

const char* const kRoot = "Software\\KillTest";

// State 0 or 1: the same keys with other values, and a key and a value that
// only one of them has.
bool writeState(int which) {
    RegTransaction tx;
    RegKey root, state;
    if (RegKey::create(RegRoot::CurrentUser, kRoot, root) != kRegOk) return false;
    root.deleteSubTree("State");
    if (root.createSubKey("State", state) != kRegOk) return false;
    for (int k = 0; k < 24; ++k) {
        RegKey sub;
        if (state.createSubKey("Key" + std::to_string(k), sub) != kRegOk) return false;
        for (int v = 0; v < 4; ++v)
            if (sub.setString("v" + std::to_string(v), std::string(20 + v, char('a' + which)) + std::to_string(k)) != kRegOk)
                return false;
        if (sub.setDword("n", uint32_t(which * 1000 + k)) != kRegOk) return false;
    }
    RegKey only;
    if (state.createSubKey(which ? "OnlyNew" : "OnlyOld", only) != kRegOk) return false;
    const uint8_t bytes[] = {uint8_t(which), 1, 2, 3};
    if (only.setBinary("b", bytes, sizeof bytes) != kRegOk) return false;
    return tx.commit() == kRegOk;
}

void dumpKey(const RegKey& key, const std::string& name, std::string& out) {
    out += "[" + name + "]\n";
    for (uint32_t i = 0;; ++i) {
        std::string value;
        RegType type;
        std::vector<uint8_t> data;
        if (key.enumValue(i, value, &type, &data) != kRegOk) break;
        out += value + "=" + std::to_string(type) + ":" + std::string(data.begin(), data.end()) + "\n";
    }
    std::vector<std::string> subs;
    key.subKeyNames(subs);
    for (const auto& s : subs) {
        RegKey sub;
        if (key.openSubKey(s, sub) == kRegOk) dumpKey(sub, name + "\\" + s, out);
    }
}

std::string dumpState() {
    RegKey root;
    if (RegKey::open(RegRoot::CurrentUser, kRoot, root) != kRegOk) return "(none)";
    std::string out;
    dumpKey(root, kRoot, out);
    return out;
}

std::string integrity(const std::string& path) {
    sqlite3* db = nullptr;
    std::string result = "cannot open";
    if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr) == SQLITE_OK) {
        sqlite3_stmt* st = nullptr;
        if (sqlite3_prepare_v2(db, "PRAGMA integrity_check", -1, &st, nullptr) == SQLITE_OK && sqlite3_step(st) == SQLITE_ROW)
            result = reinterpret_cast<const char*>(sqlite3_column_text(st, 0));
        sqlite3_finalize(st);
    }
    sqlite3_close(db);
    return result;
}

} // namespace

TEST(RegistryKill, KilledTransactionLeavesOldOrNewState) {
    const std::string path = velmo::test::freshRegistry();
    ASSERT_TRUE(writeState(1));
    const std::string newState = dumpState();
    ASSERT_TRUE(writeState(0));
    const std::string oldState = dumpState();
    ASSERT_NE(oldState, newState);

    // The child first writes the state the store does not hold, then the
    // other one, in turn.
    int held = 0;
    velmo::test::KillRun run;
    run.prepare = [&](int) { closeRegistry(); }; // the child opens its own connection
    run.write = [&](int, int i) {
        if (!writeState(i % 2 ? held : 1 - held)) _exit(3);
    };
    run.check = [&](int) {
        closeRegistry();
        EXPECT_EQ(integrity(path), "ok");
        std::string now = dumpState();
        EXPECT_TRUE(now == oldState || now == newState) << now.substr(0, 400);
        held = now == newState ? 1 : 0;
    };
    velmo::test::killAtRandomPoints(velmo::test::killPoints(), run);
}
