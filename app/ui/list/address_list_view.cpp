#include "ui/list/address_list_view.h"

#include "ui/list/entry_list_model.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionViewItem>
#include <QStyledItemDelegate>
#include <algorithm>
#include <unordered_set>

namespace lisotrex::ui {

// The list's item delegate, which also tells where it draws a row's check box.
class CLisotrexView::CheckBoxDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    QRect checkBoxRect(const QStyleOptionViewItem& option, const QModelIndex& index) const {
        QStyleOptionViewItem full(option);
        initStyleOption(&full, index);
        const QWidget* widget = full.widget;
        QStyle* style = widget ? widget->style() : QApplication::style();
        return style->subElementRect(QStyle::SE_ItemViewItemCheckIndicator, &full, widget);
    }

    // The update mark fills its column, as narrow as the icon: drawn centred
    // without the cell's margins, which would cut it off.
    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        if (index.column() != index.model()->columnCount() - 1) return QStyledItemDelegate::paint(painter, option, index);
        QStyleOptionViewItem cell(option);
        initStyleOption(&cell, index);
        const QIcon icon = cell.icon;
        cell.icon = QIcon();
        cell.features &= ~QStyleOptionViewItem::HasDecoration;
        const QWidget* widget = cell.widget;
        QStyle* style = widget ? widget->style() : QApplication::style();
        style->drawControl(QStyle::CE_ItemViewItem, &cell, painter, widget);
        icon.paint(painter, cell.rect, Qt::AlignCenter, (cell.state & QStyle::State_Selected) ? QIcon::Selected : QIcon::Normal);
    }
};

CLisotrexView::CLisotrexView(EntryListModel& model, QWidget* parent) : QTableView(parent), model_(model) {
    setObjectName(QStringLiteral("addressList"));
    setModel(&model_);
    delegate_ = new CheckBoxDelegate(this);
    setItemDelegate(delegate_);
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
    connect(&model_, &QAbstractItemModel::modelAboutToBeReset, this, &CLisotrexView::rememberWidths);
    connect(&model_, &QAbstractItemModel::modelReset, this, &CLisotrexView::restoreWidths);
    setupColumns();
}

void CLisotrexView::setupColumns() {
    const int columns = model_.columnCount();
    horizontalHeader()->setMinimumSectionSize(16); // the update mark's column is as wide as its icon
    for (int c = 0; c < columns; ++c) setColumnWidth(c, c == 0 ? 65 : c == columns - 1 ? 16 : 100);
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

bool CLisotrexView::onCheckBox(const QPoint& point) {
    const QModelIndex index = indexAt(point);
    if (!index.isValid() || !(model_.flags(index) & Qt::ItemIsUserCheckable)) return false;
    QStyleOptionViewItem option;
    initViewItemOption(&option);
    option.rect = visualRect(index);
    return delegate_->checkBoxRect(option, index).contains(point);
}

void CLisotrexView::mouseDoubleClickEvent(QMouseEvent* event) {
    // A double click on a check box only checks and unchecks.
    const bool checkBox = onCheckBox(event->position().toPoint());
    QTableView::mouseDoubleClickEvent(event);
    if (event->button() == Qt::LeftButton && indexAt(event->position().toPoint()).isValid() && !checkBox)
        emit modifyRequested();
}

void CLisotrexView::keyPressEvent(QKeyEvent* event) {
    if (event->matches(QKeySequence::Copy)) {
        event->ignore();
        return;
    }
    QTableView::keyPressEvent(event);
}

void CLisotrexView::rememberSelection() {
    savedSelection_.clear();
    for (int row : selectedRowsInOrder()) savedSelection_.push_back(model_.rowIdentity(row));
    const QModelIndex current = currentIndex();
    savedCurrent_ = current.isValid() ? model_.rowIdentity(current.row()) : nullptr;
    savedCurrentColumn_ = current.isValid() ? current.column() : 0;
}

void CLisotrexView::restoreSelection() {
    std::unordered_set<const void*> wanted(savedSelection_.begin(), savedSelection_.end());
    QItemSelection selection;
    int currentRow = -1;
    for (int row = 0; row < model_.rowCount(); ++row) {
        const void* identity = model_.rowIdentity(row);
        if (wanted.count(identity)) selection.select(model_.index(row, 0), model_.index(row, model_.columnCount() - 1));
        if (savedCurrent_ && identity == savedCurrent_) currentRow = row;
    }
    if (!savedSelection_.empty()) selectionModel()->select(selection, QItemSelectionModel::ClearAndSelect);
    if (currentRow >= 0)
        selectionModel()->setCurrentIndex(model_.index(currentRow, savedCurrentColumn_), QItemSelectionModel::NoUpdate);
    savedSelection_.clear();
    savedCurrent_ = nullptr;
}

void CLisotrexView::rememberWidths() {
    savedWidths_.clear();
    for (int c = 0; c < model_.columnCount(); ++c) savedWidths_.push_back(columnWidth(c));
}

void CLisotrexView::restoreWidths() {
    if (static_cast<int>(savedWidths_.size()) != model_.columnCount()) {
        setupColumns();
        return;
    }
    for (int c = 0; c < model_.columnCount(); ++c) setColumnWidth(c, savedWidths_[static_cast<size_t>(c)]);
}

} // namespace lisotrex::ui
