// The profile dialog (101) with real widgets (offscreen) over the messaging
// component's own profiles, and MAPIServiceEntry around it.

#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QInputDevice>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>
#include <QUrl>
#include <functional>

#include "platform/context_help.h"
#include "dialogs.h"
#include "dialog_support.h"
#include "dialogs_impl.h"
#include "mapi_library.h"
#include "pdx/status.h"
#include "pdx_side.h"
#include "platform/registry.h"
#include "provider_open.h"
#include "service_dialog.h"
#include "string_ids.h"
#include "test_environment.h"
#include "platform/typing_limit.h"

using namespace pdx;
using namespace pdx::mapi;
using namespace wabtest;

namespace {

const MAPIUID kUid = {{0x4D, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15}};

class ProfileDialogTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { makeApplication("mapi_dialog_test"); }
    void SetUp() override {
        platform::closeRegistry();
        velmo::test::freshRegistry();
        pdxHeap().clear();
        ASSERT_EQ(MapiLibrary::load(lib_), S_OK);
        ASSERT_EQ(lib_.initialize(nullptr), S_OK);
        ASSERT_EQ(lib_.adminProfiles(0, admin_.out()), S_OK);
        // "Archive" is listed first; "Company" is the default.
        for (const char* name : {"Company", "Archive"}) ASSERT_EQ(admin_->CreateProfile(name, nullptr, 0, 0), S_OK);
        addService("Company", "LDAP", "Staff directory");
        addService("Company", "VCARD", "Suppliers");
        addService("Archive", "VCARD", "Old cards");
        section_.setUid(kUid);
        provider_ui::setMessageHandler(
            [this](QWidget*, int id, QMessageBox::Icon icon) { shown_.push_back({id, icon}); });
    }
    void TearDown() override {
        provider_ui::setMessageHandler({});
        admin_.reset();
        lib_.uninitialize();
        EXPECT_EQ(pdxHeap().liveRoots(), 0u);
        platform::closeRegistry();
    }
    void addService(const char* profile, const char* kind, const char* name) {
        object_ptr<IMsgServiceAdmin> services;
        ASSERT_EQ(admin_->AdminServices(profile, nullptr, 0, 0, services.out()), S_OK);
        ASSERT_EQ(services->CreateMsgService(kind, name, 0, 0), S_OK);
    }
    std::unique_ptr<ProfileDialog> dialog() {
        return std::make_unique<ProfileDialog>(&section_, &pdxFree, admin_.get(), lib_, nullptr);
    }
    static bool enabled(const ProfileDialog& d) {
        return d.profiles()->isEnabled() && d.services()->isEnabled() &&
               d.findChild<QLabel*>("1006")->isEnabled() && d.findChild<QLabel*>("1007")->isEnabled();
    }
    static bool disabled(const ProfileDialog& d) {
        return !d.profiles()->isEnabled() && !d.services()->isEnabled() &&
               !d.findChild<QLabel*>("1006")->isEnabled() && !d.findChild<QLabel*>("1007")->isEnabled();
    }

    MapiLibrary lib_;
    object_ptr<IProfAdmin> admin_;
    TestSection section_;
    std::vector<Shown> shown_;
};

} // namespace

TEST_F(ProfileDialogTest, WithoutAStoredProfileTheDefaultIsShownDisabled) {
    auto d = dialog();
    EXPECT_EQ(d->windowTitle(), QString::fromUtf8("新增/編輯 Messaging API"));
    EXPECT_TRUE(d->useDefault()->isChecked());
    EXPECT_FALSE(d->chooseProfile()->isChecked());
    EXPECT_EQ(d->profiles()->count(), 2);
    EXPECT_EQ(d->profiles()->currentText(), "Company");
    EXPECT_EQ(d->services()->toPlainText(), "Staff directory\nSuppliers");
    EXPECT_TRUE(disabled(*d));
    EXPECT_TRUE(d->services()->isReadOnly());

    // Choosing a profile enables the list; another profile shows its services.
    d->chooseProfile()->click();
    EXPECT_TRUE(enabled(*d));
    d->profiles()->setCurrentIndex(d->profiles()->findText("Archive"));
    EXPECT_EQ(d->services()->toPlainText(), "Old cards");
    d->useDefault()->click();
    EXPECT_TRUE(disabled(*d));
}

TEST_F(ProfileDialogTest, AStoredProfileIsSelectedAndTheTextsStandAsQuoted) {
    section_.strings[PR_DISPLAY_NAME] = "Directory";
    section_.strings[PR_FAX_AB_FILE_PATH] = "Archive";
    auto d = dialog();
    EXPECT_EQ(d->nameEdit()->text(), "Directory");
    EXPECT_TRUE(d->chooseProfile()->isChecked());
    EXPECT_EQ(d->profiles()->currentText(), "Archive");
    EXPECT_TRUE(enabled(*d));
    EXPECT_EQ(d->findChild<QLabel*>("2002")->text(), QString::fromUtf8("名稱(&N):"));
    EXPECT_EQ(d->findChild<QLabel*>("2003")->text(), QString::fromUtf8("指定要使用的設定檔(&S):"));
    EXPECT_EQ(d->useDefault()->text(), QString::fromUtf8("啟動時使用預設設定檔"));
    EXPECT_EQ(d->chooseProfile()->text(), QString::fromUtf8("從下列內容選取設定檔"));
    EXPECT_EQ(d->findChild<QLabel*>("1006")->text(), QString::fromUtf8("設定檔名稱(&R):"));
    EXPECT_EQ(d->findChild<QLabel*>("1007")->text(), QString::fromUtf8("所選取的設定檔包含下列的資訊服務:"));
    EXPECT_EQ(platform::typingLimit(d->nameEdit()), 64);

    // A profile name that no longer exists falls back to the default.
    section_.strings[PR_FAX_AB_FILE_PATH] = "Gone";
    EXPECT_EQ(dialog()->profiles()->currentText(), "Company");
}

TEST_F(ProfileDialogTest, OkChecksTheNameAndTheChoiceBeforeSaving) {
    auto d = dialog();
    d->nameEdit()->setText("   ");
    d->accept();
    EXPECT_EQ(shown_, (std::vector<Shown>{{kMsgNoName, QMessageBox::Information}}));
    EXPECT_TRUE(section_.saves.empty());

    // No profile at all to choose from.
    object_ptr<IMsgServiceAdmin> none;
    ASSERT_EQ(admin_->DeleteProfile("Company", 0), S_OK);
    ASSERT_EQ(admin_->DeleteProfile("Archive", 0), S_OK);
    shown_.clear();
    auto empty = dialog();
    empty->nameEdit()->setText("Directory");
    empty->chooseProfile()->click();
    EXPECT_EQ(empty->profiles()->count(), 0);
    empty->accept();
    EXPECT_EQ(shown_, (std::vector<Shown>{{kMsgNoProfile, QMessageBox::Information}}));
    EXPECT_TRUE(section_.saves.empty());
}

TEST_F(ProfileDialogTest, OkWritesTheNameAndTheProfileOrNone) {
    {
        auto d = dialog();
        d->nameEdit()->setText("  Directory  ");
        d->chooseProfile()->click();
        d->profiles()->setCurrentIndex(d->profiles()->findText("Archive"));
        d->accept();
        EXPECT_EQ(d->result(), kDialogOk);
        EXPECT_EQ(section_.strings[PR_DISPLAY_NAME], "Directory");
        EXPECT_EQ(section_.strings[PR_FAX_AB_FILE_PATH], "Archive");
        EXPECT_EQ(section_.saves, (std::vector<ULONG>{2}));
    }
    auto d = dialog();
    d->useDefault()->click();
    d->accept();
    EXPECT_EQ(section_.strings[PR_FAX_AB_FILE_PATH], "") << "the default profile is not named";

    section_.setResult = MAPI_E_NO_SUPPORT;
    shown_.clear();
    auto failing = dialog();
    failing->accept();
    EXPECT_EQ(shown_, (std::vector<Shown>{{kMsgSetFailed, QMessageBox::Critical}}));
    section_.setResult = S_OK;
    section_.saveResult = MAPI_E_NO_SUPPORT;
    shown_.clear();
    failing->accept();
    EXPECT_EQ(shown_, (std::vector<Shown>{{kMsgSaveFailed, QMessageBox::Critical}}));
    EXPECT_NE(failing->result(), kDialogOk);
}

TEST_F(ProfileDialogTest, F1OpensTheHelpAtTheControlsContext) {
    std::vector<QUrl> opened;
    platform::setHelpOpener([&](const QUrl& url) { opened.push_back(url); });
    auto d = dialog();
    d->show();
    QTest::keyClick(d->profiles(), Qt::Key_F1);
    QTest::keyClick(d->nameEdit(), Qt::Key_F1);
    platform::setHelpOpener({});
    ASSERT_EQ(opened.size(), 2u);
    EXPECT_EQ(opened[0].fragment(), "0x0F04");
    EXPECT_EQ(opened[1].fragment(), "0x0F01");
    EXPECT_TRUE(opened[0].toLocalFile().endsWith("/help/vqcore.html"));
    EXPECT_EQ(d->findChild<QWidget*>("1003")->whatsThis(), QString::fromStdString(loadString(3844)));
}

TEST_F(ProfileDialogTest, TheServiceEntryShowsTheDialogOnlyWhenAsked) {
    TestSupport support;
    // Adding a service without a user interface: no dialog, success.
    EXPECT_EQ(serviceEntry(nullptr, 0, 0, MSG_SERVICE_CREATE, 0, nullptr, &section_, &support), S_OK);
    EXPECT_EQ(serviceEntry(nullptr, 0, 0, 9, 0, nullptr, &section_, &support), MAPI_E_NO_SUPPORT);
    EXPECT_EQ(serviceEntry(nullptr, 0, 0, MSG_SERVICE_CONFIGURE, 0, nullptr, nullptr, &support), E_INVALIDARG);
    EXPECT_EQ(serviceEntry(nullptr, 0, 0x80000000, MSG_SERVICE_CONFIGURE, 0, nullptr, &section_, &support),
              MAPI_E_BAD_CHARWIDTH);

    // Configuring always shows it; Cancel is the answer.
    answerModal([](QWidget* dialog) { dialog->findChild<QPushButton*>("2")->click(); });
    EXPECT_EQ(serviceEntry(nullptr, 0, 0, MSG_SERVICE_CONFIGURE, 0, nullptr, &section_, &support), MAPI_E_USER_CANCEL);
    answerModal([](QWidget* dialog) {
        dialog->findChild<QLineEdit*>("1002")->setText("Directory");
        dialog->findChild<QPushButton*>("1")->click();
    });
    EXPECT_EQ(serviceEntry(nullptr, 0, SERVICE_UI_ALLOWED, MSG_SERVICE_CREATE, 0, nullptr, &section_, &support), S_OK);
    EXPECT_EQ(section_.strings[PR_DISPLAY_NAME], "Directory");
}
