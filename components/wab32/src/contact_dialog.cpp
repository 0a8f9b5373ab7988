// The Qt contact dialog.

#include <QApplication>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "contact_dialog.h"
#include "contact_dialog_widget.h"

namespace wab32 {

namespace {
QString text(int id) { return QString::fromStdString(dialogText(id)); }
QString q(const std::string& s) { return QString::fromStdString(s); }
std::string s(const QString& q) { return q.trimmed().toStdString(); }
} // namespace

ContactDialog::ContactDialog(QWidget* parent, const ContactFields& fields, bool list) : QDialog(parent), list_(list) {
    setWindowTitle(text(list ? 2 : 1));
    setObjectName("wab32ContactDialog");
    auto* form = new QFormLayout;
    auto add = [&](int label, const std::string& value, const char* name) {
        auto* edit = new QLineEdit(q(value), this);
        edit->setObjectName(name);
        form->addRow(text(label), edit);
        return edit;
    };
    displayName_ = add(10, fields.displayName, "displayName");
    if (!list) {
        given_ = add(11, fields.given, "given");
        middle_ = add(12, fields.middle, "middle");
        surname_ = add(13, fields.surname, "surname");
        prefix_ = add(14, fields.prefix, "prefix");
        company_ = add(15, fields.company, "company");
        department_ = add(16, fields.department, "department");
        businessFax_ = add(17, fields.businessFax, "businessFax");
        homeFax_ = add(18, fields.homeFax, "homeFax");
        primaryFax_ = add(19, fields.primaryFax, "primaryFax");
        email_ = add(20, fields.email, "email");
    }
    note_ = new QPlainTextEdit(q(fields.note), this);
    note_->setObjectName("note");
    form->addRow(text(21), note_);
    auto* buttons = new QDialogButtonBox(this);
    buttons->addButton(text(30), QDialogButtonBox::AcceptRole)->setObjectName("ok");
    buttons->addButton(text(31), QDialogButtonBox::RejectRole)->setObjectName("cancel");
    connect(buttons, &QDialogButtonBox::accepted, this, &ContactDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(buttons);
}

void ContactDialog::accept() {
    // An entry without a name cannot be told apart in any list.
    if (s(displayName_->text()).empty() && (list_ || (s(given_->text()).empty() && s(surname_->text()).empty() &&
                                                       s(company_->text()).empty() && s(email_->text()).empty()))) {
        QMessageBox::information(this, windowTitle(), text(32));
        displayName_->setFocus();
        return;
    }
    QDialog::accept();
}

ContactFields ContactDialog::fields() const {
    ContactFields f;
    f.displayName = s(displayName_->text());
    f.note = note_->toPlainText().toStdString();
    if (!list_) {
        f.given = s(given_->text());
        f.middle = s(middle_->text());
        f.surname = s(surname_->text());
        f.prefix = s(prefix_->text());
        f.company = s(company_->text());
        f.department = s(department_->text());
        f.businessFax = s(businessFax_->text());
        f.homeFax = s(homeFax_->text());
        f.primaryFax = s(primaryFax_->text());
        f.email = s(email_->text());
        // A contact named only by its parts shows those parts as its name.
        if (f.displayName.empty()) {
            f.displayName = f.given.empty() ? f.surname : f.surname.empty() ? f.given : f.given + " " + f.surname;
            if (f.displayName.empty()) f.displayName = f.company.empty() ? f.email : f.company;
        }
    }
    return f;
}

DialogResult runContactDialog(uintptr_t parent, ContactFields& fields, bool list) {
    ContactDialog dialog(reinterpret_cast<QWidget*>(parent), fields, list);
    if (dialog.exec() != QDialog::Accepted) return DialogResult::Cancel;
    fields = dialog.fields();
    return DialogResult::Ok;
}

DialogResult showContact(uintptr_t parent, const ContactFields& fields) {
    if (!qobject_cast<QApplication*>(QCoreApplication::instance())) return DialogResult::Unavailable;
    ContactDialog dialog(reinterpret_cast<QWidget*>(parent), fields, false);
    for (QLineEdit* edit : dialog.findChildren<QLineEdit*>()) edit->setReadOnly(true);
    for (QPlainTextEdit* edit : dialog.findChildren<QPlainTextEdit*>()) edit->setReadOnly(true);
    if (auto* cancel = dialog.findChild<QPushButton*>("cancel")) cancel->hide();
    return dialog.exec() == QDialog::Accepted ? DialogResult::Ok : DialogResult::Cancel;
}

} // namespace wab32
