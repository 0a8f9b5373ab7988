#include "ui/dialogs/filter_edit.h"
#include "widget_test.h"

#include <QAction>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QMenu>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QTest>

namespace lisotrex::test {
namespace {

using ui::CFilterEdit;

constexpr uint16_t kPrintable = CFilterEdit::kDigits | CFilterEdit::kLetters | CFilterEdit::kOtherPrintable;

class FilterEditTest : public WidgetTest {
protected:
    void type(QString text) {
        for (QChar c : text) {
            QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
            QApplication::sendEvent(&edit, &press);
        }
    }
    void paste(const QString& clip) {
        QApplication::clipboard()->setText(clip);
        QTest::keySequence(&edit, QKeySequence::Paste);
    }
    CFilterEdit edit;
};

TEST_F(FilterEditTest, TypingDropsRefusedCharactersOnly) {
    edit.attach(CFilterEdit::kDigits, {}, false);
    type(QStringLiteral("1a2-3 中4"));
    EXPECT_EQ(edit.text(), QStringLiteral("1234"));

    edit.clear();
    edit.attach(kPrintable, {}, false);
    type(QStringLiteral("Fax: +81-3 中"));
    EXPECT_EQ(edit.text(), QStringLiteral("Fax: +81-3 "));
}

TEST_F(FilterEditTest, InputMethodCommitIsFiltered) {
    edit.attach(kPrintable, {}, false);
    QInputMethodEvent commit;
    commit.setCommitString(QStringLiteral("a中b"));
    QApplication::sendEvent(&edit, &commit);
    EXPECT_EQ(edit.text(), QStringLiteral("ab"));
}

TEST_F(FilterEditTest, ClassesAndExtraCharacters) {
    edit.attach(CFilterEdit::kHalfWidthKana, QStringLiteral("#"), false);
    EXPECT_TRUE(edit.allows(QChar(0xFF71)));  // half-width katakana A
    EXPECT_FALSE(edit.allows(QChar(0x30A2))); // full-width katakana A
    EXPECT_TRUE(edit.allows(u'#'));
    EXPECT_FALSE(edit.allows(u'1'));
    EXPECT_TRUE(edit.allows(QChar(0x08))); // control characters always pass

    edit.attach(0, {}, false);
    EXPECT_TRUE(edit.allows(QChar(0x4E2D)));
    edit.attach(0, QString(300, u'x'), false);
    EXPECT_EQ(edit.extra().size(), 256);
}

TEST_F(FilterEditTest, PasteWithARefusedCharacterPastesNothing) {
    BoxAnswerer boxes;
    edit.attach(kPrintable, {}, false);
    edit.setText(QStringLiteral("abc"));
    paste(QStringLiteral("12中3"));
    EXPECT_EQ(edit.text(), QStringLiteral("abc"));
    ASSERT_EQ(boxes.names, std::vector<QString>{QStringLiteral("message_6055")});
    EXPECT_EQ(boxes.texts[0], QStringLiteral("無法執行因為包含不合法字元。"));
}

TEST_F(FilterEditTest, PasteIsCutToTheLimitAndReplacesTheSelection) {
    BoxAnswerer boxes;
    edit.attach(CFilterEdit::kDigits, {}, false);
    edit.setMaxLength(7);
    paste(QStringLiteral("12345678"));
    EXPECT_EQ(edit.text(), QStringLiteral("1234567"));

    EXPECT_TRUE(boxes.names.empty());

    // A pasted line end is tested like any other character: the digits filter refuses it.
    edit.selectAll();
    paste(QStringLiteral("42\r\n"));
    EXPECT_EQ(edit.text(), QStringLiteral("1234567"));
    EXPECT_EQ(boxes.names, std::vector<QString>{QStringLiteral("message_6055")});

    // A field without a filter takes the first line only, as a single-line field does.
    edit.attach(0, {}, false);
    edit.selectAll();
    paste(QStringLiteral("42\r\n43"));
    EXPECT_EQ(edit.text(), QStringLiteral("42"));
}

TEST_F(FilterEditTest, ContextMenuPasteIsFilteredToo) {
    BoxAnswerer boxes;
    edit.attach(CFilterEdit::kDigits, {}, false);
    QApplication::clipboard()->setText(QStringLiteral("1x"));
    QContextMenuEvent open(QContextMenuEvent::Mouse, QPoint(1, 1), QPoint(1, 1));
    QApplication::sendEvent(&edit, &open);
    auto* menu = edit.findChild<QMenu*>();
    ASSERT_NE(menu, nullptr);
    QAction* pasteAction = nullptr;
    for (QAction* action : menu->actions()) {
        if (action->text().startsWith(QStringLiteral("&Paste"))) pasteAction = action;
    }
    ASSERT_NE(pasteAction, nullptr);
    pasteAction->trigger();
    menu->close();
    EXPECT_TRUE(edit.text().isEmpty());
    EXPECT_EQ(boxes.names, std::vector<QString>{QStringLiteral("message_6055")});
}

TEST_F(FilterEditTest, NoPasteAndReadOnlyTakeNothing) {
    BoxAnswerer boxes;
    edit.attach(CFilterEdit::kDigits, {}, true);
    paste(QStringLiteral("12"));
    EXPECT_TRUE(edit.text().isEmpty());

    edit.attach(CFilterEdit::kDigits, {}, false);
    edit.setReadOnly(true);
    paste(QStringLiteral("中"));
    EXPECT_TRUE(edit.text().isEmpty());
    EXPECT_TRUE(boxes.names.empty());
}

} // namespace
} // namespace lisotrex::test
