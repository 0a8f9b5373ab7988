#include "record_type_dialog.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include "dialog_hooks.h"
#include "fax_strings.h"
#include "pdx/tags.h"

namespace vqfax {

RecordTypeDialog::RecordTypeDialog(QWidget* parent) : QDialog(parent) {
    setWindowTitle(text(kStrRecordTypeCaption));
    auto* label = new QLabel(text(kStrRecordTypeLabel), this);
    list_ = new QListWidget(this);
    list_->setObjectName("1004");
    label->setBuddy(list_);
    const std::pair<int, pdx::ULONG> items[] = {{kStrRecordContact, pdx::PR_DEF_CREATE_MAILUSER},
                                                {kStrRecordGroup, pdx::PR_DEF_CREATE_DL}};
    for (auto [id, tag] : items) {
        auto* item = new QListWidgetItem(text(id), list_);
        item->setData(Qt::UserRole, uint(tag));
    }
    list_->setCurrentRow(0);
    // Two short items: no room wasted below them.
    list_->setMaximumHeight(list_->sizeHintForRow(0) * 4 + 2 * list_->frameWidth());

    auto* ok = new QPushButton(text(kStrOk), this);
    ok->setObjectName("1");
    ok->setDefault(true);
    auto* cancel = new QPushButton(text(kStrCancel), this);
    cancel->setObjectName("2");
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(label);
    layout->addWidget(list_);
    layout->addLayout(buttons);
}

pdx::ULONG RecordTypeDialog::chosenTemplate() const {
    const QListWidgetItem* item = list_->currentItem() ? list_->currentItem() : list_->item(0);
    return pdx::ULONG(item->data(Qt::UserRole).toUInt());
}

} // namespace vqfax
