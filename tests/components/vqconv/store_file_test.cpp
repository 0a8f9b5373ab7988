// Where the store lives, how it is created, and files that are not stores.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <sqlite3.h>

#include "store_library.h"
#include "test_environment.h"

using namespace vqconv;
using namespace vqconv::test;
namespace fs = std::filesystem;

namespace {

// Sets an environment variable for one scope.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const char* value) : name_(name) {
        if (const char* old = std::getenv(name)) old_ = old;
        had_ = std::getenv(name) != nullptr;
        value ? setenv(name, value, 1) : unsetenv(name);
    }
    ~ScopedEnv() { had_ ? setenv(name_, old_.c_str(), 1) : unsetenv(name_); }

private:
    const char* name_;
    std::string old_;
    bool had_ = false;
};

std::vector<std::string> folderListing(const std::string& dir) {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(dir)) names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

void sqliteFile(const std::string& path, const char* sql) {
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(path.c_str(), &db), SQLITE_OK);
    EXPECT_EQ(sqlite3_exec(db, sql, nullptr, nullptr, nullptr), SQLITE_OK) << sqlite3_errmsg(db);
    sqlite3_close(db);
}

int32_t contactWithName(const std::string& path, const std::string& name) {
    OpenBook book(path.empty() ? nullptr : path.c_str());
    uint32_t word = 0;
    int32_t id = library().createContact(book.handle(), &word);
    EXPECT_TRUE(book.write(id, {field(1, name)}));
    return id;
}

} // namespace

TEST(VqconvStoreFile, WithoutAPathTheDefaultStoreIsCreatedWithItsFolder) {
    std::string data = velmo::test::makeTempDir("xdg");
    ScopedEnv xdg("XDG_DATA_HOME", data.c_str());
    std::string store = data + "/velmo/faxab.sqlite3";
    ASSERT_FALSE(fs::exists(data + "/velmo"));
    int32_t id = contactWithName("", "Wang");
    EXPECT_TRUE(fs::is_regular_file(store));
    // An empty path is the same book; no scratch files are left behind.
    OpenBook same("");
    std::vector<TestElement> elements;
    ASSERT_TRUE(same.read(id, &elements));
    EXPECT_EQ(elements, std::vector<TestElement>{field(1, "Wang")});
    for (const std::string& name : folderListing(data + "/velmo")) EXPECT_EQ(name.find(".new-"), std::string::npos) << name;

    // XDG_DATA_HOME unset or relative: ~/.local/share.
    std::string home = velmo::test::makeTempDir("home");
    ScopedEnv homeEnv("HOME", home.c_str());
    for (const char* value : {static_cast<const char*>(nullptr), "relative/data"}) {
        ScopedEnv unset("XDG_DATA_HOME", value);
        OpenBook book(nullptr);
        EXPECT_NE(book.handle(), kBadHandle);
        EXPECT_TRUE(fs::is_regular_file(home + "/.local/share/velmo/faxab.sqlite3"));
    }
    EXPECT_FALSE(fs::exists("relative"));
}

TEST(VqconvStoreFile, AGivenPathIsCreatedOnlyInAnExistingFolder) {
    std::string dir = velmo::test::makeTempDir("given");
    OpenBook missingFolder(dir + "/no/such/folder/book.sqlite3");
    EXPECT_EQ(missingFolder.handle(), kBadHandle);
    EXPECT_EQ(missingFolder.openError(), kErrDiskRead);
    EXPECT_FALSE(fs::exists(dir + "/no"));

    std::string path = dir + "/book.sqlite3";
    int32_t id = contactWithName(path, "Lee");
    // The records are in the file itself, readable by any SQLite client.
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr), SQLITE_OK);
    sqlite3_stmt* s = nullptr;
    ASSERT_EQ(sqlite3_prepare_v2(db, "SELECT count(*) FROM records WHERE id = ?", -1, &s, nullptr), SQLITE_OK);
    sqlite3_bind_int(s, 1, id);
    ASSERT_EQ(sqlite3_step(s), SQLITE_ROW);
    EXPECT_EQ(sqlite3_column_int(s, 0), 1);
    sqlite3_finalize(s);
    sqlite3_close(db);
}

TEST(VqconvStoreFile, FilesThatAreNotStoresAreRefusedAndLeftAsTheyAre) {
    std::string dir = velmo::test::makeTempDir("foreign");
    std::string ours = dir + "/ours.sqlite3";
    contactWithName(ours, "Ours");

    struct Case {
        std::string name;
        std::function<void(const std::string&)> make;
    };
    std::vector<Case> cases = {
        {"garbage", [](const std::string& p) { velmo::test::writeFile(p, std::string(5000, '\x5A') + "not a store"); }},
        {"empty", [](const std::string& p) { velmo::test::writeFile(p, ""); }},
        {"short", [](const std::string& p) { velmo::test::writeFile(p, std::string("SQLite format 3\0", 16)); }},
        {"foreign db", [](const std::string& p) { sqliteFile(p, "CREATE TABLE notes(x); INSERT INTO notes VALUES (1)"); }},
        {"empty db", [](const std::string& p) { sqliteFile(p, "CREATE TABLE t(x); DROP TABLE t"); }},
        // The marker alone does not make a store: the layout must be ours too.
        {"marked db", [](const std::string& p) { sqliteFile(p, "PRAGMA application_id = 1178687554; CREATE TABLE records(x)"); }},
        {"newer store", [&](const std::string& p) {
             fs::copy_file(ours, p);
             sqliteFile(p, "PRAGMA journal_mode = DELETE; PRAGMA user_version = 2");
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::string sub = velmo::test::makeTempDir("case");
        std::string path = sub + "/book.sqlite3";
        c.make(path);
        std::string before = velmo::test::readFile(path);
        std::vector<std::string> listing = folderListing(sub);
        OpenBook book(path);
        EXPECT_EQ(book.handle(), kBadHandle);
        EXPECT_EQ(book.openError(), kErrDiskRead);
        EXPECT_EQ(velmo::test::readFile(path), before);
        EXPECT_EQ(folderListing(sub), listing);
    }

    std::string folder = velmo::test::makeTempDir("dir");
    OpenBook directory(folder);
    EXPECT_EQ(directory.handle(), kBadHandle);
    EXPECT_EQ(directory.openError(), kErrDiskRead);
    EXPECT_TRUE(folderListing(folder).empty());
}

TEST(VqconvStoreFile, ConverterCreatesTheDefaultStoreOnceAndKeepsWhatIsThere) {
    std::string data = velmo::test::makeTempDir("cnv");
    ScopedEnv xdg("XDG_DATA_HOME", data.c_str());
    uint32_t word = 99;
    EXPECT_NE(library().convert(&word), 0);
    EXPECT_EQ(word, kErrNone);
    ASSERT_TRUE(fs::is_regular_file(data + "/velmo/faxab.sqlite3"));

    int32_t id = contactWithName("", "Kept");
    EXPECT_NE(library().convert(&word), 0);
    OpenBook book(nullptr);
    std::vector<TestElement> elements;
    ASSERT_TRUE(book.read(id, &elements));
    EXPECT_EQ(elements, std::vector<TestElement>{field(1, "Kept")});

    // A default file that is not a store is reported and not replaced.
    std::string other = velmo::test::makeTempDir("cnv");
    ScopedEnv xdg2("XDG_DATA_HOME", other.c_str());
    fs::create_directories(other + "/velmo");
    velmo::test::writeFile(other + "/velmo/faxab.sqlite3", "plain text");
    EXPECT_EQ(library().convert(&word), 0);
    EXPECT_EQ(word, kErrDiskRead);
    EXPECT_EQ(velmo::test::readFile(other + "/velmo/faxab.sqlite3"), "plain text");
}
