// The person dialog driven as a user drives it, over the real store: new
// persons through NewEntry, edits through Details, every check of OK by its
// message, the input limits and the context help.

#include <QApplication>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QFileInfo>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>

#include "dialog_fixture.h"
#include "fax_strings.h"
#include "fax_tags.h"
#include "group_dialog.h"
#include "person_dialog.h"
#include "platform/registry.h"
#include "provider_fixture.h"

using namespace pdx;
using namespace faxtest;
using vqfax::MessageIcon;
using vqfax::PersonDialog;

namespace {

using Ids = std::vector<int>;

Ids messageIds(const std::vector<std::pair<int, MessageIcon>>& messages) {
    Ids ids;
    for (const auto& m : messages) ids.push_back(m.first);
    return ids;
}

QWidget* field(QWidget* dialog, int id) { return dialog->findChild<QWidget*>(QString::number(id)); }
void click(QWidget* dialog, const char* button) { dialog->findChild<QPushButton*>(button)->click(); }

} // namespace

TEST_F(EntryDialogTest, NewPersonWithBothNumbersIsSavedAndShownAgainByDetails) {
    const std::vector<std::pair<int, QString>> typed = {
        {30304, "博士"},       {30301, "Mei"},          {30302, "林"},           {30303, "女士"},
        {30305, "林美 博士"},  {30306, "Kestrel 公司"}, {30307, "研發部"},       {30315, "02-2345-6789"},
        {30316, "辦公室"},     {30313, "03-555-0101"},  {30314, "住家"},         {30312, "週一\n上午"}};
    Bytes rootIdBytes = rootId();
    Bytes tmpl = contactTemplate();
    ULONG cb = 0;
    ENTRYID* made = nullptr;
    bool closed = false;
    const HRESULT h = withModal(
        [&](QWidget* dialog) {
            EXPECT_EQ(dialog->windowTitle().toStdString(), vqfax::loadString(vqfax::kStrNewPerson));
            EXPECT_TRUE(dialog->windowFlags() & Qt::WindowContextHelpButtonHint);
            for (const auto& [id, text] : typed) typeInto(field(dialog, id), text);
            click(dialog, "1");
        },
        [&] {
            return logon_->NewEntry(0, 0, 40, reinterpret_cast<ENTRYID*>(rootIdBytes.data()), 40,
                                    reinterpret_cast<ENTRYID*>(tmpl.data()), &cb, &made);
        },
        &closed);
    ASSERT_EQ(h, S_OK);
    EXPECT_TRUE(closed);
    ASSERT_EQ(cb, 40u);
    ASSERT_TRUE(made);
    const Bytes id(reinterpret_cast<uint8_t*>(made), reinterpret_cast<uint8_t*>(made) + cb);
    PDXFreeBuffer(made);
    EXPECT_EQ(fieldsOf(id).kind, 6u);
    EXPECT_GT(fieldsOf(id).record, 0);
    EXPECT_TRUE(messages_.empty());

    // In the store, each value under its property; the keyword's lines end in CR LF.
    EXPECT_EQ(stored(id, PR_DISPLAY_NAME), "林美 博士");
    EXPECT_EQ(stored(id, vqfax::PR_DISPLAY_NAME_PREFIX), "博士");
    EXPECT_EQ(stored(id, vqfax::PR_COURTESY_TITLE), "女士");
    EXPECT_EQ(stored(id, PR_BUSINESS_FAX_NUMBER), "02-2345-6789");
    EXPECT_EQ(stored(id, vqfax::PR_PRIMARY_FAX_DESCRIPTION), "辦公室");
    EXPECT_EQ(stored(id, PR_HOME_FAX_NUMBER), "03-555-0101");
    EXPECT_EQ(stored(id, vqfax::PR_SECONDARY_FAX_DESCRIPTION), "住家");
    EXPECT_EQ(stored(id, vqfax::PR_COMMENT), "週一\r\n上午");

    // Details: the edit caption and every value back in its control.
    Bytes edit = id;
    ULONG_PTR window = 0;
    std::vector<std::pair<int, QString>> seen;
    QString title;
    EXPECT_EQ(withModal(
                  [&](QWidget* dialog) {
                      title = dialog->windowTitle();
                      for (const auto& [fieldId, text] : typed) seen.push_back({fieldId, shownText(field(dialog, fieldId))});
                      click(dialog, "2");
                  },
                  [&] {
                      return logon_->Details(&window, nullptr, nullptr, ULONG(edit.size()),
                                             reinterpret_cast<ENTRYID*>(edit.data()), nullptr, nullptr, nullptr, 0);
                  }),
              S_OK);
    EXPECT_EQ(title.toStdString(), vqfax::loadString(vqfax::kStrEditPerson));
    EXPECT_EQ(seen, typed);
}

TEST_F(EntryDialogTest, EditedPersonKeepsWhatTheUserDidNotTouch) {
    int32_t record;
    {
        StoreWriter store(storePath_);
        // A name of 200 bytes, longer than the name edit takes, and a company
        // in bytes the code page cannot show.
        record = store.contact({});
        store.rewrite(record, {fieldElement(kCodeName, std::string(200, 'n')), fieldElement(kCodeCompany, "\x81\x30 Co"),
                               fieldElement(kCodeFirstFax, "0800-000-111"), fieldElement(kCodeDepartment, "Ops")});
    }
    PersonDialog dialog(editContext(contactId(record)), nullptr);
    auto* name = static_cast<QLineEdit*>(dialog.control(30305));
    EXPECT_EQ(name->text().size(), 200); // shown whole, not cut to the limit
    typeInto(name, "x");                 // but it does not grow
    EXPECT_EQ(name->text().size(), 200);
    typeInto(dialog.control(30307), " 2");
    dialog.accept();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(stored(contactId(record), PR_DISPLAY_NAME), std::string(200, 'n'));
    EXPECT_EQ(stored(contactId(record), PR_DEPARTMENT_NAME), "Ops 2");
    std::vector<vqfax::BookRow> rows = rowsOf();
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].company, "\x81\x30 Co"); // the bytes as they were
}

TEST_F(EntryDialogTest, PersonWithoutANameShowsItsValuesAndAPersonReachedThroughAGroupIsEditedWhole) {
    int32_t person, team;
    {
        StoreWriter store(storePath_);
        person = store.contact({{kCodeCompany, "Kestrel"}, {kCodeFirstFax, "111"}, {kCodeSecondFax, "222"}});
        team = store.group("Team", {{person, 1}});
    }
    // No recipient name: the caption stays, the stored values show all the same.
    {
        PersonDialog dialog(editContext(contactId(person)), nullptr);
        EXPECT_EQ(dialog.windowTitle().toStdString(), vqfax::loadString(vqfax::kStrNewPerson));
        EXPECT_EQ(shownText(dialog.control(30306)), "Kestrel");
        typeInto(dialog.control(30305), "Kim");
        dialog.accept();
        EXPECT_EQ(dialog.result(), QDialog::Accepted);
    }
    EXPECT_EQ(stored(contactId(person), PR_COMPANY_NAME), "Kestrel");
    // Through the group's identifier: both numbers show, and the change reaches the record.
    {
        PersonDialog dialog(editContext(contactId(person, team, 8)), nullptr);
        EXPECT_EQ(shownText(dialog.control(30313)), "222");
        static_cast<QLineEdit*>(dialog.control(30306))->setText("Osprey");
        dialog.accept();
        EXPECT_EQ(dialog.result(), QDialog::Accepted);
    }
    EXPECT_EQ(stored(contactId(person), PR_COMPANY_NAME), "Osprey");
    EXPECT_EQ(stored(contactId(person), PR_HOME_FAX_NUMBER), "222");
    EXPECT_EQ(storedMembers(team), (std::vector<std::pair<int32_t, uint32_t>>{{person, 1}}));
}

TEST_F(EntryDialogTest, PersonChecksStopOKWithTheirMessageAndFocus) {
    PersonDialog dialog(newContext(contactTemplate()), nullptr);
    dialog.show();
    QApplication::setActiveWindow(&dialog);
    auto okWith = [&](int primaryControl, const QString& number) {
        auto* edit = static_cast<QLineEdit*>(dialog.control(primaryControl));
        edit->clear();
        typeInto(edit, number);
        dialog.findChild<QPushButton*>("1")->setFocus();
        dialog.accept();
    };
    dialog.accept(); // nothing typed
    EXPECT_EQ(QApplication::focusWidget(), dialog.control(30305));
    typeInto(dialog.control(30302), "Ng");
    okWith(30315, "(02) 555");
    EXPECT_EQ(QApplication::focusWidget(), dialog.control(30315));
    okWith(30315, QString(39, '9'));
    okWith(30315, "");
    okWith(30313, "---");
    EXPECT_EQ(QApplication::focusWidget(), dialog.control(30313));
    okWith(30313, "");
    EXPECT_EQ(QApplication::focusWidget(), dialog.control(30315));
    EXPECT_EQ(messageIds(messages_),
              (Ids{vqfax::kMsgNoRecipientName, vqfax::kMsgFaxInvalidCharacter, vqfax::kMsgFaxTooLong,
                   vqfax::kMsgNoFaxNumber, vqfax::kMsgFaxNoDigits, vqfax::kMsgNoFaxNumber}));
    for (const auto& m : messages_) EXPECT_EQ(m.second, MessageIcon::Stop);
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_TRUE(rowsOf().empty()); // nothing written

    // A title and a last name make the recipient name.
    messages_.clear();
    typeInto(dialog.control(30304), "先生");
    static_cast<QLineEdit*>(dialog.control(30302))->setText(QString::fromUtf8("王"));
    okWith(30313, "#*");
    EXPECT_TRUE(messages_.empty());
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    ASSERT_FALSE(dialog.createdId().empty());
    EXPECT_EQ(stored(dialog.createdId(), PR_DISPLAY_NAME), "先生 王");
    EXPECT_EQ(stored(dialog.createdId(), PR_HOME_FAX_NUMBER), "#*");
}

TEST_F(EntryDialogTest, ABookOf3000EntriesTakesNoNewPersonOrGroup) {
    {
        StoreWriter store(storePath_);
        for (int i = 0; i < 3000; ++i) store.group("G" + std::to_string(i), {});
    }
    PersonDialog person(newContext(contactTemplate()), nullptr);
    person.accept(); // refused before the empty fields are looked at
    EXPECT_EQ(messageIds(messages_), (Ids{vqfax::kMsgTooManyPersons}));
    EXPECT_NE(person.result(), QDialog::Accepted);

    messages_.clear();
    auto context = newContext(groupTemplate());
    vqfax::GroupDialog group(context, nullptr);
    group.accept();
    EXPECT_EQ(messageIds(messages_), (Ids{vqfax::kMsgTooManyGroups}));
    EXPECT_EQ(rowsOf().size(), 3000u);
}

TEST_F(EntryDialogTest, EditsTakeNoMoreThanTheirLimitInTheSystemCodePage) {
    PersonDialog dialog(newContext(contactTemplate()), nullptr);
    auto* given = static_cast<QLineEdit*>(dialog.control(30301));
    typeInto(given, QString(25, 'a'));
    EXPECT_EQ(given->text(), QString(20, 'a'));                      // 20 characters
    auto* name = static_cast<QLineEdit*>(dialog.control(30305));
    typeInto(name, QString(70, QChar(0x738B)));                      // 王, two bytes each
    EXPECT_EQ(name->text(), QString(64, QChar(0x738B)));              // 128 bytes
    auto* surname = static_cast<QLineEdit*>(dialog.control(30302));
    typeInto(surname, QString::fromUtf8("李ก四"));                    // Thai is not in the code page
    EXPECT_EQ(surname->text(), QString::fromUtf8("李四"));
    auto* prefix = static_cast<QComboBox*>(dialog.control(30304));
    typeInto(prefix, QString(20, 'D'));
    EXPECT_EQ(prefix->currentText(), QString(16, 'D'));
    auto* keyword = static_cast<QPlainTextEdit*>(dialog.control(30312));
    typeInto(keyword, QString(250, 'k') + "\n\nzz");                  // a line break is two bytes
    EXPECT_EQ(keyword->toPlainText(), QString(250, 'k') + "\n\nz");
    auto* number = static_cast<QLineEdit*>(dialog.control(30315));
    typeInto(number, QString(50, '5'));
    EXPECT_EQ(number->text().size(), 45);

    // The drop-downs offer their titles and take typed ones too.
    auto* courtesy = static_cast<QComboBox*>(dialog.control(30303));
    QStringList items;
    for (int i = 0; i < courtesy->count(); ++i) items << courtesy->itemText(i);
    EXPECT_EQ(items, (QStringList{"小姐", "先生", "女士"}));
    items.clear();
    for (int i = 0; i < prefix->count(); ++i) items << prefix->itemText(i);
    EXPECT_EQ(items, (QStringList{"女士", "先生", "夫人", "博士"}));
}

TEST_F(EntryDialogTest, PersonHelpComesFromTheRegisteredHelpFile) {
    std::vector<QString> whatsThis;
    vqfax::setWhatsThisShower([&](QWidget*, const QPoint&, const QString& text) { whatsThis.push_back(text); });
    {
        PersonDialog dialog(newContext(contactTemplate()), nullptr);
        QTest::keyClick(dialog.control(30302), Qt::Key_F1);
        QContextMenuEvent menu(QContextMenuEvent::Mouse, QPoint(1, 1), QPoint(5, 5));
        QApplication::sendEvent(dialog.findChild<QWidget*>("30327"), &menu);
    }
    ASSERT_EQ(helpOpened_.size(), 1u);
    EXPECT_EQ(helpOpened_[0].fragment(), "0x0401");
    EXPECT_TRUE(helpOpened_[0].toLocalFile().endsWith("/help/vqstore.html"));
    EXPECT_TRUE(QFileInfo(helpOpened_[0].toLocalFile()).isFile());
    ASSERT_EQ(whatsThis.size(), 1u);
    EXPECT_EQ(whatsThis[0].toStdString(), vqfax::loadString(1031));

    // A help file named in the registry is the one opened.
    platform::RegKey key;
    ASSERT_EQ(platform::RegKey::create(platform::RegRoot::CurrentUser, "Software\\Velmo\\Pandex\\VQSTORE", key),
              platform::kRegOk);
    ASSERT_EQ(key.setString("HelpFile", "/opt/fax/help/store.html"), platform::kRegOk);
    PersonDialog dialog(newContext(contactTemplate()), nullptr);
    QTest::keyClick(dialog.control(30303), Qt::Key_F1);
    ASSERT_EQ(helpOpened_.size(), 2u);
    EXPECT_EQ(helpOpened_[1].toLocalFile(), "/opt/fax/help/store.html");
    EXPECT_EQ(helpOpened_[1].fragment(), "0x0403");
}
