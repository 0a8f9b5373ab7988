#include "platform/string_table.h"
#include "strings/strings.h"

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
