// The PDX import and the address book button through the window, over a
// test installation of the bridge; the same import through the headless
// tool from the same state gives the same book.

#include "bridge_world.h"
#include "model/document.h"
#include "sample_book.h"
#include "test_environment.h"
#include "ui/bridge_client.h"
#include "ui/commands.h"
#include "ui/lisotrex_app.h"
#include "ui/main_frame.h"
#include "widget_test.h"

#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QTabWidget>
#include <QTreeView>
#include <QTreeWidget>
#include <functional>

using namespace lisotrex;
using namespace lisotrex::ui;
using namespace bridgetest;

namespace {

const char kEmptyBook[] = "0,Velmo.Lisotrex.Document,200,1600,1,1,\r\n";

class PdxWindow : public lisotrex::test::WidgetTest {
protected:
    std::string dir;
    std::unique_ptr<CLisotrexApp> app;
    Core core;
    QStringList seen; // object names of the modal windows, in order

    void SetUp() override {
        velmo::test::freshRegistry();
        useBook(kSampleBook);
        dir = velmo::test::makeTempDir("pdxwin");
        setBridgeFolder(installFolder());
        ASSERT_TRUE(core.load());
        velmo::test::writeFile(dir + "/book.abu", kEmptyBook);
        app = std::make_unique<CLisotrexApp>();
        ASSERT_TRUE(app->initInstance({"lisotrex", "/Nosplash", QString::fromStdString(dir + "/book.abu")}));
    }
    void TearDown() override {
        app.reset();
        setBridgeFolder({});
    }
    // Runs a command while `step` works every modal window that comes up.
    void runWith(int command, const std::function<void(QWidget*)>& step) {
        QTimer driver;
        driver.setInterval(5);
        // Each window is worked once: a window that becomes the active one
        // again when a window it opened closes is not a new one.
        QList<QPointer<QWidget>> worked;
        QObject::connect(&driver, &QTimer::timeout, [&] {
            QWidget* modal = QApplication::activeModalWidget();
            if (!modal || !modal->isVisible() || worked.contains(QPointer<QWidget>(modal))) return;
            worked << modal;
            seen << modal->objectName();
            // Worked from a call of its own, so a window it opens finds the driver running.
            QPointer<QWidget> guard(modal);
            QTimer::singleShot(0, [guard, &step] {
                if (guard) step(guard);
            });
        });
        driver.start();
        app->frame()->runCommand(command);
    }
    static void click(QWidget* w, const char* name) {
        if (auto* b = w->findChild<QAbstractButton*>(QString::fromLatin1(name))) b->click();
    }
    // Import: add everything, from the address book, choosing every row of `container` (or cancelling there).
    std::function<void(QWidget*)> importFrom(const QString& container, bool ok, bool* pathDisabled = nullptr) {
        return [=](QWidget* modal) {
            const QString name = modal->objectName();
            if (name == "dialog_import_mode") {
                click(modal, "mode_1");
                click(modal, "ctl_1");
            } else if (name == "dialog_132") {
                click(modal, "source_3");
                if (pathDisabled) *pathDisabled = !modal->findChild<QLineEdit*>("import_path")->isEnabled();
                click(modal, "ctl_1");
            } else if (name == "dialog_103") {
                auto* tree = modal->findChild<QTreeWidget*>("1021");
                tree->setCurrentItem(tree->findItems(container, Qt::MatchExactly | Qt::MatchRecursive).value(0));
                modal->findChild<QTreeView*>("1022")->selectAll();
                click(modal, "1043");
                click(modal, ok ? "1" : "2");
            } else if (auto* box = qobject_cast<QMessageBox*>(modal)) {
                box->buttons().front()->click();
            }
        };
    }
    std::string savedEntries(const std::string& path) {
        app->doc().saveBook(path);
        const std::string book = velmo::test::readFile(path);
        return book.substr(book.find("\r\n") + 2);
    }
};

} // namespace

TEST_F(PdxWindow, ImportThroughTheWindowMatchesTheHeadlessTool) {
    bool pathDisabled = false;
    runWith(kCmdImport, importFrom("East", true, &pathDisabled));
    EXPECT_TRUE(pathDisabled) << "no file for an address book";
    EXPECT_EQ(seen, (QStringList{"dialog_import_mode", "dialog_132", "dialog_103"}));
    EXPECT_EQ(core.serviceNames(kProgramProfile), std::vector<std::string>{"WAB"});
    ASSERT_EQ(app->doc().count(), 7u);
    const std::string byWindow = savedEntries(dir + "/window.abu");

    // The tool, from the same state (the profile exists now, the book is empty).
    velmo::test::writeFile(dir + "/empty.abu", kEmptyBook);
    std::string err;
    ASSERT_EQ(velmo::test::runCommand(velmo::test::shellQuote(installFolder() + "lisotrex-convert") + " --book " +
                                          velmo::test::shellQuote(dir + "/empty.abu") +
                                          " --import pdx --container 通訊錄/Sales/East --save " +
                                          velmo::test::shellQuote(dir + "/tool.abu"),
                                      nullptr, &err),
              0)
        << err;
    const std::string tool = velmo::test::readFile(dir + "/tool.abu");
    EXPECT_EQ(tool.substr(tool.find("\r\n") + 2), byWindow);
}

TEST_F(PdxWindow, CancelledSelectionImportsNothing) {
    runWith(kCmdImport, importFrom("Sales", false));
    EXPECT_EQ(seen, (QStringList{"dialog_import_mode", "dialog_132", "dialog_103"})) << "no message either";
    EXPECT_EQ(app->doc().count(), 0u);
}

TEST_F(PdxWindow, AddressBookButtonCreatesTheProfileAndConfiguresIt) {
    runWith(kCmdPreferences, [&](QWidget* modal) {
        if (modal->objectName() == "preferences_sheet") {
            modal->findChild<QTabWidget*>("preferences_tabs")->setCurrentIndex(5);
            modal->findChild<QPushButton*>("ctl_1006")->click();
            click(modal, "ctl_2");
        } else {
            EXPECT_EQ(modal->windowTitle(), "通訊錄") << "the PDX profile configuration";
            click(modal, "2");
        }
    });
    ASSERT_EQ(seen.size(), 2);
    EXPECT_EQ(core.serviceNames(kProgramProfile), std::vector<std::string>{"WAB"});
    // A second press keeps the profile as it is.
    seen.clear();
    runWith(kCmdPreferences, [&](QWidget* modal) {
        if (modal->objectName() == "preferences_sheet") {
            modal->findChild<QTabWidget*>("preferences_tabs")->setCurrentIndex(5);
            modal->findChild<QPushButton*>("ctl_1006")->click();
            click(modal, "ctl_2");
        } else {
            click(modal, "2");
        }
    });
    EXPECT_EQ(core.serviceNames(kProgramProfile), std::vector<std::string>{"WAB"});
}
