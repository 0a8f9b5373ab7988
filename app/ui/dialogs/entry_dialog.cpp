#include "ui/dialogs/entry_dialog.h"

#include "platform/typing_limit.h"

#include "model/book_kind.h"
#include "strings/string_ids.h"
#include "ui/dialogs/dialog_common.h"
#include "ui/dialogs/filter_edit.h"
#include "ui/message_box.h"
#include "ui/qt_text.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace lisotrex::ui {

namespace {

QString numberText(int32_t value) { return value > 0 ? QString::number(value) : QString(); }

QLabel* labelFor(const QString& text, QWidget* buddy, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setBuddy(buddy);
    return label;
}

} // namespace

CEntryDialog::CEntryDialog(CAddrUserDataObj& working, EntryDialogMode mode, int32_t bookType, int32_t maxOneTouch,
                           QWidget* parent)
    : QDialog(parent), working_(working), mode_(mode), bookType_(bookType), maxOneTouch_(maxOneTouch) {
    setObjectName(QStringLiteral("dialog_130"));
    useDialogFont(this);
    buildControls();

    setWindowTitle(qtText(mode_ == EntryDialogMode::Add ? ids::IDS_TITLE_ADD_ENTRY : ids::IDS_TITLE_MODIFY_ENTRY));
    type_->addItem(qtText(ids::IDS_TYPE_FAX));
    type_->addItem(qtText(ids::IDS_TYPE_EMAIL));
    type_->setCurrentIndex(working_.m_nType == kEntryEmail ? 1 : 0);
    const bool oneTouchBook = bookType_ == kOneTouchBook;
    oneTouchLabel_->setVisible(oneTouchBook);
    oneTouch_->setVisible(oneTouchBook);
    type_->setEnabled(mode_ == EntryDialogMode::Add);

    destination_->attach(CFilterEdit::kDigits | CFilterEdit::kLetters | CFilterEdit::kOtherPrintable, {}, false);
    accessCode_->attach(CFilterEdit::kDigits, {}, false);
    oneTouch_->attach(CFilterEdit::kDigits, {}, false);
    // Typing stops at the byte limits for ASCII; wider characters, and text
    // set rather than typed, are caught by the checks on OK. The department
    // has no typing limit, only its check.
    platform::limitTyping(name_, static_cast<int>(kNameLimit));
    platform::limitTyping(reading_, static_cast<int>(kReadingLimit));
    platform::limitTyping(destination_, static_cast<int>(kDestinationLimit));
    platform::limitTyping(accessCode_, 7);
    platform::limitTyping(oneTouch_, 4);

    fill();
    connect(name_, &QLineEdit::textChanged, this, &CEntryDialog::updateOk);
    connect(destination_, &QLineEdit::textChanged, this, &CEntryDialog::updateOk);
    updateOk();
}

void CEntryDialog::buildControls() {
    auto* grid = new QGridLayout;
    auto add = [&](int row, QLabel* label, QWidget* field) {
        grid->addWidget(label, row, 0);
        grid->addWidget(field, row, 1);
    };

    name_ = new QLineEdit(this);
    name_->setObjectName(QStringLiteral("ctl_1006"));
    add(0, labelFor(QStringLiteral("名稱(&N):"), name_, this), name_);

    type_ = new QComboBox(this);
    type_->setObjectName(QStringLiteral("ctl_1002"));
    add(1, labelFor(QStringLiteral("類型(&T):"), type_, this), type_);

    destination_ = new CFilterEdit(this);
    destination_->setObjectName(QStringLiteral("ctl_1010"));
    QLabel* destinationLabel = labelFor(QStringLiteral("目的地(&D):"), destination_, this);
    destinationLabel->setObjectName(QStringLiteral("ctl_1000"));
    add(2, destinationLabel, destination_);

    department_ = new QLineEdit(this);
    department_->setObjectName(QStringLiteral("ctl_1011"));
    add(3, labelFor(QStringLiteral("部門/處(&V):"), department_, this), department_);

    accessCode_ = new CFilterEdit(this);
    accessCode_->setObjectName(QStringLiteral("ctl_1013"));
    add(4, labelFor(QStringLiteral("存取號碼(&A):"), accessCode_, this), accessCode_);

    oneTouch_ = new CFilterEdit(this);
    oneTouch_->setObjectName(QStringLiteral("ctl_1012"));
    oneTouchLabel_ = labelFor(QStringLiteral("單鍵號碼(&O):"), oneTouch_, this);
    oneTouchLabel_->setObjectName(QStringLiteral("ctl_1003"));
    add(5, oneTouchLabel_, oneTouch_);

    // The reading is kept but never shown in this edition.
    reading_ = new QLineEdit(this);
    reading_->setObjectName(QStringLiteral("ctl_1008"));
    QLabel* readingLabel = labelFor(QStringLiteral("讀取"), reading_, this);
    readingLabel->hide();
    reading_->hide();
    add(6, readingLabel, reading_);

    const OkCancel buttons = makeOkCancel(this);
    ok_ = buttons.ok;
    auto* row = new QHBoxLayout;
    row->addStretch();
    row->addWidget(buttons.ok);
    row->addWidget(buttons.cancel);

    auto* top = new QVBoxLayout(this);
    top->addLayout(grid);
    top->addLayout(row);
}

void CEntryDialog::fill() {
    name_->setText(fromSystem(working_.m_szName));
    reading_->setText(fromSystem(working_.m_szReading));
    destination_->setText(fromSystem(working_.m_szDestination));
    department_->setText(fromSystem(working_.m_szDepartment));
    accessCode_->setText(numberText(working_.m_nAccessCode));
    oneTouch_->setText(numberText(working_.m_nOneTouch));
}

void CEntryDialog::updateOk() { ok_->setEnabled(!name_->text().isEmpty() && !destination_->text().isEmpty()); }

bool CEntryDialog::refuse(QWidget* field, int id, const std::vector<std::string>& args) {
    showMessage(this, id, Icon::Exclamation, args);
    field->setFocus();
    if (auto* edit = qobject_cast<QLineEdit*>(field)) edit->selectAll();
    return false;
}

void CEntryDialog::accept() {
    // Fields the user left alone keep their bytes, even those the system
    // code page cannot show.
    if (name_->text().isEmpty()) return void(refuse(name_, ids::IDS_MSG_ENTER_NAME));
    const std::string name = editedOrOriginal(name_->text(), working_.m_szName);
    if (name.size() > kNameLimit) return void(refuse(name_, ids::IDS_MSG_MAX_CHARS, {"127"}));

    const std::string reading = editedOrOriginal(reading_->text(), working_.m_szReading);
    if (reading.size() > kReadingLimit) return void(refuse(reading_, ids::IDS_MSG_MAX_CHARS, {"63"}));

    const int type = type_->currentIndex() == 1 ? kEntryEmail : kEntryFax;

    if (destination_->text().isEmpty()) return void(refuse(destination_, ids::IDS_MSG_ENTER_DESTINATION));
    const std::string destination = editedOrOriginal(destination_->text(), working_.m_szDestination);
    if (destination.size() > kDestinationLimit) return void(refuse(destination_, ids::IDS_MSG_MAX_CHARS, {"255"}));

    const std::string department = editedOrOriginal(department_->text(), working_.m_szDepartment);
    if (department.size() > kDepartmentLimit) return void(refuse(department_, ids::IDS_MSG_MAX_CHARS, {"255"}));

    // The filters let only digits in and the limits keep them short; text set
    // otherwise that is no integer gets the framework's integer message.
    int32_t accessCode = 0;
    const QString accessText = accessCode_->text();
    if (!accessText.isEmpty()) {
        if (accessText.startsWith(u'0')) showMessage(this, ids::IDS_MSG_ACCESS_CODE_ZEROS, Icon::Information);
        bool ok = false;
        accessCode = accessText.toInt(&ok, 10);
        if (!ok) return void(refuse(accessCode_, ids::IDS_MSG_PARSE_INT));
    }

    int32_t oneTouch = working_.m_nOneTouch;
    if (bookType_ == kOneTouchBook) {
        oneTouch = 0;
        const QString oneTouchText = oneTouch_->text();
        if (!oneTouchText.isEmpty()) {
            bool ok = false;
            oneTouch = oneTouchText.toInt(&ok, 10);
            if (!ok) return void(refuse(oneTouch_, ids::IDS_MSG_PARSE_INT));
            if (oneTouch > maxOneTouch_) return void(refuse(oneTouch_, ids::IDS_MSG_ONE_TOUCH_ABOVE_MAX));
        }
    }

    working_.setName(name);
    working_.setReading(reading);
    working_.m_nType = type;
    working_.setDestination(destination);
    working_.setDepartment(department);
    working_.m_nAccessCode = accessCode;
    working_.m_nOneTouch = oneTouch;
    QDialog::accept();
}

bool CEntryDialog::run(CAddrUserDataObj& working, EntryDialogMode mode, int32_t bookType, int32_t maxOneTouch,
                       QWidget* parent) {
    CEntryDialog dialog(working, mode, bookType, maxOneTouch, parent);
    return dialog.exec() == QDialog::Accepted;
}

} // namespace lisotrex::ui
