#include "group_dialog.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <bit>
#include <set>

#include "dialog_hooks.h"
#include "entry_help.h"
#include "entry_icons.h"
#include "fax_strings.h"
#include "fax_tags.h"
#include "platform/codepage.h"

namespace vqfax {
namespace {

constexpr int kColumns = 6;
constexpr int kColumnWidth = 100;
constexpr FieldLimit kNameLimit{48, 128};
constexpr FieldLimit kKeywordLimit{32, 64};
constexpr int kRowRole = Qt::UserRole;
constexpr int kSelectorRole = Qt::UserRole + 1;
constexpr char kMemberSeparator[] = "    ";

QString shown(const std::string& bytes) { return QString::fromStdString(platform::systemToUtf8(bytes)); }

// The texts of a destination's six columns, in the system code page.
std::array<std::string, kColumns> columnTexts(const BookRow& row, Selector selector) {
    const bool primary = selector == kPrimaryDestination;
    const bool secondary = selector == kSecondaryDestination;
    return {row.name,
            row.company,
            row.department,
            primary ? row.primaryFax : secondary ? row.secondaryFax : std::string(),
            primary ? row.primaryDescription : secondary ? row.secondaryDescription : std::string(),
            row.comment};
}

// An item of the available list. Sorting compares the column's text as the
// system compares texts, then the other columns in their order.
class DestinationItem : public QTreeWidgetItem {
public:
    DestinationItem(const Destination& d, const BookRow& row, const QIcon& icon) : destination(d) {
        const auto texts = columnTexts(row, d.selector);
        for (int c = 0; c < kColumns; ++c) {
            setText(c, shown(texts[c]));
            keys_[c] = platform::collationKey(texts[c]);
        }
        setIcon(0, icon);
    }

    bool operator<(const QTreeWidgetItem& other) const override {
        const auto& theirs = static_cast<const DestinationItem&>(other).keys_;
        const int first = treeWidget() ? treeWidget()->sortColumn() : 0;
        if (int c = keys_[first].compare(theirs[first])) return c < 0;
        for (int column = 0; column < kColumns; ++column) {
            if (column == first) continue;
            if (int c = keys_[column].compare(theirs[column])) return c < 0;
        }
        return false;
    }

    const Destination destination;

private:
    std::array<std::wstring, kColumns> keys_;
};

Destination destinationOf(const QListWidgetItem* item) {
    return Destination{size_t(item->data(kRowRole).toULongLong()), Selector(item->data(kSelectorRole).toInt())};
}

bool isGroupId(const Bytes& id) {
    const auto key = recordKeyOf(id);
    return key && kindBase(key->kind) == kKindGroup;
}

QPushButton* button(int id, QWidget* parent) {
    auto* b = new QPushButton(text(id), parent);
    b->setObjectName(QString::number(id));
    return b;
}

QLabel* label(int id, QWidget* buddy, QWidget* parent) {
    auto* l = new QLabel(text(id), parent);
    l->setObjectName(QString::number(id));
    if (buddy) l->setBuddy(buddy);
    return l;
}

} // namespace

GroupDialog::GroupDialog(const EntryDialogContext& context, QWidget* parent)
    : QDialog(parent), logon_(context.logon), target_{context.entryId, context.containerId, context.templateId},
      personIcon_(personIcon()), groupIcon_(groupIcon()) {
    setWindowTitle(text(kStrNewGroup));
    setWindowFlag(Qt::WindowContextHelpButtonHint, true);
    if (target_.editing()) edited_ = recordKeyOf(target_.entryId);

    name_ = new QLineEdit(this);
    name_->setObjectName("30401");
    limitInput(name_, kNameLimit);
    available_ = new QTreeWidget(this);
    available_->setObjectName("30402");
    available_->setColumnCount(kColumns);
    available_->setRootIsDecorated(false);
    available_->setUniformRowHeights(true);
    available_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    available_->setAllColumnsShowFocus(true);
    QStringList headers;
    for (int c = 0; c < kColumns; ++c) headers << text(kStrColumnFirst + c);
    available_->setHeaderLabels(headers);
    for (int c = 0; c < kColumns; ++c) available_->setColumnWidth(c, kColumnWidth);
    available_->header()->setStretchLastSection(false);
    available_->header()->setSectionsClickable(true);
    available_->header()->setSortIndicatorShown(true);
    available_->setMinimumWidth(kColumns * kColumnWidth + 2 * available_->frameWidth() + 20);
    connect(available_->header(), &QHeaderView::sectionClicked, this, &GroupDialog::sortBy);
    persons_ = new QCheckBox(text(30102), this);
    persons_->setObjectName("30102");
    groups_ = new QCheckBox(text(30103), this);
    groups_->setObjectName("30103");
    persons_->setChecked(true);
    groups_->setChecked(true);
    connect(persons_, &QCheckBox::toggled, this, [this](bool on) { filterToggled(persons_, on); });
    connect(groups_, &QCheckBox::toggled, this, [this](bool on) { filterToggled(groups_, on); });
    auto* add = button(30403, this);
    auto* remove = button(30404, this);
    connect(add, &QPushButton::clicked, this, &GroupDialog::addToGroup);
    connect(remove, &QPushButton::clicked, this, &GroupDialog::removeFromGroup);
    members_ = new QListWidget(this);
    members_->setObjectName("30405");
    members_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    keyword_ = new QLineEdit(this);
    keyword_->setObjectName("30312");
    limitInput(keyword_, kKeywordLimit);
    auto* ok = button(kStrOk, this);
    ok->setObjectName("1");
    ok->setDefault(true);
    auto* cancel = button(kStrCancel, this);
    cancel->setObjectName("2");
    auto* help = button(30409, this);
    connect(ok, &QPushButton::clicked, this, &GroupDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);

    auto* nameLabel = label(30410, name_, this);
    auto* availableLabel = label(30411, available_, this);
    auto* showLabel = label(30412, nullptr, this);
    auto* membersLabel = label(30413, members_, this);
    auto* keywordLabel = label(30414, keyword_, this);

    auto* nameRow = new QHBoxLayout;
    nameRow->addWidget(nameLabel);
    nameRow->addWidget(name_, 1);
    auto* availableRow = new QHBoxLayout;
    availableRow->addWidget(availableLabel);
    availableRow->addStretch();
    availableRow->addWidget(showLabel);
    availableRow->addWidget(persons_);
    availableRow->addWidget(groups_);
    auto* moveRow = new QHBoxLayout;
    moveRow->addStretch();
    moveRow->addWidget(add);
    moveRow->addWidget(remove);
    moveRow->addStretch();
    auto* keywordRow = new QHBoxLayout;
    keywordRow->addWidget(keywordLabel);
    keywordRow->addWidget(keyword_, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    buttons->addWidget(help);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(nameRow);
    layout->addLayout(availableRow);
    layout->addWidget(available_, 3);
    layout->addLayout(moveRow);
    layout->addWidget(membersLabel);
    layout->addWidget(members_, 2);
    layout->addLayout(keywordRow);
    layout->addLayout(buttons);

    const QUrl helpFile = entryHelpFile();
    connect(help, &QPushButton::clicked, this, [helpFile] { openHelp(helpFile); });
    const std::pair<QWidget*, unsigned> helpIds[] = {
        {nameLabel, 1281},    {name_, 1281},     {availableLabel, 1284}, {available_, 1284},
        {showLabel, 514},     {persons_, 514},   {groups_, 514},         {membersLabel, 1282},
        {members_, 1282},     {keywordLabel, 1283}, {keyword_, 1283},    {add, 1285},
        {remove, 1286},       {help, 2049}};
    for (auto [control, context] : helpIds) attachEntryHelp(control, context, helpFile);

    std::vector<BookRow> groupRows;
    if (target_.editing()) {
        GroupHeader header;
        if (SUCCEEDED(loadGroupHeader(logon_, target_.entryId, header))) {
            if (header.name && !header.name->empty()) setWindowTitle(text(kStrEditGroup));
            // Shown even without a name: a keyword left unseen would be emptied by the save.
            showStored(name_, storedName_.show(header.name));
            showStored(keyword_, storedKeyword_.show(header.comment));
        }
    }
    (void)readContents(logon_, {}, rows_);
    if (target_.editing()) (void)readContents(logon_, target_.entryId, groupRows);
    membership_.open(rows_, groupRows, edited_);
    for (const Destination& d : memberDestinations(rows_, membership_, edited_)) addMemberItem(d);
    fillAvailable();
    if (QTreeWidgetItem* first = available_->topLevelItem(0)) {
        available_->setCurrentItem(first);
        first->setSelected(true);
    }
    available_->setFocus();
}

void GroupDialog::addMemberItem(const Destination& d) {
    const BookRow& row = rows_[d.row];
    QString label = shown(row.name);
    if (d.selector != kGroupDestination)
        label += kMemberSeparator + shown(d.selector == kPrimaryDestination ? row.primaryFax : row.secondaryFax);
    auto* item = new QListWidgetItem(label, members_);
    item->setData(kRowRole, qulonglong(d.row));
    item->setData(kSelectorRole, int(d.selector));
}

void GroupDialog::fillAvailable(const std::vector<Destination>& select) {
    available_->clear();
    const ShowFilter filter{persons_->isChecked(), groups_->isChecked()};
    // Destinations taken out of the group come back whatever the filters
    // show; the next change of a filter applies to them again.
    std::vector<Destination> shown = availableDestinations(rows_, membership_, filter, edited_);
    for (const Destination& d : availableDestinations(rows_, membership_, ShowFilter{true, true}, edited_))
        if (std::find(select.begin(), select.end(), d) != select.end() &&
            std::find(shown.begin(), shown.end(), d) == shown.end())
            shown.push_back(d);
    QList<QTreeWidgetItem*> items;
    for (const Destination& d : shown)
        items.append(new DestinationItem(d, rows_[d.row], d.selector == kGroupDestination ? groupIcon_ : personIcon_));
    available_->addTopLevelItems(items);
    sortAvailable();
    for (QTreeWidgetItem* item : items) {
        const Destination& d = static_cast<DestinationItem*>(item)->destination;
        if (std::find(select.begin(), select.end(), d) != select.end()) item->setSelected(true);
    }
}

void GroupDialog::sortAvailable() {
    available_->sortItems(sortColumn_, sortOrder_);
    available_->header()->setSortIndicator(sortColumn_, sortOrder_);
}

void GroupDialog::sortBy(int column) {
    // Only a click on the column clicked last reverses: the first click on
    // the name column sorts it ascending, although the list opened that way.
    const bool again = column == clickedColumn_;
    clickedColumn_ = column;
    if (again) {
        sortOrder_ = sortOrder_ == Qt::AscendingOrder ? Qt::DescendingOrder : Qt::AscendingOrder;
    } else {
        sortColumn_ = column;
        sortOrder_ = Qt::AscendingOrder;
    }
    sortAvailable();
}

void GroupDialog::filterToggled(QCheckBox* box, bool checked) {
    if (!checked && !persons_->isChecked() && !groups_->isChecked()) {
        // One filter always stays on.
        QSignalBlocker quiet(box);
        box->setChecked(true);
        return;
    }
    fillAvailable();
}

void GroupDialog::inform(int messageId) { showMessage(this, messageId, MessageIcon::Information, kStrEntryCaption); }

size_t GroupDialog::destinationsOf(const Destination& d, GroupWalker& walker) const {
    return d.selector == kGroupDestination ? walker.destinations(rows_[d.row].entryId) : 1;
}

void GroupDialog::addToGroup() {
    const QList<QTreeWidgetItem*> selected = available_->selectedItems();
    if (selected.isEmpty()) return inform(kMsgSelectItems);
    if (size_t(selected.size() + members_->count()) > kMaxGroupDestinations) return inform(kMsgTooManyMembers);
    GroupWalker walker(logon_);
    size_t total = 0;
    for (int i = 0; i < members_->count(); ++i) {
        total += destinationsOf(destinationOf(members_->item(i)), walker);
        if (total > kMaxGroupDestinations) return inform(kMsgTooManyDestinations);
    }
    for (QTreeWidgetItem* item : selected) {
        total += destinationsOf(static_cast<DestinationItem*>(item)->destination, walker);
        if (total > kMaxGroupDestinations) return inform(kMsgTooManyDestinations);
    }
    for (QTreeWidgetItem* item : selected) {
        const Destination d = static_cast<DestinationItem*>(item)->destination;
        membership_.add(rows_[d.row], d.selector);
        addMemberItem(d);
        delete item;
    }
}

void GroupDialog::removeFromGroup() {
    const QList<QListWidgetItem*> selected = members_->selectedItems();
    if (selected.isEmpty()) return inform(kMsgSelectItems);
    std::vector<Destination> returned;
    for (QListWidgetItem* item : selected) {
        const Destination d = destinationOf(item);
        membership_.remove(rows_[d.row], d.selector);
        returned.push_back(d);
        delete item;
    }
    fillAvailable(returned);
}

size_t GroupDialog::memberTotal(GroupWalker& walker) const {
    size_t total = 0;
    for (const MemberNode& m : membership_.current())
        total += isGroupId(m.entryId) ? walker.destinations(m.entryId) : size_t(std::popcount(m.flags));
    return total;
}

int GroupDialog::nestingProblem() {
    GroupWalker walker(logon_);
    for (const MemberNode& m : membership_.current())
        if (isGroupId(m.entryId) && walker.contains(m.entryId, *edited_)) return kMsgGroupContainsItself;
    const size_t total = memberTotal(walker);
    if (total > kMaxGroupDestinations) return kMsgTooManyDestinations;
    // Every group holding this one reaches its new members too.
    const std::map<RecordKey, size_t> totals{{*edited_, total}};
    for (const BookRow& row : rows_) {
        if (!row.isGroup() || row.entryId.empty() || recordKeyOf(row.entryId) == edited_) continue;
        if (walker.contains(row.entryId, *edited_) && walker.destinations(row.entryId, totals) > kMaxGroupDestinations)
            return kMsgParentGroupTooLarge;
    }
    return 0;
}

void GroupDialog::accept() {
    if (!target_.editing()) {
        const auto groups = std::count_if(rows_.begin(), rows_.end(), [](const BookRow& r) { return r.isGroup(); });
        if (size_t(groups) >= kMaxBookEntries)
            return showMessage(this, kMsgTooManyGroups, MessageIcon::Stop, kStrEntryCaption);
    } else if (edited_) {
        if (int message = nestingProblem()) return showMessage(this, message, MessageIcon::Stop, kStrEntryCaption);
    }
    const std::string name = storedName_.read(name_->text());
    const std::string keyword = storedKeyword_.read(keyword_->text());
    if (name.empty()) {
        showMessage(this, kMsgNoGroupName, MessageIcon::Stop, kStrEntryCaption);
        name_->setFocus();
        return;
    }
    if (membership_.count() == 0) return showMessage(this, kMsgNoMembers, MessageIcon::Stop, kStrEntryCaption);

    Bytes created;
    const HRESULT saved =
        saveGroup(logon_, target_, name, keyword, membership_.original(), membership_.current(), created);
    if (!created.empty()) {
        created_ = created;
        edited_ = recordKeyOf(created);
    }
    if (FAILED(saved)) return; // the store said no: the user may try again or cancel
    done(QDialog::Accepted);
}

} // namespace vqfax
