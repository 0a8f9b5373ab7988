// The window against faults found by using it: export choices after an open,
// a failed open, the wait cursor under messages, column widths, the title,
// the file dialogs' "all files", the copy key and double clicks.

#include "model/document.h"
#include "test_environment.h"
#include "ui/commands.h"
#include "ui/lisotrex_app.h"
#include "ui/list/address_list_view.h"
#include "ui/list/entry_list_model.h"
#include "ui/main_frame.h"
#include "widget_test.h"

#include <QAbstractItemView>
#include <QCheckBox>
#include <QFileDialog>
#include <QHeaderView>
#include <QLineEdit>
#include <QListView>
#include <QStyle>
#include <QStyleOptionViewItem>

#include <functional>

using namespace lisotrex;
using namespace lisotrex::ui;

namespace {

const char kBook[] = "1,Velmo.Lisotrex.Document,200,1600,0,1,\r\n"
                     "0,王小明,,02-2345-6789,業務部,12,1\r\n"
                     "1,Ann Lee,,ann@example.com,Sales,0,3\r\n"
                     "0,陳大文,,07-1234567,,0,\r\n"
                     "0,Bob,,555,,0,2\r\n";

// Hands whichever modal widget comes up to a handler, until stopped.
class ModalDriver {
public:
    explicit ModalDriver(std::function<void(QWidget&)> handler) : handler_(std::move(handler)) {
        timer_.setInterval(5);
        QObject::connect(&timer_, &QTimer::timeout, [this] {
            QWidget* modal = QApplication::activeModalWidget();
            if (modal && modal->isVisible() && !busy_) {
                busy_ = true;
                handler_(*modal);
                busy_ = false;
            }
        });
        timer_.start();
    }

private:
    std::function<void(QWidget&)> handler_;
    QTimer timer_;
    bool busy_ = false;
};

void click(QWidget& w, const char* name) {
    if (auto* b = w.findChild<QAbstractButton*>(QString::fromLatin1(name))) b->click();
}

class WindowFaults : public lisotrex::test::WidgetTest {
protected:
    std::string dir;
    std::unique_ptr<CLisotrexApp> app;

    void SetUp() override {
        velmo::test::freshRegistry();
        dir = velmo::test::makeTempDir("win");
        velmo::test::writeFile(dir + "/book.abu", kBook);
        app = std::make_unique<CLisotrexApp>();
        ASSERT_TRUE(app->initInstance({"lisotrex", "/Nosplash", QString::fromStdString(dir + "/book.abu")}));
    }
    CMainFrame& frame() { return *app->frame(); }
    EntryListModel& model() { return frame().listModel(); }
    CLisotrexView& view() { return frame().view(); }
    void selectRows(std::initializer_list<int> rows) {
        view().selectionModel()->clear();
        for (int r : rows)
            view().selectionModel()->select(model().index(r, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
    }
};

} // namespace

TEST_F(WindowFaults, ExportDialogOpensWithTheChoicesTheBookBrought) {
    // The book's header says e-mail only; the stored preferences say both.
    bool fax = true, email = false, seen = false;
    ModalDriver driver([&](QWidget& modal) {
        if (modal.objectName() != "dialog_export") return;
        seen = true;
        fax = modal.findChild<QCheckBox*>("export_fax")->isChecked();
        email = modal.findChild<QCheckBox*>("export_email")->isChecked();
        click(modal, "ctl_2");
    });
    frame().runCommand(kCmdExport);
    ASSERT_TRUE(seen);
    EXPECT_FALSE(fax);
    EXPECT_TRUE(email);
}

TEST_F(WindowFaults, FailedOpenLeavesNoRowOfAFreedEntry) {
    velmo::test::writeFile(dir + "/broken.abu", "0,Velmo.Lisotrex.Document,200\r\n");
    std::vector<QString> shown;
    int rowsDuringMessage = -1;
    const QCursor* cursorDuringMessage = reinterpret_cast<const QCursor*>(1);
    ModalDriver driver([&](QWidget& modal) {
        // A repaint while the message is up reads every row.
        rowsDuringMessage = model().rowCount();
        for (int r = 0; r < model().rowCount(); ++r)
            for (int c = 0; c < model().columnCount(); ++c) model().data(model().index(r, c), Qt::DisplayRole);
        cursorDuringMessage = QApplication::overrideCursor();
        shown.push_back(modal.objectName());
        if (auto* box = qobject_cast<QMessageBox*>(&modal)) box->button(QMessageBox::Ok)->click();
    });
    EXPECT_FALSE(app->doc().openBook(dir + "/broken.abu"));
    EXPECT_EQ(shown, std::vector<QString>{"message_6000"});
    EXPECT_LE(rowsDuringMessage, static_cast<int>(app->doc().count()));
    EXPECT_EQ(cursorDuringMessage, nullptr) << "the wait cursor is lifted while the message is up";
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    EXPECT_EQ(model().rowCount(), 0);
}

TEST_F(WindowFaults, QuestionsInAnExportShowThePointer) {
    app->prefs().exports.maxExport = 0; // every export of a plain book asks 6104
    app->doc().m_nBookType = kPlainBook;
    const QString out = QString::fromStdString(dir + "/out.abk");
    bool asked = false;
    const QCursor* cursorDuringQuestion = reinterpret_cast<const QCursor*>(1);
    ModalDriver driver([&](QWidget& modal) {
        if (modal.objectName() == "dialog_export") {
            modal.findChild<QLineEdit*>("export_path")->setText(out);
            click(modal, "ctl_1");
        } else if (auto* box = qobject_cast<QMessageBox*>(&modal)) {
            asked = box->objectName() == "question_6104";
            cursorDuringQuestion = QApplication::overrideCursor();
            box->button(QMessageBox::No)->click();
        }
    });
    frame().runCommand(kCmdExport);
    ASSERT_TRUE(asked);
    EXPECT_EQ(cursorDuringQuestion, nullptr);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST_F(WindowFaults, ColumnWidthsAndTheCurrentRowSurviveRefills) {
    view().setColumnWidth(1, 250);
    view().setColumnWidth(3, 40);
    frame().runCommand(kCmdFilterEmail);
    EXPECT_EQ(model().rowCount(), 3);
    EXPECT_EQ(view().columnWidth(1), 250);
    frame().runCommand(kCmdFilterEmail);
    EXPECT_EQ(view().columnWidth(3), 40);

    // Undo of a delete: widths, and the current row stays on its entry.
    selectRows({0});
    view().selectionModel()->setCurrentIndex(model().index(2, 1), QItemSelectionModel::NoUpdate);
    const void* current = model().rowIdentity(2);
    lisotrex::test::BoxAnswerer boxes;
    boxes.answers = {QMessageBox::Yes};
    frame().runCommand(kCmdDelete);
    frame().runCommand(kCmdUndo);
    ASSERT_EQ(model().rowCount(), 4);
    EXPECT_EQ(view().columnWidth(1), 250);
    ASSERT_TRUE(view().currentIndex().isValid());
    EXPECT_EQ(model().rowIdentity(view().currentIndex().row()), current);
    EXPECT_EQ(view().currentIndex().column(), 1);
}

TEST_F(WindowFaults, TitleNamesTheDocumentWithoutQtWarnings) {
    static std::vector<QString> warnings;
    warnings.clear();
    QtMessageHandler previous = qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString& m) {
        warnings.push_back(m);
    });
    EXPECT_EQ(frame().windowTitle(), "book.abu[*] - Kavrelo");
    selectRows({1});
    lisotrex::test::BoxAnswerer boxes;
    boxes.answers = {QMessageBox::Yes};
    frame().runCommand(kCmdDelete);
    EXPECT_TRUE(frame().isWindowModified());
    app->doc().closeBook();
    frame().documentReplaced();
    EXPECT_EQ(frame().windowTitle(), "Untitled[*] - Kavrelo") << "string 143 belongs to the save question";
    qInstallMessageHandler(previous);
    for (const QString& w : warnings) EXPECT_FALSE(w.contains("[*]")) << w.toStdString();
}

TEST_F(WindowFaults, AllFilesShowsFilesWithoutADot) {
    const std::string folder = velmo::test::makeTempDir("files");
    velmo::test::writeFile(folder + "/README", "x");
    velmo::test::writeFile(folder + "/a.abu", "x");
    app->doc().closeBook(); // File > Open then works in this window
    QStringList listed;
    bool seen = false;
    ModalDriver driver([&](QWidget& modal) {
        auto* dialog = qobject_cast<QFileDialog*>(&modal);
        if (!dialog) return;
        seen = true;
        dialog->setDirectory(QString::fromStdString(folder));
        for (const QString& f : dialog->nameFilters())
            if (f.startsWith(QStringLiteral("所有檔案"))) dialog->selectNameFilter(f);
        auto* list = dialog->findChild<QListView*>("listView");
        for (int i = 0; i < 200 && list && list->model()->rowCount(list->rootIndex()) < 2; ++i) QTest::qWait(10);
        for (int r = 0; list && r < list->model()->rowCount(list->rootIndex()); ++r)
            listed << list->model()->index(r, 0, list->rootIndex()).data().toString();
        dialog->reject();
    });
    frame().runCommand(kCmdFileOpen);
    ASSERT_TRUE(seen);
    listed.sort();
    EXPECT_EQ(listed, (QStringList{"README", "a.abu"}));
}

TEST_F(WindowFaults, CopyKeyCopiesEntriesOnlyAndDoubleClicksOnCheckBoxesDoNotModify) {
    frame().resize(760, 320);
    ASSERT_TRUE(lisotrex::test::showActive(frame()));
    selectRows({0, 1});
    view().setFocus();
    QTest::keyClick(&view(), Qt::Key_C, Qt::ControlModifier);
    ASSERT_TRUE(app->clipboard().hasEntries()) << "the key copies the selected entries";
    const std::optional<std::string> copied = app->clipboard().get();
    // No selection: the key does nothing, and the copied entries stay.
    view().selectionModel()->clear();
    view().selectionModel()->setCurrentIndex(model().index(3, 1), QItemSelectionModel::NoUpdate);
    QTest::keyClick(&view(), Qt::Key_C, Qt::ControlModifier);
    EXPECT_TRUE(app->clipboard().hasEntries());
    EXPECT_EQ(app->clipboard().get(), copied);

    int modifyDialogs = 0;
    std::vector<QString> messages;
    ModalDriver driver([&](QWidget& modal) {
        if (auto* box = qobject_cast<QMessageBox*>(&modal)) {
            messages.push_back(box->objectName());
            box->buttons().front()->click();
            return;
        }
        if (modal.objectName() == "dialog_130") ++modifyDialogs;
        click(modal, "ctl_2");
    });
    QStyleOptionViewItem option;
    option.initFrom(&view());
    option.rect = view().visualRect(model().index(1, 0));
    option.features = QStyleOptionViewItem::HasCheckIndicator | QStyleOptionViewItem::HasDisplay |
                      QStyleOptionViewItem::HasDecoration;
    const QRect box = view().style()->subElementRect(QStyle::SE_ItemViewItemCheckIndicator, &option, &view());
    selectRows({1});
    QTest::mouseDClick(view().viewport(), Qt::LeftButton, {}, box.center());
    EXPECT_EQ(modifyDialogs, 0) << "a double click on a check box is no modify command";
    EXPECT_TRUE(messages.empty());
    selectRows({1});
    QTest::mouseDClick(view().viewport(), Qt::LeftButton, {}, view().visualRect(model().index(1, 1)).center());
    EXPECT_EQ(modifyDialogs, 1);
    EXPECT_TRUE(messages.empty());
}

TEST_F(WindowFaults, FilterRefillShowsTheWaitCursor) {
    std::vector<int> shapes;
    QObject::connect(&model(), &QAbstractItemModel::modelAboutToBeReset, [&] {
        const QCursor* c = QApplication::overrideCursor();
        shapes.push_back(c ? c->shape() : -1);
    });
    frame().runCommand(kCmdFilterFax);
    EXPECT_EQ(shapes, std::vector<int>{Qt::WaitCursor});
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}
