#include "failing_allocator.h"
#include "model/entry.h"

#include <gtest/gtest.h>
#include <cstring>
#include <new>
#include <string>
#include <vector>

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

// The texts live in one block per entry: copies, moves, setters and
// assignments must keep every text whole and independent of the source.
TEST(EntryTexts, CopiesMovesAndSettersKeepEveryTextWhole) {
    CAddrUserDataObj a(1, "Name", "Reading", "a@b.example", "Dept", 12, 3, true);
    CAddrUserDataObj copy(a);
    a.setName("Other");
    EXPECT_STREQ(copy.m_szName, "Name") << "a copy has its own texts";
    EXPECT_STREQ(copy.m_szReading, "Reading");
    EXPECT_STREQ(copy.m_szDestination, "a@b.example");
    EXPECT_STREQ(copy.m_szDepartment, "Dept");
    EXPECT_STREQ(a.m_szName, "Other");
    EXPECT_STREQ(a.m_szDepartment, "Dept") << "a setter keeps the other texts";

    CAddrUserDataObj moved(std::move(copy));
    EXPECT_STREQ(moved.m_szDestination, "a@b.example");
    EXPECT_EQ(moved.m_nAccessCode, 12);
    EXPECT_STREQ(copy.m_szName, "") << "a moved-from entry reads as empty, not as freed memory";

    moved = moved; // self-assignment leaves it as it was
    EXPECT_STREQ(moved.m_szName, "Name");
    a = moved;
    moved.setDepartment("");
    EXPECT_STREQ(a.m_szDepartment, "Dept");
    EXPECT_STREQ(moved.m_szDepartment, "");
    EXPECT_EQ(a.m_nOneTouch, 3);

    // A setter may be given the entry's own text.
    a.setDestination(a.m_szName);
    EXPECT_STREQ(a.m_szDestination, "Name");
    EXPECT_STREQ(a.m_szName, "Name");

    // A NUL ends a text as it ends a character array; limits count bytes.
    a.setName(std::string_view("ab\0cd", 5));
    EXPECT_STREQ(a.m_szName, "ab");
    a.setReading(std::string(64, 'r'));
    EXPECT_EQ(a.m_szReading.view().size(), 63u);
}

// Entries made with their texts in their own allocation (as books and
// imports make them) must behave as any other: their block is never taken
// by a move nor freed on its own, and a change gives them a block of their own.
TEST(EntryTexts, EntriesMadeInOneAllocationCopyMoveAndChangeLikeOthers) {
    auto made = CAddrUserDataObj::make(1, "Name", std::string(70, 'r'), "a@b.example", "", 12, 3, true);
    EXPECT_EQ(made->m_szReading.view().size(), 63u) << "limits apply as in the constructor";
    EXPECT_STREQ(made->m_szDepartment, "");
    EXPECT_EQ(made->m_nType, 1);
    EXPECT_EQ(made->m_nAccessCode, 12);
    EXPECT_EQ(made->m_nOneTouch, 3);
    EXPECT_EQ(made->m_bUpdated, 1u);

    CAddrUserDataObj moved(std::move(*made));
    EXPECT_STREQ(moved.m_szDestination, "a@b.example");
    EXPECT_STREQ(made->m_szName, "Name") << "a made entry's texts are copied, not taken";
    made->setName("Changed");
    EXPECT_STREQ(moved.m_szName, "Name");
    EXPECT_STREQ(made->m_szName, "Changed");
    EXPECT_STREQ(made->m_szDestination, "a@b.example");

    auto other = CAddrUserDataObj::make(moved);
    EXPECT_TRUE(other->sameValues(moved));
    EXPECT_EQ(other->m_bChecked, moved.m_bChecked);
    CAddrUserDataObj target(0, "T", "", "1", "D", 0, 0, false);
    target = std::move(*other);
    EXPECT_STREQ(target.m_szName, "Name");
    *other = std::move(target); // a made entry takes an owned block
    EXPECT_STREQ(other->m_szDestination, "a@b.example");
    other.reset();

    // Many entries with every text empty or full, freed in any order.
    std::vector<std::unique_ptr<CAddrUserDataObj>> many;
    for (int i = 0; i < 50; ++i)
        many.push_back(i % 2 ? CAddrUserDataObj::make(0, "", "", "", "", 0, i, false)
                             : CAddrUserDataObj::make(0, std::string(200, 'n'), std::string(80, 'r'),
                                                      std::string(300, 'd'), std::string(300, 'p'), 0, i, false));
    EXPECT_STREQ(many[1]->m_szName, "");
    EXPECT_EQ(many[0]->m_szDepartment.view(), std::string(255, 'p'));
    many.erase(many.begin() + 10, many.begin() + 20);
}

TEST(EntryTexts, MemoryRunningOutLeavesTheEntryAsItWas) {
    CAddrUserDataObj a(0, "Name", "", "123", "Dept", 0, 0, false);
    const CAddrUserDataObj b(0, "Other", "", "456", "Sales", 7, 0, false);
    velmo::test::failAllocationAfter(0);
    EXPECT_THROW(a.takeDestination(b), std::bad_alloc);
    velmo::test::failAllocationAfter(0);
    EXPECT_THROW(a = b, std::bad_alloc);
    velmo::test::failAllocationAfter(-1);
    EXPECT_STREQ(a.m_szName, "Name");
    EXPECT_STREQ(a.m_szDestination, "123");
    EXPECT_STREQ(a.m_szDepartment, "Dept");
    EXPECT_EQ(a.m_nAccessCode, 0);
    EXPECT_EQ(a.m_bUpdated, 0u);
}

// A text's length comes from where the next one starts: every mix of empty
// and filled texts, made, copied and changed, reads back whole and no longer.
TEST(EntryTexts, EveryMixOfEmptyTextsReadsBackWhole) {
    const std::string filled[4] = {"Name", "Rd", "02-1234", "Sales dept"};
    for (unsigned mask = 0; mask < 16; ++mask) {
        SCOPED_TRACE(mask);
        std::string t[4];
        for (int i = 0; i < 4; ++i) t[i] = mask & (1u << i) ? filled[i] : "";
        auto check = [&](const CAddrUserDataObj& e) {
            EXPECT_EQ(e.m_szName.view(), t[0]);
            EXPECT_EQ(e.m_szReading.view(), t[1]);
            EXPECT_EQ(e.m_szDestination.view(), t[2]);
            EXPECT_EQ(e.m_szDepartment.view(), t[3]);
            EXPECT_EQ(std::string_view(e.m_szName).size(), std::strlen(e.m_szName.c_str()));
        };
        auto made = CAddrUserDataObj::make(lisotrex::kEntryFax, t[0], t[1], t[2], t[3], 0, 0, false);
        check(*made);
        CAddrUserDataObj plain(lisotrex::kEntryFax, t[0], t[1], t[2], t[3], 0, 0, false);
        check(plain);
        CAddrUserDataObj copy(*made);
        check(copy);
        // A text made longer or shorter moves the ones after it.
        t[1] = mask & 1 ? "A longer reading" : "";
        copy.setReading(t[1]);
        check(copy);
        t[0] = "N";
        copy.setName(t[0]);
        check(copy);
    }
}

// Texts the readers already cleaned are only cut to their limits: the entry
// is the one make gives for them, at every length around the limits.
TEST(EntryTexts, MadeFromCleanTextsAsMakeMakesThem) {
    for (size_t length : {0u, 1u, 126u, 127u, 128u, 254u, 255u, 256u, 400u}) {
        SCOPED_TRACE(length);
        const std::string name(length, 'n'), destination(length, 'd'), department(length, 'p');
        for (bool emptyDestination : {false, true}) {
            const std::string_view dest = emptyDestination ? std::string_view() : std::string_view(destination);
            auto clean = CAddrUserDataObj::makeFromCleanTexts(1, name, dest, department, 9, 4, true);
            auto made = CAddrUserDataObj::make(1, name, "", dest, department, 9, 4, true);
            EXPECT_EQ(clean->m_szName.view(), made->m_szName.view());
            EXPECT_EQ(clean->m_szReading.view(), "");
            EXPECT_EQ(clean->m_szDestination.view(), made->m_szDestination.view());
            EXPECT_EQ(clean->m_szDepartment.view(), made->m_szDepartment.view());
            EXPECT_EQ(std::strlen(clean->m_szDepartment.c_str()), clean->m_szDepartment.view().size());
            EXPECT_TRUE(clean->sameValues(*made));
            EXPECT_EQ(clean->m_nType, 1);
            EXPECT_EQ(clean->m_nAccessCode, 9);
            EXPECT_EQ(clean->m_nOneTouch, 4);
            EXPECT_EQ(clean->m_bUpdated, 1u);
            EXPECT_EQ(clean->m_bChecked, 1u);
        }
    }
}
