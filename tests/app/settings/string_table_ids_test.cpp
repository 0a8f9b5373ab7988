#include "platform/string_table.h"
#include "strings/strings.h"

#include <cstdlib>
#include <gtest/gtest.h>
#include <set>

TEST(ProgramStrings, EveryNamedIdIsInTheTable) {
    std::set<int> named;
#define CHECK_ID(name, value)                                                              \
    EXPECT_TRUE(lisotrex::stringTable().contains(value)) << #name " (" << value << ")";   \
    EXPECT_TRUE(named.insert(value).second) << "two names for " << value;
    LISOTREX_STRING_IDS(CHECK_ID)
#undef CHECK_ID
    EXPECT_EQ(named.size(), lisotrex::stringTable().size()) << "every table entry has a name";
}

TEST(ProgramStrings, TextsAreExact) {
    using namespace lisotrex::ids;
    EXPECT_EQ(lisotrex::text(IDS_FORMAT_ERROR), "檔案格式錯誤。");
    EXPECT_EQ(lisotrex::text(7007), "已達最大可讀取數。 \n通訊錄讀取失敗。 ");
    EXPECT_EQ(lisotrex::text(57345), std::string(20, ' '));
    EXPECT_EQ(lisotrex::text(5015), "%d / %d");
    EXPECT_EQ(lisotrex::text(6044), "儲存變更至 %1?");
}

// Texts in the system code page follow the code page, also when it changes
// while the program runs.
TEST(ProgramStrings, SystemTextsFollowTheCodePage) {
    using namespace lisotrex::ids;
    setenv("VELMO_CODEPAGE", "UTF-8", 1);
    EXPECT_EQ(lisotrex::systemText(IDS_FORMAT_ERROR), "檔案格式錯誤。");
    setenv("VELMO_CODEPAGE", "CP950", 1);
    const std::string big5 = lisotrex::systemText(IDS_FORMAT_ERROR);
    EXPECT_EQ(big5, "\xc0\xc9\xae\xd7\xae\xe6\xa6\xa1\xbf\xf9\xbb\x7e\xa1\x43");
    EXPECT_EQ(lisotrex::systemText(IDS_FORMAT_ERROR), big5);
    setenv("VELMO_CODEPAGE", "UTF-8", 1);
    EXPECT_EQ(lisotrex::systemText(IDS_FORMAT_ERROR), "檔案格式錯誤。");
    unsetenv("VELMO_CODEPAGE");
}
