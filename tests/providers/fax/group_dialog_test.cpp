// The group and record type dialogs driven as a user drives them, over the
// real store: members added and removed number by number, saved with their
// member flags and shown again, Cancel writing nothing, every limit and check
// by its message, sorting, the show filters and the help.

#include <QApplication>
#include <QCheckBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

#include "dialog_fixture.h"
#include "fax_strings.h"
#include "fax_tags.h"
#include "group_dialog.h"
#include "provider_fixture.h"
#include "record_type_dialog.h"

using namespace pdx;
using namespace faxtest;
using vqfax::GroupDialog;
using vqfax::MessageIcon;

namespace {

using Members = std::vector<std::pair<int32_t, uint32_t>>;

QStringList availableRows(QWidget* dialog, int column = 3) {
    auto* list = dialog->findChild<QTreeWidget*>("30402");
    QStringList rows;
    for (int i = 0; i < list->topLevelItemCount(); ++i)
        rows << list->topLevelItem(i)->text(0) + "/" + list->topLevelItem(i)->text(column);
    return rows;
}

QStringList memberRows(QWidget* dialog) {
    auto* list = dialog->findChild<QListWidget*>("30405");
    QStringList rows;
    for (int i = 0; i < list->count(); ++i) rows << list->item(i)->text();
    return rows;
}

// Selects the available items whose "name/number" is listed.
void selectAvailable(QWidget* dialog, const QStringList& wanted) {
    auto* list = dialog->findChild<QTreeWidget*>("30402");
    list->clearSelection();
    for (int i = 0; i < list->topLevelItemCount(); ++i) {
        QTreeWidgetItem* item = list->topLevelItem(i);
        if (wanted.contains(item->text(0) + "/" + item->text(3))) item->setSelected(true);
    }
}

void selectMembers(QWidget* dialog, const QStringList& wanted) {
    auto* list = dialog->findChild<QListWidget*>("30405");
    list->clearSelection();
    for (int i = 0; i < list->count(); ++i)
        if (wanted.contains(list->item(i)->text())) list->item(i)->setSelected(true);
}

void click(QWidget* dialog, const char* button) { dialog->findChild<QPushButton*>(button)->click(); }

std::vector<int> messageIds(const std::vector<std::pair<int, MessageIcon>>& messages) {
    std::vector<int> ids;
    for (const auto& m : messages) ids.push_back(m.first);
    return ids;
}

} // namespace

class GroupDialogTest : public EntryDialogTest {
protected:
    void SetUp() override {
        EntryDialogTest::SetUp();
        StoreWriter store(storePath_);
        ada_ = store.contact({{kCodeName, "Ada"}, {kCodeFirstFax, "111"}, {kCodeSecondFax, "112"},
                              {kCodeFirstDescription, "office"}});
        bo_ = store.contact({{kCodeName, "Bo"}, {kCodeFirstFax, "221"}});
        ops_ = store.group("Ops", {{bo_, 1}});
    }
    HRESULT newGroup(const std::function<void(QWidget*)>& script, Bytes& made, bool* closed = nullptr) {
        Bytes root = rootId(), tmpl = groupTemplate();
        ULONG cb = 0;
        ENTRYID* id = nullptr;
        const HRESULT h = withModal(script, [&] {
            return logon_->NewEntry(0, 0, 40, reinterpret_cast<ENTRYID*>(root.data()), 40,
                                    reinterpret_cast<ENTRYID*>(tmpl.data()), &cb, &id);
        }, closed);
        made = id ? Bytes(reinterpret_cast<uint8_t*>(id), reinterpret_cast<uint8_t*>(id) + cb) : Bytes();
        if (id) PDXFreeBuffer(id);
        return h;
    }
    HRESULT details(Bytes id, const std::function<void(QWidget*)>& script, bool* closed = nullptr) {
        ULONG_PTR window = 0;
        return withModal(script, [&] {
            return logon_->Details(&window, nullptr, nullptr, ULONG(id.size()), reinterpret_cast<ENTRYID*>(id.data()),
                                   nullptr, nullptr, nullptr, 0);
        }, closed);
    }
    int32_t ada_, bo_, ops_;
};

TEST_F(GroupDialogTest, NewGroupTakesChosenNumbersAndGroupsAndDetailsShowsThemAgain) {
    Bytes made;
    bool closed = false;
    ASSERT_EQ(newGroup(
                  [&](QWidget* d) {
                      EXPECT_EQ(d->windowTitle().toStdString(), vqfax::loadString(vqfax::kStrNewGroup));
                      // One item per number: Ada twice, sorted by name and then the other columns.
                      EXPECT_EQ(availableRows(d), (QStringList{"Ada/111", "Ada/112", "Bo/221", "Ops/"}));
                      EXPECT_EQ(availableRows(d, 4), (QStringList{"Ada/office", "Ada/", "Bo/", "Ops/"}));
                      EXPECT_TRUE(memberRows(d).isEmpty());
                      selectAvailable(d, {"Ada/111", "Ops/"});
                      click(d, "30403");
                      EXPECT_EQ(availableRows(d), (QStringList{"Ada/112", "Bo/221"}));
                      EXPECT_EQ(memberRows(d), (QStringList{"Ada    111", "Ops"}));
                      selectMembers(d, {"Ops"});
                      click(d, "30404");
                      EXPECT_EQ(availableRows(d), (QStringList{"Ada/112", "Bo/221", "Ops/"}));
                      selectAvailable(d, {"Bo/221"});
                      click(d, "30403");
                      typeInto(d->findChild<QWidget*>("30401"), QString::fromUtf8("週報"));
                      typeInto(d->findChild<QWidget*>("30312"), "weekly");
                      click(d, "1");
                  },
                  made, &closed),
              S_OK);
    EXPECT_TRUE(closed);
    EXPECT_TRUE(messages_.empty());
    ASSERT_EQ(made.size(), 40u);
    const int32_t group = fieldsOf(made).record;
    EXPECT_EQ(fieldsOf(made).kind, 8u);
    EXPECT_EQ(stored(made, PR_DISPLAY_NAME), "週報");
    EXPECT_EQ(stored(made, vqfax::PR_COMMENT), "weekly");
    // Only Ada's primary number belongs to the group; Bo has only one.
    EXPECT_EQ(storedMembers(group), (Members{{ada_, 1}, {bo_, 1}}));
    EXPECT_EQ(stored(contactId(ada_), PR_HOME_FAX_NUMBER), "112"); // the person keeps both

    // Details: the members as saved; swapping Ada's number.
    ASSERT_EQ(details(made,
                      [&](QWidget* d) {
                          EXPECT_EQ(d->windowTitle().toStdString(), vqfax::loadString(vqfax::kStrEditGroup));
                          EXPECT_EQ(static_cast<QLineEdit*>(d->findChild<QWidget*>("30401"))->text(), "週報");
                          EXPECT_EQ(memberRows(d), (QStringList{"Ada    111", "Bo    221"}));
                          EXPECT_EQ(availableRows(d), (QStringList{"Ada/112", "Ops/"}));
                          selectMembers(d, {"Ada    111"});
                          click(d, "30404");
                          selectAvailable(d, {"Ada/112"});
                          click(d, "30403");
                          click(d, "1");
                      },
                      &closed),
              S_OK);
    EXPECT_TRUE(closed);
    EXPECT_EQ(storedMembers(group), (Members{{bo_, 1}, {ada_, 2}}));
}

TEST_F(GroupDialogTest, CancelWritesNothing) {
    int32_t team;
    {
        StoreWriter store(storePath_);
        team = store.group("Team", {{ada_, 3}});
    }
    ASSERT_EQ(details(groupId(team),
                      [&](QWidget* d) {
                          static_cast<QLineEdit*>(d->findChild<QWidget*>("30401"))->setText("Renamed");
                          selectMembers(d, {"Ada    112"});
                          click(d, "30404");
                          selectAvailable(d, {"Bo/221", "Ops/"});
                          click(d, "30403");
                          click(d, "2");
                      }),
              S_OK);
    EXPECT_EQ(stored(groupId(team), PR_DISPLAY_NAME), "Team");
    EXPECT_EQ(storedMembers(team), (Members{{ada_, 3}}));

    Bytes made;
    ASSERT_EQ(newGroup(
                  [&](QWidget* d) {
                      typeInto(d->findChild<QWidget*>("30401"), "Draft");
                      selectAvailable(d, {"Bo/221"});
                      click(d, "30403");
                      click(d, "2");
                  },
                  made),
              S_OK);
    EXPECT_TRUE(made.empty());
    EXPECT_EQ(rowsOf().size(), 4u);
}

TEST_F(GroupDialogTest, AddingIsRefusedBeyond256MembersOrDestinations) {
    std::vector<StoredMember> hundred;
    {
        StoreWriter store(storePath_);
        for (int i = 0; i < 130; ++i) {
            const int32_t c = store.contact({{kCodeName, "C" + std::to_string(1000 + i)},
                                             {kCodeFirstFax, std::to_string(5000 + i)},
                                             {kCodeSecondFax, std::to_string(7000 + i)}});
            if (i < 100) hundred.push_back({c, 3});
        }
        store.group("Big", hundred); // 200 numbers
    }
    GroupDialog dialog(newContext(groupTemplate()), nullptr);
    dialog.available()->clearSelection();
    click(&dialog, "30403");
    click(&dialog, "30404");
    dialog.available()->selectAll(); // 265 items
    click(&dialog, "30403");
    QStringList some{"Big/"};
    for (int i = 0; i < 57; ++i) some << QString("C%1/%2").arg(1000 + i).arg(5000 + i);
    selectAvailable(&dialog, some); // 58 items reaching 257 numbers
    click(&dialog, "30403");
    EXPECT_EQ(messageIds(messages_), (std::vector<int>{vqfax::kMsgSelectItems, vqfax::kMsgSelectItems,
                                                       vqfax::kMsgTooManyMembers, vqfax::kMsgTooManyDestinations}));
    for (const auto& m : messages_) EXPECT_EQ(m.second, MessageIcon::Information);
    EXPECT_EQ(dialog.members()->count(), 0);
    EXPECT_EQ(dialog.membership().count(), 0u);

    // One number fewer fits.
    some.removeLast();
    selectAvailable(&dialog, some);
    click(&dialog, "30403");
    EXPECT_EQ(dialog.members()->count(), 57);

    // OK needs a name, then members.
    messages_.clear();
    GroupDialog empty(newContext(groupTemplate()), nullptr);
    empty.show();
    QApplication::setActiveWindow(&empty);
    empty.accept();
    EXPECT_EQ(QApplication::focusWidget(), empty.findChild<QWidget*>("30401"));
    typeInto(empty.findChild<QWidget*>("30401"), "Nobody");
    empty.accept();
    EXPECT_EQ(messageIds(messages_), (std::vector<int>{vqfax::kMsgNoGroupName, vqfax::kMsgNoMembers}));
    EXPECT_TRUE(empty.isVisible());
}

TEST_F(GroupDialogTest, OKRefusesAGroupInsideItselfAndGroupsGrownPast256) {
    std::vector<int32_t> c;
    int32_t edited, huge;
    {
        StoreWriter store(storePath_);
        for (int i = 0; i < 130; ++i)
            c.push_back(store.contact({{kCodeName, "C" + std::to_string(1000 + i)},
                                       {kCodeFirstFax, std::to_string(5000 + i)},
                                       {kCodeSecondFax, std::to_string(7000 + i)}}));
        edited = store.group("Edited", {{c[0], 3}});
        std::vector<StoredMember> parentMembers{{edited, 0}};
        for (int i = 1; i <= 100; ++i) parentMembers.push_back({c[i], 3}); // 200 numbers and Edited's
        store.group("Parent", parentMembers);
        std::vector<StoredMember> all;
        for (int32_t id : c) all.push_back({id, 3});
        huge = store.group("Huge", all); // 260 numbers
    }
    {
        GroupDialog dialog(editContext(groupId(edited)), nullptr);
        EXPECT_EQ(availableRows(&dialog).filter("Edited/").size(), 0); // never offered to itself
        selectAvailable(&dialog, {"Parent/"});
        click(&dialog, "30403");
        ASSERT_EQ(dialog.members()->count(), 3);
        dialog.accept();
        EXPECT_EQ(messageIds(messages_), std::vector<int>{vqfax::kMsgGroupContainsItself});

        // Without Parent, 56 more numbers make Parent reach 258.
        messages_.clear();
        selectMembers(&dialog, {"Parent"});
        click(&dialog, "30404");
        QStringList more;
        for (int i = 102; i < 130; ++i)
            more << QString("C%1/%2").arg(1000 + i).arg(5000 + i) << QString("C%1/%2").arg(1000 + i).arg(7000 + i);
        selectAvailable(&dialog, more);
        click(&dialog, "30403");
        ASSERT_EQ(dialog.members()->count(), 58);
        dialog.accept();
        EXPECT_EQ(messageIds(messages_), std::vector<int>{vqfax::kMsgParentGroupTooLarge});
        EXPECT_TRUE(dialog.result() != QDialog::Accepted);
    }
    EXPECT_EQ(storedMembers(edited), (Members{{c[0], 3}}));

    messages_.clear();
    GroupDialog tooBig(editContext(groupId(huge)), nullptr);
    tooBig.accept();
    EXPECT_EQ(messageIds(messages_), std::vector<int>{vqfax::kMsgTooManyDestinations});
}

TEST_F(GroupDialogTest, HeaderClicksSortAndShowFiltersKeepOneOn) {
    {
        StoreWriter store(storePath_);
        store.contact({{kCodeName, "Ada"}, {kCodeCompany, "Zeta"}, {kCodeFirstFax, "331"}});
        store.contact({{kCodeName, "Cy"}, {kCodeCompany, "Acme"}, {kCodeFirstFax, "441"}});
    }
    GroupDialog dialog(newContext(groupTemplate()), nullptr);
    dialog.show();
    auto* header = dialog.available()->header();
    auto clickHeader = [&](int column) {
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                          QPoint(header->sectionViewportPosition(column) + 10, header->height() / 2));
    };
    // By name, ties by company ("" before "Zeta"), then the fax number.
    EXPECT_EQ(availableRows(&dialog), (QStringList{"Ada/111", "Ada/112", "Ada/331", "Bo/221", "Cy/441", "Ops/"}));
    clickHeader(0);
    EXPECT_EQ(availableRows(&dialog), (QStringList{"Ada/111", "Ada/112", "Ada/331", "Bo/221", "Cy/441", "Ops/"}))
        << "the first click on the name column sorts it ascending, as it was";
    clickHeader(0);
    EXPECT_EQ(availableRows(&dialog).first(), "Ops/") << "the second click reverses";
    clickHeader(1);
    EXPECT_EQ(availableRows(&dialog, 1), (QStringList{"Ada/", "Ada/", "Bo/", "Ops/", "Cy/Acme", "Ada/Zeta"}));
    clickHeader(1);
    EXPECT_EQ(availableRows(&dialog, 1), (QStringList{"Ada/Zeta", "Cy/Acme", "Ops/", "Bo/", "Ada/", "Ada/"}));
    clickHeader(3);
    EXPECT_EQ(availableRows(&dialog).first(), "Ops/");

    auto* persons = dialog.findChild<QCheckBox*>("30102");
    auto* groups = dialog.findChild<QCheckBox*>("30103");
    EXPECT_TRUE(persons->isChecked() && groups->isChecked());
    persons->click();
    EXPECT_EQ(availableRows(&dialog), QStringList{"Ops/"});
    groups->click(); // the last one on stays on
    EXPECT_TRUE(groups->isChecked());
    EXPECT_EQ(availableRows(&dialog), QStringList{"Ops/"});
    persons->click();
    groups->click();
    EXPECT_EQ(availableRows(&dialog).size(), 5);

    // A destination taken out of the group comes back even while its kind is not shown.
    groups->click();
    ASSERT_TRUE(persons->isChecked() && groups->isChecked());
    selectAvailable(&dialog, {"Cy/441"});
    click(&dialog, "30403");
    ASSERT_EQ(memberRows(&dialog).size(), 1);
    persons->click();
    EXPECT_EQ(availableRows(&dialog), QStringList{"Ops/"});
    dialog.findChild<QListWidget*>("30405")->item(0)->setSelected(true);
    click(&dialog, "30404");
    EXPECT_TRUE(memberRows(&dialog).isEmpty());
    EXPECT_EQ(availableRows(&dialog), (QStringList{"Ops/", "Cy/441"})) << "sorted by the fax column clicked last";
}

TEST_F(GroupDialogTest, RecordTypeDialogChoosesTheKindOfNewEntry) {
    ULONG cb = 0;
    ENTRYID* made = nullptr;
    QString recordCaption, groupCaption;
    QStringList items;
    const HRESULT h = withModal(
        [&](QWidget* d) {
            auto* dialog = dynamic_cast<vqfax::RecordTypeDialog*>(d);
            ASSERT_TRUE(dialog);
            recordCaption = dialog->windowTitle();
            for (int i = 0; i < dialog->list()->count(); ++i) items << dialog->list()->item(i)->text();
            EXPECT_EQ(dialog->list()->currentRow(), 0);
            dialog->list()->setCurrentRow(1);
            QTimer::singleShot(0, [&] {
                QWidget* next = QApplication::activeModalWidget();
                if (!next) return;
                groupCaption = next->windowTitle();
                static_cast<QDialog*>(next)->reject();
            });
            click(d, "1");
        },
        [&] { return logon_->NewEntry(0, 0, 0, nullptr, 0, nullptr, &cb, &made); });
    EXPECT_EQ(h, S_OK);
    EXPECT_EQ(recordCaption.toStdString(), vqfax::loadString(vqfax::kStrRecordTypeCaption));
    EXPECT_EQ(items, (QStringList{"聯絡人", "分配清單"}));
    EXPECT_EQ(groupCaption.toStdString(), vqfax::loadString(vqfax::kStrNewGroup));
    EXPECT_EQ(cb, 0u);
    EXPECT_FALSE(made);

    EXPECT_EQ(withModal([&](QWidget* d) { click(d, "2"); },
                        [&] { return logon_->NewEntry(0, 0, 0, nullptr, 0, nullptr, &cb, &made); }),
              MAPI_E_USER_CANCEL);
}

TEST_F(GroupDialogTest, GroupHelpButtonOpensTheHelpFileAndF1ItsTopic) {
    GroupDialog dialog(newContext(groupTemplate()), nullptr);
    EXPECT_TRUE(dialog.windowFlags() & Qt::WindowContextHelpButtonHint);
    click(&dialog, "30409");
    QTest::keyClick(dialog.members(), Qt::Key_F1);
    QTest::keyClick(dialog.findChild<QWidget*>("30103"), Qt::Key_F1);
    ASSERT_EQ(helpOpened_.size(), 3u);
    EXPECT_TRUE(helpOpened_[0].toLocalFile().endsWith("/help/vqstore.html"));
    EXPECT_EQ(helpOpened_[0].fragment(), "");
    EXPECT_EQ(helpOpened_[1].fragment(), "0x0502");
    EXPECT_EQ(helpOpened_[2].fragment(), "0x0202");
    EXPECT_EQ(dialog.findChild<QWidget*>("30413")->whatsThis().toStdString(), vqfax::loadString(1282));
}
