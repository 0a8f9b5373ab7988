// The vCard reader and writer: byte-exact round trips, unfolding, quoted-
// printable and character sets, escapes, damage, and the lines written anew.

#include <gtest/gtest.h>

#include <cstdlib>

#include "test_environment.h"
#include "vcard/vcard_document.h"
#include "vcard/vcard_text.h"

using namespace wab32::vcard;

namespace {

std::string corpus(const std::string& name) { return velmo::test::readFile(std::string(VELMO_VCARD_DATA) + "/" + name); }

const Card& card(const Document& d, size_t n) {
    size_t seen = 0;
    for (const Segment& s : d.segments)
        if (s.isCard && seen++ == n) return s.card;
    throw std::out_of_range("no such card");
}

class VCardTest : public ::testing::Test {
protected:
    void SetUp() override { setenv("VELMO_CODEPAGE", "UTF-8", 1); }
    void TearDown() override { unsetenv("VELMO_CODEPAGE"); }
};

} // namespace

TEST_F(VCardTest, EveryCorpusFileReadsBackByteForByte) {
    for (const char* name : {"v21-quoted-printable.vcf", "v30-folded-groups.vcf", "v40-groups.vcf",
                             "unknown-properties.vcf", "broken.vcf"}) {
        const std::string bytes = corpus(name);
        ASSERT_FALSE(bytes.empty()) << name;
        EXPECT_EQ(parse(bytes).text(), bytes) << name;
    }
}

TEST_F(VCardTest, QuotedPrintableBig5AndUtf8NamesDecode) {
    const Document d = parse(corpus("v21-quoted-printable.vcf"));
    ASSERT_FALSE(d.damaged);
    const Card& big5 = card(d, 0);
    EXPECT_EQ(big5.version(), "2.1");
    EXPECT_EQ(text(*big5.find("FN"), "2.1"), "王小明");
    EXPECT_EQ(components(*big5.find("N"), "2.1")[1], "小明");
    // A soft line break inside the company name joins the two halves.
    const std::vector<std::string> org = components(*big5.find("ORG"), "2.1");
    ASSERT_EQ(org.size(), 2u);
    EXPECT_EQ(org[0], "台灣傳真股份有限公司");
    EXPECT_EQ(org[1], "業務部");
    EXPECT_EQ(text(*big5.find("NOTE"), "2.1"), "First line\nSecond line");
    EXPECT_EQ(text(*card(d, 1).find("FN"), "2.1"), "陳美玲");
}

TEST_F(VCardTest, FoldedLinesGroupsAndEscapes) {
    const Document d = parse(corpus("v30-folded-groups.vcf"));
    const Card& c = card(d, 0);
    EXPECT_EQ(text(*c.find("NOTE"), "3.0"),
              "Prefers fax for contracts. This note is long enough that the writer folded it across several "
              "lines, as RFC 2425 allows; unfolding must give back one text.");
    const Property* email = c.find("EMAIL");
    ASSERT_TRUE(email);
    EXPECT_EQ(email->group, "item1");
    EXPECT_TRUE(email->hasType("pref"));
    EXPECT_TRUE(email->hasType("internet"));
    EXPECT_EQ(components(*c.find("ORG"), "3.0")[1], "Logistics, Export");
    // A quoted parameter value keeps its semicolon.
    const Property* custom = c.find("X-CUSTOM-FIELD");
    ASSERT_TRUE(custom);
    EXPECT_EQ(custom->paramValues("X-PARAM"), std::vector<std::string>{"one;two"});
    EXPECT_TRUE(card(d, 2).find("X-ADDRESSBOOKSERVER-KIND"));
}

TEST_F(VCardTest, QuotedTypeListsAndUriValuesOfVersion4) {
    const Document d = parse(corpus("v40-groups.vcf"));
    const Card& c = card(d, 0);
    const Property* tel = c.find("TEL");
    ASSERT_TRUE(tel);
    EXPECT_TRUE(tel->hasType("fax"));
    EXPECT_TRUE(tel->hasType("work"));
    EXPECT_EQ(text(*card(d, 1).find("FN"), "4.0"), "Müller, Jürgen");
}

TEST_F(VCardTest, DamageIsReported) {
    EXPECT_TRUE(parse(corpus("broken.vcf")).damaged);
    EXPECT_TRUE(parse("END:VCARD\r\n").damaged);
    EXPECT_TRUE(parse(std::string("BEGIN:VCARD\0VERSION", 19)).damaged);
    EXPECT_TRUE(parse("just some notes\n").damaged);
    // Blank lines between cards, a byte-order mark and an empty file are fine.
    EXPECT_FALSE(parse("").damaged);
    EXPECT_FALSE(parse("\xEF\xBB\xBF" "BEGIN:VCARD\nVERSION:3.0\nFN:A\nEND:VCARD\n\n\nBEGIN:VCARD\nFN:B\nEND:VCARD")
                     .damaged);
    // A nested 2.1 agent card stays inside its owner.
    const Document agent = parse("BEGIN:VCARD\nVERSION:2.1\nAGENT:\nBEGIN:VCARD\nFN:Agent\nEND:VCARD\nFN:Owner\nEND:VCARD\n");
    EXPECT_FALSE(agent.damaged);
    EXPECT_EQ(text(*card(agent, 0).find("FN"), "2.1"), "Owner");
}

TEST_F(VCardTest, ChangedLinesAreWrittenForTheirVersionAndOthersKeepTheirBytes) {
    const std::string bytes = corpus("v30-folded-groups.vcf");
    Document d = parse(bytes);
    Card& c = d.segments[0].card;
    Property* fn = c.find("FN");
    setText(*fn, "Anna Lindqvist, PhD; Export", "3.0");
    c.changed = true;
    const std::string out = d.text();
    EXPECT_NE(out.find("FN:Anna Lindqvist\\, PhD\\; Export\r\n"), std::string::npos);
    // Only that line differs.
    std::string expected = bytes;
    const std::string old = "FN:Dr. Anna Maria Lindqvist\r\n";
    expected.replace(expected.find(old), old.size(), "FN:Anna Lindqvist\\, PhD\\; Export\r\n");
    EXPECT_EQ(out, expected);
}

TEST_F(VCardTest, LongLinesFoldWithoutSplittingCharactersOrEncodedBytes) {
    Property p;
    p.name = "NOTE";
    const std::string note(40, 'x');
    std::string chinese;
    for (int i = 0; i < 30; ++i) chinese += "傳";
    setText(p, note + chinese, "4.0");
    const std::string line = writeLine(p, "4.0", "\r\n");
    size_t start = 0;
    while (start < line.size()) {
        const size_t end = line.find("\r\n", start);
        EXPECT_LE(end - start, 75u);
        // A continuation never starts inside a UTF-8 sequence.
        const unsigned char first = static_cast<unsigned char>(line[start == 0 ? 0 : start + 1]);
        EXPECT_NE(first & 0xC0, 0x80);
        start = end + 2;
    }
    Document round = parse("BEGIN:VCARD\r\nVERSION:4.0\r\n" + line + "END:VCARD\r\n");
    EXPECT_EQ(text(*card(round, 0).find("NOTE"), "4.0"), note + chinese);

    // 2.1 writes non-ASCII as UTF-8 quoted-printable with soft breaks between "=XX" triples.
    Property q;
    q.name = "FN";
    setText(q, chinese, "2.1");
    EXPECT_TRUE(q.isQuotedPrintable());
    const std::string qline = writeLine(q, "2.1", "\r\n");
    Document qround = parse("BEGIN:VCARD\r\nVERSION:2.1\r\n" + qline + "END:VCARD\r\n");
    EXPECT_EQ(text(*card(qround, 0).find("FN"), "2.1"), chinese);
}

// Whatever bytes a line holds (stray UTF-8 continuation bytes, a CR, long
// runs of blanks), its folded form reads back to the same parameters and
// value, with either line end.
TEST_F(VCardTest, FoldedLinesReadBackWhateverBytesTheyHold) {
    for (const std::string eol : {"\n", "\r\n"}) {
        Property p;
        p.name = "NOTE";
        p.params.push_back({"X-ODD", {"a\r" + std::string(90, '\xa1') + "b"}});
        p.value = std::string(69, 'v') + "\r" + std::string(100, ' ') + "w\rx" + std::string(80, ' ');
        const std::string line = writeLine(p, "4.0", eol);
        size_t pieces = 0;
        for (size_t at = line.find('\n'); at != std::string::npos; at = line.find('\n', at + 1)) ++pieces;
        EXPECT_LE(pieces, 6u) << "stray bytes do not fold one by one";
        Document d = parse("BEGIN:VCARD" + eol + "VERSION:4.0" + eol + line + "END:VCARD" + eol);
        const Property* back = card(d, 0).find("NOTE");
        ASSERT_NE(back, nullptr) << line;
        EXPECT_EQ(back->value, p.value);
        ASSERT_EQ(back->params.size(), 1u);
        EXPECT_EQ(back->params[0].values, p.params[0].values);
    }
}

TEST_F(VCardTest, AQuotedPrintableLineWithALongHeaderBreaksOnlyInItsValue) {
    Property p;
    p.name = "FN";
    p.params.push_back({"X-A-VERY-LONG-PARAMETER-NAME-THAT-FILLS-THE-LINE", {"SOME-VALUE-TOO"}});
    setText(p, "陳美玲 and a tail long enough to need a soft break", "2.1");
    const std::string line = writeLine(p, "2.1", "\r\n");
    EXPECT_NE(line.find("QUOTED-PRINTABLE:"), std::string::npos) << line;
    Document d = parse("BEGIN:VCARD\r\nVERSION:2.1\r\n" + line + "END:VCARD\r\n");
    EXPECT_EQ(text(*card(d, 0).find("FN"), "2.1"), "陳美玲 and a tail long enough to need a soft break");
}

TEST_F(VCardTest, QuotedPrintableCodec) {
    EXPECT_EQ(decodeQuotedPrintable("a=3Db=\xff=4"), "a=b=\xff=4");
    EXPECT_EQ(encodeQuotedPrintable("x=y \n"), "x=3Dy=20=0D=0A");
    EXPECT_EQ(decodeQuotedPrintable(encodeQuotedPrintable("\x01\x80 end ")), "\x01\x80 end ");
}

TEST_F(VCardTest, UnknownCharsetIsReadAsUtf8AndBadBytesBecomeQuestionMarks) {
    EXPECT_EQ(toUtf8("caf\xc3\xa9", "X-NO-SUCH-CHARSET"), "café");
    EXPECT_EQ(toUtf8("ok\xff", ""), "ok?");
}

// A value holding a NUL (a decoded "=00") is written without it in every
// version: a NUL in the file would make all of its cards unreadable.
TEST_F(VCardTest, AWrittenValueNeverPutsANulInTheFile) {
    const std::string bytes = "BEGIN:VCARD\r\nVERSION:2.1\r\nN;ENCODING=QUOTED-PRINTABLE:Lee=00x;Ann\r\nEND:VCARD\r\n";
    Document read = parse(bytes);
    const std::vector<std::string> name = components(*card(read, 0).find("N"), "2.1");
    ASSERT_EQ(name.front(), std::string("Lee\0x", 5));
    for (const char* version : {"2.1", "3.0", "4.0"}) {
        Property p;
        p.name = "N";
        setComponents(p, name, version);
        const std::string line = writeLine(p, version, "\r\n");
        EXPECT_EQ(line.find('\0'), std::string::npos) << version;
        Document again = parse(std::string("BEGIN:VCARD\r\nVERSION:") + version + "\r\n" + line + "END:VCARD\r\n");
        ASSERT_FALSE(again.segments.empty()) << version;
        ASSERT_TRUE(again.segments.front().isCard && again.segments.front().card.complete) << version << ": " << line;
        EXPECT_EQ(components(*card(again, 0).find("N"), version).front(), "Leex") << version;
    }
}

// A line rewritten with parameters that cannot be written back as they were
// read (a quote in a parameter name, a colon in a 2.1 value) still reads back
// with its new value: those parameters are left out, the others kept.
TEST_F(VCardTest, ARewrittenLineKeepsItsValueWhateverItsParametersHeld) {
    const std::string bytes = "BEGIN:VCARD\r\nVERSION:2.1\r\n"
                              "FN;HOME;X-\"Q=1\";X-KEEP=yes;X-V=\"e:f\":Old\r\n"
                              "END:VCARD\r\n";
    for (const char* version : {"2.1", "3.0"}) {
        Document d = parse(bytes);
        Card& c = d.segments[0].card;
        Property* fn = c.find("FN");
        ASSERT_TRUE(fn);
        setText(*fn, "New name", version);
        const std::string line = writeLine(*fn, version, "\r\n");
        Document again = parse(std::string("BEGIN:VCARD\r\nVERSION:") + version + "\r\n" + line + "END:VCARD\r\n");
        const Property* back = card(again, 0).find("FN");
        ASSERT_TRUE(back) << version << ": " << line;
        EXPECT_EQ(text(*back, version), "New name") << line;
        EXPECT_NE(line.find("HOME"), std::string::npos) << line;
        EXPECT_NE(line.find("X-KEEP=yes"), std::string::npos) << line;
    }
}

namespace {

// The reader keeps the storage of one card's lines for the next: nothing of a
// longer, richer card may show through in a shorter one read after it.
TEST_F(VCardTest, ACardReadAfterARicherOneShowsOnlyItsOwnLines) {
    const std::string file = "BEGIN:VCARD\r\nVERSION:3.0\r\nitem1.TEL;TYPE=WORK,FAX;X-A=\"p;q\":+1 2\r\n"
                             "N:Doe;Jane;;;\r\nEMAIL;TYPE=INTERNET,PREF:jane@example.com\r\nEND:VCARD\r\n"
                             "BEGIN:VCARD\r\nVERSION:3.0\r\nTEL;CELL:5\r\nNOTE:a\\, b\\nc\r\nEND:VCARD\r\n"
                             "BEGIN:VCARD\r\nVERSION:3.0\r\nTEL:7\r\nbroken line\r\nEND:VCARD\r\n";
    std::vector<std::vector<Property>> seen;
    const ScanResult r = scan(file, [&](const Span&, Card* c) {
        if (c) seen.push_back(c->lines);
    });
    EXPECT_FALSE(r.damaged);
    ASSERT_EQ(seen.size(), 3u);
    ASSERT_EQ(seen[0].size(), 6u);
    EXPECT_EQ(seen[0][2].group, "item1");
    ASSERT_EQ(seen[0][2].params.size(), 2u);
    EXPECT_EQ(seen[0][2].params[0].values, (std::vector<std::string>{"WORK", "FAX"}));
    EXPECT_EQ(seen[0][2].params[1].values, (std::vector<std::string>{"p;q"}));
    ASSERT_EQ(seen[1].size(), 5u);
    const Property& tel = seen[1][2];
    EXPECT_TRUE(tel.group.empty());
    ASSERT_EQ(tel.params.size(), 1u);
    EXPECT_TRUE(tel.params[0].name.empty());
    EXPECT_EQ(tel.params[0].values, (std::vector<std::string>{"CELL"}));
    EXPECT_TRUE(tel.hasType("cell") && !tel.hasType("fax"));
    EXPECT_EQ(text(seen[1][3], "3.0"), "a, b\nc");
    EXPECT_EQ(seen[1][4].raw, "END:VCARD\r\n");
    ASSERT_EQ(seen[2].size(), 5u);
    EXPECT_TRUE(seen[2][2].params.empty());
    EXPECT_TRUE(seen[2][3].opaque);
    EXPECT_TRUE(seen[2][3].params.empty() && seen[2][3].name.empty());
    EXPECT_EQ(seen[2][3].raw, "broken line\r\n");
    EXPECT_EQ(components(seen[0][3], "3.0"), (std::vector<std::string>{"Doe", "Jane", "", "", ""}));
}

} // namespace
