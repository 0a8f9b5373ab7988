#pragma once
// The rows of the address list: the entries that pass the filter, in the
// view's order, with row numbers, check boxes and icons. It follows the
// document's notifications so rows update in place.

#include "model/document_view.h"

#include <QAbstractTableModel>
#include <vector>

namespace lisotrex {
class CLisotrexDoc;
class CAddrUserDataObj;
} // namespace lisotrex

namespace lisotrex::ui {

class EntryListModel : public QAbstractTableModel, public DocumentView {
    Q_OBJECT
public:
    explicit EntryListModel(CLisotrexDoc& doc, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    int filter() const { return filter_; }
    int sortKey() const { return sortKey_; }
    int sortDirection() const { return direction_; }

    // Filter commands: toggle a bit and refill.
    void toggleFilter(int bit);
    // Sort command: same key again reverses, another key starts ascending.
    void sortBy(int key);
    // The sort key a header click means (0: none).
    int keyForColumn(int column) const;
    // Rebuild from the document with the current filter and sort.
    void refill();

    // Entry list position shown in a row.
    size_t positionAt(int row) const { return rows_[static_cast<size_t>(row)]; }
    const std::vector<size_t>& rows() const { return rows_; }
    int rowOfPosition(size_t position) const;
    // The entry a row showed when it was last filled; only compared, never
    // followed (after an undo the entry may be gone).
    const void* rowIdentity(int row) const { return identities_[static_cast<size_t>(row)]; }
    void setChecked(const std::vector<int>& rows, bool checked);

    // DocumentView
    void rowsAdded(size_t first, size_t count) override;
    void rowsRemoved(const std::vector<size_t>& positions) override;
    void rowsChanged(const std::vector<size_t>& positions) override;
    void rebuilt() override;
    void bookKindChanged(int32_t kind) override;

signals:
    // The list or a check mark changed: the frame refreshes its counts.
    void documentChanged();
    // Rows were replaced wholesale; the view restores its selection.
    void aboutToResync();
    void resynced();

private:
    bool oneTouch() const;
    int markColumn() const { return oneTouch() ? 6 : 5; }
    const CAddrUserDataObj& entryAt(int row) const;

    CLisotrexDoc& doc_;
    void syncIdentities();

    std::vector<size_t> rows_;
    std::vector<const void*> identities_;
    int filter_ = 3;
    int sortKey_ = 0;
    int direction_ = 0;
    int columns_ = 6;
};

} // namespace lisotrex::ui
