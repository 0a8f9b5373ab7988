#pragma once
// The group dialog (resource 104): a group of the fax book, its name, keyword
// and members chosen from the book's contacts' fax numbers and other groups.

#include <QDialog>
#include <QIcon>
#include <optional>
#include <vector>

#include "entry_book.h"
#include "entry_dialogs.h"
#include "limited_text.h"
#include "membership.h"

class QCheckBox;
class QLineEdit;
class QListWidget;
class QListWidgetItem;
class QTreeWidget;

namespace vqfax {

class GroupDialog : public QDialog {
public:
    GroupDialog(const EntryDialogContext& context, QWidget* parent);
    // OK: the limits and checks, then the save; the dialog stays open on any failure.
    void accept() override;
    const Bytes& createdId() const { return created_; }

    QTreeWidget* available() const { return available_; }
    QListWidget* members() const { return members_; }
    const Membership& membership() const { return membership_; }

private:
    void addToGroup();
    void removeFromGroup();
    void filterToggled(QCheckBox* box, bool checked);
    void sortBy(int column);
    // Refills the available list from the rows, the membership and the filters.
    void fillAvailable(const std::vector<Destination>& select = {});
    void addMemberItem(const Destination& d);
    void sortAvailable();
    size_t destinationsOf(const Destination& d, GroupWalker& walker) const;
    size_t memberTotal(GroupWalker& walker) const;
    // The checks of OK that need the groups of the book; the message to show.
    int nestingProblem();
    void inform(int messageId);

    IAddrBook* logon_;
    EntryTarget target_;
    std::optional<RecordKey> edited_;
    Bytes created_;
    std::vector<BookRow> rows_; // the root's, read at opening
    Membership membership_;
    int sortColumn_ = 0;
    Qt::SortOrder sortOrder_ = Qt::AscendingOrder;
    int clickedColumn_ = -1; // none yet
    QIcon personIcon_, groupIcon_;

    QLineEdit* name_;
    QLineEdit* keyword_;
    QTreeWidget* available_;
    QListWidget* members_;
    QCheckBox* persons_;
    QCheckBox* groups_;
    StoredText storedName_, storedKeyword_;
};

} // namespace vqfax
