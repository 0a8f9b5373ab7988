#include "ui/dialogs/import_dialog.h"

#include "strings/string_ids.h"
#include "ui/dialogs/dialog_common.h"
#include "ui/message_box.h"
#include "ui/qt_text.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace lisotrex::ui {

CImportDialog::CImportDialog(ImportDialogValues& values, QWidget* parent) : QDialog(parent), values_(values) {
    setObjectName(QStringLiteral("dialog_132"));
    setWindowTitle(QStringLiteral("匯入設定"));
    useDialogFont(this);

    path_ = new QLineEdit(fromSystem(values.path), this);
    path_->setObjectName(QStringLiteral("import_path"));
    browse_ = new QPushButton(QStringLiteral("瀏覽(&B)..."), this);
    browse_->setObjectName(QStringLiteral("import_browse"));
    browse_->setAutoDefault(false);

    // In the order the importers are kept: Exchange, Notes, native book, PDX.
    static const char16_t* const texts[4] = {
        u"Microsoft Exchange 通訊錄(&E)",
        u"Lotus &Notes 通訊錄 (結構文字)",
        u"原始通訊錄 (abu)(&U)",
        u"通訊錄(&A)",
    };
    auto* group = new QButtonGroup(this);
    for (int i = 0; i < 4; ++i) {
        sources_[i] = new QRadioButton(QString::fromUtf16(texts[i]), this);
        sources_[i]->setObjectName(QStringLiteral("source_%1").arg(i));
        group->addButton(sources_[i], i);
    }
    sources_[values.source >= 0 && values.source < 4 ? values.source : 0]->setChecked(true);

    fax_ = new QCheckBox(QStringLiteral("傳真號碼(&X)"), this);
    fax_->setObjectName(QStringLiteral("import_fax"));
    fax_->setChecked(values.fax != 0);
    email_ = new QCheckBox(QStringLiteral("E-&mail 位址"), this);
    email_->setObjectName(QStringLiteral("import_email"));
    email_->setChecked(values.email != 0);

    const OkCancel buttons = makeOkCancel(this);
    ok_ = buttons.ok;

    auto* top = new QVBoxLayout(this);
    top->addLayout(lisotrex::ui::pathRow(path_, browse_));
    for (QRadioButton* radio : sources_) top->addWidget(radio);
    top->addWidget(new QLabel(QStringLiteral("匯入目的地類型"), this));
    top->addWidget(fax_);
    top->addWidget(email_);
    top->addLayout(lisotrex::ui::buttonRow(buttons));

    connect(browse_, &QPushButton::clicked, this, &CImportDialog::browse);
    connect(path_, &QLineEdit::textChanged, this, &CImportDialog::updateControls);
    connect(group, &QButtonGroup::idToggled, this, &CImportDialog::updateControls);
    connect(fax_, &QCheckBox::toggled, this, &CImportDialog::updateControls);
    connect(email_, &QCheckBox::toggled, this, &CImportDialog::updateControls);
    updateControls();
}

int32_t CImportDialog::source() const {
    for (int i = 0; i < 4; ++i) {
        if (sources_[i]->isChecked()) return i;
    }
    return kSourceExchange;
}

void CImportDialog::updateControls() {
    const bool pdx = source() == kSourcePdx;
    path_->setEnabled(!pdx);
    browse_->setEnabled(!pdx);
    ok_->setEnabled((fax_->isChecked() || email_->isChecked()) && (pdx || !path_->text().isEmpty()));
}

void CImportDialog::browse() {
    BrowseRequest request;
    request.current = path_->text();
    request.filters = nameFilters({ids::IDS_FILTER_ALL_FILES, ids::IDS_FILTER_NATIVE_BOOK});
    request.mustExist = true;
    const QString chosen = browseForFile(this, request);
    if (!chosen.isEmpty()) path_->setText(chosen);
}

void CImportDialog::accept() {
    const int32_t chosen = source();
    const QString path = path_->text();
    if (chosen != kSourcePdx) {
        if (path.isEmpty()) {
            path_->setFocus();
            return;
        }
        if (editedOrOriginal(path, values_.path).size() > kPathLimit) {
            showMessage(this, ids::IDS_MSG_MAX_CHARS, Icon::Exclamation, {"259"});
            path_->setFocus();
            path_->selectAll();
            return;
        }
    }
    if (!fax_->isChecked() && !email_->isChecked()) {
        showMessage(this, ids::IDS_MSG_ENTER_DEST_TYPE, Icon::Exclamation);
        fax_->setFocus();
        return;
    }
    // The path is kept for the next time even when the address book source
    // does not use it.
    values_.path = editedOrOriginal(path, values_.path);
    values_.source = chosen;
    values_.fax = fax_->isChecked() ? 1 : 0;
    values_.email = email_->isChecked() ? 1 : 0;
    QDialog::accept();
}

bool runImportDialog(ImportDialogValues& values, QWidget* parent) {
    CImportDialog dialog(values, parent);
    return dialog.exec() == QDialog::Accepted;
}

} // namespace lisotrex::ui
