#include "model/entry.h"

#include <gtest/gtest.h>
#include <string>

using lisotrex::CAddrUserDataObj;

namespace {

CAddrUserDataObj named(const char* name) { return CAddrUserDataObj(0, name, "", "123", "", 0, 0, false); }

} // namespace

TEST(Entry, DefaultsAndTruncation) {
    CAddrUserDataObj e(7);
    EXPECT_EQ(e.m_nOneTouch, 7);
    EXPECT_EQ(e.m_bChecked, 1u);
    EXPECT_EQ(e.m_bUpdated, 0u);
    // Texts longer than their buffers are cut, never overrun.
    CAddrUserDataObj big(1, std::string(300, 'n'), std::string(100, 'r'), std::string(400, 'd'),
                         std::string(256, 'p'), 5, 0, true);
    EXPECT_EQ(std::string(big.m_szName).size(), 127u);
    EXPECT_EQ(std::string(big.m_szReading).size(), 63u);
    EXPECT_EQ(std::string(big.m_szDestination).size(), 255u);
    EXPECT_EQ(std::string(big.m_szDepartment).size(), 255u);
    EXPECT_EQ(big.m_bUpdated, 1u);
}

TEST(Entry, SameEntryNeedsNameAndType) {
    CAddrUserDataObj fax(0, "Lin", "", "1", "A", 0, 0, false), mail(1, "Lin", "", "x@y", "A", 0, 0, false);
    CAddrUserDataObj other(0, "Lin", "", "999", "B", 3, 0, false), lower(0, "lin", "", "1", "A", 0, 0, false);
    EXPECT_FALSE(fax.isSameEntry(mail));
    EXPECT_TRUE(fax.isSameEntry(other));
    EXPECT_FALSE(fax.isSameEntry(lower));
}

TEST(Entry, TakeDestinationAndOneTouchMarkOnlyRealChanges) {
    CAddrUserDataObj a(0, "A", "", "1", "D", 0, 4, false), same(0, "B", "", "1", "D", 0, 0, false);
    a.takeDestination(same);
    a.setOneTouch(4);
    EXPECT_EQ(a.m_bUpdated, 0u);
    CAddrUserDataObj deptOnly(0, "B", "", "1", "E", 0, 0, false);
    a.takeDestination(deptOnly);
    EXPECT_EQ(a.m_bUpdated, 1u);
    EXPECT_STREQ(a.m_szDepartment, "E");
    CAddrUserDataObj b(0, "A", "", "1", "D", 0, 4, false);
    b.setOneTouch(5);
    EXPECT_EQ(b.m_bUpdated, 1u);
}

TEST(Entry, TextSortKeys) {
    using lisotrex::kSortName;
    CAddrUserDataObj empty = named(""), a = named("a"), b = named("b"), ab = named("ab");
    // Empty texts: the sign turns with the direction, so both orders put them last.
    EXPECT_EQ(empty.compareByKey(a, kSortName, 0), 1);
    EXPECT_EQ(a.compareByKey(empty, kSortName, 0), -1);
    EXPECT_EQ(empty.compareByKey(a, kSortName, 1), -1);
    EXPECT_EQ(a.compareByKey(empty, kSortName, 1), 1);
    EXPECT_EQ(empty.compareByKey(named(""), kSortName, 0), 0);
    for (int dir : {0, 1}) {
        EXPECT_TRUE(lisotrex::sortsBefore(a, empty, kSortName, dir)) << dir;
        EXPECT_FALSE(lisotrex::sortsBefore(empty, a, kSortName, dir)) << dir;
    }
    // Present texts compare the same in both directions; the order step turns them.
    EXPECT_LT(a.compareByKey(b, kSortName, 0), 0);
    EXPECT_LT(a.compareByKey(b, kSortName, 1), 0);
    EXPECT_TRUE(lisotrex::sortsBefore(a, b, kSortName, 0));
    EXPECT_TRUE(lisotrex::sortsBefore(b, a, kSortName, 1));
    // Equal texts never compare equal: equal lengths count as greater.
    EXPECT_EQ(a.compareByKey(named("a"), kSortName, 0), 1);
    EXPECT_EQ(a.compareByKey(named("a"), kSortName, 1), 1);
    EXPECT_NE(ab.compareByKey(a, kSortName, 0), 0);
}

TEST(Entry, NumberAndMarkSortKeys) {
    using lisotrex::kSortAccessCode;
    CAddrUserDataObj none(0, "x", "", "1", "", 0, 0, false), five(0, "x", "", "1", "", 5, 0, true),
        nine(0, "x", "", "1", "", 9, 0, false);
    EXPECT_EQ(none.compareByKey(five, kSortAccessCode, 0), 1);
    EXPECT_EQ(none.compareByKey(five, kSortAccessCode, 1), -1);
    EXPECT_EQ(none.compareByKey(none, kSortAccessCode, 1), 0);
    for (int dir : {0, 1}) {
        EXPECT_TRUE(lisotrex::sortsBefore(five, none, kSortAccessCode, dir)) << dir;
        EXPECT_TRUE(lisotrex::sortsBefore(nine, none, kSortAccessCode, dir)) << dir;
    }
    EXPECT_LT(five.compareByKey(nine, kSortAccessCode, 0), 0);
    EXPECT_TRUE(lisotrex::sortsBefore(nine, five, kSortAccessCode, 1));
    // Marked entries first when ascending, last when descending.
    EXPECT_EQ(five.compareByKey(nine, lisotrex::kSortUpdated, 0), -1);
    EXPECT_TRUE(lisotrex::sortsBefore(five, nine, lisotrex::kSortUpdated, 0));
    EXPECT_TRUE(lisotrex::sortsBefore(nine, five, lisotrex::kSortUpdated, 1));
}
