// The rules under the entry dialogs that need no window: fax number checks,
// the composed recipient name, group membership and the field limits.

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "fax_number.h"
#include "fax_strings.h"
#include "limited_text.h"
#include "membership.h"
#include "provider_fixture.h"

using namespace vqfax;

TEST(FaxNumberRules, AcceptDialStringsAndNameEachFault) {
    const std::string digits38(38, '7');
    std::string dashed;
    for (int i = 0; i < 38; ++i) dashed += i < 10 ? "-7" : "7";
    const struct {
        std::string number;
        int message;
    } cases[] = {
        {"", 0},
        {"02-2345-6789", 0},
        {"#*", 0},                       // dial marks only
        {"9,,0800^1234", 0},
        {"FAX-ROOM-12", 0},              // letters count like digits
        {digits38, 0},
        {dashed, 0},                     // 38 digits and ten dashes
        {digits38 + "1", kMsgFaxTooLong},
        {"(02) 2345 6789", kMsgFaxInvalidCharacter},
        {"02 2345", kMsgFaxInvalidCharacter},
        {"\xA4\x40", kMsgFaxInvalidCharacter}, // a double-byte character
        {"---", kMsgFaxNoDigits},
        {"-#", kMsgFaxNoDigits},
    };
    for (const auto& c : cases) EXPECT_EQ(checkFaxNumber(c.number), c.message) << c.number;
}

TEST(FaxNumberRules, ComposedNameJoinsTheGivenPartsWithSingleSpaces) {
    EXPECT_EQ(composeDisplayName("先生", "", "王", ""), "先生 王");
    EXPECT_EQ(composeDisplayName("", "Ada", "Lovelace", "女士"), "Ada Lovelace 女士");
    EXPECT_EQ(composeDisplayName("", "", "", ""), "");
}

namespace {

BookRow person(int32_t record, std::string primary, std::string secondary) {
    BookRow row;
    row.entryId = faxtest::makeId({-1, 4, record, 6});
    row.objectType = 6;
    row.name = "P" + std::to_string(record);
    row.primaryFax = std::move(primary);
    row.secondaryFax = std::move(secondary);
    return row;
}

BookRow group(int32_t record) {
    BookRow row;
    row.entryId = faxtest::makeId({-1, 4, INT32_MIN | record, 8});
    row.objectType = 8;
    row.name = "G" + std::to_string(record);
    return row;
}

// The same record seen through a group: other parent, numbers the group does not take emptied.
BookRow throughGroup(BookRow row, int32_t groupRecord, uint32_t flags) {
    row.entryId = faxtest::makeId({INT32_MIN | groupRecord, 8, faxtest::fieldsOf(row.entryId).record,
                                   faxtest::fieldsOf(row.entryId).kind});
    if (!(flags & 1)) row.primaryFax.clear();
    if (!(flags & 2)) row.secondaryFax.clear();
    return row;
}

} // namespace

TEST(GroupMembership, OpensFromTheGroupsRowsAndPlacesEachNumber) {
    const std::vector<BookRow> root = {person(1, "111", "112"), person(2, "221", ""), group(1), group(2),
                                       person(3, "", "332"), BookRow{}};
    const auto edited = recordKeyOf(root[3].entryId); // editing G2
    const std::vector<BookRow> members = {throughGroup(root[0], 2, 1), throughGroup(root[2], 2, 0)};
    Membership m;
    m.open(root, members, edited);
    ASSERT_EQ(m.original().size(), 2u);
    EXPECT_EQ(m.original()[0].flags, 1u);
    EXPECT_EQ(m.original()[1].flags, 0u);
    EXPECT_EQ(m.current().size(), 2u);

    // P1's secondary stays available, G1 is a member, the edited group and a row without identifier never show.
    EXPECT_EQ(memberDestinations(root, m, edited),
              (std::vector<Destination>{{0, kPrimaryDestination}, {2, kGroupDestination}}));
    EXPECT_EQ(availableDestinations(root, m, {}, edited),
              (std::vector<Destination>{{0, kSecondaryDestination}, {1, kPrimaryDestination},
                                        {4, kSecondaryDestination}}));
    EXPECT_EQ(availableDestinations(root, m, {false, true}, edited), std::vector<Destination>{});

    // Adding the secondary number keeps one node; taking both away drops it.
    m.add(root[0], kSecondaryDestination);
    EXPECT_EQ(m.flagsOf(root[0].entryId), 3u);
    EXPECT_EQ(m.count(), 2u);
    m.remove(root[0], kPrimaryDestination);
    m.remove(root[0], kSecondaryDestination);
    EXPECT_FALSE(m.flagsOf(root[0].entryId));
    m.remove(root[2], kGroupDestination);
    EXPECT_EQ(m.count(), 0u);
    m.add(root[4], kSecondaryDestination);
    EXPECT_EQ(m.flagsOf(root[4].entryId), 2u);
    EXPECT_EQ(m.original().size(), 2u); // what the group had stays known for the save
}

TEST(FieldLimits, CountBytesOfTheSystemCodePageAndKeepStoredBytes) {
    setenv("VELMO_CODEPAGE", "CP950", 1);
    EXPECT_TRUE(fitsLimit(QString::fromUtf8("王小明"), {85, 6}));
    EXPECT_FALSE(fitsLimit(QString::fromUtf8("王小明"), {85, 5}));     // six bytes
    EXPECT_FALSE(fitsLimit(QString::fromUtf8("abc"), {2, 128}));      // three characters
    EXPECT_FALSE(fitsLimit(QString::fromUtf8("ก"), {85, 128}));       // not in the code page
    EXPECT_EQ(systemBytes(QString::fromUtf8("傳真 1")), 6u);

    // A stored value the code page cannot show comes back unchanged when left alone.
    StoredText field;
    const std::string odd = "\x81\x30 x";
    const QString shown = field.show(odd);
    EXPECT_EQ(field.read(shown), odd);
    EXPECT_EQ(field.read(QString::fromUtf8("王")), "\xA4\xFD");
    StoredText absent;
    EXPECT_EQ(absent.read(absent.show(std::nullopt)), "");
    unsetenv("VELMO_CODEPAGE");
}
