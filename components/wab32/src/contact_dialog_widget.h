#pragma once
// The contact dialog's widget, for the dialog runner and its tests.

#include <QDialog>

#include "contact_dialog.h"

class QLineEdit;
class QPlainTextEdit;

namespace wab32 {

class ContactDialog : public QDialog {
    Q_OBJECT
public:
    ContactDialog(QWidget* parent, const ContactFields& fields, bool list);
    ContactFields fields() const;
    void accept() override;

private:
    bool list_;
    QLineEdit* displayName_ = nullptr;
    QLineEdit* given_ = nullptr;
    QLineEdit* middle_ = nullptr;
    QLineEdit* surname_ = nullptr;
    QLineEdit* prefix_ = nullptr;
    QLineEdit* company_ = nullptr;
    QLineEdit* department_ = nullptr;
    QLineEdit* businessFax_ = nullptr;
    QLineEdit* homeFax_ = nullptr;
    QLineEdit* primaryFax_ = nullptr;
    QLineEdit* email_ = nullptr;
    QPlainTextEdit* note_ = nullptr;
};

} // namespace wab32
