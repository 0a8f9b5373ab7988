#include "ui/dialogs/import_mode_dialog.h"

#include "ui/dialogs/dialog_common.h"

#include <QButtonGroup>
#include <QHBoxLayout>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace lisotrex::ui {

CImportModeDialog::CImportModeDialog(bool bookIsEmpty, QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("dialog_import_mode"));
    setWindowTitle(QStringLiteral("選擇匯入方式"));
    useDialogFont(this);

    static const char16_t* const texts[3] = {
        u"以相同名稱更新已有項目(&U)",
        u"以相同名稱更新已有項目及新增項目(&S)",
        u"加入所有項目作為新的項目(&A)",
    };
    auto* group = new QButtonGroup(this);
    auto* top = new QVBoxLayout(this);
    for (int i = 0; i < 3; ++i) {
        modes_[i] = new QRadioButton(QString::fromUtf16(texts[i]), this);
        modes_[i]->setObjectName(QStringLiteral("mode_%1").arg(i));
        group->addButton(modes_[i], i);
        top->addWidget(modes_[i]);
    }
    if (bookIsEmpty) {
        modes_[0]->setEnabled(false);
        modes_[1]->setChecked(true);
    } else {
        modes_[0]->setChecked(true);
    }

    const OkCancel buttons = makeOkCancel(this);
    auto* row = new QHBoxLayout;
    row->addStretch();
    row->addWidget(buttons.ok);
    row->addWidget(buttons.cancel);
    top->addLayout(row);
}

int CImportModeDialog::mode() const {
    for (int i = 0; i < 3; ++i) {
        if (modes_[i]->isChecked()) return i;
    }
    return 0;
}

std::optional<int> runImportModeDialog(bool bookIsEmpty, QWidget* parent) {
    CImportModeDialog dialog(bookIsEmpty, parent);
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    return dialog.mode();
}

} // namespace lisotrex::ui
