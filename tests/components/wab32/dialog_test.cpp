// The contact dialog as a widget, and NewEntry showing it for real.

#include <gtest/gtest.h>

#include <QApplication>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QTimer>

#include "contact_dialog.h"
#include "contact_dialog_widget.h"
#include "pdx/pdx.h"
#include "wab_tags.h"
#include "wab_test_util.h"

using namespace wab32;

namespace {

// One application per process: the address dialog's tests may have made it.
void app() {
    static int argc = 1;
    static char name[] = "wab32_dialog_test";
    static char* argv[] = {name, nullptr};
    if (!QApplication::instance()) new QApplication(argc, argv);
}

QLineEdit* edit(QWidget& w, const char* name) { return w.findChild<QLineEdit*>(name); }

// Runs `step` on the dialog once it is shown modally.
void whenShown(std::function<void(QWidget*)> step) {
    QTimer::singleShot(0, [step] {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (w->objectName() == "wab32ContactDialog" && w->isVisible()) return step(w);
        ADD_FAILURE() << "the contact dialog is not shown";
    });
}

class DialogTest : public ::testing::Test {
protected:
    void SetUp() override {
        app();
        setenv("VELMO_CODEPAGE", "UTF-8", 1);
    }
    void TearDown() override { unsetenv("VELMO_CODEPAGE"); }
};

} // namespace

TEST_F(DialogTest, ShowsTheFieldsInTraditionalChineseAndReturnsTheEdits) {
    ContactFields f;
    f.displayName = "王小明";
    f.company = "台灣傳真";
    f.businessFax = "+886-2-2700-1234";
    ContactDialog dialog(nullptr, f, false);
    EXPECT_EQ(dialog.windowTitle(), QString::fromUtf8("聯絡人內容"));
    ASSERT_TRUE(edit(dialog, "company"));
    EXPECT_EQ(edit(dialog, "company")->text(), QString::fromUtf8("台灣傳真"));
    edit(dialog, "department")->setText(QString::fromUtf8("  業務部 "));
    edit(dialog, "homeFax")->setText("+886-2-2311-5678");
    const ContactFields out = dialog.fields();
    EXPECT_EQ(out.department, "業務部");
    EXPECT_EQ(out.homeFax, "+886-2-2311-5678");
    EXPECT_EQ(out.businessFax, "+886-2-2700-1234");
}

TEST_F(DialogTest, AListShowsOnlyItsNameAndNote) {
    ContactFields f;
    f.displayName = "Night shift";
    ContactDialog dialog(nullptr, f, true);
    EXPECT_EQ(dialog.windowTitle(), QString::fromUtf8("群組內容"));
    EXPECT_FALSE(edit(dialog, "businessFax"));
    EXPECT_TRUE(dialog.findChild<QPlainTextEdit*>("note"));
}

TEST_F(DialogTest, AContactWithoutAnyNameIsNotAccepted) {
    ContactDialog dialog(nullptr, ContactFields{}, false);
    QTimer::singleShot(0, [] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            EXPECT_EQ(box->text(), QString::fromUtf8("請輸入顯示名稱。"));
            box->accept();
        }
    });
    dialog.accept();
    EXPECT_NE(dialog.result(), QDialog::Accepted);
    // Name parts alone are enough, and become the shown name.
    edit(dialog, "given")->setText("Mei");
    edit(dialog, "surname")->setText("Lin");
    dialog.accept();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(dialog.fields().displayName, "Mei Lin");
}

TEST_F(DialogTest, NewEntryShowsTheDialogAndSavesWhatWasTyped) {
    const std::string path = wabtest::corpusCopy("v30-folded-groups.vcf");
    wabtest::Wab w;
    ASSERT_EQ(w.open(path), pdx::S_OK);
    whenShown([](QWidget* d) {
        edit(*d, "displayName")->setText("Typed Person");
        edit(*d, "primaryFax")->setText("+1 555 0199");
        static_cast<QDialog*>(d)->accept();
    });
    pdx::ULONG cb = 0;
    pdx::ENTRYID* id = nullptr;
    ASSERT_EQ(w.ab->NewEntry(0, 0, 0, nullptr, 0, nullptr, &cb, &id), pdx::S_OK);
    w.wab->FreeBuffer(id);
    const auto row = wabtest::rowNamed(wabtest::contents(w.ab, {pdx::PR_DISPLAY_NAME, PR_PRIMARY_FAX_NUMBER}),
                                       "Typed Person");
    EXPECT_EQ(row.at(PR_PRIMARY_FAX_NUMBER), "+1 555 0199");
    whenShown([](QWidget* d) { static_cast<QDialog*>(d)->reject(); });
    EXPECT_EQ(w.ab->NewEntry(0, 0, 0, nullptr, 0, nullptr, &cb, &id), pdx::MAPI_E_USER_CANCEL);
}
