#include "convert/conversion.h"

#include "strings/string_ids.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <utility>

using namespace lisotrex;

namespace {

struct LogLines : RecordLog {
    std::vector<std::pair<int, int>> lines;
    bool fail = false;
    bool writeLine(int number, int id) override {
        if (fail) return false;
        lines.emplace_back(number, id);
        return true;
    }
};

} // namespace

TEST(ConversionRules, NameOrdersAndSeparators) {
    Conversion c;
    c.settings.nameSeq = 0;
    EXPECT_EQ(c.buildName("G", "S"), "S G");
    c.settings.nameSeq = 1;
    EXPECT_EQ(c.buildName("G", "S"), "S,G");
    c.settings.nameSeq = 2;
    EXPECT_EQ(c.buildName("G", "S"), "G S");
    for (int order : {0, 1, 2}) {
        c.settings.nameSeq = order;
        EXPECT_EQ(c.buildName("G", ""), "G") << order;
        EXPECT_EQ(c.buildName("", "S"), "S") << order;
    }
}

TEST(ConversionRules, NamesStayWithin127Bytes) {
    Conversion c;
    std::string given(100, 'g'), surname(100, 's');
    std::string name = c.buildName(given, surname);
    ASSERT_EQ(name.size(), 127u);
    EXPECT_EQ(name, given + " " + std::string(26, 's'));
    EXPECT_EQ(c.buildName(std::string(127, 'g'), "S"), std::string(127, 'g')) << "no room left for the separator";
    EXPECT_EQ(c.buildName(std::string(126, 'g'), "S"), std::string(126, 'g') + " ");
    EXPECT_EQ(c.nameFromDisplay(std::string(200, 'd')).size(), 127u);
}

TEST(ConversionRules, FaxNumbers) {
    Conversion c;
    c.settings.faxConvertType = 1;
    EXPECT_EQ(c.convertFax("+886 (2) 2345-6789 ext.12"), "88622345678912");
    EXPECT_EQ(c.convertFax("*9#p1R2 r3P4"), "*9#p1R2r3P4");
    c.settings.faxConvertType = 2;
    c.settings.outsideWireCode = "0,";
    EXPECT_EQ(c.convertFax("+886 (2) 2345-6789 ext.12"), "0,88622345678912");
    EXPECT_EQ(c.convertFax("n/a"), "") << "no lone prefix";
    c.settings.faxConvertType = 0;
    EXPECT_EQ(c.convertFax("(02) 1234"), "0,(02) 1234");
    EXPECT_EQ(c.convertFax(std::string(300, '1')).size(), 255u);
    c.settings.faxConvertType = 2;
    c.settings.outsideWireCode.clear();
    EXPECT_EQ(c.convertFax(std::string(250, 'x') + "1234567890"), "12345") << "the limit applies before the filter";
}

TEST(ConversionRules, ControlCharactersBecomeBlanksEverywhere) {
    // Runs of them, at both ends and across sixteen-byte stretches; high
    // bytes and DEL stay as they are.
    std::string text = std::string("\r\nLead") + std::string(14, 'x') + "\t\x01" + std::string(15, '\xa4') + "\x7f\x1f";
    text.push_back('\0');
    blankControlCharacters(text);
    EXPECT_EQ(text, "  Lead" + std::string(14, 'x') + "  " + std::string(15, '\xa4') + "\x7f  ");
    std::string none = "plain \xe9\x99\xb3 text";
    blankControlCharacters(none);
    EXPECT_EQ(none, "plain \xe9\x99\xb3 text");
}

// The scan looks at sixteen bytes at a time, a short text in one load and
// the end of a longer one again: every length and place must still be found.
TEST(ConversionRules, ControlCharactersFoundAtEveryLengthAndPlace) {
    for (size_t length = 1; length <= 40; ++length) {
        for (size_t at = 0; at <= length; ++at) { // at == length: none at all
            std::string text(length, 'a');
            if (at < length) text[at] = at % 2 ? '\x1f' : '\t';
            std::string expected(length, 'a');
            if (at < length) expected[at] = ' ';
            blankControlCharacters(text);
            EXPECT_EQ(text, expected) << "length " << length << ", control at " << at;
            // Control bytes left past a text's end (and its NUL) are not its own.
            std::string shortened(length, '\x01');
            std::fill_n(shortened.begin(), at, 'b');
            shortened.resize(at);
            blankControlCharacters(shortened);
            EXPECT_EQ(shortened, std::string(at, 'b'));
        }
    }
}

TEST(ConversionRules, EmailFormatCheck) {
    Conversion c;
    EXPECT_EQ(c.convertEmail("a@b.c"), "a@b.c");
    EXPECT_EQ(c.convertEmail("b.c@"), "b.c@") << "any order";
    EXPECT_EQ(c.convertEmail("no-at.example"), "");
    EXPECT_EQ(c.convertEmail("x@y"), "");
    EXPECT_EQ(c.convertEmail("a\x01@b.\xe9\x99\xb3" "c d"), "a@b.c d") << "controls and high bytes go, spaces stay";
    c.settings.emailConvertType = 0;
    EXPECT_EQ(c.convertEmail("no-at"), "no-at");
}

TEST(ConversionRules, DepartmentOrders) {
    Conversion c;
    const char* expected[] = {"Acme Sales", "Sales Acme", "Acme", "Sales"};
    for (int order = 0; order < 4; ++order) {
        c.settings.deptConvertType = order;
        EXPECT_EQ(c.buildDepartment("Acme", "Sales"), expected[order]);
    }
    c.settings.deptConvertType = 0;
    EXPECT_EQ(c.buildDepartment("", "Sales"), "Sales");
    EXPECT_EQ(c.buildDepartment("Acme", ""), "Acme");
}

TEST(ConversionRules, RecordWithoutFaxLogsButKeepsTheAddress) {
    Conversion c;
    LogLines log;
    ImportRecord r;
    r.givenName.assign("Ann");
    r.email.assign("ann@example.com");
    ImportedEntries out;
    EXPECT_EQ(c.recordToEntries(r, out, log), RecordOutcome::Done);
    ASSERT_EQ(out.size(), 1u);
    EXPECT_EQ(out[0]->m_nType, kEntryEmail);
    EXPECT_STREQ(out[0]->m_szName, "Ann");
    EXPECT_EQ(out[0]->m_bChecked, 1u);
    EXPECT_EQ(out[0]->m_bUpdated, 0u);
    EXPECT_EQ(log.lines, (std::vector<std::pair<int, int>>{{1, ids::IDS_LOG_NO_FAX1}}));
}

TEST(ConversionRules, RecordWithoutNameLogsOnly7000) {
    Conversion c;
    c.useFax2 = true;
    LogLines log;
    ImportRecord r;
    r.fax1.assign("123");
    ImportedEntries out;
    c.recordToEntries(r, out, log);
    c.recordToEntries(ImportRecord{}, out, log);
    EXPECT_TRUE(out.empty());
    EXPECT_EQ(log.lines, (std::vector<std::pair<int, int>>{{1, ids::IDS_LOG_NO_NAME}, {2, ids::IDS_LOG_NO_NAME}}));
}

TEST(ConversionRules, UnwantedDestinationsAreClearedAndNotMissed) {
    Conversion c;
    c.importFax = false;
    c.setFaxFields(true, true);
    LogLines log;
    ImportRecord r;
    r.givenName.assign("Bo");
    r.fax1.assign("555");
    r.email.assign("bo@example.com");
    ImportedEntries out;
    c.recordToEntries(r, out, log);
    ASSERT_EQ(out.size(), 1u);
    EXPECT_EQ(out[0]->m_nType, kEntryEmail);
    EXPECT_TRUE(log.lines.empty());

    c.importFax = true;
    c.importEmail = false;
    c.setFaxFields(true, false);
    out.clear();
    c.recordToEntries(r, out, log);
    ASSERT_EQ(out.size(), 1u);
    EXPECT_EQ(out[0]->m_nType, kEntryFax);
    EXPECT_EQ(log.lines, (std::vector<std::pair<int, int>>{{2, ids::IDS_LOG_NO_EMAIL}}));
}

TEST(ConversionRules, TwoFaxesAndMailInOrderUntilTheRoomIsFull) {
    Conversion c;
    c.setFaxFields(true, true);
    c.room = 2;
    LogLines log;
    ImportRecord r;
    r.givenName.assign("Cy");
    r.fax1.assign("1");
    r.fax2.assign("2");
    r.email.assign("c@y.z");
    ImportedEntries out;
    EXPECT_EQ(c.recordToEntries(r, out, log), RecordOutcome::NoRoom);
    ASSERT_EQ(out.size(), 2u);
    EXPECT_STREQ(out[0]->m_szDestination, "1");
    EXPECT_STREQ(out[1]->m_szDestination, "2");
    EXPECT_EQ(log.lines, (std::vector<std::pair<int, int>>{{1, ids::IDS_LOG_READ_LIMIT}}));
    // A full output refuses the next record outright.
    log.lines.clear();
    EXPECT_EQ(c.recordToEntries(r, out, log), RecordOutcome::NoRoom);
    EXPECT_EQ(out.size(), 2u);
    EXPECT_EQ(log.lines, (std::vector<std::pair<int, int>>{{2, ids::IDS_LOG_READ_LIMIT}}));
}

TEST(ConversionRules, LogFailureStopsTheRecord) {
    Conversion c;
    LogLines log;
    log.fail = true;
    ImportRecord r;
    r.givenName.assign("D");
    ImportedEntries out;
    EXPECT_EQ(c.recordToEntries(r, out, log), RecordOutcome::LogFailed);
    EXPECT_TRUE(out.empty());
}
