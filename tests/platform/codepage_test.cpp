#include "platform/codepage.h"

#include <cstdlib>
#include <gtest/gtest.h>

using namespace platform;

class CodePageTest : public testing::Test {
protected:
    void TearDown() override { unsetenv("VELMO_CODEPAGE"); }
};

TEST_F(CodePageTest, SystemCodePageComesFromTheEnvironment) {
    setenv("VELMO_CODEPAGE", "CP950", 1);
    EXPECT_EQ(systemCodePage(), "CP950");
    EXPECT_FALSE(systemCodePageIsUtf8());
    unsetenv("VELMO_CODEPAGE");
    // Under the test runner's locale (C or a UTF-8 one) the code page is UTF-8.
    EXPECT_TRUE(systemCodePageIsUtf8());
}

TEST_F(CodePageTest, ChineseAndJapaneseRoundTrip) {
    setenv("VELMO_CODEPAGE", "CP950", 1);
    std::string big5 = utf8ToSystem("設定檔案");
    EXPECT_EQ(big5, "\xb3\x5d\xa9\x77\xc0\xc9\xae\xd7");
    EXPECT_EQ(systemToUtf8(big5), "設定檔案");
    EXPECT_EQ(systemToUtf16(big5), u"設定檔案");
    EXPECT_EQ(utf16ToSystem(u"設定"), "\xb3\x5d\xa9\x77");

    setenv("VELMO_CODEPAGE", "CP932", 1);
    std::string sjis = utf8ToSystem("[第1優先ファクス]");
    EXPECT_EQ(systemToUtf8(sjis), "[第1優先ファクス]");
}

TEST_F(CodePageTest, UnmappableCharactersBecomeTheReplacement) {
    setenv("VELMO_CODEPAGE", "CP950", 1);
    bool lossless = true;
    // Hiragana "あ" exists in CP950, the emoji does not; Korean "한" neither.
    EXPECT_EQ(utf16ToSystem(u"A한B", '-', &lossless), "A-B");
    EXPECT_FALSE(lossless);
    EXPECT_EQ(utf8ToSystem("x😀y", '-'), "x-y");
    setenv("VELMO_CODEPAGE", "ASCII", 1);
    EXPECT_EQ(utf8ToSystem("東京", '-'), "--");
}

// A code page iconv does not know leaves the bytes as they are and says the
// conversion lost something, the second time as the first.
TEST_F(CodePageTest, AnUnknownCodePageKeepsTheBytesAndSaysSo) {
    for (int round = 0; round < 2; ++round) {
        bool lossless = true;
        EXPECT_EQ(convertCodePage("\xa4\xa4", "NO-SUCH-PAGE", "UTF-8", '?', &lossless), "\xa4\xa4");
        EXPECT_FALSE(lossless);
    }
    EXPECT_EQ(convertCodePage("\xa4\xa4", "CP950", "UTF-8", '?'), "中");
}

TEST_F(CodePageTest, Utf8DecodingReplacesBrokenSequences) {
    EXPECT_EQ(utf8ToUtf32("a\xe9\x99\xb3"), U"a陳");
    EXPECT_EQ(utf8ToUtf32("a\xe9\x99"), U"a\uFFFD\uFFFD");
    EXPECT_EQ(utf32ToUtf8(U"陳😀"), "陳😀");
}

TEST_F(CodePageTest, LocaleCompareOrdersAndFindsEquality) {
    EXPECT_LT(compareLocale("Alpha", "Beta"), 0);
    EXPECT_GT(compareLocale("b", "a"), 0);
    EXPECT_EQ(compareLocale("same", "same"), 0);
    EXPECT_LT(compareLocale("", "a"), 0);
}

TEST_F(CodePageTest, CollationKeysOrderLikeTheComparison) {
    std::vector<std::string> texts = {"beta", "Alpha", "alpha", "", "陳", "Zed", "a b", "ab"};
    for (const auto& a : texts)
        for (const auto& b : texts) {
            int keyOrder = collationKey(a) < collationKey(b) ? -1 : collationKey(b) < collationKey(a) ? 1 : 0;
            EXPECT_EQ(keyOrder, compareLocale(a, b)) << a << " / " << b;
        }
}

TEST_F(CodePageTest, CaseFolding) {
    EXPECT_EQ(foldCaseUtf8("Software\\Velmo"), "SOFTWARE\\VELMO");
    EXPECT_EQ(foldCaseUtf8("設定"), "設定");
    // ASCII folds the same alone as next to other characters, NUL and all.
    EXPECT_EQ(foldCaseUtf8(std::string("a\0z~{", 5)), std::string("A\0Z~{", 5));
    const std::string mixed = foldCaseUtf8("azAZ09_[]設定");
    EXPECT_EQ(mixed.substr(0, 9), "AZAZ09_[]");
    EXPECT_EQ(mixed.substr(9), "設定");
    // Letters beyond ASCII fold too (two, three and four bytes long); a byte
    // that starts no whole character becomes U+FFFD, the bytes after it kept.
    EXPECT_EQ(foldCaseUtf8("\xC3\xA4\xC3"), "\xC3\x84\xEF\xBF\xBD");
    EXPECT_EQ(foldCaseUtf8("\xE1\xBA\xA1x\xF0\x90\x90\xA8"), "\xE1\xBA\xA0X\xF0\x90\x90\x80");
    EXPECT_EQ(foldCaseUtf8("\xE2\x82" "a\x80"), "\xEF\xBF\xBD\xEF\xBF\xBD" "A\xEF\xBF\xBD");
    EXPECT_EQ(foldCaseUtf8("\xC3\xA4"), utf32ToUtf8(U"\u00C4"));
    EXPECT_TRUE(equalsIgnoreAsciiCase("Lotus Notes", "LOTUS notes"));
    EXPECT_FALSE(equalsIgnoreAsciiCase("Lotus", "Lotus "));
}
