#include "person_dialog.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "dialog_hooks.h"
#include "entry_help.h"
#include "fax_number.h"
#include "fax_strings.h"
#include "store_elements.h"

namespace vqfax {
namespace {

enum class Kind { Line, DropDown, MultiLine };

// One edit of the dialog: its field, control and label ids, input limit in
// characters, the buffer it is read with (bytes, with the terminator), its
// help context and where it sits in the grid.
struct FieldLayout {
    PersonField field;
    int control;
    int label;
    int chars;
    int buffer;
    unsigned help;
    Kind kind;
    int row, column, span;
};

// In the dialog's order (and tab order).
constexpr FieldLayout kControls[] = {
    {kNamePrefix, 30304, 30318, 16, 33, 1035, Kind::DropDown, 0, 0, 1},
    {kGivenName, 30301, 30319, 20, 33, 1026, Kind::Line, 0, 2, 1},
    {kSurname, 30302, 30320, 30, 33, 1025, Kind::Line, 1, 0, 1},
    {kCourtesyTitle, 30303, 30321, 16, 33, 1027, Kind::DropDown, 1, 2, 1},
    {kDisplayName, 30305, 30322, 85, 129, 1028, Kind::Line, 2, 0, 3},
    {kCompany, 30306, 30323, 40, 65, 1029, Kind::Line, 3, 0, 3},
    {kDepartment, 30307, 30324, 40, 65, 1030, Kind::Line, 4, 0, 3},
    {kPrimaryFaxNumber, 30315, 30327, 45, 49, 1031, Kind::Line, 5, 0, 1},
    {kPrimaryDescription, 30316, 30328, 30, 45, 1032, Kind::Line, 5, 2, 1},
    {kSecondaryFaxNumber, 30313, 30325, 45, 49, 1031, Kind::Line, 6, 0, 1},
    {kSecondaryDescription, 30314, 30326, 30, 45, 1032, Kind::Line, 6, 2, 1},
    {kKeyword, 30312, 30329, 255, 257, 1033, Kind::MultiLine, 7, 0, 3},
};

constexpr int kPrimaryFaxControl = 30315;
constexpr int kSecondaryFaxControl = 30313;
constexpr int kDisplayNameControl = 30305;

// The bytes the field keeps: what its read buffer holds, within what the
// store keeps of a field.
FieldLimit limitOf(const FieldLayout& layout) {
    return FieldLimit{layout.chars, std::min(layout.buffer - 1, int(kFieldTextLimit))};
}

void fillDropDown(QComboBox* box, int first, int last) {
    for (int id = first; id <= last; ++id) box->addItem(text(id));
    box->setCurrentIndex(-1);
    box->clearEditText();
}

} // namespace

PersonDialog::PersonDialog(const EntryDialogContext& context, QWidget* parent)
    : QDialog(parent), logon_(context.logon),
      target_{context.entryId, context.containerId, context.templateId} {
    setWindowTitle(text(kStrNewPerson));
    setWindowFlag(Qt::WindowContextHelpButtonHint, true);
    const QUrl helpFile = entryHelpFile();

    auto* grid = new QGridLayout;
    grid->setColumnStretch(1, 1);
    grid->setColumnStretch(3, 1);
    for (const FieldLayout& layout : kControls) {
        auto* label = new QLabel(text(layout.label), this);
        label->setObjectName(QString::number(layout.label));
        QWidget* control = nullptr;
        if (layout.kind == Kind::MultiLine) {
            auto* edit = new LimitedTextEdit(limitOf(layout), this);
            edit->setFixedHeight(edit->fontMetrics().lineSpacing() * 4 + 2 * edit->frameWidth() + 8);
            control = edit;
        } else if (layout.kind == Kind::DropDown) {
            auto* box = new QComboBox(this);
            box->setEditable(true);
            box->setInsertPolicy(QComboBox::NoInsert);
            limitInput(box->lineEdit(), limitOf(layout));
            fillDropDown(box, layout.field == kNamePrefix ? kStrTitleFirst : kStrHonorificFirst,
                         layout.field == kNamePrefix ? kStrTitleLast : kStrHonorificLast);
            control = box;
        } else {
            auto* edit = new QLineEdit(this);
            limitInput(edit, limitOf(layout));
            control = edit;
        }
        control->setObjectName(QString::number(layout.control));
        label->setBuddy(control);
        controls_[layout.field] = control;
        grid->addWidget(label, layout.row, layout.column, layout.kind == Kind::MultiLine ? Qt::AlignTop : Qt::Alignment());
        grid->addWidget(control, layout.row, layout.column + 1, 1, layout.span);
        attachEntryHelp(label, layout.help, helpFile);
        attachEntryHelp(control, layout.help, helpFile);
    }

    auto* ok = new QPushButton(text(kStrOk), this);
    ok->setObjectName("1");
    ok->setDefault(true);
    auto* cancel = new QPushButton(text(kStrCancel), this);
    cancel->setObjectName("2");
    connect(ok, &QPushButton::clicked, this, &PersonDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addLayout(buttons);

    if (!target_.editing()) return;
    PersonValues values;
    if (FAILED(loadPerson(logon_, target_.entryId, values))) return;
    if (values[kDisplayName] && !values[kDisplayName]->empty()) setWindowTitle(text(kStrEditPerson));
    // Every stored value is shown, named or not: a field left unseen would be
    // emptied by the save.
    for (const FieldLayout& layout : kControls) {
        const QString shown = stored_[layout.field].show(values[layout.field]);
        QWidget* c = controls_[layout.field];
        if (auto* edit = qobject_cast<QLineEdit*>(c)) showStored(edit, shown);
        else if (auto* box = qobject_cast<QComboBox*>(c)) showStored(box->lineEdit(), shown);
        else static_cast<LimitedTextEdit*>(c)->setStoredText(QString(shown).replace("\r\n", "\n"));
    }
}

QWidget* PersonDialog::control(int id) const { return findChild<QWidget*>(QString::number(id)); }

QString PersonDialog::shownText(PersonField field) const {
    QWidget* c = controls_[field];
    if (auto* edit = qobject_cast<QLineEdit*>(c)) return edit->text();
    if (auto* box = qobject_cast<QComboBox*>(c)) return box->currentText();
    return static_cast<LimitedTextEdit*>(c)->storedText();
}

void PersonDialog::refuse(int messageId, int controlId) {
    showMessage(this, messageId, MessageIcon::Stop, kStrEntryCaption);
    QWidget* c = control(controlId);
    if (auto* edit = qobject_cast<QLineEdit*>(c)) edit->selectAll();
    c->setFocus();
}

void PersonDialog::accept() {
    if (!target_.editing()) {
        // The book's limit is checked before anything is read from the fields.
        std::vector<BookRow> rows;
        if (FAILED(readContents(logon_, {}, rows))) return;
        if (rows.size() >= kMaxBookEntries) {
            showMessage(this, kMsgTooManyPersons, MessageIcon::Stop, kStrEntryCaption);
            return;
        }
    }
    PersonValues values;
    for (int f = 0; f < kPersonFieldCount; ++f) values[f] = stored_[f].read(shownText(PersonField(f)));
    if (values[kDisplayName]->empty())
        values[kDisplayName] = composeDisplayName(*values[kNamePrefix], *values[kGivenName], *values[kSurname],
                                                  *values[kCourtesyTitle]);
    if (values[kDisplayName]->empty()) return refuse(kMsgNoRecipientName, kDisplayNameControl);
    if (int message = checkFaxNumber(*values[kPrimaryFaxNumber])) return refuse(message, kPrimaryFaxControl);
    if (int message = checkFaxNumber(*values[kSecondaryFaxNumber])) return refuse(message, kSecondaryFaxControl);
    if (values[kPrimaryFaxNumber]->empty() && values[kSecondaryFaxNumber]->empty())
        return refuse(kMsgNoFaxNumber, kPrimaryFaxControl);

    Bytes created;
    const HRESULT saved = savePerson(logon_, target_, values, created);
    if (!created.empty()) created_ = created;
    if (FAILED(saved)) return; // the store said no: the user may try again or cancel
    done(QDialog::Accepted);
}

} // namespace vqfax
