#include "ui/preferences/notes_page.h"

#include "settings/preferences.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QVBoxLayout>

namespace lisotrex::ui {

namespace {

template <class W>
W* named(W* widget, const char* name) {
    widget->setObjectName(QString::fromLatin1(name));
    return widget;
}

} // namespace

CAddrNotesPage::CAddrNotesPage(Preferences& prefs, QWidget* parent)
    : CPreferencePage(144, QStringLiteral("Notes Server"), parent), prefs_(prefs) {
    version4_ = named(new QRadioButton(QStringLiteral("&4.x"), this), "ctl_1017");
    version5_ = named(new QRadioButton(QStringLiteral("&5.x"), this), "ctl_1020");
    auto* versions = new QButtonGroup(this);
    versions->addButton(version4_, 0);
    versions->addButton(version5_, 1);
    separatorEdit_ = named(new QLineEdit(this), "ctl_1030");
    officeFax_ = named(new QCheckBox(QStringLiteral("公司(&C)"), this), "ctl_1022");
    homeFax_ = named(new QCheckBox(QStringLiteral("首頁(&H)"), this), "ctl_1023");
    mailAddress_ = named(new QRadioButton(QStringLiteral("信箱位址(&M)"), this), "ctl_1034");
    internetAddress_ = named(new QRadioButton(QStringLiteral("網際網路位址(&I)"), this), "ctl_1036");
    auto* fields = new QButtonGroup(this);
    fields->addButton(mailAddress_, 0);
    fields->addButton(internetAddress_, 1);

    auto* separatorRow = new QFormLayout;
    separatorRow->addRow(QStringLiteral("內部文件分隔符(&D):"), separatorEdit_);
    auto* top = new QVBoxLayout(this);
    top->addWidget(new QLabel(QStringLiteral("Notes Server 版本:"), this));
    top->addWidget(version4_);
    top->addWidget(version5_);
    top->addLayout(separatorRow);
    top->addWidget(new QLabel(QStringLiteral("可用傳真號碼:"), this));
    top->addWidget(officeFax_);
    top->addWidget(homeFax_);
    top->addWidget(new QLabel(QStringLiteral("E-mail 位址欄:"), this));
    top->addWidget(mailAddress_);
    top->addWidget(internetAddress_);
    top->addStretch();
}

void CAddrNotesPage::onStart() {
    const NotesSettings& s = prefs_.notes;
    startVersion_ = s.version;
    startEmailField_ = s.emailField;
    (s.version == 0 ? version4_ : version5_)->setChecked(true);
    separatorEdit_->setText(QString::number(s.sectionCode));
    officeFax_->setChecked(s.officeFax != 0);
    homeFax_->setChecked(s.homeFax != 0);
    (s.emailField == 0 ? mailAddress_ : internetAddress_)->setChecked(true);
    // Only 5.x exports carry the choice of e-mail field.
    mailAddress_->setEnabled(s.version == 1);
    internetAddress_->setEnabled(s.version == 1);

    connect(version4_, &QRadioButton::clicked, this, [this] { versionClicked(0); });
    connect(version5_, &QRadioButton::clicked, this, [this] { versionClicked(1); });
    connect(mailAddress_, &QRadioButton::clicked, this, [this] {
        if (startEmailField_ != 0) markChanged();
    });
    connect(internetAddress_, &QRadioButton::clicked, this, [this] {
        if (startEmailField_ != 1) markChanged();
    });
    connect(separatorEdit_, &QLineEdit::textChanged, this, &CAddrNotesPage::markChanged);
    connect(officeFax_, &QCheckBox::clicked, this, &CAddrNotesPage::markChanged);
    connect(homeFax_, &QCheckBox::clicked, this, &CAddrNotesPage::markChanged);
}

void CAddrNotesPage::versionClicked(int version) {
    mailAddress_->setEnabled(version == 1);
    internetAddress_->setEnabled(version == 1);
    if (version != startVersion_) markChanged();
}

QWidget* CAddrNotesPage::validate() {
    return readRange(separatorEdit_, kLow, kHigh, separator_) ? nullptr : separatorEdit_;
}

void CAddrNotesPage::apply() {
    NotesSettings& s = prefs_.notes;
    s.version = version4_->isChecked() ? 0 : 1;
    s.sectionCode = separator_;
    s.officeFax = officeFax_->isChecked() ? 1 : 0;
    s.homeFax = homeFax_->isChecked() ? 1 : 0;
    s.emailField = internetAddress_->isChecked() ? 1 : 0;
    saveSection(prefs_, PrefSection::Notes);
}

} // namespace lisotrex::ui
