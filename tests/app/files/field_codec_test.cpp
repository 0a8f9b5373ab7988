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

TEST(EntryRecord, LineRules) {
    CAddrUserDataObj e;
    FieldReader ok("1,Name,Reading,a@b,Dept\r\n0,N,,1,D,12,7,extra,more\r\n0,N,,1,D,3\r\n\r\n0,after,,1,\r\n", true);
    ASSERT_EQ(readEntryLine(ok, e, kOneTouchBook), LineRead::Entry);
    EXPECT_EQ(e.m_nType, 1);
    EXPECT_STREQ(e.m_szReading, "");
    EXPECT_EQ(e.m_nAccessCode, 0);
    EXPECT_EQ(e.m_nOneTouch, 0);
    ASSERT_EQ(readEntryLine(ok, e, kOneTouchBook), LineRead::Entry);
    EXPECT_EQ(e.m_nAccessCode, 12);
    EXPECT_EQ(e.m_nOneTouch, 7);
    ASSERT_EQ(readEntryLine(ok, e, kOneTouchBook), LineRead::Entry);
    EXPECT_EQ(e.m_nAccessCode, 3);
    EXPECT_EQ(readEntryLine(ok, e, kOneTouchBook), LineRead::End);

    for (const char* bad : {"2,N,,1,\n", ",N,,1,\n", "0,N\n", "0,N,,1\n", "0\n"}) {
        FieldReader r(bad, true);
        EXPECT_EQ(readEntryLine(r, e, kPlainBook), LineRead::Bad) << bad;
    }
    // A plain book does not read the one-touch column.
    FieldReader plain("0,N,,1,D,5,9\n", true);
    ASSERT_EQ(readEntryLine(plain, e, kPlainBook), LineRead::Entry);
    EXPECT_EQ(e.m_nOneTouch, 0);
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
