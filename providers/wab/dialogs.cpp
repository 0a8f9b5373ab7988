#include "dialogs.h"

#include "platform/typing_limit.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>
#include <mutex>
#include <sys/stat.h>
#include <unistd.h>

#include "dialogs_impl.h"
#include "pdx/tags.h"
#include "provider_open.h"
#include "service_dialog.h"
#include "string_ids.h"

namespace pdx::wab {
namespace {

constexpr int kTagRole = Qt::UserRole;
constexpr qsizetype kNameLimit = 64;
constexpr qsizetype kPathLimit = 259;

std::mutex g_lock;
FileChooser g_chooser;

QString text(int id) { return QString::fromStdString(loadString(id)); }

constexpr provider_ui::ServiceMessages kMessages{kMsgNameTooLong, kMsgNoName, kMsgSetFailed, kMsgSaveFailed,
                                                 showMessage};

// "A|a|B|b|" (the last character is the separator) into Qt's "A;;B".
QString qtFilter(const QString& windowsFilter) {
    QStringList parts = windowsFilter.split(windowsFilter.right(1));
    QStringList names;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2)
        if (!parts[i].isEmpty()) names << parts[i];
    return names.join(";;");
}

QString chooseFile(QWidget* parent, const FileRequest& request) {
    FileChooser chooser;
    {
        std::lock_guard g(g_lock);
        chooser = g_chooser;
    }
    if (chooser) return chooser(parent, request);
    QFileDialog dialog(parent, request.title, request.directory, request.filter);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setOption(QFileDialog::ReadOnly, true);
    dialog.setDefaultSuffix(request.defaultSuffix);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
    return dialog.selectedFiles().first();
}

// The last path component has no "." of its own.
bool hasNoExtension(const std::string& path) {
    const auto slash = path.rfind('/');
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    return name.find('.') == std::string::npos;
}

} // namespace

void showMessage(QWidget* parent, int id, QMessageBox::Icon icon) {
    provider_ui::showMessage(parent, id, icon, text(kStrMessageCaption), text(id));
}

void setFileChooser(FileChooser chooser) {
    std::lock_guard g(g_lock);
    g_chooser = std::move(chooser);
}

platform::HelpFile helpFile() { return {loadString(kStrModuleName), loadString(kStrHelpFile)}; }

bool usableFile(const std::string& path) {
    struct stat st {};
    return !path.empty() && ::stat(path.c_str(), &st) == 0 && !S_ISDIR(st.st_mode) && ::access(path.c_str(), R_OK) == 0;
}

// ---- dialog 101

ConfigDialog::ConfigDialog(IProfSect* section, FreeBufferFn freeBuffer, QWidget* parent)
    : QDialog(parent), section_(section), free_(freeBuffer) {
    setWindowTitle(text(kStrConfigCaption));
    using provider_ui::named;
    auto* nameLabel = named(new QLabel(text(kStrNameLabel), this), 2001);
    name_ = named(new QLineEdit(this), 1002);
    platform::limitTyping(name_, kNameLimit);
    nameLabel->setBuddy(name_);
    auto* pathLabel = named(new QLabel(text(kStrPathLabel), this), 2002);
    path_ = named(new QLineEdit(this), 1001);
    platform::limitTyping(path_, kPathLimit);
    pathLabel->setBuddy(path_);
    browse_ = named(new QPushButton(text(kStrBrowse), this), 1000);
    auto* ok = named(new QPushButton(text(kStrOk), this), 1);
    auto* cancel = named(new QPushButton(text(kStrCancel), this), 2);
    ok->setDefault(true);

    auto* pathRow = new QHBoxLayout;
    pathRow->addWidget(path_);
    pathRow->addWidget(browse_);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(nameLabel);
    layout->addWidget(name_);
    layout->addWidget(pathLabel);
    layout->addLayout(pathRow);
    layout->addLayout(provider_ui::closingRow(ok, cancel));

    connect(browse_, &QPushButton::clicked, this, &ConfigDialog::browse);
    connect(ok, &QPushButton::clicked, this, &ConfigDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    platform::attachContextHelp(this, kConfigHelp, helpFile(), [](unsigned context) { return text(int(context)); });
    load();
}

void ConfigDialog::load() {
    const provider_ui::ServiceProps props = provider_ui::readServiceProps(section_, free_);
    name_->setText(provider_ui::fromSystem(props.name.c_str()));
    path_->setText(provider_ui::fromSystem(props.value.c_str()));
}

void ConfigDialog::browse() {
    // The folder of the current path, when it names one.
    const QString current = path_->text().trimmed();
    const QString folder = current.isEmpty() ? QString() : QFileInfo(current).absolutePath();
    const QString chosen = chooseFile(this, {text(kStrBrowseTitle), QDir(folder).exists() ? folder : QString(),
                                             qtFilter(text(kStrBrowseFilter)), text(kStrBrowseExtension)});
    // Linux file names are case-sensitive: the path stays as chosen.
    if (!chosen.isEmpty()) path_->setText(chosen);
}

void ConfigDialog::accept() {
    std::string name;
    if (!provider_ui::acceptName(this, name_, kNameLimit, kMessages, name)) return;
    std::string path = provider_ui::toSystem(path_->text().trimmed());
    if (!path.empty() && !usableFile(path)) {
        const std::string withExtension = path + loadString(kStrDefaultExtension);
        if (!hasNoExtension(path) || !usableFile(withExtension)) {
            showMessage(this, kMsgFileMissing, QMessageBox::Information);
            path_->setFocus();
            return;
        }
        path = withExtension;
    }
    if (provider_ui::saveServiceProps(this, section_, name, path, kMessages)) done(kDialogOk);
}

// ---- dialog 102

RecordTypeDialog::RecordTypeDialog(QWidget* parent) : QDialog(parent) {
    setWindowTitle(text(kStrRecordTypeCaption));
    using provider_ui::named;
    auto* label = named(new QLabel(text(kStrRecordTypeLabel), this), 2003);
    list_ = named(new QListWidget(this), 1004);
    label->setBuddy(list_);
    for (auto [id, tag] : {std::pair{kStrContact, PR_DEF_CREATE_MAILUSER}, std::pair{kStrDistList, PR_DEF_CREATE_DL}}) {
        auto* item = new QListWidgetItem(text(id), list_);
        item->setData(kTagRole, uint(tag));
    }
    list_->setCurrentRow(0);
    auto* ok = named(new QPushButton(text(kStrOk), this), 1);
    auto* cancel = named(new QPushButton(text(kStrCancel), this), 2);
    ok->setDefault(true);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(label);
    layout->addWidget(list_);
    layout->addLayout(provider_ui::closingRow(ok, cancel));
    // The help window of Windows closed with both buttons; the browser that
    // shows the HTML help is the user's own, so there is nothing to close here.
    connect(ok, &QPushButton::clicked, this, [this] { done(kDialogOk); });
    connect(cancel, &QPushButton::clicked, this, [this] { done(kDialogCancel); });
    connect(list_, &QListWidget::itemDoubleClicked, this, [this] { done(kDialogOk); });
}

ULONG RecordTypeDialog::chosenTag() const {
    const QListWidgetItem* item = list_->currentItem();
    return item ? item->data(kTagRole).toUInt() : 0;
}

// ---- entry points

int runConfigDialog(ULONG_PTR ulUIParam, IProfSect* section, FreeBufferFn freeBuffer) {
    if (!provider_ui::haveApplication() || !section) return kDialogFailed;
    ConfigDialog dialog(section, freeBuffer, reinterpret_cast<QWidget*>(ulUIParam));
    provider_ui::centre(&dialog);
    return dialog.exec() == kDialogOk ? kDialogOk : kDialogCancel;
}

int runRecordTypeDialog(ULONG_PTR ulUIParam, ULONG& templateTag) {
    if (!provider_ui::haveApplication()) return kDialogFailed;
    RecordTypeDialog dialog(reinterpret_cast<QWidget*>(ulUIParam));
    provider_ui::centre(&dialog);
    if (dialog.exec() != kDialogOk) return kDialogCancel;
    templateTag = dialog.chosenTag();
    return templateTag ? kDialogOk : kDialogCancel;
}

} // namespace pdx::wab
