#include "model/book_kind.h"
#include "ui/dialogs/entry_dialog.h"
#include "ui/dialogs/filter_edit.h"
#include "widget_test.h"
#include "platform/typing_limit.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <cstring>

namespace lisotrex::test {
namespace {

using ui::CEntryDialog;

class EntryDialogTest : public WidgetTest {
protected:
    std::unique_ptr<CEntryDialog> open(EntryDialogMode mode, int32_t bookType, int32_t maxOneTouch = 200) {
        auto d = std::make_unique<CEntryDialog>(working, mode, bookType, maxOneTouch);
        EXPECT_TRUE(showActive(*d));
        return d;
    }
    QLineEdit* edit(QWidget& d, const char* name) { return child<QLineEdit>(d, name); }
    // Fills name and destination so that only the field under test can fail.
    void fillRequired(QWidget& d) {
        edit(d, "ctl_1006")->setText(QStringLiteral("Amy"));
        edit(d, "ctl_1010")->setText(QStringLiteral("0312345678"));
    }
    void clickOk(QWidget& d) { QTest::mouseClick(child<QPushButton>(d, "ctl_1"), Qt::LeftButton); }

    CAddrUserDataObj working;
};

TEST_F(EntryDialogTest, StartsFromTheWorkingValues) {
    working = CAddrUserDataObj(kEntryEmail, "Bob", "bo", "bob@example.com", "Sales", 0, 12, false);
    auto d = open(EntryDialogMode::Modify, kOneTouchBook);
    EXPECT_EQ(d->windowTitle(), QStringLiteral("修改項目"));
    auto* type = child<QComboBox>(*d, "ctl_1002");
    ASSERT_EQ(type->count(), 2);
    EXPECT_EQ(type->itemText(0), QStringLiteral("傳真號碼"));
    EXPECT_EQ(type->itemText(1), QStringLiteral("E-mail 位址"));
    EXPECT_EQ(type->currentIndex(), 1);
    EXPECT_FALSE(type->isEnabled()); // an existing entry keeps its type
    EXPECT_TRUE(edit(*d, "ctl_1013")->text().isEmpty()); // 0 shows as empty
    EXPECT_EQ(edit(*d, "ctl_1012")->text(), QStringLiteral("12"));
    EXPECT_TRUE(edit(*d, "ctl_1008")->isHidden());
    EXPECT_EQ(qobject_cast<ui::CFilterEdit*>(edit(*d, "ctl_1010"))->mask(), 0x7);
    EXPECT_EQ(platform::typingLimit(edit(*d, "ctl_1013")), 7);
    EXPECT_EQ(platform::typingLimit(edit(*d, "ctl_1012")), 4);
}

TEST_F(EntryDialogTest, OkNeedsNameAndDestination) {
    auto d = open(EntryDialogMode::Add, kOneTouchBook);
    EXPECT_EQ(d->windowTitle(), QStringLiteral("新增項目"));
    auto* ok = child<QPushButton>(*d, "ctl_1");
    EXPECT_TRUE(child<QComboBox>(*d, "ctl_1002")->isEnabled());
    EXPECT_FALSE(ok->isEnabled());
    QTest::keyClicks(edit(*d, "ctl_1006"), QStringLiteral("Amy"));
    EXPECT_FALSE(ok->isEnabled());
    QTest::keyClicks(edit(*d, "ctl_1010"), QStringLiteral("123"));
    EXPECT_TRUE(ok->isEnabled());
    edit(*d, "ctl_1006")->clear();
    EXPECT_FALSE(ok->isEnabled());
}

TEST_F(EntryDialogTest, ChecksInOrderAndFocusesTheField) {
    BoxAnswerer boxes;
    auto d = open(EntryDialogMode::Add, kOneTouchBook, 200);
    edit(*d, "ctl_1011")->setFocus();
    d->accept();
    EXPECT_EQ(boxes.last(), QStringLiteral("message_6013"));
    EXPECT_EQ(d->focusWidget(), edit(*d, "ctl_1006"));

    // A name of 43 three-byte characters is 129 bytes: over the limit.
    edit(*d, "ctl_1006")->setText(QString(43, QChar(0x4E2D)));
    d->accept();
    EXPECT_EQ(boxes.last(), QStringLiteral("message_6052"));
    EXPECT_EQ(boxes.texts.back(), QStringLiteral("請輸入包含 127 字元。"));

    edit(*d, "ctl_1006")->setText(QStringLiteral("Amy"));
    d->accept();
    EXPECT_EQ(boxes.last(), QStringLiteral("message_6016"));
    EXPECT_EQ(d->focusWidget(), edit(*d, "ctl_1010"));

    edit(*d, "ctl_1010")->setText(QStringLiteral("123"));
    edit(*d, "ctl_1012")->setText(QStringLiteral("201"));
    clickOk(*d);
    EXPECT_EQ(boxes.last(), QStringLiteral("message_6019"));
    EXPECT_EQ(d->focusWidget(), edit(*d, "ctl_1012"));
    EXPECT_TRUE(d->isVisible());
    EXPECT_EQ(working.m_szName[0], '\0'); // nothing written back yet
    EXPECT_EQ(boxes.names.size(), 4u);
}

TEST_F(EntryDialogTest, NumberFieldsHoldingNoIntegerGetTheIntegerMessage) {
    BoxAnswerer boxes;
    auto d = open(EntryDialogMode::Add, kOneTouchBook, 200);
    fillRequired(*d);
    edit(*d, "ctl_1013")->setText(QStringLiteral("1x")); // set, not typed: the filter never saw it
    d->accept();
    EXPECT_EQ(boxes.last(), QStringLiteral("message_61712"));
    EXPECT_EQ(boxes.texts.back(), QStringLiteral("請輸入整數。"));
    EXPECT_EQ(d->focusWidget(), edit(*d, "ctl_1013"));
    edit(*d, "ctl_1013")->clear();
    edit(*d, "ctl_1012")->setText(QStringLiteral("+-"));
    d->accept();
    EXPECT_EQ(boxes.last(), QStringLiteral("message_61712"));
    EXPECT_EQ(d->focusWidget(), edit(*d, "ctl_1012"));
    EXPECT_TRUE(d->isVisible());
}

TEST_F(EntryDialogTest, TextLimitsStopTypingButNotTextSetByTheProgram) {
    BoxAnswerer boxes;
    auto d = open(EntryDialogMode::Add, kOneTouchBook, 200);
    fillRequired(*d);
    // Set, not typed: kept whole, and the check on OK reports it.
    edit(*d, "ctl_1006")->setText(QString(128, u'n'));
    EXPECT_EQ(edit(*d, "ctl_1006")->text().size(), 128);
    d->accept();
    EXPECT_EQ(boxes.texts.back(), QStringLiteral("請輸入包含 127 字元。"));
    EXPECT_EQ(d->focusWidget(), edit(*d, "ctl_1006"));
    // Typing stops at the limit.
    edit(*d, "ctl_1006")->clear();
    QTest::keyClicks(edit(*d, "ctl_1006"), QString(130, u'n'));
    EXPECT_EQ(edit(*d, "ctl_1006")->text().size(), 127);
    // The department has no typing limit: 256 letters reach the check.
    QTest::keyClicks(edit(*d, "ctl_1011"), QString(256, u'd'));
    EXPECT_EQ(edit(*d, "ctl_1011")->text().size(), 256);
    d->accept();
    EXPECT_EQ(boxes.texts.back(), QStringLiteral("請輸入包含 255 字元。"));
    EXPECT_EQ(d->focusWidget(), edit(*d, "ctl_1011"));
    EXPECT_TRUE(d->isVisible());
}

TEST_F(EntryDialogTest, LeadingZerosOfTheAccessCodeAreDroppedAfterANotice) {
    BoxAnswerer boxes;
    auto d = open(EntryDialogMode::Add, kOneTouchBook, 200);
    fillRequired(*d);
    QTest::keyClicks(edit(*d, "ctl_1013"), QStringLiteral("0012"));
    QTest::keyClicks(edit(*d, "ctl_1012"), QStringLiteral("200"));
    clickOk(*d);
    EXPECT_EQ(boxes.names, std::vector<QString>{QStringLiteral("message_6008")});
    EXPECT_EQ(d->result(), QDialog::Accepted);
    EXPECT_EQ(working.m_nAccessCode, 12);
    EXPECT_EQ(working.m_nOneTouch, 200);
    EXPECT_STREQ(working.m_szName, "Amy");
    EXPECT_STREQ(working.m_szDestination, "0312345678");
    EXPECT_EQ(working.m_nType, kEntryFax);
}

TEST_F(EntryDialogTest, PlainBookHidesAndKeepsTheOneTouchNumber) {
    working = CAddrUserDataObj(kEntryFax, "Amy", "ei-mii", "123", "", 5, 77, false);
    BoxAnswerer boxes;
    auto d = open(EntryDialogMode::Modify, kPlainBook, 10);
    EXPECT_TRUE(edit(*d, "ctl_1012")->isHidden());
    EXPECT_TRUE(child<QLabel>(*d, "ctl_1003")->isHidden());
    edit(*d, "ctl_1011")->setText(QStringLiteral("Sales"));
    clickOk(*d);
    EXPECT_TRUE(boxes.names.empty());
    EXPECT_EQ(working.m_nOneTouch, 77); // above this book's maximum, yet untouched
    EXPECT_STREQ(working.m_szReading, "ei-mii");
    EXPECT_STREQ(working.m_szDepartment, "Sales");
    EXPECT_EQ(working.m_nAccessCode, 5);
}

TEST_F(EntryDialogTest, CancelWritesNothing) {
    working = CAddrUserDataObj(kEntryFax, "Amy", "", "123", "", 0, 0, false);
    const CAddrUserDataObj before = working;
    auto d = open(EntryDialogMode::Modify, kPlainBook);
    edit(*d, "ctl_1006")->setText(QStringLiteral("Zed"));
    QTest::mouseClick(child<QPushButton>(*d, "ctl_2"), Qt::LeftButton);
    EXPECT_EQ(d->result(), QDialog::Rejected);
    EXPECT_TRUE(working.sameValues(before));
}

TEST_F(EntryDialogTest, FieldsLeftAloneKeepBytesTheCodePageCannotShow) {
    // Bytes that are no text in the system code page (UTF-8 in tests) show as
    // replacement characters; OK must not write those back.
    working = CAddrUserDataObj(kEntryFax, "A\xff" "B", "r\xfe", "123", "D\xfe" "pt", 0, 0, false);
    const CAddrUserDataObj before = working;
    BoxAnswerer boxes;
    {
        auto d = open(EntryDialogMode::Modify, kPlainBook);
        clickOk(*d);
        EXPECT_EQ(d->result(), QDialog::Accepted);
    }
    EXPECT_TRUE(working.sameValues(before)) << working.m_szName;
    EXPECT_STREQ(working.m_szDepartment, "D\xfe" "pt");

    // An edited field takes the new text; the others still keep their bytes.
    auto d = open(EntryDialogMode::Modify, kPlainBook);
    edit(*d, "ctl_1011")->setText(QStringLiteral("Sales"));
    clickOk(*d);
    EXPECT_STREQ(working.m_szDepartment, "Sales");
    EXPECT_STREQ(working.m_szName, "A\xff" "B");
    EXPECT_STREQ(working.m_szReading, "r\xfe");
    EXPECT_TRUE(boxes.names.empty());
}

} // namespace
} // namespace lisotrex::test
