// Dialogs 103 and 104 with real widgets (offscreen).

#include <gtest/gtest.h>

#include <QApplication>
#include <QContextMenuEvent>
#include <QFile>
#include <QInputDevice>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QUrl>
#include <QWhatsThis>
#include <cstdlib>

#include "core_test_util.h"
#include "dialogs.h"
#include "dialogs_impl.h"
#include "pdx/pdx.h"
#include "profile_store.h"
#include "service_inf.h"
#include "test_environment.h"

using namespace pdx;
using namespace pdx::core;

extern "C" HRESULT PDXAdminProfiles(ULONG flags, IPDXProfAdmin** out);

namespace {

// Answers dialog 104 without showing it.
class ScriptedListDialog : public AddressBookListDialog {
public:
    using AddressBookListDialog::AddressBookListDialog;
    std::string answer;
    int button = kDialogOk;

protected:
    int chooseService(std::string& name) override {
        name = answer;
        return button;
    }
};

class Dialogs : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        static int argc = 1;
        static char name[] = "core_dialog_test";
        static char* argv[] = {name, nullptr};
        // Input events register devices in a process-wide list; touching it
        // first makes it outlive the static application, whose destruction
        // at exit unregisters them.
        (void)QInputDevice::devices();
        static QApplication app(argc, argv);
    }
    void SetUp() override {
        velmo::test::freshRegistry();
        dir_ = velmo::test::makeTempDir("inf");
        setServiceInfPath(coretest::writeTestInf(dir_));
        setenv("PDXTEST_LOG", (dir_ + "/entry.log").c_str(), 1);
        unsetenv("PDXTEST_RESULT");
        setMessageHandler([this](QWidget*, int id) { messages_.push_back(id); });
        ASSERT_EQ(PDXAdminProfiles(0, admin_.out()), S_OK);
        ASSERT_EQ(admin_->CreateProfile("P", 0, MAPI_DEFAULT_SERVICES), S_OK);
        ASSERT_EQ(admin_->AdminServices("P", 0, services_.out()), S_OK);
    }
    void TearDown() override {
        setMessageHandler({});
        platform::setHelpOpener({});
        platform::setWhatsThisShower({});
        services_.reset();
        admin_.reset();
        setServiceInfPath({});
        platform::closeRegistry();
    }
    // Gives the service named `service` the resource flags `flags`.
    void setFlags(const char* service, ULONG flags) {
        RowStore rows;
        ASSERT_EQ(readServices("P", rows), S_OK);
        for (auto& row : rows.rows()) {
            const PropNode* name = row.find(PR_SERVICE_NAME);
            if (std::string(reinterpret_cast<const char*>(name->data())) != service) continue;
            row.set(coretest::longProp(PR_RESOURCE_FLAGS, LONG(flags)));
            ASSERT_EQ(writeServiceRow(std::string("P"), row), S_OK);
        }
    }
    std::string dir_;
    std::vector<int> messages_;
    object_ptr<IPDXProfAdmin> admin_;
    object_ptr<IPDXServiceAdmin> services_;
};

} // namespace

TEST_F(Dialogs, ButtonsFollowTheServiceFlags) {
    setFlags("TESTA", SERVICE_NO_DELETE | SERVICE_NO_EDIT);
    setFlags("TESTB", SERVICE_NO_EDIT);
    ScriptedListDialog dialog(services_.get(), nullptr);
    ASSERT_EQ(dialog.list()->count(), 2);
    EXPECT_EQ(dialog.windowTitle(), QString::fromUtf8("通訊錄"));
    EXPECT_EQ(dialog.registerButton()->text(), QString::fromUtf8("註冊(&R)..."));
    // TESTB has no display name of its own, so it sorts first.
    ASSERT_EQ(dialog.list()->item(1)->text(), "Test A");
    dialog.list()->setCurrentRow(1); // TESTA: both refused
    EXPECT_FALSE(dialog.deleteButton()->isEnabled());
    EXPECT_FALSE(dialog.editButton()->isEnabled());
    dialog.deleteService();
    dialog.editService();
    EXPECT_EQ(dialog.list()->count(), 2);
    dialog.list()->setCurrentRow(0); // TESTB: may be deleted, not edited
    EXPECT_TRUE(dialog.deleteButton()->isEnabled());
    EXPECT_FALSE(dialog.editButton()->isEnabled());
    dialog.deleteService();
    EXPECT_EQ(dialog.list()->count(), 1);
    EXPECT_EQ(dialog.list()->currentRow(), 0);
    RowStore rows;
    ASSERT_EQ(readServices("P", rows), S_OK);
    EXPECT_EQ(rows.size(), 1u);
}

TEST_F(Dialogs, EmptyProfileLeavesBothButtonsEnabledAndInert) {
    ASSERT_EQ(admin_->CreateProfile("Empty", 0, 0), S_OK);
    object_ptr<IPDXServiceAdmin> empty;
    ASSERT_EQ(admin_->AdminServices("Empty", 0, empty.out()), S_OK);
    ScriptedListDialog dialog(empty.get(), nullptr);
    EXPECT_EQ(dialog.list()->count(), 0);
    EXPECT_TRUE(dialog.deleteButton()->isEnabled());
    EXPECT_TRUE(dialog.editButton()->isEnabled());
    dialog.deleteService();
    dialog.editService();
    EXPECT_TRUE(messages_.empty());
}

TEST_F(Dialogs, RegisterReportsCollisionAndFailure) {
    ScriptedListDialog dialog(services_.get(), nullptr);
    dialog.answer = "TESTA"; // single copy, already there
    dialog.registerService();
    dialog.answer = ""; // nothing chosen
    dialog.registerService();
    setenv("PDXTEST_RESULT", "80040113", 1); // the provider's dialog was cancelled
    dialog.answer = "TESTB";
    dialog.registerService();
    EXPECT_EQ(messages_, (std::vector<int>{4, 5}));
    dialog.button = kDialogCancel;
    dialog.registerService();
    EXPECT_EQ(dialog.list()->count(), 2);

    unsetenv("PDXTEST_RESULT");
    dialog.button = kDialogOk;
    dialog.registerService();
    EXPECT_EQ(dialog.list()->count(), 3);
    EXPECT_EQ(messages_.size(), 2u);
}

TEST_F(Dialogs, RegisterDialogChecksSupportFiles) {
    RegisterDialog dialog(nullptr);
    EXPECT_EQ(dialog.windowTitle(), QString::fromUtf8("註冊通訊錄"));
    ASSERT_EQ(dialog.list()->count(), 3);
    auto select = [&](const char* text) {
        auto items = dialog.list()->findItems(QString::fromUtf8(text), Qt::MatchExactly);
        ASSERT_EQ(items.size(), 1);
        dialog.list()->setCurrentItem(items[0]);
    };
    dialog.open();
    select("Test provider B"); // second support file is missing
    dialog.accept();
    EXPECT_TRUE(dialog.isVisible());
    select("No module"); // no support files named: the row's list has no values
    dialog.accept();
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ(messages_, (std::vector<int>{11, 13}));
    select("Test provider A");
    dialog.accept();
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(dialog.chosen(), "TESTA");

    // A line with nothing after "=" names one file without a name, found nowhere.
    velmo::test::writeFile(dir_ + "/blank.inf", "[Services]\nBLANK=Blank list\n[BLANK]\nPR_SERVICE_SUPPORT_FILES=\n");
    setServiceInfPath(dir_ + "/blank.inf");
    messages_.clear();
    RegisterDialog blank(nullptr);
    blank.open();
    ASSERT_EQ(blank.list()->count(), 1);
    blank.accept();
    EXPECT_TRUE(blank.isVisible());
    EXPECT_EQ(messages_, (std::vector<int>{11}));
}

namespace {

struct ShownText {
    QString control;
    QString text;
};

// Records what context help would open and show.
class ContextHelpTest : public Dialogs {
protected:
    void SetUp() override {
        Dialogs::SetUp();
        platform::setHelpOpener([this](const QUrl& url) { urls_.push_back(url); });
        platform::setWhatsThisShower([this](QWidget* control, const QPoint&, const QString& text) {
            shown_.push_back({control->objectName(), text});
        });
    }
    // The fragments opened so far, then forgets them.
    std::vector<QString> takeFragments() {
        std::vector<QString> fragments;
        for (const QUrl& url : urls_) fragments.push_back(url.fragment());
        urls_.clear();
        return fragments;
    }
    static void rightClick(QWidget* target) {
        QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(2, 2), target->mapToGlobal(QPoint(2, 2)));
        QApplication::sendEvent(target, &event);
    }
    std::vector<QUrl> urls_;
    std::vector<ShownText> shown_;
};

// The text of the help file after the anchor `id`, up to the next anchor.
QString helpSection(const QString& html, const QString& id) {
    const int start = html.indexOf("id=\"" + id + "\"");
    if (start < 0) return {};
    const int end = html.indexOf("id=\"", start + 1);
    return html.mid(start, end < 0 ? -1 : end - start);
}

template <class T> T* control(QWidget* dialog, const char* id) {
    return dialog->findChild<T*>(id, Qt::FindDirectChildrenOnly);
}

} // namespace

TEST_F(ContextHelpTest, F1OpensTheHelpFileAtTheControlsContext) {
    ScriptedListDialog dialog(services_.get(), nullptr);
    dialog.show();
    QTest::keyClick(dialog.registerButton(), Qt::Key_F1);
    ASSERT_EQ(urls_.size(), 1u);
    EXPECT_TRUE(urls_[0].toString().endsWith("/help/vqcore.html#0x0D02")) << urls_[0].toString().toStdString();
    EXPECT_EQ(urls_[0].toLocalFile(), QString(VELMO_BIN_DIR "/help/vqcore.html"));
    urls_.clear();

    QTest::keyClick(dialog.list(), Qt::Key_F1);
    QTest::keyClick(dialog.deleteButton(), Qt::Key_F1);
    QTest::keyClick(dialog.editButton(), Qt::Key_F1);
    QTest::keyClick(control<QWidget>(&dialog, "2005"), Qt::Key_F1);
    EXPECT_EQ(takeFragments(), (std::vector<QString>{"0x0D01", "0x0D04", "0x0D03", "0x0D01"}));
    // Controls without a help context, and Shift+F1 (Qt's What's This mode), open nothing.
    QTest::keyClick(control<QPushButton>(&dialog, "1"), Qt::Key_F1);
    QTest::keyClick(dialog.registerButton(), Qt::Key_F1, Qt::ShiftModifier);
    EXPECT_TRUE(urls_.empty());
    // F1 still leaves the list's own keys alone.
    ASSERT_EQ(dialog.list()->currentRow(), 0);
    QTest::keyClick(dialog.list(), Qt::Key_Down);
    EXPECT_EQ(dialog.list()->currentRow(), 1);

    RegisterDialog chooser(nullptr);
    chooser.show();
    QTest::keyClick(chooser.list(), Qt::Key_F1);
    QTest::keyClick(control<QWidget>(&chooser, "2006"), Qt::Key_F1);
    EXPECT_EQ(takeFragments(), (std::vector<QString>{"0x0E01", "0x0E01"}));
    EXPECT_TRUE(messages_.empty());
}

TEST_F(ContextHelpTest, RightClickShowsTheWhatsThisTextOfTheHelpFile) {
    ScriptedListDialog dialog(services_.get(), nullptr);
    dialog.show();
    rightClick(dialog.editButton());
    rightClick(dialog.list()->viewport()); // a list box is clicked on its viewport
    ASSERT_EQ(shown_.size(), 2u);
    EXPECT_EQ(shown_[0].control, "1008");
    EXPECT_EQ(shown_[0].text, dialog.editButton()->whatsThis());
    EXPECT_EQ(shown_[1].control, "1005");
    EXPECT_EQ(shown_[1].text, dialog.list()->whatsThis());
    EXPECT_TRUE(urls_.empty());

    // Each control's What's This text is the help file's text at its anchor.
    QFile file(VELMO_BIN_DIR "/help/vqcore.html");
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QString html = QString::fromUtf8(file.readAll());
    RegisterDialog chooser(nullptr);
    const std::pair<QWidget*, const char*> controls[] = {
        {control<QWidget>(&dialog, "2005"), "0x0D01"}, {dialog.list(), "0x0D01"},
        {dialog.registerButton(), "0x0D02"},         {dialog.editButton(), "0x0D03"},
        {dialog.deleteButton(), "0x0D04"},           {control<QWidget>(&chooser, "2006"), "0x0E01"},
        {chooser.list(), "0x0E01"}};
    for (const auto& [widget, anchor] : controls) {
        ASSERT_NE(widget, nullptr) << anchor;
        const QString section = helpSection(html, anchor);
        EXPECT_FALSE(section.isEmpty()) << anchor;
        EXPECT_FALSE(widget->whatsThis().isEmpty()) << anchor;
        EXPECT_TRUE(section.contains(widget->whatsThis())) << anchor;
    }
    EXPECT_TRUE(control<QWidget>(&dialog, "1")->whatsThis().isEmpty());

    // Without a recorder the text pops up as Qt's What's This window.
    platform::setWhatsThisShower({});
    rightClick(dialog.deleteButton());
    bool popup = false;
    for (QWidget* w : QApplication::topLevelWidgets())
        popup = popup || (w->isVisible() && w->inherits("QWhatsThat"));
    EXPECT_TRUE(popup);
    QWhatsThis::hideText();
}

// ConfigureProfile with the real dialog 103, driven from a timer while it runs.
TEST_F(Dialogs, ConfigureProfileShowsTheListAndUndoesOnCancel) {
    setFlags("TESTA", SERVICE_NO_DELETE | SERVICE_NO_EDIT);
    struct Seen {
        QString caption;
        int items = -1;
        bool registerEnabled = false, editEnabled = false, deleteEnabled = false;
        bool protectedEdit = true, protectedDelete = true;
    };
    // Finds the modal dialog, records what it shows, deletes the first
    // service (TESTB, which sorts first) and closes with `closeWith`.
    auto drive = [](QTimer& timer, Seen& seen, const char* closeWith) {
        QObject::connect(&timer, &QTimer::timeout, &timer, [&timer, &seen, closeWith] {
            auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
            if (!dialog) return;
            timer.stop();
            seen.caption = dialog->windowTitle();
            auto* list = control<QListWidget>(dialog, "1005");
            auto* reg = control<QPushButton>(dialog, "1006");
            auto* del = control<QPushButton>(dialog, "1007");
            auto* edit = control<QPushButton>(dialog, "1008");
            auto* close = control<QPushButton>(dialog, closeWith);
            if (!list || !reg || !del || !edit || !close) return dialog->reject();
            seen.items = list->count();
            seen.registerEnabled = reg->isEnabled();
            seen.editEnabled = edit->isEnabled();
            seen.deleteEnabled = del->isEnabled();
            QTest::mouseClick(del, Qt::LeftButton);
            // TESTA is now selected: neither edit nor delete.
            seen.protectedEdit = edit->isEnabled();
            seen.protectedDelete = del->isEnabled();
            QTest::mouseClick(close, Qt::LeftButton);
        });
        timer.start(10);
    };
    auto serviceCount = [] {
        RowStore rows;
        EXPECT_EQ(readServices("P", rows), S_OK);
        return rows.size();
    };

    Seen cancelled;
    QTimer cancelTimer;
    drive(cancelTimer, cancelled, "2");
    EXPECT_EQ(admin_->ConfigureProfile("P", 0, 0), MAPI_E_USER_CANCEL);
    EXPECT_EQ(cancelled.caption, QString::fromUtf8("通訊錄"));
    EXPECT_EQ(cancelled.items, 2);
    EXPECT_TRUE(cancelled.registerEnabled);
    EXPECT_TRUE(cancelled.editEnabled);
    EXPECT_TRUE(cancelled.deleteEnabled);
    EXPECT_FALSE(cancelled.protectedEdit);
    EXPECT_FALSE(cancelled.protectedDelete);
    EXPECT_EQ(serviceCount(), 2u); // the deletion is written back

    Seen accepted;
    QTimer okTimer;
    drive(okTimer, accepted, "1");
    EXPECT_EQ(admin_->ConfigureProfile("P", 0, 0), S_OK);
    EXPECT_EQ(accepted.items, 2);
    EXPECT_EQ(serviceCount(), 1u);
    EXPECT_TRUE(messages_.empty());
}

// The service INF is UTF-8; under a legacy code page the dialogs still show its texts.
TEST_F(Dialogs, InfTextsShowUnderTheSystemCodePage) {
    setenv("VELMO_CODEPAGE", "CP950", 1);
    velmo::test::writeFile(dir_ + "/big5.inf",
                           "[Services]\nFAX=傳真通訊錄\n[Default Services]\nFAX=傳真通訊錄\n"
                           "[FAX]\nPR_DISPLAY_NAME=我的傳真\nPR_SERVICE_DLL_NAME=pdxtestsp.dll\n"
                           "PR_SERVICE_ENTRY_NAME=TestServiceEntry\nPR_SERVICE_SUPPORT_FILES=pdxtestsp.dll\n");
    setServiceInfPath(dir_ + "/big5.inf");
    const HRESULT created = admin_->CreateProfile("Big5", 0, MAPI_DEFAULT_SERVICES);
    object_ptr<IPDXServiceAdmin> big5;
    const HRESULT opened = admin_->AdminServices("Big5", 0, big5.out());
    QStringList shown;
    if (SUCCEEDED(created) && SUCCEEDED(opened)) {
        ScriptedListDialog list(big5.get(), nullptr);
        RegisterDialog chooser(nullptr);
        for (QListWidget* l : {list.list(), chooser.list()})
            for (int i = 0; i < l->count(); ++i) shown << l->item(i)->text();
    }
    unsetenv("VELMO_CODEPAGE");
    ASSERT_EQ(created, S_OK);
    ASSERT_EQ(opened, S_OK);
    EXPECT_EQ(shown, QStringList({QString::fromUtf8("我的傳真"), QString::fromUtf8("傳真通訊錄")}));
}

// Escape ends either dialog as its Cancel button does: with 2.
TEST_F(Dialogs, EscapeClosesWithCancel) {
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, &timer, [&timer] {
        if (QWidget* dialog = QApplication::activeModalWidget()) {
            timer.stop();
            QTest::keyClick(dialog, Qt::Key_Escape);
        }
    });
    timer.start(10);
    EXPECT_EQ(showAddressBookList(0, services_.get()), kDialogCancel);

    RegisterDialog chooser(nullptr);
    chooser.open();
    QTest::keyClick(&chooser, Qt::Key_Escape);
    EXPECT_FALSE(chooser.isVisible());
    EXPECT_EQ(chooser.result(), kDialogCancel);
    EXPECT_TRUE(messages_.empty());
}
