#pragma once
// "匯入設定": the source of an import, its file and the entry types to take.

#include "convert/import_prompter.h"

#include <QDialog>

class QCheckBox;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace lisotrex::ui {

class CImportDialog : public QDialog {
    Q_OBJECT
public:
    static constexpr size_t kPathLimit = 259; // bytes, without the NUL

    CImportDialog(ImportDialogValues& values, QWidget* parent = nullptr);
    void accept() override;

private:
    int32_t source() const;
    void browse();
    void updateControls();

    ImportDialogValues& values_;
    QLineEdit* path_;
    QPushButton* browse_;
    QRadioButton* sources_[4];
    QCheckBox* fax_;
    QCheckBox* email_;
    QPushButton* ok_;
};

// True on OK, with the values updated.
bool runImportDialog(ImportDialogValues& values, QWidget* parent);

} // namespace lisotrex::ui
