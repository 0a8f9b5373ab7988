// Dialog 103 driven as a user would, over a real session on the test
// provider: browse the tree, sort, search, add, remove, OK.

#include <QAbstractItemModelTester>
#include <QContextMenuEvent>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QUrl>

#include "bridge_strings.h"
#include "dialog_fixture.h"

using namespace vqbridge;
using namespace bridgetest;

namespace {

class Dialog103 : public DialogTest {};

} // namespace

TEST_F(Dialog103, BrowseSortSearchAddRemoveAndOk) {
    openBook();
    RecipientSelection s = selection();
    RecipSelectDialog d(s, installFolder(), nullptr);
    ASSERT_TRUE(d.start());
    d.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&d));
    QAbstractItemModelTester tester(d.entryList()->model(), QAbstractItemModelTester::FailureReportingMode::Warning);
    EXPECT_EQ(d.windowTitle(), "從通訊錄選擇匯入的項目。");
    EXPECT_EQ(d.containerTree()->topLevelItemCount(), 1);
    ASSERT_NE(node(d, "East"), nullptr);
    EXPECT_EQ(node(d, "East")->parent(), node(d, "Sales"));
    EXPECT_EQ(d.containerTree()->currentItem(), node(d, "Sales")) << "the default directory is shown first";
    EXPECT_FALSE(d.okButton()->isEnabled()) << "OK waits for a change";
    EXPECT_EQ(d.countText()->text(), "");
    d.containerTree()->setCurrentItem(node(d, "通訊錄"));
    EXPECT_EQ(d.entryList()->model()->rowCount(), 0) << "the provider's root holds no recipients";
    EXPECT_FALSE(d.addButton()->isEnabled());

    d.containerTree()->setCurrentItem(node(d, "Sales"));
    EXPECT_EQ(column(d, 0), (QStringList{"Ann Lee", "Ann Lee", "Ann Lee", "Bob Wu", "Carol Chen", "Dan Ho", "Nobody",
                                         "Team"}));
    EXPECT_EQ(d.entryList()->model()->headerData(3, Qt::Horizontal).toString(), "部門/處");
    EXPECT_EQ(d.entryList()->selectionModel()->selectedRows().size(), 1) << "the first row is selected";
    EXPECT_TRUE(d.addButton()->isEnabled());
    const QFontMetrics metrics = d.entryList()->fontMetrics();
    EXPECT_GE(d.entryList()->columnWidth(0), metrics.horizontalAdvance("Carol Chen")) << "names are not cut";
    EXPECT_GE(d.entryList()->columnWidth(1), metrics.horizontalAdvance("carol@example.com"));
    EXPECT_GE(d.entryList()->columnWidth(3), metrics.horizontalAdvance("部門/處") + 25);

    // Header clicks: by address, then the same column reversed.
    QHeaderView* header = d.entryList()->header();
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, QPoint(header->sectionViewportPosition(1) + 5, 5));
    EXPECT_EQ(column(d, 1).first(), "") << "the list and the row without address come first";
    EXPECT_EQ(header->sortIndicatorSection(), 1);
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, QPoint(header->sectionViewportPosition(1) + 5, 5));
    EXPECT_EQ(column(d, 1).first(), "carol@example.com");
    EXPECT_EQ(header->sortIndicatorOrder(), Qt::DescendingOrder);

    // Search by the start of a name.
    d.searchField()->setFocus();
    QTest::keyClicks(d.searchField(), "da");
    const QModelIndexList found = d.entryList()->selectionModel()->selectedRows();
    ASSERT_EQ(found.size(), 1);
    EXPECT_EQ(found.front().data().toString(), "Dan Ho");
    EXPECT_EQ(d.informationBox()->toPlainText(), QString("Dan Ho\nDelta\nSupport\n03-3333-0000 ") + kHomeLabel);

    // Add Ann's business row and the list; a double click adds Carol.
    selectEntries(d, {rowOf(d, "Ann Lee", "02-2222-0000"), rowOf(d, "Team", "")});
    QTest::mouseClick(d.addButton(), Qt::LeftButton);
    EXPECT_EQ(d.importList()->count(), 8);
    EXPECT_EQ(d.countText()->text(), "8");
    EXPECT_EQ(d.importList()->selectedItems().size(), 8) << "the new items are selected";
    EXPECT_TRUE(d.containerTree()->hasFocus() || !d.isActiveWindow());
    EXPECT_TRUE(d.okButton()->isEnabled());
    const int carol = rowOf(d, "Carol Chen", "carol@example.com");
    const QRect rect = d.entryList()->visualRect(d.entryList()->model()->index(carol, 0));
    QTest::mouseClick(d.entryList()->viewport(), Qt::LeftButton, {}, rect.center());
    QTest::mouseDClick(d.entryList()->viewport(), Qt::LeftButton, {}, rect.center());
    EXPECT_EQ(d.importList()->count(), 9);
    EXPECT_EQ(items(d).first(), "Ann Lee - 02-1111-0000");
    EXPECT_TRUE(items(d).contains("Carol Chen - carol@example.com"));

    // Remove two items; the one after them is selected.
    d.importList()->clearSelection();
    d.importList()->item(1)->setSelected(true);
    d.importList()->item(2)->setSelected(true);
    EXPECT_TRUE(d.removeButton()->isEnabled());
    QTest::mouseClick(d.removeButton(), Qt::LeftButton);
    EXPECT_EQ(d.importList()->count(), 7);
    ASSERT_EQ(d.importList()->selectedItems().size(), 1);
    EXPECT_EQ(d.importList()->row(d.importList()->selectedItems().front()), 1);

    // Ctrl+A selects every row of the entry list.
    d.entryList()->setFocus();
    QTest::keyClick(d.entryList(), Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(d.entryList()->selectionModel()->selectedRows().size(), 8);

    QTest::mouseClick(d.okButton(), Qt::LeftButton);
    EXPECT_EQ(d.result(), QDialog::Accepted);
    ASSERT_EQ(s.importList().size(), 7u);
    EXPECT_EQ(s.importList().front().displayName, "Ann Lee");
    EXPECT_TRUE(messages.empty());
}

TEST_F(Dialog103, TooManyRecipientsShowsTheCapacityAndAddsNothing) {
    openBook();
    RecipientSelection s = selection(10);
    RecipSelectDialog d(s, installFolder(), nullptr);
    ASSERT_TRUE(d.start());
    d.containerTree()->setCurrentItem(node(d, "Sales"));
    d.selectAllRows();
    d.addSelected();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].first, 10);
    EXPECT_EQ(messages[0].second, "您選擇太多的收件人。\n最多收件人數為 10");
    EXPECT_EQ(d.importList()->count(), 0);
    EXPECT_FALSE(d.okButton()->isEnabled());
}

TEST_F(Dialog103, PreselectedRecipientsAndAnAddressBookWithoutContainers) {
    openBook();
    Recipient pre;
    pre.displayName = "Zed";
    pre.address = "999";
    {
        RecipientSelection s = selection(10, {pre});
        RecipSelectDialog d(s, installFolder(), nullptr);
        ASSERT_TRUE(d.start());
        EXPECT_EQ(items(d), QStringList{"Zed - 999"});
        EXPECT_TRUE(d.importList()->item(0)->isSelected());
        EXPECT_TRUE(d.removeButton()->isEnabled());
        EXPECT_EQ(d.countText()->text(), "1");
    }
    book->Release();
    session->Release();
    book = nullptr;
    session = nullptr;
    ASSERT_EQ(core.createProfile("Empty", {}), 0);
    ASSERT_EQ(core.open(0, "Empty", 0, 0, 0, 0, &book, &session), 0);
    RecipientSelection s = selection();
    RecipSelectDialog d(s, installFolder(), nullptr);
    EXPECT_FALSE(d.start());
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].first, 55);
    EXPECT_EQ(messages[0].second, "沒有可用的通訊錄。");
}

TEST_F(Dialog103, ContextHelpOpensThePdxHelpAndShowsWhatsThis) {
    openBook();
    RecipientSelection s = selection();
    RecipSelectDialog d(s, installFolder(), nullptr);
    ASSERT_TRUE(d.start());
    std::vector<QUrl> opened;
    platform::setHelpOpener([&](const QUrl& url) { opened.push_back(url); });
    std::vector<QString> shown;
    platform::setWhatsThisShower([&](QWidget*, const QPoint&, const QString& text) { shown.push_back(text); });

    QTest::keyClick(d.addButton(), Qt::Key_F1);
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_EQ(opened[0].toLocalFile().toStdString(), installFolder() + "help/vqcore.html");
    EXPECT_EQ(opened[0].fragment(), "0x1004");

    QContextMenuEvent click(QContextMenuEvent::Mouse, QPoint(5, 5), QPoint(5, 5));
    QApplication::sendEvent(d.entryList()->viewport(), &click);
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].toStdString(), loadString(0x1002));
}

TEST(SelectionHelp, EveryContextHasItsTextInThePdxHelpFile) {
    const std::string help = velmo::test::readFile(std::string(VELMO_SOURCE_DIR) + "/resources/vqcore/help/vqcore.html");
    for (const platform::HelpPair& pair : kSelectionHelp) {
        const std::string anchor = QString::asprintf("<dt id=\"0x%04X\">", pair.context).toStdString();
        const size_t at = help.find(anchor);
        ASSERT_NE(at, std::string::npos) << anchor;
        const size_t text = help.find("<dd>", at);
        EXPECT_EQ(help.compare(text + 4, loadString(int(pair.context)).size(), loadString(int(pair.context))), 0)
            << anchor;
    }
}

TEST_F(Dialog103, Screenshot) {
    const char* out = std::getenv("VELMO_SCREENSHOT_DIR");
    if (!out) GTEST_SKIP() << "set VELMO_SCREENSHOT_DIR to write a picture of the dialog";
    openBook();
    RecipientSelection s = selection();
    RecipSelectDialog d(s, installFolder(), nullptr);
    ASSERT_TRUE(d.start());
    d.containerTree()->setCurrentItem(node(d, "Sales"));
    selectEntries(d, {0, 1, 2, 7});
    d.addSelected();
    selectEntries(d, {0});
    d.show();
    QTest::qWait(200);
    d.grab().save(QString::fromUtf8(out) + "/dialog_103.png");
}
