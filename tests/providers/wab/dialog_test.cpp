// Dialogs 101 and 102 with real widgets (offscreen), the service entry, and
// the provider's dialogs as vqcore meets them: through the loaded module.

#include <gtest/gtest.h>

#include <QApplication>
#include <QContextMenuEvent>
#include <QFile>
#include <QInputDevice>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QUrl>
#include <functional>

#include "dialogs.h"
#include "dialog_support.h"
#include "dialogs_impl.h"
#include "pdx_side.h"
#include "provider_fixture.h"
#include "provider_open.h"
#include "service_dialog.h"
#include "string_ids.h"
#include "test_environment.h"
#include "platform/typing_limit.h"

using namespace pdx;
using namespace pdx::wab;
using namespace wabtest;

namespace {

template <class T> T* control(QWidget* dialog, const char* id) { return dialog->findChild<T*>(id); }

class ConfigDialogTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { makeApplication("wab_dialog_test"); }
    void SetUp() override {
        pdxHeap().clear();
        dir_ = velmo::test::makeTempDir("wab");
        provider_ui::setMessageHandler(
            [this](QWidget*, int id, QMessageBox::Icon icon) { shown_.push_back({id, icon}); });
        platform::setHelpOpener([this](const QUrl& url) { urls_.push_back(url); });
        platform::setWhatsThisShower([this](QWidget* c, const QPoint&, const QString& text) {
            whatsThis_.push_back(c->objectName() + ":" + text);
        });
        section_.strings[PR_DISPLAY_NAME] = "Contacts";
        section_.strings[PR_FAX_AB_FILE_PATH] = "";
    }
    void TearDown() override {
        provider_ui::setMessageHandler({});
        platform::setHelpOpener({});
        platform::setWhatsThisShower({});
        setFileChooser({});
        EXPECT_EQ(pdxHeap().liveRoots(), 0u);
    }
    // OK with these texts; true when the dialog closed.
    bool ok(ConfigDialog& d, const QString& name, const QString& path) {
        d.nameEdit()->setText(name);
        d.pathEdit()->setText(path);
        d.accept();
        return d.result() == kDialogOk;
    }
    std::string file(const std::string& name) {
        const std::string path = dir_ + "/" + name;
        velmo::test::writeFile(path, "BEGIN:VCARD\r\nEND:VCARD\r\n");
        return path;
    }

    std::string dir_;
    TestSection section_;
    std::vector<Shown> shown_;
    std::vector<QUrl> urls_;
    std::vector<QString> whatsThis_;
};

} // namespace

TEST_F(ConfigDialogTest, OpensWithTheSectionsNameAndPath) {
    section_.strings[PR_DISPLAY_NAME] = "Büro";
    section_.strings[PR_FAX_AB_FILE_PATH] = "/data/Book.vcf";
    ConfigDialog d(&section_, &pdxFree, nullptr);
    EXPECT_EQ(d.windowTitle(), QString::fromUtf8("新增/編輯 Windows Address Book"));
    EXPECT_EQ(control<QLabel>(&d, "2001")->text(), QString::fromUtf8("名稱(&N):"));
    EXPECT_EQ(control<QLabel>(&d, "2002")->text(), QString::fromUtf8("路徑(&T):"));
    EXPECT_EQ(d.browseButton()->text(), QString::fromUtf8("瀏覽(&B)..."));
    EXPECT_EQ(d.nameEdit()->text(), QString::fromUtf8("Büro"));
    EXPECT_EQ(d.pathEdit()->text(), "/data/Book.vcf");
    EXPECT_EQ(platform::typingLimit(d.nameEdit()), 64);
    EXPECT_EQ(platform::typingLimit(d.pathEdit()), 259);
}

TEST_F(ConfigDialogTest, OkChecksTheNameAndKeepsTheDialogOpen) {
    ConfigDialog d(&section_, &pdxFree, nullptr);
    EXPECT_FALSE(ok(d, "   ", ""));
    EXPECT_TRUE(d.nameEdit()->hasFocus() || !d.isVisible());
    // 22 CJK characters fit the edit but not the 64 bytes of the stored name.
    EXPECT_FALSE(ok(d, QString::fromUtf8("通訊錄通訊錄通訊錄通訊錄通訊錄通訊錄通訊錄通"), ""));
    EXPECT_EQ(d.nameEdit()->selectedText(), d.nameEdit()->text());
    EXPECT_EQ(shown_, (std::vector<Shown>{{kMsgNoName, QMessageBox::Information},
                                          {kMsgNameTooLong, QMessageBox::Information}}));
    EXPECT_TRUE(section_.saves.empty());

    ASSERT_TRUE(ok(d, "  Home book  ", ""));
    EXPECT_EQ(section_.strings[PR_DISPLAY_NAME], "Home book");
    EXPECT_EQ(section_.strings[PR_FAX_AB_FILE_PATH], "") << "no path is saved as an empty one";
    EXPECT_EQ(section_.saves, (std::vector<ULONG>{2}));
}

TEST_F(ConfigDialogTest, APathMustNameAReadableFileAndMayLackItsWabExtension) {
    const std::string typed = file("Family.wab").substr(0, dir_.size() + 7);
    ConfigDialog d(&section_, &pdxFree, nullptr);
    EXPECT_FALSE(ok(d, "Book", QString::fromStdString(dir_))) << "a folder is no book";
    EXPECT_FALSE(ok(d, "Book", QString::fromStdString(dir_ + "/Family.vcf"))) << "only a name without extension";
    EXPECT_FALSE(ok(d, "Book", QString::fromStdString(dir_ + "/family"))) << "file names keep their case";
    EXPECT_EQ(shown_, std::vector<Shown>(3, {kMsgFileMissing, QMessageBox::Information}));
    EXPECT_TRUE(d.pathEdit()->hasFocus() || !d.isVisible());

    ASSERT_TRUE(ok(d, "Book", QString::fromStdString("  " + typed + " ")));
    EXPECT_EQ(section_.strings[PR_FAX_AB_FILE_PATH], typed + ".wab");
    const std::string vcf = file("contacts.vcf");
    ASSERT_TRUE(ok(d, "Book", QString::fromStdString(vcf)));
    EXPECT_EQ(section_.strings[PR_FAX_AB_FILE_PATH], vcf);
}

TEST_F(ConfigDialogTest, FailedWritesShowWhichStepFailed) {
    ConfigDialog d(&section_, &pdxFree, nullptr);
    section_.setResult = MAPI_E_NO_SUPPORT;
    EXPECT_FALSE(ok(d, "Book", ""));
    section_.setResult = S_OK;
    section_.saveResult = E_ACCESSDENIED;
    EXPECT_FALSE(ok(d, "Book", ""));
    EXPECT_EQ(shown_, (std::vector<Shown>{{kMsgSetFailed, QMessageBox::Critical},
                                          {kMsgSaveFailed, QMessageBox::Critical}}));
    EXPECT_EQ(loadString(kMsgSetFailed), "無法註冊通訊錄。");
    EXPECT_EQ(loadString(kMsgFileMissing), "指定的檔案不存在。\n請檢查檔名。");
}

TEST_F(ConfigDialogTest, BrowseStartsInThePathsFolderAndKeepsTheChosenCase) {
    FileRequest asked;
    setFileChooser([&](QWidget*, const FileRequest& r) {
        asked = r;
        return QString::fromStdString(dir_ + "/Work/Clients.WAB");
    });
    ConfigDialog d(&section_, &pdxFree, nullptr);
    d.pathEdit()->setText(QString::fromStdString(file("old.wab")));
    d.browse();
    EXPECT_EQ(asked.title, QString::fromUtf8("選擇 WAB 檔"));
    EXPECT_EQ(asked.filter, QString::fromUtf8("WAB 檔 (*.WAB);;All Files (*.*)"));
    EXPECT_EQ(asked.defaultSuffix, "WAB");
    EXPECT_EQ(asked.directory, QString::fromStdString(dir_));
    EXPECT_EQ(d.pathEdit()->text(), QString::fromStdString(dir_ + "/Work/Clients.WAB"));

    setFileChooser([](QWidget*, const FileRequest&) { return QString(); });
    d.browse();
    EXPECT_EQ(d.pathEdit()->text(), QString::fromStdString(dir_ + "/Work/Clients.WAB")) << "cancelled: unchanged";
}

TEST_F(ConfigDialogTest, ContextHelpNamesEachControlsTopic) {
    ConfigDialog d(&section_, &pdxFree, nullptr);
    d.show();
    QTest::keyClick(d.pathEdit(), Qt::Key_F1);
    QTest::keyClick(d.browseButton(), Qt::Key_F1);
    ASSERT_EQ(urls_.size(), 2u);
    EXPECT_EQ(urls_[0].toLocalFile(), QString(VELMO_BIN_DIR "/help/vqcore.html"));
    EXPECT_EQ(urls_[0].fragment(), "0x0F02");
    EXPECT_EQ(urls_[1].fragment(), "0x0F03");
    QLabel* nameLabel = control<QLabel>(&d, "2001");
    QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(1, 1), nameLabel->mapToGlobal(QPoint(1, 1)));
    QApplication::sendEvent(nameLabel, &event);
    ASSERT_EQ(whatsThis_.size(), 1u);
    EXPECT_EQ(whatsThis_[0], "2001:" + QString::fromStdString(loadString(3841)));

    // The help file beside the libraries has a topic for each context, with the same text.
    QFile help(VELMO_BIN_DIR "/help/vqcore.html");
    ASSERT_TRUE(help.open(QIODevice::ReadOnly));
    const QString html = QString::fromUtf8(help.readAll());
    for (int context : {3841, 3842, 3843}) {
        const int at = html.indexOf(QString::asprintf("id=\"0x%04X\"", context));
        ASSERT_GE(at, 0) << context;
        EXPECT_GT(html.indexOf(QString::fromStdString(loadString(context)), at), at) << context;
    }
}

TEST_F(ConfigDialogTest, RecordTypeDialogOffersContactAndList) {
    RecordTypeDialog d(nullptr);
    EXPECT_EQ(d.windowTitle(), QString::fromUtf8("新增記錄"));
    EXPECT_EQ(control<QLabel>(&d, "2003")->text(), QString::fromUtf8("選擇記錄類型:"));
    ASSERT_EQ(d.list()->count(), 2);
    EXPECT_EQ(d.list()->item(0)->text(), "WAB Contact");
    EXPECT_EQ(d.list()->item(1)->text(), "WAB Distribution List");
    EXPECT_EQ(d.chosenTag(), PR_DEF_CREATE_MAILUSER);
    d.list()->setCurrentRow(1);
    EXPECT_EQ(d.chosenTag(), PR_DEF_CREATE_DL);
}

TEST_F(ConfigDialogTest, ServiceEntryChecksWritesValuesAndShowsTheDialog) {
    TestSupport support;
    EXPECT_EQ(serviceEntry(nullptr, 0, 0, 2, 0, nullptr, &section_, nullptr), E_INVALIDARG);
    EXPECT_EQ(serviceEntry(nullptr, 0, MAPI_UNICODE, 2, 0, nullptr, &section_, &support), MAPI_E_BAD_CHARWIDTH);
    EXPECT_EQ(serviceEntry(nullptr, 0, 0, 3, 0, nullptr, nullptr, &support), E_INVALIDARG);
    EXPECT_EQ(serviceEntry(nullptr, 0, 0, 6, 0, nullptr, nullptr, &support), MAPI_E_NO_SUPPORT);
    for (ULONG context : {1u, 4u, 5u}) EXPECT_EQ(serviceEntry(nullptr, 0, 0, context, 0, nullptr, nullptr, &support), S_OK);
    // Creating without user interface: the values are written, no dialog.
    SPropValue value{};
    value.ulPropTag = PR_DISPLAY_NAME;
    value.Value.lpszA = const_cast<char*>("Given");
    EXPECT_EQ(serviceEntry(nullptr, 0, 0, 2, 1, &value, &section_, &support), S_OK);
    EXPECT_EQ(section_.strings[PR_DISPLAY_NAME], "Given");
    section_.setResult = E_ACCESSDENIED;
    EXPECT_EQ(serviceEntry(nullptr, 0, 0, 2, 1, &value, &section_, &support), E_ACCESSDENIED);
    section_.setResult = S_OK;
    support.routinesResult = MAPI_E_NO_SUPPORT;
    EXPECT_EQ(serviceEntry(nullptr, 0, 0, 1, 0, nullptr, nullptr, &support), MAPI_E_NO_SUPPORT);
    support.routinesResult = S_OK;

    // Creating with user interface allowed, and configuring: the dialog.
    answerModal([](QWidget* d) { control<QPushButton>(d, "2")->click(); });
    EXPECT_EQ(serviceEntry(nullptr, 0, SERVICE_UI_ALLOWED, 2, 0, nullptr, &section_, &support), MAPI_E_USER_CANCEL);
    answerModal([](QWidget* d) {
        control<QLineEdit>(d, "1002")->setText("Configured");
        control<QPushButton>(d, "1")->click();
    });
    EXPECT_EQ(serviceEntry(nullptr, 0, 0, 3, 0, nullptr, &section_, &support), S_OK);
    EXPECT_EQ(section_.strings[PR_DISPLAY_NAME], "Configured");
}

namespace {

class ProviderDialogs : public ProviderFixture {
protected:
    static void SetUpTestSuite() { makeApplication("wab_dialog_test"); }
};

} // namespace

TEST_F(ProviderDialogs, AnUnconfiguredServiceIsConfiguredOnOpen) {
    section_.strings.erase(PR_DISPLAY_NAME);
    answerModal([](QWidget* d) { control<QPushButton>(d, "2")->click(); });
    EXPECT_EQ(open(), MAPI_E_USER_CANCEL);
    answerModal([](QWidget* d) {
        control<QLineEdit>(d, "1002")->setText("Office");
        control<QPushButton>(d, "1")->click();
    });
    ASSERT_EQ(open(), S_OK);
    ULONG n = 0;
    Pdx<SPropValue> v;
    const SPropTagArray name{1, {PR_DISPLAY_NAME}};
    ASSERT_EQ(provider_->GetProps(&name, 0, &n, v.out()), S_OK);
    EXPECT_STREQ(v[0].Value.lpszA, "Office");
}

TEST_F(ProviderDialogs, NewEntryWithoutTemplateAsksForTheRecordType) {
    ASSERT_EQ(open(), S_OK);
    ULONG cb = 0;
    Pdx<ENTRYID> made;
    answerModal([](QWidget* d) { control<QPushButton>(d, "2")->click(); });
    EXPECT_EQ(provider_->NewEntry(0, 0, 0, nullptr, 0, nullptr, &cb, made.out()), MAPI_E_USER_CANCEL);
    EXPECT_FALSE(fake_->called("NewEntry"));

    answerModal([](QWidget* d) {
        control<QListWidget>(d, "1004")->setCurrentRow(1);
        control<QPushButton>(d, "1")->click();
    });
    ASSERT_EQ(provider_->NewEntry(0, 0, 0, nullptr, 0, nullptr, &cb, made.out()), S_OK);
    // The template is the personal address book's list template.
    EXPECT_TRUE(fake_->called("GetPAB"));
    EXPECT_EQ(fake_->calls.back(), "NewEntry - 40:" + hexOf(fake_->listTemplate));
    EXPECT_EQ(cb, 60u);
}
