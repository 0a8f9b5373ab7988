// Records, elements, ids and handles through the nine exported functions.

#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <sqlite3.h>

#include "store_library.h"
#include "test_environment.h"

using namespace vqconv;
using namespace vqconv::test;

namespace {

std::string freshStore() { return velmo::test::makeTempDir("fax") + "/book.sqlite3"; }

StoreLibrary& lib() {
    StoreLibrary& l = library();
    if (!l.convert) ADD_FAILURE() << "vqconv.so did not load with all nine functions: " << l.module.error();
    return l;
}

int32_t newContact(const OpenBook& book) {
    uint32_t word = 99;
    int32_t id = lib().createContact(book.handle(), &word);
    EXPECT_EQ(word, kErrNone);
    return id;
}

int32_t newGroup(const OpenBook& book) {
    uint32_t word = 99;
    int32_t id = lib().createGroup(book.handle(), &word);
    EXPECT_EQ(word, kErrNone);
    return id;
}

std::vector<TestElement> readBack(OpenBook& book, int32_t id) {
    std::vector<TestElement> elements;
    uint32_t word = 0;
    EXPECT_TRUE(book.read(id, &elements, &word)) << "record " << id << " word " << word;
    return elements;
}

} // namespace

TEST(VqconvLibrary, ExportsExactlyTheNineFunctions) {
    ASSERT_NE(lib().convert, nullptr);
    std::string out;
    std::string so = std::string(VELMO_BIN_DIR) + "/vqconv.so";
    ASSERT_EQ(velmo::test::runCommand("nm -D --defined-only " + velmo::test::shellQuote(so) + " | awk '{print $3}' | sort", &out), 0);
    EXPECT_EQ(out, "CloseAddressBook\nCnvAddressBook\nCreateContactEntry\nCreateGroupEntry\nDeleteProps\n"
                   "GetProps\nGetRecordId\nOpenAddressBook\nSetProps\n");
}

TEST(VqconvRecords, ElementsComeBackInOrderWithMemberBytesAsWritten) {
    OpenBook book(freshStore());
    ASSERT_NE(book.handle(), kBadHandle);
    int32_t a = newContact(book), b = newContact(book), g = newGroup(book), inner = newGroup(book);
    std::vector<TestElement> group = {field(1, "Sales"), member(b, 2, 0x80), field(8, "keyword"), member(a, 3, 0xF0),
                                      member(inner, 0, 0x01)};
    ASSERT_TRUE(book.write(g, group));
    std::vector<TestElement> contact = {field(528, "02-1234"), field(1, ""), field(999, "unknown code kept"),
                                        field(272, "03-555")};
    ASSERT_TRUE(book.write(a, contact));
    EXPECT_EQ(readBack(book, g), group);
    EXPECT_EQ(readBack(book, a), contact);
    EXPECT_EQ(readBack(book, b), std::vector<TestElement>{});

    // A write replaces the whole record.
    ASSERT_TRUE(book.write(a, {field(5, "Lin")}));
    EXPECT_EQ(readBack(book, a), std::vector<TestElement>{field(5, "Lin")});
    ASSERT_TRUE(book.write(a, {}));
    EXPECT_EQ(lib().getProps(book.handle(), a, nullptr, nullptr), 0);
}

TEST(VqconvRecords, GetPropsWritesAtMostTheCapacityBackToBack) {
    OpenBook book(freshStore());
    int32_t a = newContact(book), g = newGroup(book);
    std::vector<TestElement> group = {member(a, 1, 7), field(1, "Team"), member(a, 2, 9)};
    ASSERT_TRUE(book.write(g, group));
    uint32_t word = 99;
    EXPECT_EQ(lib().getProps(book.handle(), g, &word, nullptr), 3);
    EXPECT_EQ(word, kErrNone);

    // Room for two elements, then guard bytes that must stay untouched.
    std::vector<uint8_t> bytes(3 * kElementSlot, 0xCC);
    ElementBuffer two{2, bytes.data()};
    EXPECT_EQ(lib().getProps(book.handle(), g, &word, &two), 2);
    EXPECT_EQ(unpack(bytes.data(), 2), std::vector<TestElement>(group.begin(), group.begin() + 2));
    size_t used = sizeof(MemberElement) + sizeof(FieldElement);
    for (size_t i = used; i < bytes.size(); ++i) ASSERT_EQ(bytes[i], 0xCC) << "byte " << i;

    ElementBuffer none{0, nullptr};
    EXPECT_EQ(lib().getProps(book.handle(), g, &word, &none), 0);
    EXPECT_EQ(word, kErrNone);
}

TEST(VqconvRecords, FieldTextIsCutAt255BytesAndAlwaysTerminated) {
    OpenBook book(freshStore());
    int32_t a = newContact(book);
    // A text filling all 256 bytes without a terminator, and one with bytes after its NUL.
    std::vector<uint8_t> bytes(2 * kElementSlot);
    FieldElement full{1, {}};
    std::memset(full.text, 'x', sizeof full.text);
    FieldElement tail{2, {}};
    std::memcpy(tail.text, "Mr\0hidden", 9);
    std::memcpy(bytes.data(), &full, sizeof full);
    std::memcpy(bytes.data() + sizeof full, &tail, sizeof tail);
    ElementBuffer buffer{2, bytes.data()};
    uint32_t word = 99;
    ASSERT_NE(lib().setProps(book.handle(), a, &word, &buffer), 0);

    std::vector<uint8_t> back(2 * kElementSlot, 0xCC);
    ElementBuffer out{2, back.data()};
    ASSERT_EQ(lib().getProps(book.handle(), a, &word, &out), 2);
    FieldElement first, second;
    std::memcpy(&first, back.data(), sizeof first);
    std::memcpy(&second, back.data() + sizeof first, sizeof second);
    EXPECT_EQ(std::string(first.text, strnlen(first.text, 256)), std::string(255, 'x'));
    EXPECT_EQ(first.text[255], '\0');
    EXPECT_EQ(std::string(second.text, sizeof second.text), std::string("Mr") + std::string(254, '\0'));
}

TEST(VqconvRecords, IdsCountUpPerKindAndAreNeverReused) {
    std::string path = freshStore();
    {
        OpenBook book(path);
        EXPECT_EQ(newContact(book), 1);
        EXPECT_EQ(newContact(book), 2);
        EXPECT_EQ(newGroup(book), int32_t(0x80000001));
        EXPECT_EQ(newContact(book), 3);
        EXPECT_EQ(newGroup(book), int32_t(0x80000002));
        uint32_t word = 99;
        EXPECT_NE(lib().deleteProps(book.handle(), 0, &word, 3), 0);
        EXPECT_EQ(word, kErrNone);
        EXPECT_NE(lib().deleteProps(book.handle(), 0, &word, int32_t(0x80000002)), 0);
    }
    OpenBook again(path);
    EXPECT_EQ(newContact(again), 4);
    EXPECT_EQ(newGroup(again), int32_t(0x80000003));
    EXPECT_EQ(again.recordIds(), (std::vector<int32_t>{1, 2, int32_t(0x80000001), 4, int32_t(0x80000003)}));
}

TEST(VqconvRecords, RunningOutOfIdsIsReportedAndNeverGivesTheRoot) {
    std::string path = freshStore();
    { OpenBook create(path); }
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(path.c_str(), &db), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(db, "UPDATE meta SET value = 2147483647 WHERE name = 'next_contact';"
                               "UPDATE meta SET value = 2147483646 WHERE name = 'next_group'",
                           nullptr, nullptr, nullptr),
              SQLITE_OK);
    sqlite3_close(db);

    OpenBook book(path);
    EXPECT_EQ(newContact(book), INT32_MAX);
    EXPECT_EQ(newGroup(book), -2);
    uint32_t word = 0;
    EXPECT_EQ(lib().createContact(book.handle(), &word), kNewContactId);
    EXPECT_EQ(word, kErrDiskFull);
    EXPECT_EQ(lib().createGroup(book.handle(), &word), kNewGroupId);
    EXPECT_EQ(word, kErrDiskFull);
    EXPECT_EQ(book.recordIds(), (std::vector<int32_t>{INT32_MAX, -2}));
}

TEST(VqconvRecords, GetRecordIdNeverWritesPastTheCallersArray) {
    OpenBook book(freshStore());
    for (int i = 0; i < 3; ++i) newContact(book);
    uint32_t word = 99;
    RecordIdList list{0, nullptr};
    EXPECT_EQ(lib().getRecordId(book.handle(), kAllRecords, &word, &list), 3);
    EXPECT_EQ(list.count, 3u);

    // The store grew between the two calls: only the words asked for are filled.
    newContact(book);
    int32_t ids[4] = {0, 0, 0, 77};
    list = {3, ids};
    EXPECT_EQ(lib().getRecordId(book.handle(), kAllRecords, &word, &list), 3);
    EXPECT_EQ(list.count, 3u);
    EXPECT_EQ(ids[3], 77);

    // It shrank: the count word says how many of the words are ids.
    lib().deleteProps(book.handle(), 0, &word, 4);
    lib().deleteProps(book.handle(), 0, &word, 2);
    int32_t more[4] = {-5, -5, -5, -5};
    list = {4, more};
    EXPECT_EQ(lib().getRecordId(book.handle(), kAllRecords, &word, &list), 2);
    EXPECT_EQ(list.count, 2u);
    EXPECT_EQ(more[0], 1);
    EXPECT_EQ(more[1], 3);
    EXPECT_EQ(more[2], -5);
}

TEST(VqconvRecords, DeletingARecordTakesItOutOfEveryGroup) {
    OpenBook book(freshStore());
    int32_t a = newContact(book), b = newContact(book), g1 = newGroup(book), g2 = newGroup(book), g3 = newGroup(book);
    ASSERT_TRUE(book.write(g1, {field(1, "One"), member(a, 3, 1), member(b, 1, 2), member(a, 2, 3)}));
    ASSERT_TRUE(book.write(g2, {member(a, 1, 4), field(1, "Two"), member(g1, 0, 5)}));
    ASSERT_TRUE(book.write(g3, {field(1, "Three"), member(g1, 0, 6), member(b, 2, 7)}));
    uint32_t word = 99;
    ASSERT_NE(lib().deleteProps(book.handle(), 0, &word, a), 0);
    EXPECT_EQ(readBack(book, g1), (std::vector<TestElement>{field(1, "One"), member(b, 1, 2)}));
    EXPECT_EQ(readBack(book, g2), (std::vector<TestElement>{field(1, "Two"), member(g1, 0, 5)}));
    ASSERT_NE(lib().deleteProps(book.handle(), 0, &word, g1), 0);
    EXPECT_EQ(readBack(book, g2), (std::vector<TestElement>{field(1, "Two")}));
    EXPECT_EQ(readBack(book, g3), (std::vector<TestElement>{field(1, "Three"), member(b, 2, 7)}));
    EXPECT_EQ(book.recordIds(), (std::vector<int32_t>{b, g2, g3}));
}

TEST(VqconvRecords, MissingRecordsAndBadElementsAreRefusedWithTheirWords) {
    OpenBook book(freshStore());
    int32_t a = newContact(book), g = newGroup(book);
    ASSERT_TRUE(book.write(g, {field(1, "Kept"), member(a, 3, 0)}));
    std::vector<TestElement> out;
    uint32_t word = 0;
    for (int32_t id : {kNewContactId, kNewGroupId, kRootId, 42, int32_t(0x80000042)}) {
        EXPECT_EQ(lib().getProps(book.handle(), id, &word, nullptr), -1) << id;
        EXPECT_EQ(word, kErrNotFound);
        EXPECT_FALSE(book.write(id, {field(1, "x")}, &word));
        EXPECT_EQ(word, kErrNotFound);
        EXPECT_EQ(lib().deleteProps(book.handle(), 0, &word, id), 0);
        EXPECT_EQ(word, kErrNotFound);
    }
    EXPECT_EQ(lib().deleteProps(book.handle(), 0, &word, a), 1);
    EXPECT_EQ(lib().deleteProps(book.handle(), 0, &word, a), 0);
    EXPECT_EQ(word, kErrNotFound);
    int32_t b = newContact(book);

    // Members belong to groups, name a record that exists, and not the group itself.
    EXPECT_FALSE(book.write(b, {member(g, 0, 0)}, &word));
    EXPECT_EQ(word, kErrInvalidArg);
    EXPECT_FALSE(book.write(g, {member(g, 0, 0)}, &word));
    EXPECT_EQ(word, kErrInvalidArg);
    EXPECT_FALSE(book.write(g, {member(kRootId, 0, 0)}, &word));
    EXPECT_EQ(word, kErrInvalidArg);
    EXPECT_FALSE(book.write(g, {field(1, "Lost?"), member(b, 3, 0), member(a, 3, 0)}, &word));
    EXPECT_EQ(word, kErrNotAvailable);
    EXPECT_EQ(readBack(book, g), (std::vector<TestElement>{field(1, "Kept")}));

    // Descriptors and selectors.
    EXPECT_EQ(lib().setProps(book.handle(), b, &word, nullptr), 0);
    EXPECT_EQ(word, kErrInvalidArg);
    ElementBuffer noElements{1, nullptr};
    EXPECT_EQ(lib().setProps(book.handle(), b, &word, &noElements), 0);
    EXPECT_EQ(word, kErrInvalidArg);
    EXPECT_EQ(lib().getProps(book.handle(), b, &word, &noElements), -1);
    EXPECT_EQ(word, kErrInvalidArg);
    RecordIdList list{0, nullptr};
    EXPECT_EQ(lib().getRecordId(book.handle(), 1, &word, &list), -1);
    EXPECT_EQ(word, kErrInvalidArg);
    EXPECT_EQ(lib().getRecordId(book.handle(), kAllRecords, &word, nullptr), -1);
    EXPECT_EQ(word, kErrInvalidArg);
    list = {2, nullptr};
    EXPECT_EQ(lib().getRecordId(book.handle(), kAllRecords, &word, &list), -1);
    EXPECT_EQ(word, kErrInvalidArg);
}

TEST(VqconvHandles, OnlyLiveHandlesAreServed) {
    std::string path = freshStore();
    Handle closed;
    {
        OpenBook first(path);
        closed = first.handle();
    }
    OpenBook book(path);
    ASSERT_NE(book.handle(), kBadHandle);
    EXPECT_NE(book.handle(), closed);
    int32_t a = newContact(book);
    for (Handle h : {closed, Handle(0), kBadHandle, Handle(0x7FFF0000), book.handle() + 1,
                     reinterpret_cast<Handle>(&closed)}) {
        uint32_t word = 0;
        RecordIdList list{0, nullptr};
        EXPECT_EQ(lib().getRecordId(h, kAllRecords, &word, &list), -1);
        EXPECT_EQ(word, kErrInvalidArg);
        word = 0;
        EXPECT_EQ(lib().createContact(h, &word), kNewContactId);
        EXPECT_EQ(word, kErrInvalidArg);
        word = 0;
        EXPECT_EQ(lib().createGroup(h, &word), kNewGroupId);
        EXPECT_EQ(word, kErrInvalidArg);
        word = 0;
        EXPECT_EQ(lib().getProps(h, a, &word, nullptr), -1);
        EXPECT_EQ(word, kErrInvalidArg);
        word = 0;
        ElementBuffer empty{0, nullptr};
        EXPECT_EQ(lib().setProps(h, a, &word, &empty), 0);
        EXPECT_EQ(word, kErrInvalidArg);
        word = 0;
        EXPECT_EQ(lib().deleteProps(h, 0, &word, a), 0);
        EXPECT_EQ(word, kErrInvalidArg);
        lib().close(h); // ignored
    }
    // Two handles on one file see each other's writes; closing one leaves the other.
    {
        OpenBook second(path);
        ASSERT_TRUE(second.write(a, {field(1, "Chen")}));
    }
    EXPECT_EQ(readBack(book, a), std::vector<TestElement>{field(1, "Chen")});
}
