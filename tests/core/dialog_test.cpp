// Dialogs 103 and 104 with real widgets (offscreen).

#include <gtest/gtest.h>

#include <QApplication>
#include <QListWidget>
#include <QPushButton>
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
    select("No module"); // no support files named
    dialog.accept();
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ(messages_, (std::vector<int>{11, 12}));
    select("Test provider A");
    dialog.accept();
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(dialog.chosen(), "TESTA");
}
