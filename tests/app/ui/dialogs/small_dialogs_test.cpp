#include "model/book_kind.h"
#include "test_environment.h"
#include "ui/dialogs/book_kind_dialog.h"
#include "ui/dialogs/export_dialog.h"
#include "ui/dialogs/import_dialog.h"
#include "ui/dialogs/import_mode_dialog.h"
#include "widget_test.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

namespace lisotrex::test {
namespace {

using SmallDialogTest = WidgetTest;

TEST_F(SmallDialogTest, ImportModeOffersUpdateOnlyForABookWithEntries) {
    ui::CImportModeDialog full(false);
    EXPECT_TRUE(child<QRadioButton>(full, "mode_0")->isChecked());
    EXPECT_EQ(child<QRadioButton>(full, "mode_1")->text(), QStringLiteral("以相同名稱更新已有項目及新增項目(&S)"));

    ui::CImportModeDialog empty(true);
    EXPECT_FALSE(child<QRadioButton>(empty, "mode_0")->isEnabled());
    EXPECT_EQ(empty.mode(), 1);
    child<QRadioButton>(empty, "mode_2")->click();
    EXPECT_EQ(empty.mode(), 2);
}

TEST_F(SmallDialogTest, BookKindStartsOnTheCurrentKind) {
    ui::CBookKindDialog dialog(kOneTouchBook);
    EXPECT_EQ(dialog.kind(), kOneTouchBook);
    child<QRadioButton>(dialog, "kind_plain")->click();
    EXPECT_EQ(dialog.kind(), kPlainBook);
}

TEST_F(SmallDialogTest, ImportAddressBookSourceNeedsNoPath) {
    ImportDialogValues values{"", kSourceExchange, 1, 0};
    ui::CImportDialog dialog(values);
    auto* ok = child<QPushButton>(dialog, "ctl_1");
    auto* path = child<QLineEdit>(dialog, "import_path");
    EXPECT_FALSE(ok->isEnabled()); // a file source without a path
    child<QRadioButton>(dialog, "source_3")->click();
    EXPECT_FALSE(path->isEnabled());
    EXPECT_FALSE(child<QPushButton>(dialog, "import_browse")->isEnabled());
    EXPECT_TRUE(ok->isEnabled());
    ok->click();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(values.source, kSourcePdx);
    EXPECT_EQ(values.fax, 1);
    EXPECT_EQ(values.email, 0);
}

TEST_F(SmallDialogTest, ImportRefusesNoTypeAndLongPaths) {
    BoxAnswerer boxes;
    ImportDialogValues values{"/tmp/book.abu", kSourceNativeBook, 1, 1};
    ui::CImportDialog dialog(values);
    auto* ok = child<QPushButton>(dialog, "ctl_1");
    EXPECT_TRUE(ok->isEnabled());
    child<QCheckBox>(dialog, "import_fax")->click();
    child<QCheckBox>(dialog, "import_email")->click();
    EXPECT_FALSE(ok->isEnabled());
    dialog.accept(); // e.g. reached by the keyboard
    EXPECT_EQ(boxes.last(), QStringLiteral("message_6051"));
    EXPECT_NE(dialog.result(), QDialog::Accepted);

    child<QCheckBox>(dialog, "import_email")->click();
    child<QLineEdit>(dialog, "import_path")->setText(QLatin1Char('/') + QString(259, u'a'));
    ok->click();
    EXPECT_EQ(boxes.last(), QStringLiteral("message_6052"));
    EXPECT_EQ(boxes.texts.back(), QStringLiteral("請輸入包含 259 字元。"));
    EXPECT_EQ(values.path, "/tmp/book.abu");
}

TEST_F(SmallDialogTest, ExportAsksBeforeReplacingAFile) {
    const std::string existing = velmo::test::makeTempDir() + "/out.abk";
    velmo::test::writeFile(existing, "old");
    ExportDialogValues values{"", 1, 1};
    ui::CExportDialog dialog(values);
    auto* ok = child<QPushButton>(dialog, "ctl_1");
    EXPECT_FALSE(ok->isEnabled());
    child<QLineEdit>(dialog, "export_path")->setText(QString::fromStdString(existing));
    EXPECT_TRUE(ok->isEnabled());
    child<QCheckBox>(dialog, "export_fax")->click();
    child<QCheckBox>(dialog, "export_email")->click();
    EXPECT_FALSE(ok->isEnabled());
    child<QCheckBox>(dialog, "export_fax")->click();

    BoxAnswerer boxes;
    boxes.answers = {QMessageBox::No, QMessageBox::Yes};
    ok->click();
    EXPECT_EQ(boxes.last(), QStringLiteral("question_6105"));
    EXPECT_TRUE(boxes.texts.back().startsWith(QString::fromStdString(existing) + QLatin1Char('\n')));
    EXPECT_NE(dialog.result(), QDialog::Accepted);
    EXPECT_TRUE(values.path.empty());

    ok->click();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(values.path, existing);
    EXPECT_EQ(values.fax, 1);
    EXPECT_EQ(values.email, 0);
}

TEST_F(SmallDialogTest, ExportToANewFileAsksNothing) {
    BoxAnswerer boxes;
    const std::string fresh = velmo::test::makeTempDir() + "/new.abk";
    ExportDialogValues values{fresh, 0, 1};
    ui::CExportDialog dialog(values);
    child<QPushButton>(dialog, "ctl_1")->click();
    EXPECT_TRUE(boxes.names.empty());
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
}

} // namespace
} // namespace lisotrex::test
