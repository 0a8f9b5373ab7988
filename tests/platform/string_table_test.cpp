#include "platform/string_table.h"

#include <gtest/gtest.h>

using platform::StringTable;

TEST(StringTable, ParsesEscapesAndKeepsBlanks) {
    std::vector<std::string> errors;
    auto t = StringTable::parse("# comment\n\n6000\t檔案格式錯誤。\n7007\t已達最大可讀取數。 \\n通訊錄讀取失敗。 \n"
                                "5200\tNo.%d\\r\\n\n57345\t    \n9\ta\\\\b\\tc\n",
                                &errors);
    EXPECT_TRUE(errors.empty());
    EXPECT_EQ(t.text(6000), "檔案格式錯誤。");
    EXPECT_EQ(t.text(7007), "已達最大可讀取數。 \n通訊錄讀取失敗。 ");
    EXPECT_EQ(t.text(5200), "No.%d\r\n");
    EXPECT_EQ(t.text(57345), "    ");
    EXPECT_EQ(t.text(9), "a\\b\tc");
    EXPECT_EQ(t.ids(), (std::vector<int>{9, 5200, 6000, 7007, 57345}));
}

TEST(StringTable, ReportsBrokenLines) {
    std::vector<std::string> errors;
    auto t = StringTable::parse("x\ty\n12 no tab\n5\ta\n5\tb\n", &errors);
    EXPECT_EQ(errors.size(), 3u);
    EXPECT_EQ(t.size(), 1u);
}

TEST(StringTableDeathTest, AMissingIdStopsATestRun) {
    auto t = StringTable::parse("1\tone\n");
    EXPECT_DEATH(t.text(2), "string table lacks id 2");
}
