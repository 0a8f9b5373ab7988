#pragma once
// Dialog 103, "從通訊錄選擇匯入的項目。": the containers of the address book,
// the entry rows of the chosen one, a search by name, the information box
// and the import list, over a RecipientSelection.

#include <QDialog>
#include <string>

#include "selection/recipient_selection.h"

class QLabel;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QPushButton;
class QTreeView;
class QTreeWidget;

namespace vqbridge {

class EntryRowsModel;

class RecipSelectDialog : public QDialog {
    Q_OBJECT
public:
    // `coreFolder` is where the help file is looked for.
    RecipSelectDialog(RecipientSelection& selection, std::string coreFolder, QWidget* parent);

    // Reads the containers and shows the default one with the pre-selected
    // recipients. False when the address book has no container (message 55
    // has been shown; the dialog is not to be run).
    bool start();

    QTreeWidget* containerTree() const { return tree_; }
    QTreeView* entryList() const { return entries_; }
    QLineEdit* searchField() const { return search_; }
    QListWidget* importList() const { return items_; }
    QPlainTextEdit* informationBox() const { return info_; }
    QPushButton* addButton() const { return add_; }
    QPushButton* removeButton() const { return remove_; }
    QPushButton* okButton() const { return ok_; }
    QLabel* countText() const { return count_; }

    // The commands, as the buttons and keys give them.
    void addSelected();
    void removeSelected();
    void selectAllRows();

private:
    void showContainer();
    void fitColumns();
    void sortByColumn(int column);
    void search(const QString& text);
    void entrySelectionChanged();
    void fillImportList(const std::vector<size_t>& selectRows, int current);
    void updateButtons();
    std::vector<size_t> selectedRows() const;
    void selectRows(const std::vector<size_t>& rows, bool scroll);

    RecipientSelection& selection_;
    std::string coreFolder_;
    EntryRowsModel* model_;
    QTreeWidget* tree_;
    QTreeView* entries_;
    QLineEdit* search_;
    QListWidget* items_;
    QLabel* count_;
    QPlainTextEdit* info_;
    QPushButton* add_;
    QPushButton* remove_;
    QPushButton* ok_;
    QString lastSearch_;
};

} // namespace vqbridge
