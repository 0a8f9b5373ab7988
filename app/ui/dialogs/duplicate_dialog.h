#pragma once
// "選擇重覆資料": which book entry an imported name with duplicates updates.

#include "convert/import_prompter.h"

#include <QDialog>

#include <optional>
#include <vector>

class QPushButton;
class QTreeWidget;

namespace lisotrex::ui {

class CDuplicateDialog : public QDialog {
    Q_OBJECT
public:
    CDuplicateDialog(const DuplicateQuestion& question, QWidget* parent = nullptr);

    DuplicateChoice choice() const { return choice_; }
    // Book positions in the order the list shows them.
    const std::vector<size_t>& shownOrder() const { return order_; }
    // A click on a list header: column index as in the main list.
    void sortByColumn(int column);

private:
    void fillRows(std::optional<size_t> selected);
    void finish(DuplicateAnswer answer);
    void updateButtons();
    int keyOfColumn(int column) const;

    const DuplicateQuestion& question_;
    std::vector<size_t> order_;
    int sortKey_ = 0;
    int sortDirection_ = 0;
    QTreeWidget* list_;
    QPushButton* update_;
    QPushButton* addNew_;
    QPushButton* remove_;
    DuplicateChoice choice_;
};

// Closing the dialog answers Delete.
DuplicateChoice runDuplicateDialog(const DuplicateQuestion& question, QWidget* parent);

} // namespace lisotrex::ui
