#pragma once
// The select-names dialog's widget, for the dialog runner and its tests.

#include <QDialog>

#include "address_picker.h"

class QLineEdit;
class QListWidget;
class QTreeWidget;

namespace wab32 {

class AddressDialog : public QDialog {
    Q_OBJECT
public:
    AddressDialog(QWidget* parent, const AddressRequest& request);
    AddressChoice choice() const;
    void accept() override;

    // The selected entries go into well `well`.
    void addSelected(size_t well);
    // The selected items leave every well.
    void removeSelected();

private:
    void filter(const QString& text);
    std::vector<size_t> selectedCandidates() const;

    const AddressRequest& request_;
    QLineEdit* search_ = nullptr;
    QTreeWidget* entries_ = nullptr;
    std::vector<QListWidget*> wells_;
};

} // namespace wab32
