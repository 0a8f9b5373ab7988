// The main window driven as a user would: commands, list, status pane,
// clipboard between two windows, undo through the menu.

#include "model/document.h"
#include "strings/strings.h"
#include "test_environment.h"
#include "ui/commands.h"
#include "ui/dialogs/entry_dialog.h"
#include "ui/lisotrex_app.h"
#include "ui/list/address_list_view.h"
#include "ui/list/entry_list_model.h"
#include "ui/main_frame.h"
#include "widget_test.h"

#include <QAbstractItemModelTester>
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QMimeData>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTextEdit>
#include <QLabel>
#include <QMenuBar>
#include <QToolBar>

using namespace lisotrex;
using namespace lisotrex::ui;
using lisotrex::test::BoxAnswerer;

namespace {

const char kBook[] = "1,Velmo.Lisotrex.Document,200,1600,1,1,\r\n"
                     "0,王小明,,02-2345-6789,業務部,12,1\r\n"
                     "1,Ann Lee,,ann@example.com,Sales,0,3\r\n"
                     "0,陳大文,,07-1234567,,0,\r\n"
                     "0,Bob,,555,,0,2\r\n";

class FrameTest : public lisotrex::test::WidgetTest {
protected:
    std::string dir;
    std::unique_ptr<CLisotrexApp> app;

    void SetUp() override {
        velmo::test::freshRegistry();
        dir = velmo::test::makeTempDir("frame");
        app = open("book.abu", kBook);
    }
    std::unique_ptr<CLisotrexApp> open(const std::string& name, const std::string& bytes) {
        velmo::test::writeFile(dir + "/" + name, bytes);
        auto a = std::make_unique<CLisotrexApp>();
        EXPECT_TRUE(a->initInstance({"lisotrex", "/Nosplash", QString::fromStdString(dir + "/" + name)}));
        return a;
    }
    CMainFrame& frame() { return *app->frame(); }
    EntryListModel& model() { return frame().listModel(); }
    std::vector<QString> column(int c) {
        std::vector<QString> out;
        for (int r = 0; r < model().rowCount(); ++r) out.push_back(model().data(model().index(r, c), Qt::DisplayRole).toString());
        return out;
    }
    void selectRows(std::initializer_list<int> rows) {
        auto* sel = frame().view().selectionModel();
        sel->clear();
        for (int r : rows) sel->select(model().index(r, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
    }
};

} // namespace

TEST_F(FrameTest, MenusToolBarsAndPanes) {
    QStringList menus;
    for (QAction* a : frame().menuBar()->actions()) menus << a->text();
    EXPECT_EQ(menus, (QStringList{"檔案(&F)", "編輯(&E)", "設定(&S)", "檢查(&C)", "檢視(&V)", "說明(&H)"}));
    EXPECT_EQ(frame().mainBar()->objectName(), "MAINBAR");
    EXPECT_EQ(frame().filterBar()->actions().size(), 2);
    EXPECT_TRUE(frame().action(kCmdFilterFax)->isChecked());
    EXPECT_EQ(frame().action(kCmdImport)->statusTip(), "匯入通訊錄。");
    EXPECT_EQ(frame().action(kCmdImport)->toolTip(), "匯入");
    EXPECT_EQ(frame().action(kCmdFileOpen)->text(), "開啟(&O)...\tCtrl+O");
    frame().refreshStatus();
    EXPECT_EQ(frame().messagePane()->text(), "4 / 4");
    frame().documentReplaced();
    EXPECT_EQ(frame().kindPane()->text(), "包含單鍵傳真，E-mail");
    EXPECT_EQ(model().columnCount(), 7) << "one-touch book: number, name, destination, department, access, one-touch, mark";
    EXPECT_EQ(column(0), (std::vector<QString>{"1", "2", "3", "4"}));
    EXPECT_EQ(column(4), (std::vector<QString>{"12", "", "", ""}));
    EXPECT_EQ(frame().view().columnWidth(0), 65);
    EXPECT_EQ(frame().view().columnWidth(1), 100);
    EXPECT_EQ(frame().view().columnWidth(6), 16) << "the update mark's column";
    QAbstractItemModelTester tester(&model(), QAbstractItemModelTester::FailureReportingMode::Warning);
}

TEST_F(FrameTest, SortingTwiceReversesAndHeaderClicksMapToKeys) {
    frame().runCommand(kCmdSortName);
    std::vector<QString> ascending = column(1);
    frame().runCommand(kCmdSortName);
    std::vector<QString> descending = column(1);
    EXPECT_EQ(std::vector<QString>(ascending.rbegin(), ascending.rend()), descending);
    EXPECT_EQ(column(0), (std::vector<QString>{"1", "2", "3", "4"})) << "rows renumbered after sorting";
    frame().runCommand(kCmdSortAccessCode);
    EXPECT_EQ(model().sortDirection(), 0) << "another key starts ascending";
    EXPECT_EQ(column(4).front(), "12");
    EXPECT_EQ(model().keyForColumn(5), kSortOneTouch);
    EXPECT_EQ(model().keyForColumn(0), 0);
    frame().runCommand(kCmdSortOneTouch);
    EXPECT_EQ(column(5), (std::vector<QString>{"1", "2", "3", ""}));
}

TEST_F(FrameTest, FilterButtonsEmptyTheListButTheStatusCountsAll) {
    frame().action(kCmdFilterFax)->trigger();
    EXPECT_EQ(model().rowCount(), 1);
    EXPECT_FALSE(frame().action(kCmdFilterFax)->isChecked());
    frame().action(kCmdFilterEmail)->trigger();
    EXPECT_EQ(model().rowCount(), 0);
    frame().refreshStatus();
    EXPECT_EQ(frame().messagePane()->text(), "4 / 4");
    frame().action(kCmdFilterFax)->trigger();
    EXPECT_EQ(model().rowCount(), 3);
}

TEST_F(FrameTest, CheckAndUncheckNeedASelection) {
    BoxAnswerer boxes;
    frame().view().selectionModel()->clear();
    frame().runCommand(kCmdCheck);
    frame().runCommand(kCmdUncheck);
    EXPECT_EQ(boxes.names, (std::vector<QString>{"message_6007", "message_6007"}));
    selectRows({1, 3});
    frame().runCommand(kCmdUncheck);
    EXPECT_EQ(app->doc().m_nCheckedCount, 2u);
    EXPECT_EQ(model().data(model().index(1, 0), Qt::CheckStateRole).toInt(), Qt::Unchecked);
    frame().refreshStatus();
    EXPECT_EQ(frame().messagePane()->text(), "2 / 4");
    // Clicking a check box writes the entry's mark.
    model().setData(model().index(1, 0), Qt::Checked, Qt::CheckStateRole);
    EXPECT_EQ(app->doc().entry(1).m_bChecked, 1u);
    EXPECT_FALSE(frame().action(kCmdExport)->isEnabled() == (app->doc().m_nCheckedCount == 0));
}

TEST_F(FrameTest, DeleteAndUndoThroughTheMenu) {
    BoxAnswerer boxes;
    boxes.answers = {QMessageBox::Yes};
    selectRows({0, 2});
    frame().action(kCmdDelete)->trigger();
    EXPECT_EQ(boxes.names, std::vector<QString>{"question_6102"});
    EXPECT_EQ(column(1), (std::vector<QString>{"Ann Lee", "Bob"}));
    EXPECT_TRUE(frame().action(kCmdUndo)->isEnabled());
    frame().action(kCmdUndo)->trigger();
    EXPECT_EQ(boxes.names.size(), 1u) << "undoing a delete asks nothing";
    EXPECT_EQ(column(1), (std::vector<QString>{"王小明", "Ann Lee", "陳大文", "Bob"}));
    EXPECT_FALSE(frame().action(kCmdUndo)->isEnabled());
}

TEST_F(FrameTest, CopyAndPasteBetweenTwoWindows) {
    auto other = open("plain.abu", "0,Velmo.Lisotrex.Document,200,1600,1,1,\r\n0,Zed,,999,,0\r\n");
    EXPECT_FALSE(other->frame()->action(kCmdPaste)->isEnabled() && !app->clipboard().hasEntries());
    selectRows({0, 1});
    frame().action(kCmdCopy)->trigger();
    EXPECT_TRUE(app->clipboard().hasEntries());
    std::optional<std::string> block = app->clipboard().get();
    ASSERT_TRUE(block);
    EXPECT_EQ(block->back(), '\0');
    // On the system clipboard under the private format's registered name.
    const QMimeData* mime = QApplication::clipboard()->mimeData();
    ASSERT_TRUE(mime && mime->hasFormat(QStringLiteral("CF_PRIVATE_VARNISTEL")));
    EXPECT_EQ(mime->data(QStringLiteral("CF_PRIVATE_VARNISTEL")).toStdString(), *block);
    other->frame()->updateCommands();
    EXPECT_TRUE(other->frame()->action(kCmdPaste)->isEnabled());
    other->frame()->action(kCmdPaste)->trigger();
    CLisotrexDoc& doc = other->doc();
    ASSERT_EQ(doc.count(), 3u);
    EXPECT_STREQ(doc.entry(1).m_szName, "王小明");
    EXPECT_STREQ(doc.entry(2).m_szDestination, "ann@example.com");
    EXPECT_EQ(doc.entry(1).m_nOneTouch, 0) << "a plain book takes no one-touch numbers";
    EXPECT_EQ(other->frame()->listModel().rowCount(), 3);
}

TEST_F(FrameTest, RenumberFollowsTheViewOrder) {
    frame().runCommand(kCmdSortName);
    std::vector<QString> order = column(1);
    frame().runCommand(kCmdRenumber);
    EXPECT_EQ(column(5), (std::vector<QString>{"1", "2", "3", "4"}));
    EXPECT_EQ(column(1), order);
}

TEST_F(FrameTest, ImportWithTwoSameNamesAsksForEach) {
    velmo::test::writeFile(dir + "/in.abu", "0,Velmo.Lisotrex.Document,200,1600,1,1,\r\n"
                                            "0,Bob,,556,New,0\r\n0,Bob,,557,Newer,0\r\n");
    std::vector<QString> descriptions, counts;
    // Answers whichever dialog of the import is up: the mode (update and add),
    // the source and file, and each duplicate question with its first candidate.
    QTimer driver;
    driver.setInterval(5);
    QObject::connect(&driver, &QTimer::timeout, [&] {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal || !modal->isVisible()) return;
        auto click = [&](const char* name) {
            if (auto* b = modal->findChild<QAbstractButton*>(QString::fromLatin1(name))) b->click();
        };
        const QString name = modal->objectName();
        if (name == "dialog_import_mode") {
            click("mode_1");
            click("ctl_1");
        } else if (name == "dialog_132") {
            click("source_2");
            modal->findChild<QLineEdit*>("import_path")->setText(QString::fromStdString(dir + "/in.abu"));
            click("ctl_1");
        } else if (name == "dialog_duplicate") {
            descriptions.push_back(modal->findChild<QPlainTextEdit*>("dup_description")
                                       ? modal->findChild<QPlainTextEdit*>("dup_description")->toPlainText()
                                       : modal->findChild<QTextEdit*>("dup_description")->toPlainText());
            counts.push_back(modal->findChild<QLineEdit*>("dup_count")->text());
            click(descriptions.size() == 1 ? "dup_update" : "dup_add_new");
        } else if (auto* box = qobject_cast<QMessageBox*>(modal)) {
            ADD_FAILURE() << box->objectName().toStdString();
            if (!box->buttons().isEmpty()) box->buttons().front()->click();
        }
    });
    driver.start();
    frame().runCommand(kCmdImport);
    driver.stop();
    ASSERT_EQ(descriptions.size(), 2u);
    EXPECT_TRUE(descriptions[0].startsWith("No.1")) << descriptions[0].toStdString();
    EXPECT_TRUE(descriptions[1].startsWith("No.2"));
    EXPECT_EQ(counts[0], "重覆名稱數:2");
    CLisotrexDoc& doc = app->doc();
    ASSERT_EQ(doc.count(), 5u);
    EXPECT_STREQ(doc.entry(3).m_szDestination, "556") << "the first updates Bob";
    EXPECT_STREQ(doc.entry(4).m_szDestination, "557") << "the second is added";
    EXPECT_EQ(doc.entry(4).m_nOneTouch, 4) << "lowest free one-touch number";
    EXPECT_EQ(model().rowCount(), 5);
    EXPECT_TRUE(frame().action(kCmdUndo)->isEnabled());
}

TEST_F(FrameTest, ProgramOpensTheNamedBookAndKeepsRunning) {
    // 124: still running when timeout ended it.
    std::string err;
    EXPECT_EQ(velmo::test::runCommand("timeout 4 " + velmo::test::binPath("lisotrex") +
                                          " -platform offscreen /Nosplash '" + dir + "/book.abu'",
                                      nullptr, &err),
              124)
        << err;
    std::string reg;
    velmo::test::runCommand(velmo::test::binPath("velmo-reg") + " export", &reg);
    EXPECT_NE(reg.find("[HKEY_CURRENT_USER\\Software\\Velmo\\Kavrelo\\Recent File List]\n\"File1\"=\"" + dir +
                       "/book.abu\""),
              std::string::npos)
        << reg;
}

TEST_F(FrameTest, CommandLine) {
    auto info = CLisotrexCommandLineInfo::parse({"lisotrex", "-NOSPLASH", "/tmp/x.abu"});
    EXPECT_FALSE(info.showSplash);
    EXPECT_EQ(info.fileToOpen.value_or(""), "/tmp/x.abu") << "an absolute path is no switch";
    info = CLisotrexCommandLineInfo::parse({"lisotrex", "/nosplash"});
    EXPECT_FALSE(info.showSplash);
    EXPECT_FALSE(info.fileToOpen);
    EXPECT_TRUE(CLisotrexCommandLineInfo::parse({"lisotrex", "book.abu"}).showSplash);
}

TEST_F(FrameTest, Screenshots) {
    const char* out = std::getenv("VELMO_SCREENSHOT_DIR");
    if (!out) GTEST_SKIP() << "set VELMO_SCREENSHOT_DIR to write pictures of the windows";
    frame().resize(760, 320);
    frame().show();
    QTest::qWait(50);
    frame().grab().save(QString::fromUtf8(out) + "/main_window.png");
    CAddrUserDataObj working(app->doc().entry(0));
    CEntryDialog dialog(working, EntryDialogMode::Modify, kOneTouchBook, 200, &frame());
    dialog.show();
    QTest::qWait(50);
    dialog.grab().save(QString::fromUtf8(out) + "/entry_dialog.png");
}
