#include "ui/list/entry_list_model.h"

#include "model/book_kind.h"
#include "model/document.h"
#include "strings/strings.h"
#include "ui/icons.h"
#include "ui/list/view_order.h"
#include "ui/qt_text.h"

#include <QApplication>
#include <algorithm>

namespace lisotrex::ui {

EntryListModel::EntryListModel(CLisotrexDoc& doc, QObject* parent) : QAbstractTableModel(parent), doc_(doc) {
    columns_ = oneTouch() ? 7 : 6;
    rows_ = collectView(doc_.m_list, filter_, sortKey_, direction_);
    syncIdentities();
}

void EntryListModel::syncIdentities() {
    identities_.resize(rows_.size());
    for (size_t i = 0; i < rows_.size(); ++i) identities_[i] = doc_.m_list[rows_[i]].get();
}

bool EntryListModel::oneTouch() const { return doc_.m_nBookType == kOneTouchBook; }

const CAddrUserDataObj& EntryListModel::entryAt(int row) const { return doc_.entry(rows_[static_cast<size_t>(row)]); }

int EntryListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

int EntryListModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : columns_; }

QVariant EntryListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount()) return {};
    const CAddrUserDataObj& e = entryAt(index.row());
    const int col = index.column();
    auto number = [](int32_t n) { return n > 0 ? QString::number(n) : QString(); };
    if (role == Qt::DisplayRole) {
        if (col == 0) return QString::number(index.row() + 1);
        if (col == 1) return fromSystem(e.m_szName);
        if (col == 2) return fromSystem(e.m_szDestination);
        if (col == 3) return fromSystem(e.m_szDepartment);
        if (col == 4) return number(e.m_nAccessCode);
        if (col == 5 && oneTouch()) return number(e.m_nOneTouch);
        return {};
    }
    if (role == Qt::DecorationRole) {
        if (col == 0 || col == 2) return entryTypeIcon(e.m_nType);
        if (col == markColumn()) return updateMarkIcon(e.m_bUpdated != 0);
        return {};
    }
    if (role == Qt::CheckStateRole && col == 0) return e.m_bChecked ? Qt::Checked : Qt::Unchecked;
    if (role == Qt::TextAlignmentRole) return int(Qt::AlignLeft | Qt::AlignVCenter);
    return {};
}

bool EntryListModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (!index.isValid() || role != Qt::CheckStateRole || index.column() != 0) return false;
    bool checked = value.toInt() == Qt::Checked;
    setChecked({index.row()}, checked);
    return true;
}

void EntryListModel::setChecked(const std::vector<int>& rows, bool checked) {
    if (rows.empty()) return;
    doc_.m_bStatusRefresh = false;
    for (int row : rows) {
        doc_.entry(rows_[static_cast<size_t>(row)]).m_bChecked = checked ? 1 : 0;
        emit dataChanged(index(row, 0), index(row, 0), {Qt::CheckStateRole});
    }
    doc_.m_bStatusRefresh = true;
    doc_.recountChecked();
    emit documentChanged();
}

Qt::ItemFlags EntryListModel::flags(const QModelIndex& index) const {
    Qt::ItemFlags f = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    if (index.column() == 0) f |= Qt::ItemIsUserCheckable;
    return f;
}

QVariant EntryListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
    switch (section) {
    case 1: return qtText(ids::IDS_COL_NAME);
    case 2: return qtText(ids::IDS_COL_DESTINATION);
    case 3: return qtText(ids::IDS_COL_DEPARTMENT);
    case 4: return qtText(ids::IDS_COL_ACCESS_CODE);
    case 5: return oneTouch() ? qtText(ids::IDS_COL_ONE_TOUCH) : QString();
    default: return QString();
    }
}

int EntryListModel::keyForColumn(int column) const {
    switch (column) {
    case 1: return kSortName;
    case 2: return kSortDestination;
    case 3: return kSortDepartment;
    case 4: return kSortAccessCode;
    case 5: return oneTouch() ? kSortOneTouch : kSortUpdated;
    case 6: return kSortUpdated;
    default: return 0;
    }
}

void EntryListModel::toggleFilter(int bit) {
    filter_ ^= bit;
    refill();
}

void EntryListModel::sortBy(int key) {
    direction_ = (key == sortKey_ && direction_ == 0) ? 1 : 0;
    sortKey_ = key;
    emit layoutAboutToBeChanged();
    QModelIndexList before = persistentIndexList();
    std::vector<size_t> oldRows = rows_;
    sortPositions(rows_, doc_.m_list, sortKey_, direction_);
    syncIdentities();
    // Selections follow their entries to the new rows.
    std::vector<int> rowOf(doc_.count(), -1);
    for (size_t r = 0; r < rows_.size(); ++r) rowOf[rows_[r]] = static_cast<int>(r);
    QModelIndexList after;
    for (const QModelIndex& idx : before) after.push_back(index(rowOf[oldRows[static_cast<size_t>(idx.row())]], idx.column()));
    changePersistentIndexList(before, after);
    emit layoutChanged();
}

void EntryListModel::refill() {
    QApplication::setOverrideCursor(Qt::WaitCursor);
    struct Restore {
        ~Restore() { QApplication::restoreOverrideCursor(); }
    } restore;
    beginResetModel();
    columns_ = oneTouch() ? 7 : 6;
    rows_ = collectView(doc_.m_list, filter_, sortKey_, direction_);
    syncIdentities();
    endResetModel();
    doc_.recountChecked();
    emit documentChanged();
}

int EntryListModel::rowOfPosition(size_t position) const {
    auto it = std::find(rows_.begin(), rows_.end(), position);
    return it == rows_.end() ? -1 : static_cast<int>(it - rows_.begin());
}

void EntryListModel::rowsAdded(size_t first, size_t count) {
    std::vector<size_t> fresh;
    for (size_t p = first; p < first + count && p < doc_.count(); ++p)
        if (passesFilter(doc_.entry(p), filter_)) fresh.push_back(p);
    // Entries already listed (positions are unique) are only rewritten.
    std::vector<size_t> shown(rows_);
    std::sort(shown.begin(), shown.end());
    std::vector<size_t> appended;
    for (size_t p : fresh)
        if (!std::binary_search(shown.begin(), shown.end(), p)) appended.push_back(p);
    if (!appended.empty()) {
        int start = rowCount();
        beginInsertRows({}, start, start + static_cast<int>(appended.size()) - 1);
        rows_.insert(rows_.end(), appended.begin(), appended.end());
        syncIdentities();
        endInsertRows();
    }
    if (rowCount() > 0) emit dataChanged(index(0, 0), index(rowCount() - 1, columns_ - 1));
    emit documentChanged();
}

void EntryListModel::rowsRemoved(const std::vector<size_t>& positions) {
    std::vector<size_t> removed(positions);
    std::sort(removed.begin(), removed.end());
    // Remove the rows from the bottom up, so row numbers stay valid.
    for (int row = rowCount() - 1; row >= 0; --row) {
        if (std::binary_search(removed.begin(), removed.end(), rows_[static_cast<size_t>(row)])) {
            beginRemoveRows({}, row, row);
            rows_.erase(rows_.begin() + row);
            identities_.erase(identities_.begin() + row);
            endRemoveRows();
        }
    }
    for (auto& p : rows_) p -= static_cast<size_t>(std::lower_bound(removed.begin(), removed.end(), p) - removed.begin());
    if (rowCount() > 0) emit dataChanged(index(0, 0), index(rowCount() - 1, 0), {Qt::DisplayRole});
    emit documentChanged();
}

void EntryListModel::rowsChanged(const std::vector<size_t>& positions) {
    for (size_t p : positions) {
        int row = rowOfPosition(p);
        if (row >= 0) emit dataChanged(index(row, 0), index(row, columns_ - 1));
    }
    emit documentChanged();
}

void EntryListModel::rebuilt() {
    emit aboutToResync();
    refill();
    emit resynced();
}

void EntryListModel::bookKindChanged(int32_t) {
    if ((oneTouch() ? 7 : 6) != columns_) refill();
    emit headerDataChanged(Qt::Horizontal, 0, columns_ - 1);
    emit documentChanged();
}

} // namespace lisotrex::ui
