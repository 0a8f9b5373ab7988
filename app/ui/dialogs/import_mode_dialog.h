#pragma once
// "選擇匯入方式": how imported entries are merged into the book.

#include <QDialog>

#include <optional>

class QRadioButton;

namespace lisotrex::ui {

class CImportModeDialog : public QDialog {
    Q_OBJECT
public:
    // An empty book has nothing to update, so mode 0 is not offered there.
    CImportModeDialog(bool bookIsEmpty, QWidget* parent = nullptr);
    int mode() const;

private:
    QRadioButton* modes_[3];
};

std::optional<int> runImportModeDialog(bool bookIsEmpty, QWidget* parent);

} // namespace lisotrex::ui
