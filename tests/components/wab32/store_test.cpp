// The store file: edits keep every other byte, ids hold across processes and
// edits, another program's change is never overwritten, damaged files are
// refused, and a writer killed at any moment leaves the old or the new file.

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <sys/wait.h>
#include <unistd.h>

#include "contact_store.h"
#include "entry_id.h"
#include "crash_kill.h"
#include "test_environment.h"
#include "wab_tags.h"
#include "wab_test_util.h"

using namespace pdx;
using namespace wab32;
using namespace wabtest;
using velmo::test::readFile;
using velmo::test::writeFile;

namespace {

class StoreTest : public ::testing::Test {
protected:
    void SetUp() override { setenv("VELMO_CODEPAGE", "UTF-8", 1); }
    void TearDown() override { unsetenv("VELMO_CODEPAGE"); }
};

std::string replaced(std::string text, const std::string& from, const std::string& to) {
    const size_t at = text.find(from);
    EXPECT_NE(at, std::string::npos) << from;
    if (at != std::string::npos) text.replace(at, from.size(), to);
    return text;
}

// Opens the entry named `name`, sets one string and saves.
HRESULT editNamed(IAddrBook* ab, const std::string& name, ULONG tag, const std::string& value) {
    const Row row = rowNamed(contents(ab, {PR_DISPLAY_NAME, PR_ENTRYID}), name);
    if (!row.count(PR_ENTRYID)) return E_FAIL;
    IUnknown* o = openId(ab, row.at(PR_ENTRYID));
    if (!o) return E_FAIL;
    auto* entry = static_cast<IMAPIProp*>(o);
    HRESULT h = setString(entry, tag, value);
    if (SUCCEEDED(h)) h = entry->SaveChanges(0);
    entry->Release();
    return h;
}

std::string idsOf(IAddrBook* ab) {
    std::string out;
    for (const Row& r : contents(ab, {PR_ENTRYID, PR_DISPLAY_NAME})) {
        for (unsigned char c : r.at(PR_ENTRYID)) {
            char hex[3];
            std::snprintf(hex, sizeof hex, "%02x", c);
            out += hex;
        }
        out += " " + r.at(PR_DISPLAY_NAME) + "\n";
    }
    return out;
}

} // namespace

TEST_F(StoreTest, EditingOneContactChangesOnlyItsLine) {
    const std::string path = corpusCopy("v30-folded-groups.vcf");
    const std::string before = readFile(path);
    Wab w;
    ASSERT_EQ(w.open(path), S_OK);
    ASSERT_EQ(editNamed(w.ab, "Dr. Anna Maria Lindqvist", PR_BUSINESS_FAX_NUMBER, "+46 8 555 999 99"), S_OK);
    EXPECT_EQ(readFile(path), replaced(before, "TEL;TYPE=WORK,FAX:+46 8 555 010 20\r\n",
                                       "TEL;TYPE=WORK,FAX:+46 8 555 999 99\r\n"));
}

TEST_F(StoreTest, ACardWithoutUidKeepsItsIdThroughAnEdit) {
    const std::string path = corpusCopy("v21-quoted-printable.vcf");
    const std::string before = readFile(path);
    Wab w;
    ASSERT_EQ(w.open(path), S_OK);
    const std::string id = rowNamed(contents(w.ab, {PR_DISPLAY_NAME, PR_ENTRYID}), "王小明").at(PR_ENTRYID);
    ASSERT_EQ(editNamed(w.ab, "王小明", PR_HOME_FAX_NUMBER, "+886-2-2311-0000"), S_OK);
    // The card gains the UID its id already stood for, and only that and the number change.
    Key key;
    std::copy(id.end() - 16, id.end(), key.begin());
    std::string expected = replaced(before, "TEL;HOME;FAX:+886-2-2311-5678\r\n", "TEL;HOME;FAX:+886-2-2311-0000\r\n");
    expected = replaced(expected, "END:VCARD", "UID:" + keyToUuid(key) + "\r\nEND:VCARD");
    EXPECT_EQ(readFile(path), expected);
    Wab again;
    ASSERT_EQ(again.open(path), S_OK);
    EXPECT_EQ(rowNamed(contents(again.ab, {PR_DISPLAY_NAME, PR_ENTRYID}), "王小明").at(PR_ENTRYID), id);
}

TEST_F(StoreTest, Version4CardsKeepTheirUriValuesWhenEdited) {
    const std::string path = corpusCopy("v40-groups.vcf");
    const std::string before = readFile(path);
    Wab w;
    ASSERT_EQ(w.open(path), S_OK);
    ASSERT_EQ(editNamed(w.ab, "Sato Hiroshi", PR_BUSINESS_FAX_NUMBER, "+81-3-5555-0200"), S_OK);
    EXPECT_EQ(readFile(path), replaced(before, "TEL;VALUE=uri;TYPE=\"fax,work\":tel:+81-3-5555-0199\n",
                                       "TEL;VALUE=uri;TYPE=\"fax,work\":tel:+81-3-5555-0200\n"));
}

TEST_F(StoreTest, IdsAgreeBetweenProcessesAndSessions) {
    for (const char* name : {"v21-quoted-printable.vcf", "v30-folded-groups.vcf", "v40-groups.vcf"}) {
        const std::string path = corpusCopy(name);
        const std::string command = velmo::test::binPath("wab32-ids") + " " + velmo::test::shellQuote(VELMO_BIN_DIR) +
                                    " " + velmo::test::shellQuote(path);
        std::string first, second;
        ASSERT_EQ(velmo::test::runCommand(command, &first), 0) << name;
        ASSERT_EQ(velmo::test::runCommand(command, &second), 0) << name;
        EXPECT_FALSE(first.empty()) << name;
        EXPECT_EQ(first, second) << name;
        Wab w;
        ASSERT_EQ(w.open(path), S_OK);
        EXPECT_EQ(idsOf(w.ab), first) << name;
    }
}

TEST_F(StoreTest, TwoCardsWithTheSameUidStillHaveIdsOfTheirOwn) {
    const std::string path = velmo::test::makeTempDir("dup") + "/dup.vcf";
    const std::string card = "BEGIN:VCARD\nVERSION:3.0\nUID:same\nFN:%\nEND:VCARD\n";
    writeFile(path, replaced(card, "%", "One") + replaced(card, "%", "Two"));
    Wab w;
    ASSERT_EQ(w.open(path), S_OK);
    const std::vector<Row> rows = contents(w.ab, {PR_ENTRYID, PR_DISPLAY_NAME});
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_NE(rows[0].at(PR_ENTRYID), rows[1].at(PR_ENTRYID));
}

TEST_F(StoreTest, AFileChangedOnDiskIsNotOverwritten) {
    const std::string path = corpusCopy("v30-folded-groups.vcf");
    Wab w;
    ASSERT_EQ(w.open(path), S_OK);
    const Row row = rowNamed(contents(w.ab, {PR_DISPLAY_NAME, PR_ENTRYID}), "Chinedu Okafor");
    auto* entry = static_cast<IMAPIProp*>(openId(w.ab, row.at(PR_ENTRYID)));
    ASSERT_TRUE(entry);
    // Another program adds a card meanwhile.
    const std::string theirs = readFile(path) + "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:Added Elsewhere\r\nEND:VCARD\r\n";
    writeFile(path, theirs);
    ASSERT_EQ(setString(entry, PR_COMMENT, "mine"), S_OK);
    EXPECT_EQ(entry->SaveChanges(0), MAPI_E_OBJECT_CHANGED);
    EXPECT_EQ(readFile(path), theirs);
    entry->Release();
    // Read anew, the other program's card is there and an edit keeps it.
    EXPECT_EQ(contents(w.ab, {PR_DISPLAY_NAME}).size(), 4u);
    ASSERT_EQ(editNamed(w.ab, "Chinedu Okafor", PR_COMMENT, "mine"), S_OK);
    EXPECT_NE(readFile(path).find("FN:Added Elsewhere"), std::string::npos);
    EXPECT_NE(readFile(path).find("NOTE:mine"), std::string::npos);
}

TEST_F(StoreTest, AnObjectWhoseCardChangedSinceItWasOpenedIsNotSaved) {
    const std::string path = corpusCopy("v30-folded-groups.vcf");
    Wab w;
    ASSERT_EQ(w.open(path), S_OK);
    const Row row = rowNamed(contents(w.ab, {PR_DISPLAY_NAME, PR_ENTRYID}), "Chinedu Okafor");
    auto* entry = static_cast<IMAPIProp*>(openId(w.ab, row.at(PR_ENTRYID)));
    ASSERT_TRUE(entry);
    writeFile(path, replaced(readFile(path), "FN:Chinedu Okafor", "FN:Chinedu N. Okafor"));
    contents(w.ab, {PR_DISPLAY_NAME}); // the store reads the file again
    ASSERT_EQ(setString(entry, PR_COMMENT, "stale"), S_OK);
    EXPECT_EQ(entry->SaveChanges(0), MAPI_E_OBJECT_CHANGED);
    entry->Release();
    EXPECT_EQ(readFile(path).find("stale"), std::string::npos);
}

TEST_F(StoreTest, DamagedFilesAreReadButNeverWritten) {
    const std::string path = corpusCopy("broken.vcf");
    const std::string before = readFile(path);
    Wab w;
    ASSERT_EQ(w.open(path), S_OK);
    const std::vector<Row> rows = contents(w.ab, {PR_DISPLAY_NAME, PR_PRIMARY_FAX_NUMBER});
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].at(PR_DISPLAY_NAME), "Intact Person");
    EXPECT_EQ(editNamed(w.ab, "Intact Person", PR_COMMENT, "x"), MAPI_E_CORRUPT_DATA);
    EXPECT_EQ(readFile(path), before);

    // A file that is not vCard text at all (a Windows .wab file, say) is refused.
    const std::string binary = velmo::test::makeTempDir("bin") + "/old.wab";
    writeFile(binary, std::string("\x9c\xcb\xcb\x8d\x13\x75\xd2\x11\0\0\0\0", 12));
    Wab refused;
    EXPECT_EQ(refused.open(binary), MAPI_E_CORRUPT_DATA);
    EXPECT_EQ(readFile(binary).size(), 12u);
}

TEST_F(StoreTest, WithoutAPathTheUsersContactsFileIsCreatedOnFirstWrite) {
    const std::string data = velmo::test::makeTempDir("xdg");
    setenv("XDG_DATA_HOME", data.c_str(), 1);
    Wab w;
    ASSERT_EQ(w.open(""), S_OK);
    EXPECT_TRUE(contents(w.ab, {PR_DISPLAY_NAME}).empty());
    EXPECT_FALSE(velmo::test::readFile(data + "/velmo/contacts.vcf").size());
    IABContainer* c = openContainer(w.ab);
    ASSERT_TRUE(c);
    EXPECT_EQ(getProps(c, {PR_DISPLAY_NAME}).at(PR_DISPLAY_NAME), "contacts.vcf");
    const std::string tpl = getProps(c, {PR_DEF_CREATE_MAILUSER}).at(PR_DEF_CREATE_MAILUSER);
    IMAPIProp* fresh = nullptr;
    ASSERT_EQ(c->CreateEntry(ULONG(tpl.size()), reinterpret_cast<ENTRYID*>(const_cast<char*>(tpl.data())), 0, &fresh),
              S_OK);
    ASSERT_EQ(setString(fresh, PR_DISPLAY_NAME, "First Contact"), S_OK);
    ASSERT_EQ(fresh->SaveChanges(0), S_OK);
    fresh->Release();
    c->Release();
    const std::string written = readFile(data + "/velmo/contacts.vcf");
    EXPECT_EQ(written.rfind("BEGIN:VCARD\r\nVERSION:3.0\r\nUID:", 0), 0u) << written;
    EXPECT_NE(written.find("FN:First Contact\r\n"), std::string::npos);
    setenv("XDG_DATA_HOME", (velmo::test::sandboxDir() + "/data").c_str(), 1);
}

// The writer is killed at random moments while it rewrites a large file;
// what is left is always the whole old file or the whole new one.
TEST_F(StoreTest, AWriterKilledAtAnyMomentLeavesTheOldOrTheNewFile) {
    const int rounds = velmo::test::killPoints(); // 200, more with VELMO_KILL_POINTS
    const std::string dir = velmo::test::makeTempDir("crash");
    const std::string path = dir + "/contacts.vcf";
    std::string text;
    for (int i = 0; i < 400; ++i)
        text += "BEGIN:VCARD\r\nVERSION:3.0\r\nUID:card-" + std::to_string(i) + "\r\nFN:Person " + std::to_string(i) +
                "\r\nTEL;TYPE=WORK,FAX:+1 555 " + std::to_string(100000 + i) + "\r\nEND:VCARD\r\n";
    writeFile(path, text);

    // The new file of one round, made the same way on a scratch copy.
    auto saveRound = [](const std::string& file, int round) {
        std::shared_ptr<ContactStore> store;
        if (ContactStore::open(file, store) != S_OK) return false;
        std::lock_guard g(store->mutex());
        SaveRequest r;
        r.key = store->entries().front().key;
        r.expectedHash = store->entries().front().cardHash;
        r.values.setString(PR_DISPLAY_NAME, "Round " + std::to_string(round));
        return store->save(r, nullptr) == S_OK;
    };
    // The expected file is made on a memory file system when there is one: only the writer under test needs a disk.
    std::string scratchDir = "/dev/shm/velmo-crash-XXXXXX";
    if (access("/dev/shm", W_OK) != 0 || !mkdtemp(scratchDir.data())) scratchDir = dir;
    struct Cleanup {
        std::string dir;
        ~Cleanup() {
            std::error_code ec;
            if (dir.rfind("/dev/shm/", 0) == 0) std::filesystem::remove_all(dir, ec);
        }
    } cleanup{scratchDir};
    auto expectedAfter = [&](const std::string& old, int round) {
        const std::string scratch = scratchDir + "/scratch.vcf";
        writeFile(scratch, old);
        EXPECT_TRUE(saveRound(scratch, round));
        return readFile(scratch);
    };

    // How long one save takes, so that kills land before, during and after it.
    auto start = std::chrono::steady_clock::now();
    expectedAfter(text, -1);
    const auto span = std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - start);
    std::mt19937 random(12345);
    std::uniform_int_distribution<long> delay(0, std::max<long>(1000, long(span.count()) * 2));

    int sawOld = 0, sawNew = 0;
    for (int round = 0; round < rounds; ++round) {
        const std::string old = readFile(path);
        const std::string fresh = expectedAfter(old, round);
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) _exit(saveRound(path, round) ? 0 : 1);
        usleep(useconds_t(delay(random)));
        kill(child, SIGKILL);
        int status = 0;
        waitpid(child, &status, 0);
        const std::string now = readFile(path);
        ASSERT_TRUE(now == old || now == fresh) << "round " << round << ": a torn file of " << now.size() << " bytes";
        (now == old ? sawOld : sawNew)++;
    }
    // Kills fell on both sides of the rename.
    EXPECT_GT(sawOld, 0);
    EXPECT_GT(sawNew, 0);
}
