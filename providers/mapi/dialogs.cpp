#include "dialogs.h"

#include "platform/typing_limit.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "convert.h"
#include "dialogs_impl.h"
#include "pdx/memory.h"
#include "pdx/status.h"
#include "pdx/tags.h"
#include "service_dialog.h"
#include "string_ids.h"

namespace pdx::mapi {
namespace {

constexpr qsizetype kNameLimit = 64;

using provider_ui::fromSystem;
using provider_ui::named;

QString text(int id) { return QString::fromStdString(loadString(id)); }

constexpr provider_ui::ServiceMessages kMessages{kMsgNameTooLong, kMsgNoName, kMsgSetFailed, kMsgSaveFailed,
                                                 showMessage};

// Reads a MAPI table from the beginning one row at a time; `each` gets each
// row's first value when it has the tag asked for.
template <class Each>
void eachRow(const MapiLibrary& lib, IMAPITable* table, const SPropTagArray* columns, Each each) {
    if (FAILED(table->SetColumns(columns, 0)) || FAILED(table->SeekRow(BOOKMARK_BEGINNING, 0, nullptr))) return;
    for (;;) {
        SRowSet* rows = nullptr;
        if (FAILED(table->QueryRows(1, 0, &rows)) || !rows) return;
        const bool done = rows->cRows == 0;
        if (!done) each(rows->aRow[0]);
        lib.freeProws(rows);
        if (done) return;
    }
}

} // namespace

void showMessage(QWidget* parent, int id, QMessageBox::Icon icon) {
    provider_ui::showMessage(parent, id, icon, text(kStrMessageCaption), text(id));
}

platform::HelpFile helpFile() { return {loadString(kStrModuleName), loadString(kStrHelpFile)}; }

ProfileDialog::ProfileDialog(IProfSect* section, FreeBufferFn freeBuffer, IProfAdmin* admin, const MapiLibrary& lib,
                             QWidget* parent)
    : QDialog(parent), section_(section), free_(freeBuffer), admin_(admin), lib_(lib) {
    setWindowTitle(text(kStrDialogCaption));
    auto* nameLabel = named(new QLabel(text(kStrNameLabel), this), 2002);
    name_ = named(new QLineEdit(this), 1002);
    platform::limitTyping(name_, kNameLimit);
    nameLabel->setBuddy(name_);
    auto* choiceLabel = named(new QLabel(text(kStrProfileChoiceLabel), this), 2003);
    useDefault_ = named(new QRadioButton(text(kStrUseDefault), this), 1004);
    chooseProfile_ = named(new QRadioButton(text(kStrChooseProfile), this), 1005);
    choiceLabel->setBuddy(useDefault_);
    auto* choice = new QButtonGroup(this);
    choice->addButton(useDefault_);
    choice->addButton(chooseProfile_);
    profileLabel_ = named(new QLabel(text(kStrProfileLabel), this), 1006);
    profiles_ = named(new QComboBox(this), 1001);
    profileLabel_->setBuddy(profiles_);
    servicesLabel_ = named(new QLabel(text(kStrServicesLabel), this), 1007);
    services_ = named(new QPlainTextEdit(this), 1003);
    services_->setReadOnly(true);
    auto* ok = named(new QPushButton(text(kStrOk), this), 1);
    auto* cancel = named(new QPushButton(text(kStrCancel), this), 2);
    ok->setDefault(true);

    auto* layout = new QVBoxLayout(this);
    for (QWidget* w : std::initializer_list<QWidget*>{nameLabel, name_, choiceLabel, useDefault_, chooseProfile_,
                                                      profileLabel_, profiles_, servicesLabel_, services_})
        layout->addWidget(w);
    layout->addLayout(provider_ui::closingRow(ok, cancel));

    connect(ok, &QPushButton::clicked, this, &ProfileDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(chooseProfile_, &QRadioButton::toggled, this, &ProfileDialog::updateEnabled);
    connect(profiles_, &QComboBox::currentIndexChanged, this, &ProfileDialog::fillServices);
    platform::attachContextHelp(this, kProfileHelp, helpFile(), [](unsigned context) { return text(int(context)); });
    load();
}

void ProfileDialog::load() {
    const provider_ui::ServiceProps props = provider_ui::readServiceProps(section_, free_);
    name_->setText(fromSystem(props.name.c_str()));
    const std::string& stored = props.value;
    (stored.empty() ? useDefault_ : chooseProfile_)->setChecked(true);
    fillProfiles(stored);
    fillServices();
    updateEnabled();
}

void ProfileDialog::fillProfiles(const std::string& stored) {
    object_ptr<IMAPITable> table;
    if (FAILED(admin_->GetProfileTable(0, table.out())) || !table) return;
    const proxy::SizedTags<2> columns{2, {PR_DISPLAY_NAME, PR_DEFAULT_PROFILE}};
    int storedAt = -1, defaultAt = -1;
    const QSignalBlocker quiet(profiles_);
    eachRow(lib_, table.get(), columns.get(), [&](const SRow& row) {
        if (row.cValues < 1 || row.lpProps[0].ulPropTag != PR_DISPLAY_NAME || !row.lpProps[0].Value.lpszA) return;
        const std::string name = row.lpProps[0].Value.lpszA;
        if (name == stored) storedAt = profiles_->count();
        if (row.cValues >= 2 && row.lpProps[1].ulPropTag == PR_DEFAULT_PROFILE && row.lpProps[1].Value.b && defaultAt < 0)
            defaultAt = profiles_->count();
        profiles_->addItem(fromSystem(name.c_str()), QByteArray::fromStdString(name));
    });
    profiles_->setCurrentIndex(storedAt >= 0 ? storedAt : defaultAt >= 0 ? defaultAt : profiles_->count() ? 0 : -1);
}

void ProfileDialog::fillServices() {
    services_->clear();
    if (profiles_->currentIndex() < 0) return;
    const std::string profile = profiles_->currentData().toByteArray().toStdString();
    object_ptr<IMsgServiceAdmin> admin;
    if (FAILED(admin_->AdminServices(profile.c_str(), nullptr, 0, 0, admin.out())) || !admin) return;
    object_ptr<IMAPITable> table;
    if (FAILED(admin->GetMsgServiceTable(0, table.out())) || !table) return;
    const proxy::SizedTags<1> columns{1, {PR_DISPLAY_NAME}};
    QStringList names;
    eachRow(lib_, table.get(), columns.get(), [&](const SRow& row) {
        if (row.cValues >= 1 && row.lpProps[0].ulPropTag == PR_DISPLAY_NAME && row.lpProps[0].Value.lpszA &&
            *row.lpProps[0].Value.lpszA)
            names << fromSystem(row.lpProps[0].Value.lpszA);
    });
    services_->setPlainText(names.join('\n'));
}

void ProfileDialog::updateEnabled() {
    const bool chosen = chooseProfile_->isChecked();
    for (QWidget* w : std::initializer_list<QWidget*>{profileLabel_, profiles_, servicesLabel_, services_})
        w->setEnabled(chosen);
}

void ProfileDialog::accept() {
    std::string name;
    if (!provider_ui::acceptName(this, name_, kNameLimit, kMessages, name)) return;
    std::string profile;
    if (chooseProfile_->isChecked()) {
        if (profiles_->currentIndex() < 0) {
            showMessage(this, kMsgNoProfile, QMessageBox::Information);
            profiles_->setFocus();
            return;
        }
        profile = profiles_->currentData().toByteArray().toStdString();
    }
    if (provider_ui::saveServiceProps(this, section_, name, profile, kMessages)) done(kDialogOk);
}

int runProfileDialog(ULONG_PTR ulUIParam, IProfSect* section, FreeBufferFn freeBuffer, IProfAdmin* admin,
                     const MapiLibrary& lib) {
    if (!provider_ui::haveApplication() || !section || !admin) return kDialogFailed;
    ProfileDialog dialog(section, freeBuffer, admin, lib, reinterpret_cast<QWidget*>(ulUIParam));
    provider_ui::centre(&dialog);
    return dialog.exec() == kDialogOk ? kDialogOk : kDialogCancel;
}

} // namespace pdx::mapi
