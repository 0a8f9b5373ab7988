#pragma once
// "匯出設定": where to export and which entry types.

#include "model/prompter.h"

#include <QDialog>

class QCheckBox;
class QLineEdit;
class QPushButton;

namespace lisotrex::ui {

class CExportDialog : public QDialog {
    Q_OBJECT
public:
    CExportDialog(ExportDialogValues& values, QWidget* parent = nullptr);
    // Asks before replacing an existing file; No keeps the dialog open.
    void accept() override;

private:
    void browse();
    void updateOk();

    ExportDialogValues& values_;
    QLineEdit* path_;
    QPushButton* browse_;
    QCheckBox* fax_;
    QCheckBox* email_;
    QPushButton* ok_;
};

// True on OK, with the values updated (the replace question is already answered).
bool runExportDialog(ExportDialogValues& values, QWidget* parent);

} // namespace lisotrex::ui
