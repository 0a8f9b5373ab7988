#include "config_dialog.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QDesktopServices>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>
#include <QWhatsThis>
#include <cctype>
#include <mutex>

#include "fax_tags.h"
#include "pdx/memory.h"
#include "pdx/status.h"
#include "platform/codepage.h"
#include "platform/module.h"
#include "fax_strings.h"

namespace vqfax {
namespace {

std::mutex g_hookLock;
MessageHandler g_messages;
HelpOpener g_helpOpener;
WhatsThisShower g_whatsThis;
ConfigDialogRunner g_runner;

template <class T> T hook(const T& slot) {
    std::lock_guard g(g_hookLock);
    return slot;
}

QString text(int id) { return QString::fromUtf8(loadString(id)); }

void showMessage(QWidget* parent, int id, MessageIcon icon) {
    if (MessageHandler handler = hook(g_messages)) return handler(parent, id, icon);
    QMessageBox box(icon == MessageIcon::Stop ? QMessageBox::Critical : QMessageBox::Information,
                    text(kStrMessageCaption), text(id), QMessageBox::Ok, parent);
    box.exec();
}

constexpr char kHelpContextProperty[] = "vqfaxspHelpContext";

// F1 on a control opens the help file at its context; a right click shows
// the control's What's This text.
class ContextHelp : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        auto* control = qobject_cast<QWidget*>(watched);
        if (!control || !control->property(kHelpContextProperty).isValid()) return false;
        if (event->type() == QEvent::KeyPress) {
            auto* key = static_cast<QKeyEvent*>(event);
            if (key->key() != Qt::Key_F1 || key->modifiers() != Qt::NoModifier) return false;
            const QUrl url = helpUrl(control->property(kHelpContextProperty).toUInt());
            if (HelpOpener opener = hook(g_helpOpener)) opener(url);
            else QDesktopServices::openUrl(url);
            return true;
        }
        if (event->type() == QEvent::ContextMenu) {
            const QPoint at = static_cast<QContextMenuEvent*>(event)->globalPos();
            if (WhatsThisShower shower = hook(g_whatsThis)) shower(control, at, control->whatsThis());
            else QWhatsThis::showText(at, control->whatsThis(), control);
            return true;
        }
        return false;
    }
};

bool haveApplication() { return qobject_cast<QApplication*>(QCoreApplication::instance()) != nullptr; }

QString fromSystem(const char* s) { return QString::fromStdString(platform::systemToUtf8(s ? s : "")); }

} // namespace

void setMessageHandler(MessageHandler handler) {
    std::lock_guard g(g_hookLock);
    g_messages = std::move(handler);
}
void setHelpOpener(HelpOpener opener) {
    std::lock_guard g(g_hookLock);
    g_helpOpener = std::move(opener);
}
void setWhatsThisShower(WhatsThisShower shower) {
    std::lock_guard g(g_hookLock);
    g_whatsThis = std::move(shower);
}
void setConfigDialogRunner(ConfigDialogRunner runner) {
    std::lock_guard g(g_hookLock);
    g_runner = std::move(runner);
}

QUrl helpUrl(unsigned context) {
    // The plug-in's folder: its module path without its own file name
    // (string 95), else everything up to the last separator.
    std::string folder = platform::moduleFileName(reinterpret_cast<const void*>(&helpUrl));
    const std::string& own = loadString(kStrModuleName);
    if (folder.size() >= own.size() &&
        platform::equalsIgnoreAsciiCase(std::string_view(folder).substr(folder.size() - own.size()), own))
        folder.resize(folder.size() - own.size());
    else if (auto slash = folder.rfind('/'); slash != std::string::npos)
        folder.resize(slash + 1);
    // The HTML help that stands for "VQCORE.hlp" (string 96): same base name,
    // lower case, ".html", in the "help" folder.
    std::string name = loadString(kStrHelpFile);
    if (auto dot = name.rfind('.'); dot != std::string::npos) name.resize(dot);
    for (char& c : name) c = char(std::tolower(static_cast<unsigned char>(c)));
    QUrl url = QUrl::fromLocalFile(QString::fromStdString(folder + "help/" + name + ".html"));
    url.setFragment(QString::asprintf("0x%04X", context));
    return url;
}

ConfigDialog::ConfigDialog(IProfSect* section, FreeBufferFn freeBuffer, QWidget* parent)
    : QDialog(parent), section_(section) {
    setWindowTitle(text(kStrConfigCaption));
    auto* label = new QLabel(text(kStrNameLabel), this);
    label->setObjectName("2002");
    name_ = new QLineEdit(this);
    name_->setObjectName("1002");
    name_->setMaxLength(int(kDisplayNameBytes));
    label->setBuddy(name_);
    auto* ok = new QPushButton(text(kStrOk), this);
    ok->setObjectName("1");
    ok->setDefault(true);
    auto* cancel = new QPushButton(text(kStrCancel), this);
    cancel->setObjectName("2");
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(label);
    layout->addWidget(name_);
    layout->addLayout(buttons);
    connect(ok, &QPushButton::clicked, this, &ConfigDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);

    auto* help = new ContextHelp(this);
    for (QWidget* control : {static_cast<QWidget*>(label), static_cast<QWidget*>(name_)}) {
        control->setProperty(kHelpContextProperty, kNameHelpContext);
        control->setWhatsThis(text(int(kNameHelpContext)));
        control->installEventFilter(help);
    }

    struct {
        ULONG cValues;
        ULONG tags[2];
    } wanted = {2, {PR_DISPLAY_NAME, PR_FAX_AB_FILE_PATH}};
    ULONG count = 0;
    SPropValue* values = nullptr;
    if (SUCCEEDED(section_->GetProps(reinterpret_cast<SPropTagArray*>(&wanted), 0, &count, &values))) {
        buffer_ptr<SPropValue> answer(values, freeBuffer);
        if (values && count >= 1 && values[0].ulPropTag == PR_DISPLAY_NAME && values[0].Value.lpszA)
            name_->setText(fromSystem(values[0].Value.lpszA));
    }
}

void ConfigDialog::accept() {
    const QString name = name_->text().left(int(kDisplayNameBytes)).trimmed();
    if (name.isEmpty()) {
        showMessage(this, kMsgNoName, MessageIcon::Information);
        name_->setFocus();
        return;
    }
    std::string systemName = platform::utf8ToSystem(name.toStdString());
    char emptyPath[] = "";
    SPropValue values[2]{};
    values[0].ulPropTag = PR_DISPLAY_NAME;
    values[0].Value.lpszA = systemName.data();
    values[1].ulPropTag = PR_FAX_AB_FILE_PATH;
    values[1].Value.lpszA = emptyPath;
    HRESULT h = section_->SetProps(2, values, nullptr);
    if (SUCCEEDED(h)) h = section_->SaveChanges(KEEP_OPEN_READWRITE);
    if (FAILED(h)) {
        showMessage(this, kMsgRegisterFailed, MessageIcon::Stop);
        return;
    }
    done(QDialog::Accepted);
}

int runConfigDialog(ULONG_PTR ulUIParam, IProfSect* section, FreeBufferFn freeBuffer) {
    if (ConfigDialogRunner runner = hook(g_runner)) return runner(ulUIParam, section, freeBuffer);
    if (!haveApplication()) return kDialogFailed;
    ConfigDialog dialog(section, freeBuffer, reinterpret_cast<QWidget*>(ulUIParam));
    if (QScreen* screen = QGuiApplication::primaryScreen())
        dialog.move(screen->availableGeometry().center() - dialog.rect().center());
    return dialog.exec() == QDialog::Accepted ? kDialogOk : kDialogCancel;
}

} // namespace vqfax
