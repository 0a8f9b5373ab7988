#include "ui/dialogs/duplicate_dialog.h"

#include "model/book_kind.h"
#include "model/document.h"
#include "strings/string_ids.h"
#include "ui/dialogs/dialog_common.h"
#include "ui/icons.h"
#include "ui/qt_text.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <utility>

namespace lisotrex::ui {

namespace {

QString numberText(int32_t value) { return value > 0 ? QString::number(value) : QString(); }

} // namespace

CDuplicateDialog::CDuplicateDialog(const DuplicateQuestion& question, QWidget* parent)
    : QDialog(parent), question_(question), order_(question.candidates) {
    setObjectName(QStringLiteral("dialog_duplicate"));
    setWindowTitle(QStringLiteral("選擇重覆資料"));
    useDialogFont(this);

    auto* count = new QLineEdit(fromUtf8(duplicateCountText(question.groupSize)), this);
    count->setObjectName(QStringLiteral("dup_count"));
    count->setReadOnly(true);

    auto* description = new QPlainTextEdit(this);
    description->setObjectName(QStringLiteral("dup_description"));
    description->setReadOnly(true);
    description->setPlainText(
        fromUtf8(duplicateDescription(question.member, question.index, question.doc.m_nBookType))
            .replace(QStringLiteral("\r\n"), QStringLiteral("\n")));

    const bool addAllowed = question.mode == kModeUpdateAdd;
    auto* instruction =
        new QLabel(qtText(addAllowed ? ids::IDS_DUP_INSTRUCTION_MODE1 : ids::IDS_DUP_INSTRUCTION_MODE0), this);
    instruction->setObjectName(QStringLiteral("dup_instruction"));
    instruction->setWordWrap(true);

    list_ = new QTreeWidget(this);
    list_->setObjectName(QStringLiteral("dup_candidates"));
    list_->setRootIsDecorated(false);
    list_->setSelectionMode(QAbstractItemView::SingleSelection);
    list_->setSelectionBehavior(QAbstractItemView::SelectRows);
    list_->setAllColumnsShowFocus(true);
    list_->setSortingEnabled(false);
    // Grid lines between the cells, as in the main list.
    list_->setStyleSheet(QStringLiteral("QTreeView::item { border: 1px solid palette(midlight); }"));
    QStringList headers{QString(), qtText(ids::IDS_COL_NAME), qtText(ids::IDS_COL_DESTINATION),
                        qtText(ids::IDS_COL_DEPARTMENT), qtText(ids::IDS_COL_ACCESS_CODE)};
    if (question.doc.m_nBookType == kOneTouchBook) headers.append(qtText(ids::IDS_COL_ONE_TOUCH));
    headers.append(QString());
    list_->setHeaderLabels(headers);
    list_->header()->setSectionsClickable(true);
    list_->header()->setStretchLastSection(false);
    for (int c = 0; c < headers.size(); ++c) list_->setColumnWidth(c, 100);
    list_->setColumnWidth(0, 65);
    list_->setColumnWidth(static_cast<int>(headers.size()) - 1, 16 + 8);
    auto* listLabel = new QLabel(QStringLiteral("更新項目(&E):"), this);
    listLabel->setBuddy(list_);

    update_ = new QPushButton(QStringLiteral("更新"), this);
    update_->setObjectName(QStringLiteral("dup_update"));
    update_->setDefault(true);
    addNew_ = new QPushButton(QStringLiteral("加入新項目(&A)"), this);
    addNew_->setObjectName(QStringLiteral("dup_add_new"));
    addNew_->setAutoDefault(false);
    addNew_->setVisible(addAllowed);
    remove_ = new QPushButton(QStringLiteral("刪除"), this);
    remove_->setObjectName(QStringLiteral("dup_delete"));
    remove_->setAutoDefault(false);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(update_);
    buttons->addWidget(addNew_);
    buttons->addWidget(remove_);
    auto* top = new QVBoxLayout(this);
    top->addWidget(count);
    top->addWidget(description);
    top->addWidget(instruction);
    top->addWidget(listLabel);
    top->addWidget(list_, 1);
    top->addLayout(buttons);
    resize(620, 460);

    fillRows(order_.empty() ? std::nullopt : std::optional<size_t>(order_.front()));

    connect(list_, &QTreeWidget::itemSelectionChanged, this, &CDuplicateDialog::updateButtons);
    connect(list_->header(), &QHeaderView::sectionClicked, this, &CDuplicateDialog::sortByColumn);
    connect(update_, &QPushButton::clicked, this, [this] { finish(DuplicateAnswer::Update); });
    connect(addNew_, &QPushButton::clicked, this, [this] { finish(DuplicateAnswer::AddNew); });
    connect(remove_, &QPushButton::clicked, this, &QDialog::reject);
    updateButtons();
}

void CDuplicateDialog::fillRows(std::optional<size_t> selected) {
    const bool oneTouchBook = question_.doc.m_nBookType == kOneTouchBook;
    const int markColumn = oneTouchBook ? 6 : 5;
    list_->clear();
    for (size_t row = 0; row < order_.size(); ++row) {
        const CAddrUserDataObj& e = question_.doc.entry(order_[row]);
        auto* item = new QTreeWidgetItem(list_);
        item->setText(0, QString::number(row + 1));
        item->setIcon(0, entryTypeIcon(e.m_nType));
        item->setText(1, fromSystem(e.m_szName));
        item->setText(2, fromSystem(e.m_szDestination));
        item->setIcon(2, entryTypeIcon(e.m_nType));
        item->setText(3, fromSystem(e.m_szDepartment));
        item->setText(4, numberText(e.m_nAccessCode));
        if (oneTouchBook) item->setText(5, numberText(e.m_nOneTouch));
        item->setIcon(markColumn, updateMarkIcon(e.m_bUpdated != 0));
        if (selected && *selected == order_[row]) list_->setCurrentItem(item);
    }
}

int CDuplicateDialog::keyOfColumn(int column) const {
    const bool oneTouchBook = question_.doc.m_nBookType == kOneTouchBook;
    switch (column) {
    case 1: return kSortName;
    case 2: return kSortDestination;
    case 3: return kSortDepartment;
    case 4: return kSortAccessCode;
    case 5: return oneTouchBook ? kSortOneTouch : kSortUpdated;
    case 6: return oneTouchBook ? kSortUpdated : 0;
    default: return 0;
    }
}

void CDuplicateDialog::sortByColumn(int column) {
    const int key = keyOfColumn(column);
    if (key == 0) return;
    sortDirection_ = (key == sortKey_ && sortDirection_ == 0) ? 1 : 0;
    sortKey_ = key;
    // Keep the chosen candidate selected across the re-sort.
    std::optional<size_t> selected;
    if (const QList<QTreeWidgetItem*> items = list_->selectedItems(); !items.isEmpty())
        selected = order_[static_cast<size_t>(list_->indexOfTopLevelItem(items.first()))];
    // An exchange sort: the comparison never calls two texts equal, which a
    // library sort would not tolerate.
    const CLisotrexDoc& doc = question_.doc;
    for (size_t i = 0; i < order_.size(); ++i) {
        for (size_t j = i + 1; j < order_.size(); ++j) {
            if (sortsBefore(doc.entry(order_[j]), doc.entry(order_[i]), sortKey_, sortDirection_))
                std::swap(order_[i], order_[j]);
        }
    }
    fillRows(selected);
}

void CDuplicateDialog::updateButtons() { update_->setEnabled(!list_->selectedItems().isEmpty()); }

void CDuplicateDialog::finish(DuplicateAnswer answer) {
    if (answer == DuplicateAnswer::Update) {
        const QList<QTreeWidgetItem*> chosen = list_->selectedItems();
        if (chosen.isEmpty()) return;
        choice_.candidate = order_[static_cast<size_t>(list_->indexOfTopLevelItem(chosen.first()))];
    }
    choice_.answer = answer;
    accept();
}

DuplicateChoice runDuplicateDialog(const DuplicateQuestion& question, QWidget* parent) {
    CDuplicateDialog dialog(question, parent);
    if (dialog.exec() != QDialog::Accepted) return DuplicateChoice{};
    return dialog.choice();
}

} // namespace lisotrex::ui
