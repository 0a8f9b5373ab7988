#include "files/entry_record.h"
#include "files/field_codec.h"
#include "model/book_kind.h"

#include <gtest/gtest.h>

using namespace lisotrex;

namespace {

std::string encoded(std::string_view s) {
    std::string out;
    appendField(out, s);
    return out;
}

std::vector<std::string> fields(std::string_view data, size_t capacity = 64) {
    FieldReader r(data, true);
    std::vector<std::string> out;
    std::vector<char> buf(capacity + 1);
    bool more = true;
    while (more) {
        more = r.readField(buf.data(), capacity);
        out.push_back(capacity ? buf.data() : "");
    }
    return out;
}

} // namespace

TEST(FieldCodec, QuotesOnlyForCommasAndDoublesEveryQuote) {
    EXPECT_EQ(encoded("Chen, Wei"), "\"Chen, Wei\"");
    EXPECT_EQ(encoded("say \"hi\""), "say \"\"hi\"\"");
    EXPECT_EQ(encoded("a,\"b"), "\"a,\"\"b\"");
    EXPECT_EQ(encoded(""), "");
    for (std::string s : {"Chen, Wei", "say \"hi\"", "a,\"b\",c", "plain", ",", "x\"\""}) {
        std::string line = encoded(s) + "," + encoded("next") + "\r\n";
        EXPECT_EQ(fields(line), (std::vector<std::string>{s, "next"})) << s;
    }
}

TEST(FieldCodec, LineEndsAndCapacities) {
    EXPECT_EQ(fields("a,b\r\nc"), (std::vector<std::string>{"a", "b"}));
    EXPECT_EQ(fields("a,b\nc"), (std::vector<std::string>{"a", "b"}));
    EXPECT_EQ(fields(std::string("a,b\0c", 5)), (std::vector<std::string>{"a", "b"}));
    EXPECT_EQ(fields("\"x,\ny\""), (std::vector<std::string>{"x,"})); // a line end ends even a quoted stretch
    EXPECT_EQ(fields("abcdef,ghi", 4), (std::vector<std::string>{"abc", "ghi"}));
    EXPECT_EQ(fields("\"ab,cdef\",g", 4), (std::vector<std::string>{"ab,", "g"}));
    EXPECT_EQ(fields("ab\"\"cdef,g", 4), (std::vector<std::string>{"ab\"", "g"})) << "a cut inside a run";
    EXPECT_EQ(fields("a\rb,c\r"), (std::vector<std::string>{"a\rb", "c\r"})) << "a CR alone is a byte of the field";
    // A closing quote not followed by a comma ends the record with its line.
    FieldReader r("\"a\"b,c\nnext\n", true);
    char buf[8];
    EXPECT_FALSE(r.readField(buf, sizeof buf));
    EXPECT_STREQ(buf, "a");
    EXPECT_FALSE(r.readField(buf, sizeof buf));
    EXPECT_STREQ(buf, "next");
    // Capacity 0 reads and discards.
    FieldReader z("discard,kept", true);
    EXPECT_TRUE(z.readField(nullptr, 0));
    EXPECT_FALSE(z.readField(buf, sizeof buf));
    EXPECT_STREQ(buf, "kept");
}

// The runs between special bytes are found many bytes at a time: every
// special byte at every place of a long line, and every line length, must
// still end, quote or stay in its field exactly where it stands.
TEST(FieldCodec, SpecialBytesAtEveryPlaceOfALongLine) {
    const std::string letters = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    for (size_t length = 1; length <= letters.size(); ++length) {
        const std::string plain = letters.substr(0, length);
        EXPECT_EQ(fields(plain, 128), std::vector<std::string>{plain}) << length;
        for (size_t at = 0; at < length; ++at) {
            const std::string head = plain.substr(0, at), tail = plain.substr(at + 1);
            auto with = [&](std::string_view middle) { return head + std::string(middle) + tail; };
            EXPECT_EQ(fields(with(","), 128), (std::vector<std::string>{head, tail})) << length << " " << at;
            EXPECT_EQ(fields(with("\n"), 128), std::vector<std::string>{head}) << length << " " << at;
            EXPECT_EQ(fields(with(std::string_view("\0", 1)), 128), std::vector<std::string>{head}) << length << " " << at;
            EXPECT_EQ(fields(with("\r\n"), 128), std::vector<std::string>{head}) << length << " " << at;
            EXPECT_EQ(fields(with("\r"), 128), std::vector<std::string>{with("\r")}) << length << " " << at;
            EXPECT_EQ(fields(with("\"\""), 128), std::vector<std::string>{with("\"")}) << length << " " << at;
            // Cut to the capacity wherever the run ends.
            EXPECT_EQ(fields(with(","), 9), (std::vector<std::string>{head.substr(0, 8), tail.substr(0, 8)}))
                << length << " " << at;
        }
    }
}

TEST(EntryRecord, LineRules) {
    EntryLine e;
    FieldReader ok("1,Name,Reading,a@b,Dept\r\n0,N,,1,D,12,7,extra,more\r\n0,N,,1,D,3\r\n0,N,,1\r\n"
                   "\r\n0,after,,1,\r\n",
                   true);
    ASSERT_EQ(readEntryLine(ok, e, kOneTouchBook), LineRead::Entry);
    EXPECT_EQ(e.type, 1);
    EXPECT_EQ(e.nameView(), "Name");
    EXPECT_EQ(e.destinationView(), "a@b");
    EXPECT_EQ(e.departmentView(), "Dept");
    EXPECT_EQ(e.accessCode, 0);
    EXPECT_EQ(e.oneTouch, 0);
    auto made = makeEntry(e);
    EXPECT_STREQ(made->m_szReading, "") << "the reading column is not kept";
    EXPECT_STREQ(made->m_szName, "Name");
    EXPECT_EQ(made->m_nType, 1);
    EXPECT_EQ(made->m_bChecked, 1u);
    EXPECT_EQ(made->m_bUpdated, 0u);
    ASSERT_EQ(readEntryLine(ok, e, kOneTouchBook), LineRead::Entry);
    EXPECT_EQ(e.accessCode, 12);
    EXPECT_EQ(e.oneTouch, 7);
    // A shorter line after a longer one keeps nothing of it.
    ASSERT_EQ(readEntryLine(ok, e, kOneTouchBook), LineRead::Entry);
    EXPECT_EQ(e.accessCode, 3);
    EXPECT_EQ(e.oneTouch, 0);
    EXPECT_EQ(readEntryLine(ok, e, kOneTouchBook), LineRead::Bad) << "a destination must be followed by more";
    FieldReader shortLines("0,Long name,,12345,Department,7,8\n0,N,,1,\n", true);
    ASSERT_EQ(readEntryLine(shortLines, e, kOneTouchBook), LineRead::Entry);
    ASSERT_EQ(readEntryLine(shortLines, e, kOneTouchBook), LineRead::Entry);
    EXPECT_EQ(e.nameView(), "N");
    EXPECT_EQ(e.destinationView(), "1");
    EXPECT_EQ(e.departmentView(), "");
    EXPECT_EQ(e.accessCode, 0);
    EXPECT_EQ(e.oneTouch, 0);
    EXPECT_EQ(readEntryLine(shortLines, e, kOneTouchBook), LineRead::End);

    for (const char* bad : {"2,N,,1,\n", ",N,,1,\n", "0,N\n", "0,N,,1\n", "0\n"}) {
        FieldReader r(bad, true);
        EXPECT_EQ(readEntryLine(r, e, kPlainBook), LineRead::Bad) << bad;
    }
    // A plain book does not read the one-touch column.
    FieldReader plain("0,N,,1,D,5,9\n", true);
    ASSERT_EQ(readEntryLine(plain, e, kPlainBook), LineRead::Entry);
    EXPECT_EQ(e.oneTouch, 0);
    // Texts are cut to their fields' capacities, and the lengths say so.
    const std::string longName(300, 'n'), longDestination(300, 'd');
    const std::string longLine = "0," + longName + ",," + longDestination + "," + longDestination + "\n";
    FieldReader cut(longLine, true);
    ASSERT_EQ(readEntryLine(cut, e, kPlainBook), LineRead::Entry);
    EXPECT_EQ(e.nameView(), longName.substr(0, 127));
    EXPECT_EQ(e.destinationView(), longDestination.substr(0, 255));
    EXPECT_EQ(e.departmentView(), longDestination.substr(0, 255));
}

TEST(EntryRecord, WriterColumns) {
    CAddrUserDataObj e(0, "A,B", "r", "123", "", 0, 0, false);
    std::string out;
    appendEntryLine(out, e, kPlainBook, "\r\n");
    appendEntryLine(out, e, kOneTouchBook, "\r\n");
    e.m_nOneTouch = 42;
    e.m_nAccessCode = 9;
    appendEntryLine(out, e, kOneTouchBook, "\r\n");
    EXPECT_EQ(out, "0,\"A,B\",r,123,,0\r\n0,\"A,B\",r,123,,0,\r\n0,\"A,B\",r,123,,9,42\r\n");
}
