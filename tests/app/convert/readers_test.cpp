#include "files/byte_set.h"
#include "convert/exchange_import.h"
#include "convert/notes_import.h"
#include "test_environment.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <unistd.h>
#include <gtest/gtest.h>

using namespace lisotrex;

namespace {

std::vector<std::string> fields(ExchangeFieldReader& r, std::string_view emailPrefixFor2nd = {}) {
    std::vector<std::string> out;
    bool more = true;
    for (int i = 0; more; ++i) out.push_back(r.readField(more, i == 1 ? emailPrefixFor2nd : std::string_view()));
    return out;
}

} // namespace

TEST(ExchangeFields, QuotesEscapesAndDelimiters) {
    ExchangeFormat f; // , " %
    ExchangeFieldReader r("a,\"b,c\",\"say \"\"hi\"\"\",d\\,e,f%g\n\"\",x\\\ny\n", f);
    EXPECT_EQ(fields(r), (std::vector<std::string>{"a", "b,c", "say \"hi\"", "d,e", "fg"}));
    EXPECT_EQ(fields(r), (std::vector<std::string>{"\"", "x"})) << "quote then quote is a quote; \\ before LF ends the line";
    EXPECT_EQ(fields(r), (std::vector<std::string>{"y"}));
    EXPECT_TRUE(r.atEnd());
}

TEST(ExchangeFields, EmailPrefixPicksItsGroup) {
    ExchangeFormat f;
    ExchangeFieldReader r("n,SMTP:ann@example.com%X400:c=TW;a= ;p=Org,z\n"
                          "n,X400:c=TW%SMTP:bo@example.com,z\n"
                          "n,ann@example.com,z\n"
                          "n,smtp:lower@example.com,z\n", f);
    EXPECT_EQ(fields(r, "SMTP:")[1], "ann@example.com");
    EXPECT_EQ(fields(r, "SMTP:")[1], "bo@example.com");
    EXPECT_EQ(fields(r, "SMTP:")[1], "") << "no prefix, no address";
    EXPECT_EQ(fields(r, "SMTP:")[1], "") << "the prefix is case-sensitive";
}

TEST(ExchangeFields, OtherCharactersAndLimits) {
    ExchangeSettings s;
    s.column = 3;      // ;
    s.quote = 0;       // '
    s.groupSymbol = 6; // @
    ExchangeFormat f = exchangeFormat(s, false);
    EXPECT_EQ(f.delimiter, ';');
    EXPECT_EQ(f.quote, '\'');
    EXPECT_EQ(f.groupSymbol, '@');
    EXPECT_EQ(exchangeFormat(s, true).delimiter, ',') << "2000 is fixed";
    const std::string text = "'a;b';c,d;x@y\n" + std::string(1000, 'l') + "\n";
    ExchangeFieldReader r(text, f);
    EXPECT_EQ(fields(r), (std::vector<std::string>{"a;b", "c,d", "xy"}));
    EXPECT_EQ(fields(r)[0].size(), ExchangeFieldReader::kFieldLimit);
}

// Fields seen in place must be exactly the fields read byte by byte, for
// every kind of field and wherever the read-ahead block happens to end.
TEST(ByteSets, FindTheFirstMemberWhereverItLies) {
    const ByteSet<6> set({',', '"', '%', '\\', '\0', '\n'});
    // Every length up to three blocks of sixteen, the member at every place
    // (or none), with bytes just beside the members' values around it.
    for (size_t n = 0; n <= 48; ++n) {
        for (size_t at = 0; at <= n; ++at) {
            for (char member : {',', '"', '%', '\\', '\0', '\n'}) {
                std::string text(n + 16, '-');
                for (size_t i = 0; i < text.size(); ++i) text[i] = "+#$[]\x01\x0b/"[i % 8];
                if (at < n) text[at] = member;
                text[n + 1] = ','; // beyond the end: never found
                ASSERT_EQ(set.find(text.data(), n), at) << "length " << n << ", member at " << at;
            }
        }
    }
    EXPECT_TRUE(set.contains('\0'));
    EXPECT_FALSE(set.contains('#'));
}

TEST(ByteSets, ControlBytesAreThoseBelowBlank) {
    // Blank, DEL and bytes with the high bit (lead and trail bytes of CP950
    // and UTF-8) are text; 0x00 to 0x1F are not, wherever they lie.
    for (size_t n = 0; n <= 40; ++n) {
        for (size_t at = 0; at <= n; ++at) {
            for (char control : {'\0', '\t', '\r', '\x1f'}) {
                std::string text(n + 2, ' ');
                for (size_t i = 0; i < text.size(); ++i) text[i] = "\x20\x7f\x80\xff\xa4\x40"[i % 6];
                if (at < n) text[at] = control;
                text[n + 1] = '\n'; // beyond the end: never found
                ASSERT_EQ(findControlByte(text.data(), n), at) << "length " << n << ", control at " << at;
            }
        }
    }
}

TEST(ExchangeFields, InPlaceFieldsMatchByteByByteReading) {
    const std::string rows = "a,,\"b,c\",\"plain\",\"\"\"q\",\"%g\",\"x\"y,z\n"
                             "\",lead\",\"leap%le\",\"\n\",d\\,e,f%g,\"say \"\"hi\"\"\",\"end\"\n"
                             "SMTP:a%X400:b,X400:c%SMTP:d%SMTP:e,\"q,SMTP:x%y\",%%,SMTP:,\"SMTP:in,q\"\n"
                             "SM%SMTP,%SMTP:z%,\"a,b\"c,\"a%b\"\"c\",x\"\n" +
                             std::string("nul\0after,\"q\"\0rest,of,line\n", 27) + std::string(770, 'l') + ",\"" +
                             std::string(770, 'm') + "\"," + std::string(500, 'g') + "%" + std::string(500, 'h') +
                             ",SMTP:" + std::string(800, 's') + "%SMTP:t\n\"x\n";
    ExchangeFormat f;
    const std::string dir = velmo::test::makeTempDir("fields");
    for (size_t pad = 0; pad < rows.size() + 2; ++pad) {
        // Rows' byte at the start of the second block; inside a long run of
        // one letter every split is alike, and a few of them are enough.
        const size_t split = rows.size() - std::min(pad, rows.size());
        if (split >= 2 && split + 2 < rows.size() && pad % 16 != 0 && std::isalpha(static_cast<unsigned char>(rows[split])) &&
            rows.compare(split - 2, 4, std::string(4, rows[split])) == 0)
            continue;
        // The padding line puts a different byte of the rows at the first block's end.
        const std::string text = std::string(ImportInput::kBlock - 1 - rows.size() + pad, 'p') + "\n" + rows;
        const std::string path = dir + "/in.csv";
        velmo::test::writeFile(path, text);
        platform::File file;
        ASSERT_EQ(file.open(path, {platform::FileAccess::Read, false, false, true}), platform::FileCause::None);
        // Without a prefix, and with prefixes some fields start with (one
        // of them before a field longer than the limit).
        for (std::string_view prefix : {"", "l", "le", "\"", "a", "SMTP:", "X400:"}) {
            ASSERT_EQ(::lseek(file.fd(), 0, SEEK_SET), 0);
            ExchangeFieldReader inPlace(file, f);
            ExchangeFieldReader byteWise(rows, f);
            std::string scratch;
            bool morePadding = true;
            inPlace.viewField(scratch, morePadding);
            ASSERT_FALSE(morePadding);
            for (int field = 0; !byteWise.atEnd(); ++field) {
                bool moreA = false, moreB = false;
                const std::string expected = byteWise.readField(moreB, prefix);
                const std::string got(inPlace.viewField(scratch, moreA, prefix));
                ASSERT_EQ(got, expected) << "padding " << pad << ", field " << field << ", prefix " << prefix;
                ASSERT_EQ(moreA, moreB) << "padding " << pad << ", field " << field << ", prefix " << prefix;
            }
            EXPECT_TRUE(inPlace.atEnd()) << "padding " << pad;
        }
    }
}

TEST(Exchange2000Values, HexUtf8BecomesTheSystemCodePage) {
    EXPECT_EQ(decodeExchange2000Value("X'E999B3E69DB1'"), "陳東");
    EXPECT_EQ(decodeExchange2000Value("plain"), "plain");
    EXPECT_EQ(decodeExchange2000Value("X'41zz42'"), std::string("A\0B", 3)) << "a non-hex digit counts as 0";
    EXPECT_EQ(decodeExchange2000Value("X'80E999B3FE41'"), "陳A") << "stray bytes are skipped";
    EXPECT_EQ(decodeExchange2000Value("X'F09F9880'"), "-") << "beyond 16 bits";
    setenv("VELMO_CODEPAGE", "CP950", 1);
    EXPECT_EQ(decodeExchange2000Value("X'E999B3E69DB1'"), "\xb3\xaf\xaa\x46");
    EXPECT_EQ(decodeExchange2000Value("X'ED959C41'"), "-A") << "Korean has no place in code page 950";
    unsetenv("VELMO_CODEPAGE");
}

TEST(NotesDocuments, LinesPrefixesAndSeparators) {
    FieldMaps maps = FieldMaps::load("/nonexistent/Lisotrex.inf");
    const FieldMap& map = *maps.find(kNotesSection);
    NotesSettings s;
    std::string text = "FirstName:  Ann\nLastName:  Lee\nOfficeFAXPhoneNumber:  111\nHomeFAXPhoneNumber:  222\n"
                       "MailAddress:  Ann Lee/Org\nInternetAddress:  ann@example.com\nFirstName:  Anne\n\f\n"
                       "\n\nMailAddress:no-blanks\nLastName:  Solo\n";
    NotesDocumentReader r(text, notesFormat(s), map);
    ImportRecord rec;
    ASSERT_TRUE(r.readDocument(rec));
    EXPECT_EQ(rec.givenName.str(), "Anne") << "a later line replaces";
    EXPECT_EQ(rec.fax1.str(), "111");
    EXPECT_EQ(rec.fax2.str(), "222");
    EXPECT_EQ(rec.email.str(), "Ann Lee/Org") << "5.x with the mail address field";
    ASSERT_TRUE(r.readDocument(rec)) << "the last document needs no separator";
    EXPECT_EQ(rec.surname.str(), "Solo");
    EXPECT_EQ(rec.email.str(), "");
    EXPECT_FALSE(r.readDocument(rec));

    s.emailField = 1;
    NotesDocumentReader internet(text, notesFormat(s), map);
    internet.readDocument(rec);
    EXPECT_EQ(rec.email.str(), "ann@example.com");
    s.version = 0;
    NotesDocumentReader v4(text, notesFormat(s), map);
    v4.readDocument(rec);
    EXPECT_EQ(rec.email.str(), "Ann Lee/Org") << "4.x always uses the mail address";
}

TEST(NotesDocuments, SeparatorCodeZeroMakesEveryEmptyLineASeparator) {
    FieldMaps maps = FieldMaps::load("/nonexistent/Lisotrex.inf");
    NotesSettings s;
    s.sectionCode = 0;
    NotesDocumentReader r("FirstName:  A\n\nFirstName:  B\n\n\nFirstName:  C\n", notesFormat(s), *maps.find(kNotesSection));
    std::vector<std::string> names;
    ImportRecord rec;
    while (r.readDocument(rec)) names.push_back(rec.givenName.str());
    EXPECT_EQ(names, (std::vector<std::string>{"A", "B", "", "C"})) << "two separators in a row: an empty document";
}

TEST(NotesDocuments, OnlyALineOfJustTheSeparatorEndsADocument) {
    FieldMaps maps = FieldMaps::load("/nonexistent/Lisotrex.inf");
    const FieldMap& map = *maps.find(kNotesSection);
    for (int code : {12, 0, int('X')}) {
        NotesSettings s;
        s.sectionCode = code;
        const std::string sep(1, char(code));
        const std::string text = "FirstName:  Ann\n" + sep + "not a separator\n" + sep + sep + "\nLastName:  Lee\n" + sep +
                                 "\nFirstName:  Bo\n";
        NotesDocumentReader r(text, notesFormat(s), map);
        ImportRecord rec;
        ASSERT_TRUE(r.readDocument(rec)) << code;
        EXPECT_EQ(rec.givenName.str(), "Ann") << code;
        EXPECT_EQ(rec.surname.str(), "Lee") << code << ": a line starting with the separator ended the document";
        ASSERT_TRUE(r.readDocument(rec)) << code;
        EXPECT_EQ(rec.givenName.str(), "Bo") << code;
        EXPECT_FALSE(r.readDocument(rec)) << code;
    }
}

TEST(NotesDocuments, LongLinesKeep277Bytes) {
    // Only a long field name (set in Lisotrex.inf) makes the cut visible.
    std::string inf = "/tmp/velmo-notes-long-" + std::to_string(getpid()) + ".inf";
    std::string longName(250, 'N');
    FILE* f = std::fopen(inf.c_str(), "w");
    std::fprintf(f, "[Lotus Notes]\nDepartment=%s\n", longName.c_str());
    std::fclose(f);
    FieldMaps maps = FieldMaps::load(inf);
    std::remove(inf.c_str());
    const std::string text = longName + ":  " + std::string(100, 'd') + "\n";
    NotesDocumentReader r(text, notesFormat(NotesSettings{}), *maps.find(kNotesSection));
    ImportRecord rec;
    ASSERT_TRUE(r.readDocument(rec));
    EXPECT_EQ(rec.department.str(), std::string(277 - 253, 'd'));
}

// The export is read in blocks with CR LF folded to LF: the result must not
// depend on where a block ends (a CR as a block's last byte, its LF in the next).
TEST(ImportInputBlocks, LineEndsFoldTheSameAcrossBlockEdges) {
    const size_t block = ImportInput::kBlock;
    std::string text;
    for (size_t edge : {block - 1, 2 * block - 2, 3 * block - 1}) {
        text.resize(edge, 'x');
        text += "\r\n";
    }
    text += "lone\rcr\r\r\nlast\r"; // a CR without LF stays, also at the very end
    std::string expected;
    for (size_t i = 0; i < text.size(); ++i)
        if (!(text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')) expected += text[i];

    const std::string path = velmo::test::makeTempDir("input") + "/in.txt";
    velmo::test::writeFile(path, text);
    platform::File file;
    ASSERT_EQ(file.open(path, {platform::FileAccess::Read, false, false, true}), platform::FileCause::None);
    ImportInput in(file);
    std::string got;
    for (;;) {
        std::string_view run = in.buffered();
        if (run.size() > 3) { // take some bytes in runs, the rest one by one
            got.append(run.substr(0, run.size() / 2));
            in.take(run.size() / 2);
            continue;
        }
        int c = in.next();
        if (c < 0) break;
        got.push_back(static_cast<char>(c));
    }
    EXPECT_EQ(got.size(), expected.size());
    EXPECT_TRUE(got == expected);
    EXPECT_TRUE(in.atEnd());
    EXPECT_EQ(in.failure(), platform::FileCause::None);
}
