// The list's order without a window: filter and sort keys with the
// program's comparison, in n log n.

#include "model/entry.h"
#include "ui/list/view_order.h"

#include <gtest/gtest.h>

using namespace lisotrex;
using namespace lisotrex::ui;

namespace {

std::vector<std::unique_ptr<CAddrUserDataObj>> entries(std::initializer_list<std::tuple<const char*, int, int>> list) {
    std::vector<std::unique_ptr<CAddrUserDataObj>> out;
    for (auto [name, type, access] : list)
        out.push_back(std::make_unique<CAddrUserDataObj>(type, name, "", "1", "", access, 0, false));
    return out;
}

std::vector<std::string> names(const std::vector<std::unique_ptr<CAddrUserDataObj>>& es, const std::vector<size_t>& order) {
    std::vector<std::string> out;
    for (size_t p : order) out.push_back(es[p]->m_szName.c_str());
    return out;
}

} // namespace

TEST(ListOrder, FilterKeepsListOrder) {
    auto es = entries({{"a", 0, 0}, {"b", 1, 0}, {"c", 0, 0}});
    EXPECT_EQ(collectView(es, kFilterFax, 0, 0), (std::vector<size_t>{0, 2}));
    EXPECT_EQ(collectView(es, kFilterEmail, 0, 0), (std::vector<size_t>{1}));
    EXPECT_TRUE(collectView(es, 0, 0, 0).empty());
}

TEST(ListOrder, EmptyTextsAndMissingNumbersGoLastBothWays) {
    auto es = entries({{"", 0, 0}, {"beta", 0, 7}, {"Alpha", 0, 0}, {"gamma", 0, 3}});
    EXPECT_EQ(names(es, collectView(es, 3, kSortName, 0)), (std::vector<std::string>{"Alpha", "beta", "gamma", ""}));
    EXPECT_EQ(names(es, collectView(es, 3, kSortName, 1)), (std::vector<std::string>{"gamma", "beta", "Alpha", ""}));
    EXPECT_EQ(names(es, collectView(es, 3, kSortAccessCode, 0)), (std::vector<std::string>{"gamma", "beta", "", "Alpha"}));
    EXPECT_EQ(names(es, collectView(es, 3, kSortAccessCode, 1)), (std::vector<std::string>{"beta", "gamma", "", "Alpha"}));
}

TEST(ListOrder, MatchesThePairwiseComparison) {
    // Every adjacent pair of the sorted list is in the order sortsBefore gives.
    std::vector<std::unique_ptr<CAddrUserDataObj>> es;
    for (int i = 0; i < 300; ++i) {
        std::string n = i % 7 == 0 ? "" : std::string(1 + i % 3, static_cast<char>('a' + (i * 37) % 26));
        es.push_back(std::make_unique<CAddrUserDataObj>(0, n, "", std::to_string(i % 11), "", i % 5, i % 4, i % 2 == 0));
    }
    for (int key = kSortName; key <= kSortUpdated; ++key)
        for (int dir : {0, 1}) {
            std::vector<size_t> order = collectView(es, 3, key, dir);
            for (size_t i = 1; i < order.size(); ++i) {
                const auto &prev = *es[order[i - 1]], &cur = *es[order[i]];
                // Equal texts "compare as greater" both ways: any order of them is right.
                if (sortsBefore(cur, prev, key, dir) && sortsBefore(prev, cur, key, dir)) continue;
                EXPECT_FALSE(sortsBefore(cur, prev, key, dir)) << "key " << key << " dir " << dir << " at " << i;
            }
        }
}
