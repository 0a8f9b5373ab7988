#include "ui/dialogs/export_dialog.h"

#include "platform/file.h"
#include "strings/string_ids.h"
#include "ui/dialogs/dialog_common.h"
#include "ui/message_box.h"
#include "ui/qt_text.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace lisotrex::ui {

CExportDialog::CExportDialog(ExportDialogValues& values, QWidget* parent) : QDialog(parent), values_(values) {
    setObjectName(QStringLiteral("dialog_export"));
    setWindowTitle(QStringLiteral("匯出設定"));
    useDialogFont(this);

    path_ = new QLineEdit(fromSystem(values.path), this);
    path_->setObjectName(QStringLiteral("export_path"));
    browse_ = new QPushButton(QStringLiteral("瀏覽(&B)..."), this);
    browse_->setObjectName(QStringLiteral("export_browse"));
    browse_->setAutoDefault(false);
    fax_ = new QCheckBox(QStringLiteral("傳真號碼(&N)"), this);
    fax_->setObjectName(QStringLiteral("export_fax"));
    fax_->setChecked(values.fax != 0);
    email_ = new QCheckBox(QStringLiteral("&E-mail 位址"), this);
    email_->setObjectName(QStringLiteral("export_email"));
    email_->setChecked(values.email != 0);

    const OkCancel buttons = makeOkCancel(this);
    ok_ = buttons.ok;

    auto* top = new QVBoxLayout(this);
    top->addLayout(lisotrex::ui::pathRow(path_, browse_));
    top->addWidget(new QLabel(QStringLiteral("匯出目的地類型:"), this));
    top->addWidget(fax_);
    top->addWidget(email_);
    top->addLayout(lisotrex::ui::buttonRow(buttons));

    connect(browse_, &QPushButton::clicked, this, &CExportDialog::browse);
    connect(path_, &QLineEdit::textChanged, this, &CExportDialog::updateOk);
    connect(fax_, &QCheckBox::toggled, this, &CExportDialog::updateOk);
    connect(email_, &QCheckBox::toggled, this, &CExportDialog::updateOk);
    updateOk();
}

void CExportDialog::updateOk() {
    ok_->setEnabled(!path_->text().isEmpty() && (fax_->isChecked() || email_->isChecked()));
}

void CExportDialog::browse() {
    BrowseRequest request;
    request.current = path_->text();
    request.filters = nameFiltersFrom(QStringLiteral("通訊錄 (*.abk)|*.abk|") + qtText(ids::IDS_FILTER_ALL_FILES));
    request.defaultSuffix = QStringLiteral("abk");
    const QString chosen = browseForFile(this, request);
    if (!chosen.isEmpty()) path_->setText(chosen);
}

void CExportDialog::accept() {
    if (path_->text().isEmpty() || !(fax_->isChecked() || email_->isChecked())) return;
    const std::string path = editedOrOriginal(path_->text(), values_.path);
    if (platform::fileExists(path)) {
        if (askQuestion(this, ids::IDS_ASK_REPLACE_FILE, Buttons::YesNo, Icon::Exclamation, {path}) != Answer::Yes) {
            path_->setFocus();
            return;
        }
    }
    values_.path = path;
    values_.fax = fax_->isChecked() ? 1 : 0;
    values_.email = email_->isChecked() ? 1 : 0;
    QDialog::accept();
}

bool runExportDialog(ExportDialogValues& values, QWidget* parent) {
    CExportDialog dialog(values, parent);
    return dialog.exec() == QDialog::Accepted;
}

} // namespace lisotrex::ui
