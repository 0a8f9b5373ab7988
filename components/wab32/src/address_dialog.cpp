// The Qt select-names dialog: the container's entries on the left (with a
// search field), one destination well per recipient type on the right.

#include <mutex>

#include <QApplication>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "address_dialog_widget.h"

namespace wab32 {

namespace {

std::mutex g_lock;
AddressPicker g_picker;

QString text(int id) { return QString::fromStdString(dialogText(id)); }
QString q(const std::string& s) { return QString::fromStdString(s); }

constexpr int kIndexRole = Qt::UserRole;
constexpr int kSourceRole = Qt::UserRole + 1;

QListWidgetItem* wellItem(const WellItem& item) {
    auto* row = new QListWidgetItem(q(item.label));
    row->setData(kIndexRole, qulonglong(item.index));
    row->setData(kSourceRole, int(item.source));
    return row;
}

} // namespace

AddressDialog::AddressDialog(QWidget* parent, const AddressRequest& request) : QDialog(parent), request_(request) {
    setObjectName("wab32AddressDialog");
    setWindowTitle(q(request.caption));
    search_ = new QLineEdit(this);
    search_->setObjectName("search");
    auto* searchLabel = new QLabel(text(43), this);
    searchLabel->setBuddy(search_);
    entries_ = new QTreeWidget(this);
    entries_->setObjectName("entries");
    entries_->setHeaderLabels({text(41), text(42)});
    entries_->setRootIsDecorated(false);
    entries_->setSelectionMode(request.pickOne || request.wells.empty() ? QAbstractItemView::SingleSelection
                                                                         : QAbstractItemView::ExtendedSelection);
    for (size_t i = 0; i < request.candidates.size(); ++i) {
        const AddressCandidate& c = request.candidates[i];
        auto* row = new QTreeWidgetItem(entries_, {q(c.name), q(c.email)});
        row->setData(0, kIndexRole, qulonglong(i));
        if (c.list) {
            QFont bold = row->font(0);
            bold.setBold(true);
            row->setFont(0, bold);
        }
    }
    entries_->sortItems(0, Qt::AscendingOrder);
    connect(search_, &QLineEdit::textChanged, this, &AddressDialog::filter);

    auto* left = new QVBoxLayout;
    auto* searchRow = new QHBoxLayout;
    searchRow->addWidget(searchLabel);
    searchRow->addWidget(search_);
    left->addLayout(searchRow);
    left->addWidget(entries_);

    auto* body = new QHBoxLayout;
    body->addLayout(left, 3);
    if (!request.wells.empty()) {
        auto* right = new QGridLayout;
        int row = 0;
        if (!request.wellsTitle.empty()) right->addWidget(new QLabel(q(request.wellsTitle), this), row++, 1);
        for (size_t i = 0; i < request.wells.size(); ++i) {
            auto* add = new QPushButton(q(request.wells[i].title) + " ->", this);
            add->setObjectName(QString("add%1").arg(i));
            auto* well = new QListWidget(this);
            well->setObjectName(QString("well%1").arg(i));
            well->setSelectionMode(QAbstractItemView::ExtendedSelection);
            for (const WellItem& item : request.wells[i].items) well->addItem(wellItem(item));
            connect(add, &QPushButton::clicked, this, [this, i] { addSelected(i); });
            right->addWidget(add, row, 0, Qt::AlignTop);
            right->addWidget(well, row++, 1);
            wells_.push_back(well);
        }
        auto* remove = new QPushButton(text(44), this);
        remove->setObjectName("remove");
        connect(remove, &QPushButton::clicked, this, &AddressDialog::removeSelected);
        right->addWidget(remove, row, 1, Qt::AlignRight);
        body->addLayout(right, 2);
        connect(entries_, &QTreeWidget::itemDoubleClicked, this,
                [this] { addSelected(std::min(request_.focus, wells_.size() - 1)); });
    } else if (request.pickOne) {
        connect(entries_, &QTreeWidget::itemDoubleClicked, this, &AddressDialog::accept);
    }

    auto* buttons = new QDialogButtonBox(this);
    buttons->addButton(text(30), QDialogButtonBox::AcceptRole)->setObjectName("ok");
    buttons->addButton(text(31), QDialogButtonBox::RejectRole)->setObjectName("cancel");
    connect(buttons, &QDialogButtonBox::accepted, this, &AddressDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(body);
    layout->addWidget(buttons);
    if (!wells_.empty()) wells_[std::min(request.focus, wells_.size() - 1)]->setFocus();
    else search_->setFocus();
    resize(640, 400);
}

void AddressDialog::filter(const QString& typed) {
    const QString wanted = typed.trimmed();
    for (int i = 0; i < entries_->topLevelItemCount(); ++i) {
        QTreeWidgetItem* row = entries_->topLevelItem(i);
        const bool shown = wanted.isEmpty() || row->text(0).contains(wanted, Qt::CaseInsensitive) ||
                           row->text(1).contains(wanted, Qt::CaseInsensitive);
        row->setHidden(!shown);
        if (!shown) row->setSelected(false);
    }
}

std::vector<size_t> AddressDialog::selectedCandidates() const {
    std::vector<size_t> picked;
    // In the order shown, not the order clicked.
    for (int i = 0; i < entries_->topLevelItemCount(); ++i) {
        const QTreeWidgetItem* row = entries_->topLevelItem(i);
        if (row->isSelected() && !row->isHidden()) picked.push_back(size_t(row->data(0, kIndexRole).toULongLong()));
    }
    return picked;
}

void AddressDialog::addSelected(size_t well) {
    if (well >= wells_.size()) return;
    QListWidget* target = wells_[well];
    for (size_t index : selectedCandidates()) {
        bool there = false;
        for (int i = 0; i < target->count() && !there; ++i) {
            const QListWidgetItem* item = target->item(i);
            there = item->data(kSourceRole).toInt() == int(WellItem::Source::Candidate) &&
                    item->data(kIndexRole).toULongLong() == index;
        }
        if (!there)
            target->addItem(wellItem({WellItem::Source::Candidate, index, request_.candidates[index].name}));
    }
}

void AddressDialog::removeSelected() {
    for (QListWidget* well : wells_) qDeleteAll(well->selectedItems());
}

void AddressDialog::accept() {
    // Picking one recipient means one is picked.
    if (request_.pickOne && request_.wells.empty() && selectedCandidates().empty()) {
        QMessageBox::information(this, windowTitle(), text(45));
        entries_->setFocus();
        return;
    }
    QDialog::accept();
}

AddressChoice AddressDialog::choice() const {
    AddressChoice c;
    for (size_t w = 0; w < wells_.size(); ++w) {
        AddressWell well = request_.wells[w];
        well.items.clear();
        for (int i = 0; i < wells_[w]->count(); ++i) {
            const QListWidgetItem* item = wells_[w]->item(i);
            well.items.push_back({WellItem::Source(item->data(kSourceRole).toInt()),
                                  size_t(item->data(kIndexRole).toULongLong()), item->text().toStdString()});
        }
        c.wells.push_back(std::move(well));
    }
    if (request_.pickOne && request_.wells.empty()) {
        const std::vector<size_t> picked = selectedCandidates();
        if (!picked.empty()) c.picked = picked.front();
    }
    return c;
}

void setAddressPicker(AddressPicker picker) {
    std::lock_guard g(g_lock);
    g_picker = std::move(picker);
}

DialogResult pickAddresses(uintptr_t parent, const AddressRequest& request, AddressChoice& choice) {
    AddressPicker picker;
    {
        std::lock_guard g(g_lock);
        picker = g_picker;
    }
    if (picker) return picker(parent, request, choice);
    if (!qobject_cast<QApplication*>(QCoreApplication::instance())) return DialogResult::Unavailable;
    AddressDialog dialog(reinterpret_cast<QWidget*>(parent), request);
    if (dialog.exec() != QDialog::Accepted) return DialogResult::Cancel;
    choice = dialog.choice();
    return DialogResult::Ok;
}

} // namespace wab32
