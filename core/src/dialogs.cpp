#include "dialogs.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>
#include <mutex>
#include <sys/stat.h>

#include "allocator.h"
#include "dialogs_impl.h"
#include "pdx/status.h"
#include "pdx/tags.h"
#include "platform/codepage.h"
#include "platform/context_help.h"
#include "platform/module.h"
#include "prop_ops.h"
#include "string_ids.h"

namespace pdx::core {
namespace {

constexpr int kUidRole = Qt::UserRole;
constexpr int kFlagsRole = Qt::UserRole + 1;
constexpr int kIndexRole = Qt::UserRole + 2;

std::mutex g_handlerLock;
MessageHandler g_handler;

QString text(int id) { return QString::fromUtf8(loadString(id)); }
QString fromSystem(const char* s) { return QString::fromStdString(platform::systemToUtf8(s ? s : "")); }

bool haveApplication() { return qobject_cast<QApplication*>(QCoreApplication::instance()) != nullptr; }

// A string property of a row, empty when absent.
std::string textOf(const PropList& row, ULONG tag) {
    const PropNode* node = row.find(tag);
    return node && node->dataLength() ? std::string(reinterpret_cast<const char*>(node->data())) : std::string();
}

// The row's PR_SERVICE_SUPPORT_FILES; false when the row has no such property.
bool supportFilesOf(const PropList& row, std::vector<std::string>& files) {
    const PropNode* node = row.find(PR_SERVICE_SUPPORT_FILES);
    if (!node) return false;
    Buffer<SPropValue> value;
    if (FAILED(allocRoot(sizeof(SPropValue), value.out())) || FAILED(copyNodeOut(*node, *value, value.get())))
        return false;
    files.assign(value->Value.MVszA.lppszA, value->Value.MVszA.lppszA + value->Value.MVszA.cValues);
    return true;
}

void centre(QWidget* w) {
    if (QScreen* screen = QGuiApplication::primaryScreen())
        w->move(screen->availableGeometry().center() - w->rect().center());
}

} // namespace

void setMessageHandler(MessageHandler handler) {
    std::lock_guard g(g_handlerLock);
    g_handler = std::move(handler);
}

void showMessage(QWidget* parent, int id) {
    MessageHandler handler;
    {
        std::lock_guard g(g_handlerLock);
        handler = g_handler;
    }
    if (handler) return handler(parent, id);
    const QMessageBox::Icon icon = id == kMsgServiceExists ? QMessageBox::Information : QMessageBox::Critical;
    QMessageBox box(icon, text(kStrMessageCaption), text(id), QMessageBox::Ok, parent);
    box.exec();
}

platform::HelpFile helpFile() {
    // The help file is named by string 55 ("VQCORE.hlp"), beside vqcore.
    return {"", loadString(kStrHelpFile)};
}

namespace {

void attachContextHelp(QDialog* dialog, std::span<const platform::HelpPair> pairs) {
    platform::attachContextHelp(dialog, pairs, helpFile(), [](unsigned context) { return text(int(context)); });
}

} // namespace

// ---- dialog 103

AddressBookListDialog::AddressBookListDialog(IPDXServiceAdmin* admin, QWidget* parent)
    : QDialog(parent), admin_(admin) {
    setWindowTitle(text(103));
    auto* label = new QLabel(text(2005), this);
    label->setObjectName("2005");
    list_ = new QListWidget(this);
    list_->setObjectName("1005");
    list_->setSortingEnabled(true);
    label->setBuddy(list_);
    register_ = new QPushButton(text(1006), this);
    register_->setObjectName("1006");
    edit_ = new QPushButton(text(1008), this);
    edit_->setObjectName("1008");
    delete_ = new QPushButton(text(1007), this);
    delete_->setObjectName("1007");
    ok_ = new QPushButton(text(2101), this);
    ok_->setObjectName("1");
    auto* cancel = new QPushButton(text(2102), this);
    cancel->setObjectName("2");

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(register_);
    buttons->addWidget(edit_);
    buttons->addWidget(delete_);
    buttons->addStretch();
    auto* closing = new QHBoxLayout;
    closing->addStretch();
    closing->addWidget(ok_);
    closing->addWidget(cancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(label);
    layout->addWidget(list_);
    layout->addLayout(buttons);
    layout->addLayout(closing);
    ok_->setDefault(true);

    connect(register_, &QPushButton::clicked, this, &AddressBookListDialog::registerService);
    connect(edit_, &QPushButton::clicked, this, &AddressBookListDialog::editService);
    connect(delete_, &QPushButton::clicked, this, &AddressBookListDialog::deleteService);
    connect(list_, &QListWidget::itemDoubleClicked, this, [this] { editService(); });
    connect(list_, &QListWidget::currentItemChanged, this, [this] { updateButtons(); });
    connect(ok_, &QPushButton::clicked, this, [this] { done(kDialogOk); });
    connect(cancel, &QPushButton::clicked, this, &AddressBookListDialog::reject);
    attachContextHelp(this, kListHelp);
    fill();
}

namespace {
const SPropTagArray* listColumns() {
    static const struct {
        ULONG cValues;
        ULONG tags[3];
    } columns = {3, {PR_DISPLAY_NAME, PR_SERVICE_UID, PR_RESOURCE_FLAGS}};
    return reinterpret_cast<const SPropTagArray*>(&columns);
}
} // namespace

QListWidgetItem* AddressBookListDialog::addItem(const SRow& row) {
    if (row.cValues < 3) return nullptr;
    const SPropValue* v = row.lpProps;
    auto* item = new QListWidgetItem(v[0].ulPropTag == PR_DISPLAY_NAME ? fromSystem(v[0].Value.lpszA) : QString());
    if (v[1].ulPropTag == PR_SERVICE_UID)
        item->setData(kUidRole, QByteArray(reinterpret_cast<const char*>(v[1].Value.bin.lpb), int(v[1].Value.bin.cb)));
    item->setData(kFlagsRole, v[2].ulPropTag == PR_RESOURCE_FLAGS ? uint(v[2].Value.ul) : 0u);
    list_->addItem(item);
    return item;
}

void AddressBookListDialog::fill() {
    object_ptr<IMAPITable> table;
    if (FAILED(admin_->GetServiceTable(0, table.out()))) return;
    if (FAILED(table->SeekRow(BOOKMARK_BEGINNING, 0, nullptr)) || FAILED(table->SetColumns(listColumns(), 0))) return;
    for (;;) {
        RowSet rows;
        if (FAILED(table->QueryRows(1, 0, rows.out())) || rows->cRows == 0) break;
        addItem(rows->aRow[0]);
    }
    if (list_->count()) list_->setCurrentRow(0);
    updateButtons();
}

void AddressBookListDialog::reject() { done(kDialogCancel); }

void AddressBookListDialog::updateButtons() {
    QListWidgetItem* item = list_->currentItem();
    const uint flags = item ? item->data(kFlagsRole).toUInt() : 0;
    const bool canDelete = !(flags & SERVICE_NO_DELETE);
    const bool canEdit = !(flags & SERVICE_NO_EDIT);
    if (!canDelete && delete_->hasFocus()) {
        edit_->setDefault(true);
        edit_->setFocus();
    }
    delete_->setEnabled(canDelete);
    if (!canEdit && edit_->hasFocus()) {
        ok_->setDefault(true);
        ok_->setFocus();
    }
    edit_->setEnabled(canEdit);
}

int AddressBookListDialog::chooseService(std::string& name) {
    RegisterDialog dialog(this);
    centre(&dialog);
    const int button = dialog.exec() == kDialogOk ? kDialogOk : kDialogCancel;
    name = dialog.chosen();
    return button;
}

void AddressBookListDialog::registerService() {
    std::string name;
    if (chooseService(name) != kDialogOk) return;
    HRESULT h = admin_->CreateService(name.c_str(), "", 0, reinterpret_cast<ULONG_PTR>(this), SERVICE_UI_ALWAYS);
    if (FAILED(h)) {
        if (h == MAPI_E_COLLISION) showMessage(this, kMsgServiceExists);
        else if (h != MAPI_E_USER_CANCEL) showMessage(this, kMsgAddServiceFailed);
        updateButtons();
        return;
    }
    object_ptr<IMAPITable> table;
    RowSet rows;
    if (SUCCEEDED(admin_->GetServiceTable(0, table.out())) && SUCCEEDED(table->SetColumns(listColumns(), 0)) &&
        SUCCEEDED(table->QueryRows(1, 0, rows.out())) && rows->cRows == 1)
        if (QListWidgetItem* item = addItem(rows->aRow[0])) list_->setCurrentItem(item);
    updateButtons();
}

void AddressBookListDialog::editService() {
    QListWidgetItem* item = list_->currentItem();
    if (!item || (item->data(kFlagsRole).toUInt() & SERVICE_NO_EDIT)) return;
    const QByteArray uidBytes = item->data(kUidRole).toByteArray();
    if (uidBytes.size() != 16) return;
    MAPIUID uid;
    std::memcpy(uid.ab, uidBytes.constData(), 16);
    if (FAILED(admin_->ConfigureService(&uid, reinterpret_cast<ULONG_PTR>(this), SERVICE_UI_ALWAYS, 0, nullptr))) return;
    object_ptr<IProfSect> section;
    if (FAILED(admin_->OpenProfileSection(&uid, nullptr, 0, section.out()))) return;
    ULONG count = 0;
    Buffer<SPropValue> values;
    if (FAILED(section->GetProps(listColumns(), 0, &count, values.out())) || count != 3) return;
    SRow row{0, count, values.get()};
    const QVariant uidData = item->data(kUidRole), flagData = item->data(kFlagsRole);
    delete list_->takeItem(list_->row(item));
    if (QListWidgetItem* fresh = addItem(row)) {
        fresh->setData(kUidRole, uidData);
        fresh->setData(kFlagsRole, flagData);
        list_->setCurrentItem(fresh);
    }
    updateButtons();
}

void AddressBookListDialog::deleteService() {
    QListWidgetItem* item = list_->currentItem();
    if (!item || (item->data(kFlagsRole).toUInt() & SERVICE_NO_DELETE)) return;
    const QByteArray uidBytes = item->data(kUidRole).toByteArray();
    if (uidBytes.size() != 16) return;
    MAPIUID uid;
    std::memcpy(uid.ab, uidBytes.constData(), 16);
    if (FAILED(admin_->DeleteService(&uid))) return;
    const int row = list_->row(item);
    delete list_->takeItem(row);
    if (list_->count()) list_->setCurrentRow(std::min(row, list_->count() - 1));
    updateButtons();
}

// ---- dialog 104

RegisterDialog::RegisterDialog(QWidget* parent) : QDialog(parent) {
    setWindowTitle(text(104));
    auto* label = new QLabel(text(2006), this);
    label->setObjectName("2006");
    list_ = new QListWidget(this);
    list_->setObjectName("1005");
    list_->setSortingEnabled(true);
    label->setBuddy(list_);
    auto* ok = new QPushButton(text(2101), this);
    ok->setObjectName("1");
    ok->setDefault(true);
    auto* cancel = new QPushButton(text(2102), this);
    cancel->setObjectName("2");
    auto* closing = new QHBoxLayout;
    closing->addStretch();
    closing->addWidget(ok);
    closing->addWidget(cancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(label);
    layout->addWidget(list_);
    layout->addLayout(closing);
    connect(ok, &QPushButton::clicked, this, &RegisterDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(list_, &QListWidget::itemDoubleClicked, this, &RegisterDialog::accept);
    attachContextHelp(this, kRegisterHelp);

    if (SUCCEEDED(readServiceList("Services", services_))) {
        for (size_t i = 0; i < services_.size(); ++i) {
            auto* item = new QListWidgetItem(fromSystem(textOf(services_.rows()[i], PR_PROVIDER_DISPLAY).c_str()));
            item->setData(kIndexRole, int(i));
            list_->addItem(item);
        }
    }
    if (list_->count()) list_->setCurrentRow(0);
}

bool supportFileFound(const std::string& name) {
    const std::string dir = platform::ownModuleDirectory();
    auto exists = [](const std::string& path) {
        struct stat st {};
        return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
    };
    if (name.empty() || name.find('/') != std::string::npos || name.find('\\') != std::string::npos) return false;
    if (exists(dir + name)) return true;
    const std::string module = platform::mapModuleName(name);
    return !module.empty() && exists(dir + module);
}

void RegisterDialog::reject() { done(kDialogCancel); }

void RegisterDialog::accept() {
    QListWidgetItem* item = list_->currentItem();
    if (!item) {
        chosen_.clear();
        done(kDialogOk);
        return;
    }
    const PropList& service = services_.rows()[size_t(item->data(kIndexRole).toInt())];
    // A row made from the INF always has the property; it has no values when
    // the INF names no support files.
    std::vector<std::string> files;
    if (!supportFilesOf(service, files)) {
        showMessage(this, kMsgNoSupportFiles);
        return;
    }
    if (files.empty()) {
        showMessage(this, kMsgEmptySupportFiles);
        return;
    }
    for (const auto& file : files) {
        if (!supportFileFound(file)) {
            showMessage(this, kMsgSupportFileMissing);
            return;
        }
    }
    chosen_ = textOf(service, PR_SERVICE_NAME).substr(0, 64);
    done(kDialogOk);
}

// ---- entry points

int showAddressBookList(ULONG_PTR ulUIParam, IPDXServiceAdmin* admin) {
    if (!haveApplication() || !admin) return kDialogFailed;
    AddressBookListDialog dialog(admin, reinterpret_cast<QWidget*>(ulUIParam));
    centre(&dialog);
    return dialog.exec();
}

int showRegisterDialog(ULONG_PTR ulUIParam, IPDXServiceAdmin*, std::string& serviceName) {
    if (!haveApplication()) return kDialogFailed;
    RegisterDialog dialog(reinterpret_cast<QWidget*>(ulUIParam));
    centre(&dialog);
    const int button = dialog.exec() == kDialogOk ? kDialogOk : kDialogCancel;
    serviceName = dialog.chosen();
    return button;
}

} // namespace pdx::core
