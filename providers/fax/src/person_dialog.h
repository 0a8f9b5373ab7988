#pragma once
// The person dialog (resource 102): a contact of the fax book with its name
// parts, recipient name, company, department, two fax numbers with their
// descriptions and a keyword, created or edited through the logon.

#include <QDialog>
#include <array>

#include "entry_book.h"
#include "entry_dialogs.h"
#include "limited_text.h"

class QComboBox;
class QLineEdit;

namespace vqfax {

class PersonDialog : public QDialog {
public:
    PersonDialog(const EntryDialogContext& context, QWidget* parent);
    // OK: the checks, then the save; the dialog stays open on any failure.
    void accept() override;
    // The identifier of the entry a save created (empty otherwise).
    const Bytes& createdId() const { return created_; }

    // The control that edits a field, by its dialog control id.
    QWidget* control(int id) const;

private:
    QString shownText(PersonField field) const;
    void refuse(int messageId, int controlId);

    IAddrBook* logon_;
    EntryTarget target_;
    Bytes created_;
    std::array<QWidget*, kPersonFieldCount> controls_{};
    std::array<StoredText, kPersonFieldCount> stored_;
};

} // namespace vqfax
