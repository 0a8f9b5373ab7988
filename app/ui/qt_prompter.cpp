#include "ui/qt_prompter.h"

#include "strings/strings.h"
#include "ui/dialogs/book_kind_dialog.h"
#include "ui/dialogs/dialog_common.h"
#include "ui/dialogs/duplicate_dialog.h"
#include "ui/dialogs/entry_dialog.h"
#include "ui/dialogs/export_dialog.h"
#include "ui/dialogs/import_dialog.h"
#include "ui/dialogs/import_mode_dialog.h"
#include "ui/message_box.h"
#include "ui/qt_text.h"

#include <QApplication>
#include <QFileDialog>
#include <QStringList>

namespace lisotrex::ui {

QString qtFilter(const QString& barSeparated) { return nameFiltersFrom(barSeparated).join(QStringLiteral(";;")); }

void QtPrompter::message(int id, Icon icon, const std::vector<std::string>& args) {
    showMessage(owner_, id, icon, args);
}

Answer QtPrompter::ask(int id, Buttons buttons, Icon icon, const std::vector<std::string>& args) {
    return askQuestion(owner_, id, buttons, icon, args);
}

bool QtPrompter::editEntry(CAddrUserDataObj& working, EntryDialogMode mode, int32_t bookType, int32_t maxOneTouch) {
    CEntryDialog dialog(working, mode, bookType, maxOneTouch, owner_);
    return dialog.exec() == QDialog::Accepted;
}

std::optional<int32_t> QtPrompter::chooseBookKind(int32_t current) { return runBookKindDialog(current, owner_); }

bool QtPrompter::exportDialog(ExportDialogValues& values) { return runExportDialog(values, owner_); }

std::optional<std::string> QtPrompter::askSavePath(const std::string& suggestedName) {
    QString filter = qtFilter(qtText(ids::IDS_FILTER_NATIVE_BOOK) + qtText(ids::IDS_FILTER_ALL_FILES));
    QFileDialog dialog(owner_, QString(), fromSystem(suggestedName), filter);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(QStringLiteral("abu"));
    dialog.setOption(QFileDialog::DontUseNativeDialog, true);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
    return toSystem(dialog.selectedFiles().front());
}

void QtPrompter::setBusy(bool busy) {
    if (!qApp) return;
    if (busy) {
        if (busyDepth_++ == 0) QApplication::setOverrideCursor(Qt::WaitCursor);
    } else if (busyDepth_ > 0 && --busyDepth_ == 0) {
        QApplication::restoreOverrideCursor();
    }
}

std::optional<int> QtPrompter::chooseImportMode(bool bookIsEmpty) { return runImportModeDialog(bookIsEmpty, owner_); }

bool QtPrompter::importDialog(ImportDialogValues& values) { return runImportDialog(values, owner_); }

DuplicateChoice QtPrompter::chooseDuplicate(const DuplicateQuestion& question) {
    // The wait cursor of the import must not cover the dialog.
    OverrideCursorsLifted pointer;
    return runDuplicateDialog(question, owner_);
}

} // namespace lisotrex::ui
