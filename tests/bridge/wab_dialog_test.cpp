// Dialog 103 over a real contacts session: a profile whose WAB service reads
// a vCard file, through vqcore, vqwabsp and wab32 of the build.

#include <algorithm>

#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

#include "dialog_fixture.h"

using namespace vqbridge;
using namespace bridgetest;

namespace {

const char* const kCards =
    "BEGIN:VCARD\r\n"
    "VERSION:3.0\r\n"
    "UID:urn:uuid:0b7e5a10-0000-4000-8000-000000000001\r\n"
    "FN:Amy Chen\r\n"
    "N:Chen;Amy;;;\r\n"
    "ORG:Acme;Sales\r\n"
    "TEL;TYPE=fax,work:02-5555-0101\r\n"
    "EMAIL;TYPE=internet,pref:amy@example.tw\r\n"
    "END:VCARD\r\n"
    "BEGIN:VCARD\r\n"
    "VERSION:3.0\r\n"
    "UID:urn:uuid:0b7e5a10-0000-4000-8000-000000000002\r\n"
    "FN:Amos Lin\r\n"
    "N:Lin;Amos;;;\r\n"
    "TEL;TYPE=fax,home:03-5555-0202\r\n"
    "END:VCARD\r\n"
    "BEGIN:VCARD\r\n"
    "VERSION:3.0\r\n"
    "UID:urn:uuid:0b7e5a10-0000-4000-8000-000000000003\r\n"
    "FN:Bella Wu\r\n"
    "N:Wu;Bella;;;\r\n"
    "ORG:Zenith;Support\r\n"
    "TEL;TYPE=fax,work:04-5555-0303\r\n"
    "EMAIL;TYPE=internet:bella@example.tw\r\n"
    "END:VCARD\r\n"
    "BEGIN:VCARD\r\n"
    "VERSION:4.0\r\n"
    "UID:urn:uuid:0b7e5a10-0000-4000-8000-000000000004\r\n"
    "KIND:group\r\n"
    "FN:Crew\r\n"
    "MEMBER:urn:uuid:0b7e5a10-0000-4000-8000-000000000001\r\n"
    "MEMBER:urn:uuid:0b7e5a10-0000-4000-8000-000000000003\r\n"
    "END:VCARD\r\n";

// A session of vqcore of the build (whose service INF offers the contacts
// provider) on a profile made by pdxadmin over a vCard file.
class VCardDialog103 : public DialogTest {
protected:
    std::string vcf;

    void openContacts() {
        velmo::test::freshRegistry();
        vcf = velmo::test::makeTempDir("vcf") + "/crew.vcf";
        velmo::test::writeFile(vcf, kCards);
        std::string out, err;
        ASSERT_EQ(velmo::test::runCommand(velmo::test::binPath("pdxadmin") + " create P --default-services", &out, &err),
                  0)
            << err;
        ASSERT_EQ(velmo::test::runCommand(velmo::test::binPath("pdxadmin") + " services P", &out, &err), 0) << err;
        const std::string uid = out.substr(0, out.find('\t'));
        ASSERT_EQ(out.substr(uid.size() + 1, 4), "WAB\t") << out;
        ASSERT_EQ(velmo::test::runCommand(velmo::test::binPath("pdxadmin") + " configure P " + uid +
                                              " 0x3001001E=Family 0x6600001E=" + velmo::test::shellQuote(vcf),
                                          &out, &err),
                  0)
            << err;
        using namespace pdx;
        ASSERT_TRUE(core.module.load("vqcore.dll", std::string(VELMO_BIN_DIR) + "/"));
        core.open = core.module.function<PDXOpenFn>("PDXOpen");
        core.adminProfiles = core.module.function<PDXAdminProfilesFn>("PDXAdminProfiles");
        core.allocateBuffer = core.module.function<PDXAllocateBufferFn>("PDXAllocateBuffer");
        core.allocateMore = core.module.function<PDXAllocateMoreFn>("PDXAllocateMore");
        core.freeBuffer = core.module.function<PDXFreeBufferFn>("PDXFreeBuffer");
        core.freeProws = core.module.function<PDXFreeProwsFn>("PDXFreeProws");
        ASSERT_TRUE(core.open && core.adminProfiles && core.allocateBuffer && core.allocateMore && core.freeBuffer &&
                    core.freeProws);
        ASSERT_EQ(core.open(0, "P", 0, 0, 0, 0, &book, &session), 0);
    }
};

} // namespace

static std::string joined(const QStringList& list) { return list.join("|").toStdString(); }

TEST_F(VCardDialog103, BrowseSortSearchAddRemoveAndOkOverTheFilesContainer) {
    openContacts();
    RecipientSelection s = selection();
    RecipSelectDialog d(s, installFolder(), nullptr);
    ASSERT_TRUE(d.start());
    d.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&d));

    // The service's root, named when configured, holds the file's container,
    // which is the default directory and is shown first.
    EXPECT_EQ(d.containerTree()->topLevelItemCount(), 1);
    ASSERT_NE(node(d, "crew.vcf"), nullptr);
    EXPECT_EQ(node(d, "crew.vcf")->parent(), node(d, "Family"));
    EXPECT_EQ(d.containerTree()->currentItem(), node(d, "crew.vcf"));
    EXPECT_FALSE(d.okButton()->isEnabled());
    d.containerTree()->setCurrentItem(node(d, "Family"));
    EXPECT_EQ(d.containerTree()->currentItem(), node(d, "Family"));

    // One row per fax number and e-mail address, the group as one row without address.
    d.containerTree()->setCurrentItem(node(d, "crew.vcf"));
    EXPECT_EQ(joined(column(d, 0)), "Amos Lin|Amy Chen|Amy Chen|Bella Wu|Bella Wu|Crew");
    EXPECT_EQ(joined(column(d, 1)), "03-5555-0202|amy@example.tw|02-5555-0101|bella@example.tw|04-5555-0303|");
    EXPECT_EQ(joined(column(d, 2)), "|Acme|Acme|Zenith|Zenith|");
    EXPECT_EQ(joined(column(d, 3)), "|Sales|Sales|Support|Support|");
    EXPECT_TRUE(d.addButton()->isEnabled());

    // By address, then reversed.
    clickHeader(d, 1);
    EXPECT_EQ(joined(column(d, 1)), "|02-5555-0101|03-5555-0202|04-5555-0303|amy@example.tw|bella@example.tw");
    EXPECT_EQ(column(d, 0).first(), "Crew");
    clickHeader(d, 1);
    EXPECT_EQ(joined(column(d, 1)), "bella@example.tw|amy@example.tw|04-5555-0303|03-5555-0202|02-5555-0101|");
    EXPECT_EQ(d.entryList()->header()->sortIndicatorOrder(), Qt::DescendingOrder);

    // "amo" passes Amy and finds Amos, whose home fax is shown with its label.
    d.searchField()->setFocus();
    QTest::keyClicks(d.searchField(), "amo");
    const QModelIndexList found = d.entryList()->selectionModel()->selectedRows();
    ASSERT_EQ(found.size(), 1);
    EXPECT_EQ(found.front().data().toString(), "Amos Lin");
    EXPECT_EQ(d.informationBox()->toPlainText(), QString("Amos Lin\n03-5555-0202 ") + kHomeLabel);
    QTest::mouseClick(d.addButton(), Qt::LeftButton);
    EXPECT_EQ(joined(items(d)), "Amos Lin - 03-5555-0202");
    EXPECT_TRUE(d.okButton()->isEnabled());

    // The group brings its members' fax numbers and addresses.
    selectEntries(d, {rowOf(d, "Crew", "")});
    QTest::mouseClick(d.addButton(), Qt::LeftButton);
    const QStringList added = items(d);
    EXPECT_EQ(added.size(), 5) << joined(added);
    for (const char* item : {"Amy Chen - 02-5555-0101", "Amy Chen - amy@example.tw", "Bella Wu - 04-5555-0303",
                             "Bella Wu - bella@example.tw"})
        EXPECT_TRUE(added.contains(item)) << item;
    EXPECT_EQ(d.countText()->text(), "5");
    // Adding a member again adds nothing.
    selectEntries(d, {rowOf(d, "Bella Wu", "bella@example.tw")});
    QTest::mouseClick(d.addButton(), Qt::LeftButton);
    EXPECT_EQ(d.importList()->count(), 5);

    // Remove Amy's e-mail address.
    d.importList()->clearSelection();
    d.importList()->item(int(added.indexOf("Amy Chen - amy@example.tw")))->setSelected(true);
    QTest::mouseClick(d.removeButton(), Qt::LeftButton);
    EXPECT_EQ(d.importList()->count(), 4);
    EXPECT_FALSE(items(d).contains("Amy Chen - amy@example.tw"));

    QTest::mouseClick(d.okButton(), Qt::LeftButton);
    EXPECT_EQ(d.result(), QDialog::Accepted);
    std::vector<std::string> got;
    for (const Recipient& r : s.importList())
        got.push_back(r.displayName + "/" + r.address + "/" + (r.kind == kEmailRecipient ? "mail" : "fax") + "/" +
                      r.company + "/" + r.department + "/" + r.givenName + "/" + r.surname);
    std::sort(got.begin(), got.end());
    EXPECT_EQ(got, (std::vector<std::string>{"Amos Lin/03-5555-0202/fax///Amos/Lin",
                                             "Amy Chen/02-5555-0101/fax/Acme/Sales/Amy/Chen",
                                             "Bella Wu/04-5555-0303/fax/Zenith/Support/Bella/Wu",
                                             "Bella Wu/bella@example.tw/mail/Zenith/Support/Bella/Wu"}));
    EXPECT_TRUE(messages.empty());
    EXPECT_EQ(velmo::test::readFile(vcf), kCards) << "choosing recipients leaves the file as it was";
}

TEST_F(VCardDialog103, AGroupOverTheCapacityAddsNothing) {
    openContacts();
    RecipientSelection s = selection(3);
    RecipSelectDialog d(s, installFolder(), nullptr);
    ASSERT_TRUE(d.start());
    d.containerTree()->setCurrentItem(node(d, "crew.vcf"));
    selectEntries(d, {rowOf(d, "Crew", "")});
    d.addSelected();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].first, 10);
    EXPECT_EQ(messages[0].second, "您選擇太多的收件人。\n最多收件人數為 3");
    EXPECT_EQ(d.importList()->count(), 0);
    EXPECT_FALSE(d.okButton()->isEnabled());
}
