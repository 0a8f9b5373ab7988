#include "ui/list/address_list_view.h"

#include "ui/list/entry_list_model.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QHeaderView>
#include <QMenu>
#include <QMouseEvent>
#include <algorithm>
#include <unordered_set>

namespace lisotrex::ui {

CLisotrexView::CLisotrexView(EntryListModel& model, QWidget* parent) : QTableView(parent), model_(model) {
    setObjectName(QStringLiteral("addressList"));
    setModel(&model_);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setShowGrid(true);
    setWordWrap(false);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSortingEnabled(false); // the model sorts with the program's own comparison
    verticalHeader()->hide();
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    horizontalHeader()->setSectionsMovable(true); // header drag and drop
    horizontalHeader()->setSectionsClickable(true);
    horizontalHeader()->setHighlightSections(false);
    horizontalHeader()->setStretchLastSection(false);
    horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    connect(horizontalHeader(), &QHeaderView::sectionClicked, this, &CLisotrexView::headerClicked);
    connect(&model_, &EntryListModel::aboutToResync, this, &CLisotrexView::rememberSelection);
    connect(&model_, &EntryListModel::resynced, this, &CLisotrexView::restoreSelection);
    connect(&model_, &QAbstractItemModel::modelReset, this, &CLisotrexView::setupColumns);
    setupColumns();
}

void CLisotrexView::setupColumns() {
    const int columns = model_.columnCount();
    for (int c = 0; c < columns; ++c) setColumnWidth(c, c == 0 ? 65 : c == columns - 1 ? 16 + 8 : 100);
}

std::vector<int> CLisotrexView::selectedRowsInOrder() const {
    std::vector<int> rows;
    if (!selectionModel()) return rows;
    for (const QModelIndex& idx : selectionModel()->selectedRows()) rows.push_back(idx.row());
    std::sort(rows.begin(), rows.end());
    return rows;
}

std::vector<size_t> CLisotrexView::selectionInViewOrder() const {
    std::vector<size_t> out;
    for (int row : selectedRowsInOrder()) out.push_back(model_.positionAt(row));
    return out;
}

std::vector<size_t> CLisotrexView::viewOrder() const { return model_.rows(); }

bool CLisotrexView::checkSelected(bool checked) {
    std::vector<int> rows = selectedRowsInOrder();
    if (rows.empty()) return false;
    model_.setChecked(rows, checked);
    return true;
}

void CLisotrexView::headerClicked(int column) {
    int key = model_.keyForColumn(column);
    if (key == 0) return;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    model_.sortBy(key);
    QApplication::restoreOverrideCursor();
}

void CLisotrexView::contextMenuEvent(QContextMenuEvent* event) {
    if (contextMenu_) contextMenu_->exec(event->globalPos());
}

void CLisotrexView::mouseDoubleClickEvent(QMouseEvent* event) {
    QTableView::mouseDoubleClickEvent(event);
    if (event->button() == Qt::LeftButton && indexAt(event->pos()).isValid()) emit modifyRequested();
}

void CLisotrexView::rememberSelection() {
    savedSelection_.clear();
    for (int row : selectedRowsInOrder()) savedSelection_.push_back(model_.rowIdentity(row));
}

void CLisotrexView::restoreSelection() {
    if (savedSelection_.empty()) return;
    std::unordered_set<const void*> wanted(savedSelection_.begin(), savedSelection_.end());
    QItemSelection selection;
    for (int row = 0; row < model_.rowCount(); ++row)
        if (wanted.count(model_.rowIdentity(row)))
            selection.select(model_.index(row, 0), model_.index(row, model_.columnCount() - 1));
    selectionModel()->select(selection, QItemSelectionModel::ClearAndSelect);
    savedSelection_.clear();
}

} // namespace lisotrex::ui
