// The selection model over a real session on the test provider: rows per
// address, the address rules, list expansion, duplicates, capacity, order,
// search, the information box, and the records the choice becomes.

#include <algorithm>
#include <cstring>

#include "platform/codepage.h"
#include "selection/list_expansion.h"
#include "selection/record_io.h"
#include "session_fixture.h"

using namespace vqbridge;
using namespace bridgetest;

namespace {

std::vector<size_t> rowsNamed(const RecipientSelection& s, const std::string& name) {
    std::vector<size_t> out;
    for (size_t i = 0; i < s.rows().size(); ++i)
        if (s.rows()[i].name == name) out.push_back(i);
    return out;
}

const EntryRow& rowNamed(const RecipientSelection& s, const std::string& name, AddressKind kind) {
    for (const EntryRow& r : s.rows())
        if (r.name == name && r.addressKind == kind) return r;
    static const EntryRow none;
    ADD_FAILURE() << name;
    return none;
}

std::vector<std::string> itemTexts(const RecipientSelection& s) {
    std::vector<std::string> out;
    for (size_t i = 0; i < s.importList().size(); ++i) out.push_back(s.itemText(i));
    return out;
}

class Selection : public SessionTest {};

} // namespace

TEST_F(Selection, ContainerTreeFollowsTheHierarchyAndFindsPaths) {
    openBook();
    RecipientSelection s = selection();
    s.loadContainers();
    ASSERT_EQ(s.containers().size(), 3u);
    EXPECT_EQ(s.containers()[0].name, "通訊錄");
    EXPECT_EQ(s.containers()[0].parent, -1);
    EXPECT_EQ(s.containers()[1].name, "Sales");
    EXPECT_EQ(s.containers()[1].parent, 0);
    EXPECT_EQ(s.containers()[2].name, "East");
    EXPECT_EQ(s.containers()[2].parent, 1);
    EXPECT_EQ(nodeOfPath(s.containers(), "通訊錄/Sales/East"), 2);
    EXPECT_EQ(nodeOfPath(s.containers(), "Sales"), -1) << "paths start at a top-level container";
    EXPECT_EQ(nodeOfPath(s.containers(), "通訊錄/East"), -1);
    EXPECT_EQ(s.defaultContainer(), 1) << "the first container that holds recipients";
}

TEST_F(Selection, RowsFollowTheAddressRules) {
    openBook();
    RecipientSelection s = showing("通訊錄/Sales");
    // A contact with a primary fax, a business fax and an e-mail address: three rows.
    ASSERT_EQ(rowsNamed(s, "Ann Lee").size(), 3u);
    const EntryRow& business = rowNamed(s, "Ann Lee", AddressKind::BusinessFax);
    EXPECT_EQ(business.address, "02-2222-0000");
    EXPECT_EQ(business.texts.first, "AnnB1");
    EXPECT_EQ(business.texts.third, "AnnB3");
    EXPECT_EQ(business.company, "Acme");
    EXPECT_EQ(rowNamed(s, "Ann Lee", AddressKind::PrimaryFax).texts.first, "") << "only home and business keep texts";
    EXPECT_EQ(rowNamed(s, "Ann Lee", AddressKind::Email).address, "ann@example.com");

    // A one-off fax entry ending with the business suffix: a business row under its original name.
    const EntryRow& bob = rowNamed(s, "Bob Wu", AddressKind::BusinessFax);
    EXPECT_EQ(bob.address, "+886-2-5555-0000");
    EXPECT_EQ(rowsNamed(s, "Bob Wu").size(), 1u);

    // A directory entry: the first proxy address naming SMTP, without "SMTP:".
    EXPECT_EQ(rowNamed(s, "Carol Chen", AddressKind::Email).address, "carol@example.com");

    // The contents row gave company as an error: both are read from the entry.
    const EntryRow& dan = rowNamed(s, "Dan Ho", AddressKind::HomeFax);
    EXPECT_EQ(dan.company, "Delta");
    EXPECT_EQ(dan.department, "Support");

    // No address: one row, which Add cannot take.
    ASSERT_EQ(rowsNamed(s, "Nobody").size(), 1u);
    const size_t nobody = rowsNamed(s, "Nobody")[0];
    EXPECT_FALSE(s.rows()[nobody].hasAddress());
    EXPECT_FALSE(s.canAdd({nobody}));
    EXPECT_FALSE(s.changed());
    EXPECT_EQ(s.add({nobody}), RecipientSelection::AddResult::NothingNew);
    EXPECT_TRUE(s.changed()) << "an add that brings nothing still counts as the user's change";

    const size_t team = rowsNamed(s, "Team")[0];
    EXPECT_TRUE(s.rows()[team].isList());
    EXPECT_TRUE(s.canAdd({nobody, team}));
    EXPECT_EQ(columnText(s.rows()[team], kColumnAddress), "");
}

TEST_F(Selection, OneOffSuffixesAndTheEmailLabel) {
    const std::string book = std::string(BRIDGETEST_BOOK_UID) + "root\tname=Book\ncontainer\tkey=c\tname=C\tflags=5\n" +
                             "user\tkey=a\tin=c\tname=Home One" + kHomeSuffix +
                             "\taddrtype=FAX\t3A13001E=Home One\temail=Home One@111\n"
                             "user\tkey=b\tin=c\tname=Other One" + kOtherSuffix +
                             "\taddrtype=FAX\t3A13001E=Other One\temail=Other One@222\n"
                             "user\tkey=c1\tin=c\tname=Plain One\taddrtype=FAX\t3A13001E=Plain One"
                             "\temail=Plain One@333\n"
                             "user\tkey=d\tin=c\tname=Mail One" + kEmailSuffix +
                             "\taddrtype=SMTP\t3A13001E=Mail One\temail=one@example.com\n"
                             "user\tkey=e\tin=c\tname=Kept" + kEmailSuffix + "\taddrtype=SMTP\temail=k@example.com\n";
    openBook(book.c_str());
    RecipientSelection s = showing("Book/C");
    EXPECT_EQ(rowNamed(s, "Home One", AddressKind::HomeFax).address, "111");
    EXPECT_EQ(rowNamed(s, "Other One", AddressKind::OtherFax).address, "222");
    EXPECT_EQ(rowNamed(s, "Plain One", AddressKind::PrimaryFax).address, "333");
    EXPECT_EQ(rowNamed(s, "Mail One", AddressKind::Email).address, "one@example.com")
        << "the e-mail suffix goes when the original name is there";
    EXPECT_EQ(rowsNamed(s, std::string("Kept") + kEmailSuffix).size(), 1u) << "and stays without it";
}

TEST_F(Selection, ListsExpandIntoTheirMembersRecipients) {
    openBook();
    RecipientSelection s = showing("通訊錄/Sales");
    std::vector<size_t> added;
    ASSERT_EQ(s.add(rowsNamed(s, "Team"), &added), RecipientSelection::AddResult::Added);
    EXPECT_EQ(added.size(), 7u);
    EXPECT_EQ(itemTexts(s), (std::vector<std::string>{
                                "Ann Lee - 02-1111-0000", "Ann Lee - ann@example.com", "Eve Lin - 04-4444-0000",
                                "Eve Lin - 05-5555-0000", "Eve Lin - eve@example.com", "Frank Yu - 06-6666-0000",
                                "Frank Yu - frank@example.com"}))
        << "the nested list adds Ann once, by her primary fax; Eve has no primary fax";
    const Recipient& eveHome = s.importList()[3];
    EXPECT_EQ(eveHome.kind, kFaxRecipient);
    EXPECT_EQ(eveHome.faxText1, "EH1");
    EXPECT_EQ(eveHome.faxText2, "EH2");
    EXPECT_EQ(eveHome.company, "Echo");
    EXPECT_EQ(s.importList()[4].kind, kEmailRecipient);
    EXPECT_TRUE(s.changed());
}

TEST_F(Selection, DuplicatesAreDroppedAndCapacityRefusesTheWholeAdd) {
    openBook();
    RecipientSelection s = showing("通訊錄/Sales", 4);
    const std::vector<size_t> ann = rowsNamed(s, "Ann Lee");
    ASSERT_EQ(s.add(ann), RecipientSelection::AddResult::Added);
    EXPECT_EQ(s.importList().size(), 3u);
    EXPECT_EQ(s.add(ann), RecipientSelection::AddResult::NothingNew) << "adding the same rows again changes nothing";
    EXPECT_EQ(s.importList().size(), 3u);
    // The list brings Ann's primary fax and e-mail again (dropped) and Eve's and Frank's five: too many.
    EXPECT_EQ(s.add(rowsNamed(s, "Team")), RecipientSelection::AddResult::TooMany);
    EXPECT_EQ(s.importList().size(), 3u) << "nothing of it is added";
    std::vector<size_t> bob = rowsNamed(s, "Bob Wu");
    bob.push_back(bob[0]);
    EXPECT_EQ(s.add(bob), RecipientSelection::AddResult::Added) << "exactly the capacity fits";
    EXPECT_EQ(s.importList().size(), 4u);

    // Remove selects what took the first removed item's place, or the last item.
    EXPECT_EQ(s.remove({0, 1}), 0);
    EXPECT_EQ(itemTexts(s), (std::vector<std::string>{"Ann Lee - ann@example.com", "Bob Wu - +886-2-5555-0000"}));
    EXPECT_EQ(s.remove({1}), 0);
    EXPECT_EQ(s.remove({0}), -1);
}

TEST_F(Selection, PreselectedRecipientsStartTheListAndAreNotRepeated) {
    openBook();
    Recipient kept;
    kept.displayName = "Zed";
    kept.address = "999";
    Recipient ann;
    ann.displayName = "Ann Lee";
    ann.address = "ann@example.com";
    ann.kind = kEmailRecipient;
    RecipientSelection s(access(), labels(), 10, {kept, ann});
    EXPECT_EQ(itemTexts(s), (std::vector<std::string>{"Ann Lee - ann@example.com", "Zed - 999"}));
    s.loadContainers();
    s.showContainer(nodeOfPath(s.containers(), "通訊錄/Sales"));
    ASSERT_EQ(s.add(rowsNamed(s, "Ann Lee")), RecipientSelection::AddResult::Added);
    EXPECT_EQ(itemTexts(s), (std::vector<std::string>{"Ann Lee - 02-1111-0000", "Ann Lee - 02-2222-0000",
                                                      "Ann Lee - ann@example.com", "Zed - 999"}));
}

// A name or address longer than its record field comes back from the caller
// cut to the field; it is still the item it was made from.
TEST_F(Selection, RecipientsCutByTheirRecordsAreNotAddedAgain) {
    const std::string longName(100, 'N');
    const std::string longMail = std::string(50, 'm') + "@example.com";
    openBook((std::string(BRIDGETEST_BOOK_UID) + "root\tname=Book\ncontainer\tkey=c\tname=People\tflags=5\n"
              "user\tkey=n\tin=c\tname=" + longName + "\tfax=02-1111-0000\temail=" + longMail + "\n")
                 .c_str());
    std::vector<Recipient> chosen;
    {
        RecipientSelection first = showing("Book/People");
        ASSERT_EQ(first.add({0, 1}), RecipientSelection::AddResult::Added);
        for (const Recipient& r : first.importList()) {
            RecipientRecord record;
            fillRecord(record, r);
            chosen.push_back(recipientOfRecord(record));
        }
    }
    ASSERT_EQ(chosen.size(), 2u);
    EXPECT_EQ(chosen[0].displayName.size(), kDisplayNameLimit);
    RecipientSelection again(access(), labels(), 10, chosen);
    again.loadContainers();
    again.showContainer(nodeOfPath(again.containers(), "Book/People"));
    EXPECT_FALSE(again.changed());
    EXPECT_EQ(again.add({0, 1}), RecipientSelection::AddResult::NothingNew);
    EXPECT_EQ(again.importList().size(), 2u);
    EXPECT_TRUE(again.changed());
}

TEST_F(Selection, SortingByColumnsAndTies) {
    openBook(BRIDGETEST_BOOK_UID "root\tname=B\ncontainer\tkey=c\tname=C\tflags=5\n"
             "user\tkey=a\tin=c\tname=Same\tfax=(02) 200\tcompany=Zeta\n"
             "user\tkey=b\tin=c\tname=Same\tfax=02-100\tcompany=Zeta\n"
             "list\tkey=l\tin=c\tname=Same\n"
             "user\tkey=c1\tin=c\tname=Alpha\tfax=900\tcompany=Omega\n"
             "user\tkey=d\tin=c\tname=Same\tfax=500\tcompany=Beta\n");
    RecipientSelection s = showing("B/C");
    auto order = [&] {
        std::string out;
        for (const EntryRow& r : s.rows()) out += (r.isList() ? std::string("L") : r.name + ":" + r.address) + " ";
        return out;
    };
    // By name: same names by company, then by the digits of the number; the list after its mail users.
    EXPECT_EQ(order(), "Alpha:900 Same:500 Same:02-100 Same:(02) 200 L ");
    s.sortBy(kColumnName);
    EXPECT_EQ(order(), "L Same:(02) 200 Same:02-100 Same:500 Alpha:900 ") << "the same column again reverses";
    s.sortBy(kColumnCompany);
    EXPECT_FALSE(s.sortState().descending) << "another column sorts ascending";
    EXPECT_EQ(order(), "L Same:500 Alpha:900 Same:02-100 Same:(02) 200 ")
        << "the list shows no company, so it sorts first; equal companies fall back to the name";
}

TEST_F(Selection, SearchFindsTheFirstNameWithThePrefix) {
    openBook();
    RecipientSelection s = showing("通訊錄/Sales");
    const int row = s.findByPrefix("ann");
    ASSERT_GE(row, 0);
    EXPECT_EQ(s.rows()[size_t(row)].name, "Ann Lee");
    EXPECT_EQ(row, 0) << "the first of Ann's rows";
    EXPECT_EQ(s.findByPrefix("carol c"), int(rowsNamed(s, "Carol Chen")[0]));
    EXPECT_EQ(s.findByPrefix("Lee"), -1) << "a prefix, not a part";
}

TEST_F(Selection, InformationBox) {
    openBook();
    RecipientSelection s = showing("通訊錄/Sales");
    const auto index = [&](const std::string& name, AddressKind kind) {
        return size_t(&rowNamed(s, name, kind) - s.rows().data());
    };
    EXPECT_EQ(s.informationText(index("Ann Lee", AddressKind::BusinessFax)),
              std::string("Ann Lee\r\nAcme\r\nSales Dept\r\n02-2222-0000 ") + kBusinessLabel + "\r\nAnnB3\r\nPrefers fax");
    EXPECT_EQ(s.informationText(index("Nobody", AddressKind::None)), "Nobody\r\n註冊收件人");
    EXPECT_EQ(s.informationText(rowsNamed(s, "Team")[0]), "Eve Lin\r\nFrank Yu\r\nInner");

    // A label left empty leaves its line out.
    SelectionLabels noEmail = labels();
    noEmail.email.clear();
    RecipientSelection t(access(), noEmail, 10, {});
    t.loadContainers();
    t.showContainer(nodeOfPath(t.containers(), "通訊錄/Sales"));
    EXPECT_EQ(t.informationText(size_t(&rowNamed(t, "Carol Chen", AddressKind::Email) - t.rows().data())),
              "Carol Chen");
}

TEST(Records, TextsAreCutToTheirFieldsWithoutSplittingCharacters) {
    setenv("VELMO_CODEPAGE", "UTF-8", 1);
    Recipient r;
    r.displayName = std::string(100, 'n');
    r.address = std::string(60, '9');
    r.company = std::string(50, 'c');
    r.department = std::string(50, 'd');
    r.faxText1 = "t1";
    r.faxText2 = std::string(30, 'x');
    r.givenName = std::string(45, 'g');
    r.surname = "s";
    RecipientRecord record;
    std::memset(&record, 0x55, sizeof record);
    fillRecord(record, r);
    EXPECT_EQ(std::string(record.displayName), std::string(85, 'n'));
    EXPECT_EQ(std::string(record.address), std::string(45, '9'));
    EXPECT_EQ(std::string(record.company), std::string(40, 'c'));
    EXPECT_EQ(std::string(record.department), std::string(40, 'd'));
    EXPECT_EQ(std::string(record.faxText2), std::string(20, 'x'));
    EXPECT_EQ(std::string(record.givenName), std::string(40, 'g'));
    EXPECT_EQ(record.kind, kFaxRecipient);
    EXPECT_TRUE(std::all_of(record.displayName + 85, record.displayName + 88, [](char c) { return c == 0; }))
        << "the whole field is zero-filled";

    // Thirty three-byte characters: 90 bytes, cut to 28 whole characters.
    std::string cjk;
    for (int i = 0; i < 30; ++i) cjk += "名";
    r.displayName = cjk;
    r.kind = kEmailRecipient;
    fillRecord(record, r);
    EXPECT_EQ(std::string(record.displayName), cjk.substr(0, 84));
    EXPECT_EQ(std::string(record.faxText1), "") << "an e-mail recipient has no fax texts";
    EXPECT_EQ(boundedText("abc", 3), "abc");
    EXPECT_EQ(boundedText(std::string("ab") + "\xff\xfe" + "cdef", 5), "ab\xff\xfe" "c")
        << "a text that is not valid is cut by bytes";
}

TEST(Records, WritingStopsAtTheCapacityAndClearsTheInputRecords) {
    RecipientRecord records[5];
    std::memset(records, 0x41, sizeof records);
    struct {
        uint32_t capacity;
        RecipientRecord* records[3];
    } array = {3, {&records[0], &records[1], &records[2]}};
    auto* a = reinterpret_cast<RecipientArray*>(&array);
    ASSERT_TRUE(arrayUsable(a));
    std::vector<Recipient> five(5);
    for (int i = 0; i < 5; ++i) five[size_t(i)].displayName = "R" + std::to_string(i);
    uint32_t count = 3;
    ASSERT_EQ(readRecords(*a, 7).size(), 3u) << "never more than the capacity";
    writeRecords(*a, count, 3, five);
    EXPECT_EQ(count, 3u);
    EXPECT_STREQ(records[2].displayName, "R2");
    EXPECT_EQ(records[3].displayName[0], 0x41) << "a record beyond the capacity is not touched";

    // Fewer results than records filled on input: the rest are cleared.
    count = 3;
    writeRecords(*a, count, 3, {five[4]});
    EXPECT_EQ(count, 1u);
    EXPECT_STREQ(records[0].displayName, "R4");
    EXPECT_EQ(records[1].displayName[0], 0);
    EXPECT_EQ(records[2].kind, 0u);
}
