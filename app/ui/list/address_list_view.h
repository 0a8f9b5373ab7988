#pragma once
// CLisotrexView: the report list of the open book.

#include <QTableView>
#include <vector>

class QMenu;

namespace lisotrex::ui {

class EntryListModel;

class CLisotrexView : public QTableView {
    Q_OBJECT
public:
    CLisotrexView(EntryListModel& model, QWidget* parent = nullptr);

    EntryListModel& listModel() { return model_; }
    // Selected rows, ascending (view order).
    std::vector<int> selectedRowsInOrder() const;
    // Entry list positions of the selection, in view order.
    std::vector<size_t> selectionInViewOrder() const;
    // Entry list positions of every row, in view order.
    std::vector<size_t> viewOrder() const;
    // Sets the column layout for the book kind (widths as the columns had).
    void setupColumns();
    void setContextMenu(QMenu* menu) { contextMenu_ = menu; }
    // Check (32778) / uncheck (32779) the selected rows; false with no selection.
    bool checkSelected(bool checked);

signals:
    void modifyRequested();

protected:
    void contextMenuEvent(QContextMenuEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    void headerClicked(int column);
    void rememberSelection();
    void restoreSelection();

    EntryListModel& model_;
    QMenu* contextMenu_ = nullptr;
    std::vector<const void*> savedSelection_;
};

} // namespace lisotrex::ui
