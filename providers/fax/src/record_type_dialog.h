#pragma once
// The record type dialog (resource 101): a new entry of the fax book is a
// contact or a group; the choice names the root's template property.

#include <QDialog>

#include "pdx/types.h"

class QListWidget;

namespace vqfax {

class RecordTypeDialog : public QDialog {
public:
    explicit RecordTypeDialog(QWidget* parent);
    // PR_DEF_CREATE_MAILUSER or PR_DEF_CREATE_DL.
    pdx::ULONG chosenTemplate() const;
    QListWidget* list() const { return list_; }

private:
    QListWidget* list_;
};

} // namespace vqfax
