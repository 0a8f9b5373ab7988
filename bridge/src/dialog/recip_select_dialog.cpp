#include "dialog/recip_select_dialog.h"

#include <QApplication>
#include <algorithm>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QShortcut>
#include <QTreeView>
#include <QTreeWidget>

#include "dialog/dialog_hooks.h"
#include "dialog/entry_rows_model.h"
#include "platform/codepage.h"
#include "bridge_strings.h"

namespace vqbridge {

namespace {

constexpr int kNodeRole = Qt::UserRole;

QString text(int id) { return QString::fromStdString(loadString(id)); }
QString fromSystem(const std::string& s) { return QString::fromStdString(platform::systemToUtf8(s)); }

template <class W>
W* named(W* widget, int id) {
    widget->setObjectName(QString::number(id));
    return widget;
}

QLabel* label(int id, QWidget* buddy, QWidget* parent) {
    auto* l = named(new QLabel(text(id), parent), id);
    l->setBuddy(buddy);
    return l;
}

} // namespace

RecipSelectDialog::RecipSelectDialog(RecipientSelection& selection, std::string coreFolder, QWidget* parent)
    : QDialog(parent), selection_(selection), coreFolder_(std::move(coreFolder)) {
    // Built at run time: a literal's text would leave with this library when it is unloaded.
    setObjectName(QString::fromLatin1("dialog_103"));
    setWindowTitle(text(kDlgRecipientSelect));

    tree_ = named(new QTreeWidget(this), 1021);
    tree_->setHeaderHidden(true);
    tree_->setSelectionMode(QAbstractItemView::SingleSelection);

    model_ = new EntryRowsModel(selection_, this);
    entries_ = named(new QTreeView(this), 1022);
    entries_->setModel(model_);
    entries_->setRootIsDecorated(false);
    entries_->setUniformRowHeights(true);
    entries_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    entries_->setSelectionBehavior(QAbstractItemView::SelectRows);
    entries_->setAllColumnsShowFocus(true);
    entries_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    entries_->header()->setSectionsClickable(true);
    entries_->header()->setSortIndicatorShown(true);
    entries_->header()->setStretchLastSection(false);
    fitColumns();

    search_ = named(new QLineEdit(this), 1020);
    search_->setMaxLength(128);
    add_ = named(new QPushButton(text(kStrAddButton), this), 1043);
    add_->setAutoDefault(false);
    items_ = named(new QListWidget(this), 1042);
    items_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    count_ = named(new QLabel(this), 1041);
    count_->setAccessibleName(text(kStrCount));
    count_->setMinimumWidth(count_->fontMetrics().horizontalAdvance(QStringLiteral("99999")));
    count_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    remove_ = named(new QPushButton(text(kStrRemoveButton), this), 1044);
    remove_->setAutoDefault(false);
    info_ = named(new QPlainTextEdit(this), 1040);
    info_->setReadOnly(true);
    ok_ = named(new QPushButton(text(kStrOk), this), 1);
    ok_->setDefault(true);
    auto* cancel = named(new QPushButton(text(kStrCancel), this), 2);
    cancel->setAutoDefault(false);

    auto* grid = new QGridLayout;
    grid->addWidget(label(kStrTreeLabel, tree_, this), 0, 0, 1, 2);
    grid->addWidget(tree_, 1, 0, 1, 2);
    grid->addWidget(entries_, 0, 2, 2, 2);
    grid->addWidget(label(kStrSearchLabel, search_, this), 2, 0);
    grid->addWidget(search_, 2, 1, 1, 2);
    grid->addWidget(add_, 2, 3);
    auto* listHead = new QHBoxLayout;
    listHead->addWidget(label(kStrImportListLabel, items_, this));
    listHead->addStretch();
    listHead->addWidget(count_);
    grid->addLayout(listHead, 3, 0, 1, 2);
    grid->addWidget(items_, 4, 0, 1, 2);
    grid->addWidget(remove_, 5, 0, 1, 2, Qt::AlignLeft);
    grid->addWidget(info_, 3, 2, 3, 2);
    grid->setColumnStretch(1, 1);
    grid->setColumnStretch(2, 2);
    grid->setRowStretch(1, 3);
    grid->setRowStretch(4, 2);
    auto* closing = new QHBoxLayout;
    closing->addStretch();
    closing->addWidget(ok_);
    closing->addWidget(cancel);
    auto* top = new QVBoxLayout(this);
    top->addLayout(grid);
    top->addLayout(closing);
    resize(720, 520);

    connect(tree_, &QTreeWidget::itemSelectionChanged, this, &RecipSelectDialog::showContainer);
    connect(entries_->header(), &QHeaderView::sectionClicked, this, &RecipSelectDialog::sortByColumn);
    connect(entries_->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &RecipSelectDialog::entrySelectionChanged);
    connect(entries_, &QTreeView::doubleClicked, this, [this] { addSelected(); });
    connect(search_, &QLineEdit::textChanged, this, &RecipSelectDialog::search);
    connect(add_, &QPushButton::clicked, this, &RecipSelectDialog::addSelected);
    connect(remove_, &QPushButton::clicked, this, &RecipSelectDialog::removeSelected);
    connect(items_, &QListWidget::itemSelectionChanged, this, &RecipSelectDialog::updateButtons);
    connect(ok_, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    // Accelerator table 207: Ctrl+A selects every row of the entry list.
    auto* selectAll = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_A), this);
    selectAll->setContext(Qt::WindowShortcut);
    connect(selectAll, &QShortcut::activated, this, &RecipSelectDialog::selectAllRows);
    attachContextHelp(this, coreFolder_);
}

bool RecipSelectDialog::start() {
    {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        selection_.loadContainers();
        QApplication::restoreOverrideCursor();
    }
    const std::vector<ContainerNode>& nodes = selection_.containers();
    if (nodes.empty()) {
        showMessage(this, kMsgNoAddressBooks, text(kMsgNoAddressBooks));
        return false;
    }
    std::vector<QTreeWidgetItem*> items;
    for (size_t i = 0; i < nodes.size(); ++i) {
        auto* item = nodes[i].parent < 0 ? new QTreeWidgetItem(tree_)
                                         : new QTreeWidgetItem(items[size_t(nodes[i].parent)]);
        item->setText(0, fromSystem(nodes[i].name));
        item->setData(0, kNodeRole, int(i));
        items.push_back(item);
    }
    tree_->expandAll();
    const int chosen = selection_.defaultContainer();
    if (chosen >= 0) tree_->setCurrentItem(items[size_t(chosen)]);
    fillImportList({}, selection_.importList().empty() ? -1 : 0);
    updateButtons();
    return true;
}

void RecipSelectDialog::showContainer() {
    const QList<QTreeWidgetItem*> chosen = tree_->selectedItems();
    const int node = chosen.isEmpty() ? -1 : chosen.front()->data(0, kNodeRole).toInt();
    QApplication::setOverrideCursor(Qt::WaitCursor);
    entries_->setUpdatesEnabled(false);
    model_->beginChange();
    selection_.showContainer(node);
    model_->endChange();
    entries_->header()->setSortIndicator(kColumnName, Qt::AscendingOrder);
    fitColumns();
    if (!selection_.rows().empty()) selectRows({0}, true);
    entries_->setUpdatesEnabled(true);
    QApplication::restoreOverrideCursor();
    updateButtons();
}

// Each column is as wide as its header text plus 25 pixels, and wider when
// its texts need it: a name cut to its first letter cannot be told apart.
void RecipSelectDialog::fitColumns() {
    for (int c = 0; c < kColumnCount; ++c) {
        const QString header = model_->headerData(c, Qt::Horizontal, Qt::DisplayRole).toString();
        const int least = entries_->header()->fontMetrics().horizontalAdvance(header) + 25;
        entries_->resizeColumnToContents(c);
        entries_->setColumnWidth(c, std::max(least, entries_->columnWidth(c)));
    }
}

void RecipSelectDialog::sortByColumn(int column) {
    std::vector<uint32_t> ids;
    for (size_t row : selectedRows()) ids.push_back(selection_.rows()[row].id);
    const int currentRow = entries_->currentIndex().row();
    const uint32_t currentId =
        currentRow >= 0 && size_t(currentRow) < selection_.rows().size() ? selection_.rows()[size_t(currentRow)].id : 0;
    model_->beginChange();
    selection_.sortBy(column);
    model_->endChange();
    const SortState& sort = selection_.sortState();
    entries_->header()->setSortIndicator(sort.column, sort.descending ? Qt::DescendingOrder : Qt::AscendingOrder);
    std::vector<size_t> rows;
    for (uint32_t id : ids)
        if (int row = selection_.rowOfId(id); row >= 0) rows.push_back(size_t(row));
    selectRows(rows, false);
    if (currentRow >= 0)
        if (int row = selection_.rowOfId(currentId); row >= 0)
            entries_->selectionModel()->setCurrentIndex(model_->index(row, 0), QItemSelectionModel::NoUpdate);
}

void RecipSelectDialog::search(const QString& typed) {
    if (selection_.rows().empty() || typed == lastSearch_) return;
    lastSearch_ = typed;
    if (typed.isEmpty()) return;
    const int row = selection_.findByPrefix(platform::utf8ToSystem(typed.toStdString()));
    if (row < 0) return;
    selectRows({size_t(row)}, true);
}

void RecipSelectDialog::entrySelectionChanged() {
    const std::vector<size_t> rows = selectedRows();
    if (rows.size() == 1) info_->setPlainText(displayText(selection_.informationText(rows.front())));
    updateButtons();
}

void RecipSelectDialog::addSelected() {
    std::vector<size_t> added;
    switch (selection_.add(selectedRows(), &added)) {
    case RecipientSelection::AddResult::TooMany: {
        std::string message = loadString(kMsgTooManyRecipients);
        const size_t at = message.find("%ld");
        if (at != std::string::npos) message.replace(at, 3, std::to_string(selection_.capacity()));
        showMessage(this, kMsgTooManyRecipients, displayText(message));
        return;
    }
    case RecipientSelection::AddResult::NothingNew:
        tree_->setFocus();
        updateButtons();
        return;
    case RecipientSelection::AddResult::Added:
        fillImportList(added, added.empty() ? -1 : int(added.front()));
        tree_->setFocus();
        updateButtons();
        return;
    }
}

void RecipSelectDialog::removeSelected() {
    std::vector<size_t> positions;
    for (QListWidgetItem* item : items_->selectedItems()) positions.push_back(size_t(items_->row(item)));
    if (positions.empty()) return;
    const int next = selection_.remove(positions);
    fillImportList(next >= 0 ? std::vector<size_t>{size_t(next)} : std::vector<size_t>{}, next);
    items_->setFocus();
    updateButtons();
}

void RecipSelectDialog::selectAllRows() {
    if (!selection_.rows().empty()) entries_->selectAll();
}

void RecipSelectDialog::fillImportList(const std::vector<size_t>& selectRows, int current) {
    const QSignalBlocker block(items_);
    items_->setUpdatesEnabled(false);
    items_->clear();
    const std::vector<Recipient>& list = selection_.importList();
    QStringList texts;
    texts.reserve(int(list.size()));
    for (size_t i = 0; i < list.size(); ++i) texts.push_back(fromSystem(selection_.itemText(i)));
    items_->addItems(texts);
    if (current >= 0 && current < items_->count()) items_->setCurrentRow(current, QItemSelectionModel::NoUpdate);
    for (size_t row : selectRows)
        if (row < list.size()) items_->item(int(row))->setSelected(true);
    if (selectRows.empty() && current >= 0 && current < items_->count()) items_->item(current)->setSelected(true);
    items_->setUpdatesEnabled(true);
    count_->setText(list.empty() ? QString() : QString::number(qulonglong(list.size())));
}

void RecipSelectDialog::updateButtons() {
    add_->setEnabled(selection_.canAdd(selectedRows()));
    ok_->setEnabled(selection_.changed());
    remove_->setEnabled(!items_->selectedItems().isEmpty());
}

std::vector<size_t> RecipSelectDialog::selectedRows() const {
    std::vector<size_t> rows;
    for (const QModelIndex& index : entries_->selectionModel()->selectedRows()) rows.push_back(size_t(index.row()));
    std::sort(rows.begin(), rows.end());
    return rows;
}

void RecipSelectDialog::selectRows(const std::vector<size_t>& rows, bool scroll) {
    QItemSelection chosen;
    for (size_t row : rows) chosen.select(model_->index(int(row), 0), model_->index(int(row), kColumnCount - 1));
    entries_->selectionModel()->select(chosen, QItemSelectionModel::ClearAndSelect);
    if (!rows.empty()) {
        entries_->selectionModel()->setCurrentIndex(model_->index(int(rows.front()), 0), QItemSelectionModel::NoUpdate);
        if (scroll) entries_->scrollTo(model_->index(int(rows.front()), 0));
    }
}

} // namespace vqbridge
