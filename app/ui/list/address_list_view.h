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
    // The list's own copy of a cell's text would replace the copied entries:
    // the copy key belongs to the frame's command alone.
    void keyPressEvent(QKeyEvent* event) override;

private:
    // True when the point is on the check box of a row.
    bool onCheckBox(const QPoint& point);
    void headerClicked(int column);
    void rememberSelection();
    void restoreSelection();
    // A model reset (filter, undo) keeps the widths the user gave the
    // columns; only another set of columns starts from the defaults.
    void rememberWidths();
    void restoreWidths();

    EntryListModel& model_;
    QMenu* contextMenu_ = nullptr;
    std::vector<const void*> savedSelection_;
    const void* savedCurrent_ = nullptr;
    int savedCurrentColumn_ = 0;
    std::vector<int> savedWidths_;
    class CheckBoxDelegate;
    CheckBoxDelegate* delegate_ = nullptr;
};

} // namespace lisotrex::ui
