#include "model/document.h"
#include "recording_prompter.h"
#include "settings/preferences.h"
#include "ui/dialogs/duplicate_dialog.h"
#include "widget_test.h"

#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTreeWidget>

namespace lisotrex::test {
namespace {

using ui::CDuplicateDialog;

class DuplicateDialogTest : public WidgetTest {
protected:
    DuplicateDialogTest() : doc(prompter, prefs, clipboard) {}

    void add(const char* name, const char* destination, const char* department, int32_t oneTouch = 0) {
        doc.m_list.push_back(
            std::make_unique<CAddrUserDataObj>(kEntryFax, name, "", destination, department, 0, oneTouch, false));
    }
    // Book: 0 Amy/333, 1 Bob, 2 Amy/111/Sales, 3 Amy/222/(none).
    void fillBook() {
        add("Amy", "333", "Admin", 3);
        add("Bob", "999", "", 4);
        add("Amy", "111", "Sales", 1);
        add("Amy", "222", "", 2);
    }
    DuplicateQuestion question(int mode) {
        return DuplicateQuestion{doc, mode, member, 1, 2, {0, 2, 3}, 0};
    }

    RecordingPrompter prompter;
    Preferences prefs;
    MemoryClipboard clipboard;
    CLisotrexDoc doc;
    CAddrUserDataObj member{kEntryFax, "Amy", "", "555", "R&D", 7, 0, true};
};

TEST_F(DuplicateDialogTest, ShowsTheQuestionTexts) {
    fillBook();
    const DuplicateQuestion q = question(kModeUpdateAdd);
    CDuplicateDialog dialog(q);
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("選擇重覆資料"));
    EXPECT_EQ(child<QLineEdit>(dialog, "dup_count")->text(), QStringLiteral("重覆名稱數:2"));
    EXPECT_TRUE(child<QLineEdit>(dialog, "dup_count")->isReadOnly());
    const QString description = child<QPlainTextEdit>(dialog, "dup_description")->toPlainText();
    EXPECT_TRUE(description.startsWith(QStringLiteral("No.1\n 類型: 傳真號碼\n 名稱: Amy\n")));
    EXPECT_TRUE(description.contains(QStringLiteral(" 存取號碼: 7")));
    EXPECT_EQ(child<QLabel>(dialog, "dup_instruction")->text(),
              QStringLiteral("匯入的名稱已存在於通訊錄中。請選擇要更新的項目、按「加入新項目」另外加入，或按「刪除」略過這筆匯入資料。"));
    EXPECT_FALSE(child<QPushButton>(dialog, "dup_add_new")->isHidden());
    EXPECT_EQ(child<QTreeWidget>(dialog, "dup_candidates")->columnCount(), 6); // plain book
}

TEST_F(DuplicateDialogTest, UpdateOnlyModeHidesAddNew) {
    fillBook();
    const DuplicateQuestion q = question(kModeUpdate);
    CDuplicateDialog dialog(q);
    EXPECT_TRUE(child<QLabel>(dialog, "dup_instruction")->text().endsWith(QStringLiteral("或按「刪除」略過這筆匯入資料。")));
    EXPECT_FALSE(child<QLabel>(dialog, "dup_instruction")->text().contains(QStringLiteral("加入新項目")));
    EXPECT_TRUE(child<QPushButton>(dialog, "dup_add_new")->isHidden());
}

TEST_F(DuplicateDialogTest, AnswersCarryTheSelectedCandidate) {
    fillBook();
    const DuplicateQuestion q = question(kModeUpdateAdd);
    {
        CDuplicateDialog dialog(q);
        auto* list = child<QTreeWidget>(dialog, "dup_candidates");
        auto* update = child<QPushButton>(dialog, "dup_update");
        ASSERT_EQ(list->topLevelItemCount(), 3);
        EXPECT_TRUE(list->topLevelItem(0)->isSelected());
        EXPECT_EQ(list->topLevelItem(1)->text(2), QStringLiteral("111"));
        list->clearSelection();
        EXPECT_FALSE(update->isEnabled());
        list->setCurrentItem(list->topLevelItem(2));
        EXPECT_TRUE(update->isEnabled());
        update->click();
        EXPECT_EQ(dialog.choice().answer, DuplicateAnswer::Update);
        EXPECT_EQ(dialog.choice().candidate, 3u);
    }
    {
        CDuplicateDialog dialog(q);
        child<QPushButton>(dialog, "dup_add_new")->click();
        EXPECT_EQ(dialog.choice().answer, DuplicateAnswer::AddNew);
    }
    {
        CDuplicateDialog dialog(q);
        child<QPushButton>(dialog, "dup_delete")->click();
        EXPECT_EQ(dialog.result(), QDialog::Rejected);
        EXPECT_EQ(dialog.choice().answer, DuplicateAnswer::Delete);
    }
}

TEST_F(DuplicateDialogTest, HeaderClicksSortAndReverse) {
    doc.m_nBookType = kOneTouchBook;
    fillBook();
    const DuplicateQuestion q = question(kModeUpdateAdd);
    CDuplicateDialog dialog(q);
    auto* list = child<QTreeWidget>(dialog, "dup_candidates");
    EXPECT_EQ(list->columnCount(), 7);
    EXPECT_EQ(dialog.shownOrder(), (std::vector<size_t>{0, 2, 3}));

    dialog.sortByColumn(2); // destination
    EXPECT_EQ(dialog.shownOrder(), (std::vector<size_t>{2, 3, 0}));
    EXPECT_EQ(list->topLevelItem(0)->text(0), QStringLiteral("1")); // renumbered
    dialog.sortByColumn(2);
    EXPECT_EQ(dialog.shownOrder(), (std::vector<size_t>{0, 3, 2}));

    // An empty department stays last in both directions.
    dialog.sortByColumn(3);
    EXPECT_EQ(dialog.shownOrder(), (std::vector<size_t>{0, 2, 3}));
    dialog.sortByColumn(3);
    EXPECT_EQ(dialog.shownOrder(), (std::vector<size_t>{2, 0, 3}));

    dialog.sortByColumn(5); // one-touch number in this book
    EXPECT_EQ(dialog.shownOrder(), (std::vector<size_t>{2, 3, 0}));
    dialog.sortByColumn(0); // the number column does not sort
    EXPECT_EQ(dialog.shownOrder(), (std::vector<size_t>{2, 3, 0}));
}

TEST_F(DuplicateDialogTest, SelectionFollowsTheCandidateAcrossASort) {
    fillBook();
    const DuplicateQuestion q = question(kModeUpdate);
    CDuplicateDialog dialog(q);
    auto* list = child<QTreeWidget>(dialog, "dup_candidates");
    list->setCurrentItem(list->topLevelItem(1)); // book entry 2
    dialog.sortByColumn(2);
    child<QPushButton>(dialog, "dup_update")->click();
    EXPECT_EQ(dialog.choice().candidate, 2u);
}

} // namespace
} // namespace lisotrex::test
