#include "ui/dialogs/book_kind_dialog.h"

#include "model/book_kind.h"
#include "ui/dialogs/dialog_common.h"

#include <QButtonGroup>
#include <QHBoxLayout>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace lisotrex::ui {

CBookKindDialog::CBookKindDialog(int32_t current, QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("dialog_book_kind"));
    setWindowTitle(QStringLiteral("新增通訊錄"));
    useDialogFont(this);

    plain_ = new QRadioButton(QStringLiteral("僅有傳真，E-mail(&E)"), this);
    plain_->setObjectName(QStringLiteral("kind_plain"));
    oneTouch_ = new QRadioButton(QStringLiteral("包含單鍵傳真，E-mail(&W)"), this);
    oneTouch_->setObjectName(QStringLiteral("kind_one_touch"));
    auto* group = new QButtonGroup(this);
    group->addButton(plain_);
    group->addButton(oneTouch_);
    (current == kOneTouchBook ? oneTouch_ : plain_)->setChecked(true);

    const OkCancel buttons = makeOkCancel(this);
    auto* row = new QHBoxLayout;
    row->addStretch();
    row->addWidget(buttons.ok);
    row->addWidget(buttons.cancel);
    auto* top = new QVBoxLayout(this);
    top->addWidget(plain_);
    top->addWidget(oneTouch_);
    top->addLayout(row);
}

int32_t CBookKindDialog::kind() const { return oneTouch_->isChecked() ? kOneTouchBook : kPlainBook; }

std::optional<int32_t> runBookKindDialog(int32_t current, QWidget* parent) {
    CBookKindDialog dialog(current, parent);
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    return dialog.kind();
}

} // namespace lisotrex::ui
