#include "dialog_hooks.h"

#include <QAbstractButton>
#include <QApplication>
#include <QContextMenuEvent>
#include <QDesktopServices>
#include <QKeyEvent>
#include <QMessageBox>
#include <QWhatsThis>
#include <QWidget>
#include <mutex>

#include "fax_strings.h"
#include "platform/codepage.h"
#include "platform/module.h"

namespace vqfax {
namespace {

std::mutex g_hookLock;
MessageHandler g_messages;
HelpOpener g_helpOpener;
WhatsThisShower g_whatsThis;

template <class T> T hook(const T& slot) {
    std::lock_guard g(g_hookLock);
    return slot;
}

constexpr char kHelpUrlProperty[] = "vqfaxspHelpUrl";
constexpr char kContextHelpName[] = "vqfaxspContextHelp";

// F1 on a control opens its help; a right click shows its What's This text.
class ContextHelp : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        auto* control = qobject_cast<QWidget*>(watched);
        if (!control || !control->property(kHelpUrlProperty).isValid()) return false;
        if (event->type() == QEvent::KeyPress) {
            auto* key = static_cast<QKeyEvent*>(event);
            if (key->key() != Qt::Key_F1 || key->modifiers() != Qt::NoModifier) return false;
            openHelp(control->property(kHelpUrlProperty).toUrl());
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

void showMessage(QWidget* parent, int id, MessageIcon icon, int captionId) {
    if (loadString(id).empty()) return; // a text that cannot be loaded shows nothing
    if (MessageHandler handler = hook(g_messages)) return handler(parent, id, icon);
    QMessageBox box(icon == MessageIcon::Stop ? QMessageBox::Critical : QMessageBox::Information, text(captionId),
                    text(id), QMessageBox::Ok, parent);
    box.button(QMessageBox::Ok)->setText(text(kStrOk)); // the plug-in's own word, as its dialogs have
    box.exec();
}

void openHelp(const QUrl& url) {
    if (HelpOpener opener = hook(g_helpOpener)) opener(url);
    else QDesktopServices::openUrl(url);
}

void attachContextHelp(QWidget* control, const QUrl& url, const QString& text) {
    // One filter per window, made on first use.
    QWidget* window = control->window();
    QObject* filter = window->findChild<QObject*>(kContextHelpName, Qt::FindDirectChildrenOnly);
    if (!filter) {
        filter = new ContextHelp(window);
        filter->setObjectName(kContextHelpName);
    }
    control->setProperty(kHelpUrlProperty, url);
    control->setWhatsThis(text);
    control->installEventFilter(filter);
}

bool haveApplication() { return qobject_cast<QApplication*>(QCoreApplication::instance()) != nullptr; }

std::string pluginFolder() {
    // The module path without its own file name (string 95), else everything
    // up to the last separator.
    std::string folder = platform::moduleFileName(reinterpret_cast<const void*>(&pluginFolder));
    const std::string& own = loadString(kStrModuleName);
    if (folder.size() >= own.size() &&
        platform::equalsIgnoreAsciiCase(std::string_view(folder).substr(folder.size() - own.size()), own))
        folder.resize(folder.size() - own.size());
    else if (auto slash = folder.rfind('/'); slash != std::string::npos)
        folder.resize(slash + 1);
    return folder;
}

QString text(int id) { return QString::fromUtf8(loadString(id)); }

} // namespace vqfax
