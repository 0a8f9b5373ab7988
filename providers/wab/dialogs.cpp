#include "dialogs.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>
#include <mutex>
#include <sys/stat.h>
#include <unistd.h>

#include "convert.h"
#include "dialogs_impl.h"
#include "pdx/memory.h"
#include "pdx/status.h"
#include "pdx/tags.h"
#include "provider_open.h"
#include "platform/codepage.h"
#include "string_ids.h"

namespace pdx::wab {
namespace {

constexpr int kTagRole = Qt::UserRole;
constexpr qsizetype kNameLimit = 64;
constexpr qsizetype kPathLimit = 259;

std::mutex g_lock;
MessageHandler g_messages;
FileChooser g_chooser;

QString text(int id) { return QString::fromStdString(loadString(id)); }
QString fromSystem(const char* s) { return QString::fromStdString(platform::systemToUtf8(s ? s : "")); }
std::string toSystem(const QString& s) { return platform::utf8ToSystem(s.toStdString()); }

bool haveApplication() { return qobject_cast<QApplication*>(QCoreApplication::instance()) != nullptr; }

void centre(QWidget* w) {
    if (QScreen* screen = QGuiApplication::primaryScreen())
        w->move(screen->availableGeometry().center() - w->rect().center());
}

QPushButton* button(QWidget* parent, int textId, const char* id) {
    auto* b = new QPushButton(text(textId), parent);
    b->setObjectName(id);
    return b;
}

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

void setMessageHandler(MessageHandler handler) {
    std::lock_guard g(g_lock);
    g_messages = std::move(handler);
}

void showMessage(QWidget* parent, int id, QMessageBox::Icon icon) {
    MessageHandler handler;
    {
        std::lock_guard g(g_lock);
        handler = g_messages;
    }
    if (handler) return handler(parent, id, icon);
    QMessageBox box(icon, text(kStrMessageCaption), text(id), QMessageBox::Ok, parent);
    box.exec();
}

void setFileChooser(FileChooser chooser) {
    std::lock_guard g(g_lock);
    g_chooser = std::move(chooser);
}

bool usableFile(const std::string& path) {
    struct stat st {};
    return !path.empty() && ::stat(path.c_str(), &st) == 0 && !S_ISDIR(st.st_mode) && ::access(path.c_str(), R_OK) == 0;
}

// ---- dialog 101

ConfigDialog::ConfigDialog(IProfSect* section, FreeBufferFn freeBuffer, QWidget* parent)
    : QDialog(parent), section_(section), free_(freeBuffer) {
    setWindowTitle(text(kStrConfigCaption));
    auto* nameLabel = new QLabel(text(kStrNameLabel), this);
    nameLabel->setObjectName("2001");
    name_ = new QLineEdit(this);
    name_->setObjectName("1002");
    name_->setMaxLength(kNameLimit);
    nameLabel->setBuddy(name_);
    auto* pathLabel = new QLabel(text(kStrPathLabel), this);
    pathLabel->setObjectName("2002");
    path_ = new QLineEdit(this);
    path_->setObjectName("1001");
    path_->setMaxLength(kPathLimit);
    pathLabel->setBuddy(path_);
    browse_ = button(this, kStrBrowse, "1000");
    auto* ok = button(this, kStrOk, "1");
    auto* cancel = button(this, kStrCancel, "2");
    ok->setDefault(true);

    auto* pathRow = new QHBoxLayout;
    pathRow->addWidget(path_);
    pathRow->addWidget(browse_);
    auto* closing = new QHBoxLayout;
    closing->addStretch();
    closing->addWidget(ok);
    closing->addWidget(cancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(nameLabel);
    layout->addWidget(name_);
    layout->addWidget(pathLabel);
    layout->addLayout(pathRow);
    layout->addLayout(closing);

    connect(browse_, &QPushButton::clicked, this, &ConfigDialog::browse);
    connect(ok, &QPushButton::clicked, this, &ConfigDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    attachContextHelp(this, kConfigHelp);
    load();
}

void ConfigDialog::load() {
    const proxy::SizedTags<2> tags{2, {PR_DISPLAY_NAME, PR_FAX_AB_FILE_PATH}};
    ULONG n = 0;
    SPropValue* values = nullptr;
    if (FAILED(section_->GetProps(tags.get(), 0, &n, &values)) || !values) return;
    buffer_ptr<SPropValue> hold(values, free_);
    if (n >= 1 && values[0].ulPropTag == PR_DISPLAY_NAME) name_->setText(fromSystem(values[0].Value.lpszA));
    if (n >= 2 && values[1].ulPropTag == PR_FAX_AB_FILE_PATH) path_->setText(fromSystem(values[1].Value.lpszA));
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
    if (toSystem(name_->text()).size() > size_t(kNameLimit)) {
        showMessage(this, kMsgNameTooLong, QMessageBox::Information);
        name_->setFocus();
        name_->selectAll();
        return;
    }
    const std::string name = toSystem(name_->text().trimmed());
    std::string path = toSystem(path_->text().trimmed());
    if (name.empty()) {
        showMessage(this, kMsgNoName, QMessageBox::Information);
        name_->setFocus();
        return;
    }
    if (!path.empty() && !usableFile(path)) {
        const std::string withExtension = path + loadString(kStrDefaultExtension);
        if (!hasNoExtension(path) || !usableFile(withExtension)) {
            showMessage(this, kMsgFileMissing, QMessageBox::Information);
            path_->setFocus();
            return;
        }
        path = withExtension;
    }
    SPropValue values[2] = {};
    values[0].ulPropTag = PR_DISPLAY_NAME;
    values[0].Value.lpszA = const_cast<char*>(name.c_str());
    values[1].ulPropTag = PR_FAX_AB_FILE_PATH;
    values[1].Value.lpszA = const_cast<char*>(path.c_str());
    if (FAILED(section_->SetProps(2, values, nullptr))) {
        showMessage(this, kMsgSetFailed, QMessageBox::Critical);
        return;
    }
    if (FAILED(section_->SaveChanges(KEEP_OPEN_READWRITE))) {
        showMessage(this, kMsgSaveFailed, QMessageBox::Critical);
        return;
    }
    done(kDialogOk);
}

// ---- dialog 102

RecordTypeDialog::RecordTypeDialog(QWidget* parent) : QDialog(parent) {
    setWindowTitle(text(kStrRecordTypeCaption));
    auto* label = new QLabel(text(kStrRecordTypeLabel), this);
    label->setObjectName("2003");
    list_ = new QListWidget(this);
    list_->setObjectName("1004");
    label->setBuddy(list_);
    for (auto [id, tag] : {std::pair{kStrContact, PR_DEF_CREATE_MAILUSER}, std::pair{kStrDistList, PR_DEF_CREATE_DL}}) {
        auto* item = new QListWidgetItem(text(id), list_);
        item->setData(kTagRole, uint(tag));
    }
    list_->setCurrentRow(0);
    auto* ok = button(this, kStrOk, "1");
    auto* cancel = button(this, kStrCancel, "2");
    ok->setDefault(true);
    auto* closing = new QHBoxLayout;
    closing->addStretch();
    closing->addWidget(ok);
    closing->addWidget(cancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(label);
    layout->addWidget(list_);
    layout->addLayout(closing);
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
    if (!haveApplication() || !section) return kDialogFailed;
    ConfigDialog dialog(section, freeBuffer, reinterpret_cast<QWidget*>(ulUIParam));
    centre(&dialog);
    return dialog.exec() == kDialogOk ? kDialogOk : kDialogCancel;
}

int runRecordTypeDialog(ULONG_PTR ulUIParam, ULONG& templateTag) {
    if (!haveApplication()) return kDialogFailed;
    RecordTypeDialog dialog(reinterpret_cast<QWidget*>(ulUIParam));
    centre(&dialog);
    if (dialog.exec() != kDialogOk) return kDialogCancel;
    templateTag = dialog.chosenTag();
    return templateTag ? kDialogOk : kDialogCancel;
}

} // namespace pdx::wab
