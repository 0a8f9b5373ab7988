#include "context_help.h"

#include <QAbstractScrollArea>
#include <QContextMenuEvent>
#include <QDesktopServices>
#include <QDialog>
#include <QKeyEvent>
#include <QUrl>
#include <QWhatsThis>
#include <cctype>
#include <mutex>

#include "platform/module.h"
#include "string_ids.h"

namespace pdx::wab {
namespace {

constexpr char kHelpContextProperty[] = "vqwabspHelpContext";

std::mutex g_lock;
HelpOpener g_opener;
WhatsThisShower g_shower;

std::string lower(std::string s) {
    for (char& c : s) c = char(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

// The plug-in's folder: its module path without the file name of string 54.
std::string pluginDirectory() {
    const std::string path = platform::moduleFileName(reinterpret_cast<const void*>(&helpUrl));
    const std::string name = lower(loadString(kStrModuleName));
    const std::string folded = lower(path);
    if (folded.size() >= name.size() && folded.compare(folded.size() - name.size(), name.size(), name) == 0)
        return path.substr(0, path.size() - name.size());
    return platform::moduleDirectory(reinterpret_cast<const void*>(&helpUrl));
}

void openHelp(unsigned context) {
    HelpOpener opener;
    {
        std::lock_guard g(g_lock);
        opener = g_opener;
    }
    const QUrl url = helpUrl(context);
    if (opener) opener(url);
    else QDesktopServices::openUrl(url);
}

void showWhatsThis(QWidget* control, const QPoint& globalPos) {
    WhatsThisShower shower;
    {
        std::lock_guard g(g_lock);
        shower = g_shower;
    }
    if (shower) shower(control, globalPos, control->whatsThis());
    else QWhatsThis::showText(globalPos, control->whatsThis(), control);
}

class ContextHelp : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        QWidget* control = helpedControl(watched);
        if (!control) return false;
        if (event->type() == QEvent::KeyPress) {
            auto* key = static_cast<QKeyEvent*>(event);
            if (key->key() != Qt::Key_F1 || key->modifiers() != Qt::NoModifier) return false;
            openHelp(control->property(kHelpContextProperty).toUInt());
            return true;
        }
        if (event->type() == QEvent::ContextMenu) {
            showWhatsThis(control, static_cast<QContextMenuEvent*>(event)->globalPos());
            return true;
        }
        return false;
    }

private:
    static QWidget* helpedControl(QObject* watched) {
        auto* w = qobject_cast<QWidget*>(watched);
        if (w && !w->property(kHelpContextProperty).isValid()) w = w->parentWidget();
        return w && w->property(kHelpContextProperty).isValid() ? w : nullptr;
    }
};

} // namespace

void setHelpOpener(HelpOpener opener) {
    std::lock_guard g(g_lock);
    g_opener = std::move(opener);
}

void setWhatsThisShower(WhatsThisShower shower) {
    std::lock_guard g(g_lock);
    g_shower = std::move(shower);
}

QUrl helpUrl(unsigned context) {
    std::string name = lower(loadString(kStrHelpFile));
    if (auto dot = name.rfind('.'); dot != std::string::npos) name.resize(dot);
    QUrl url = QUrl::fromLocalFile(QString::fromStdString(pluginDirectory() + "help/" + name + ".html"));
    url.setFragment(QString::asprintf("0x%04X", context));
    return url;
}

void attachContextHelp(QDialog* dialog, std::span<const HelpPair> pairs) {
    auto* filter = new ContextHelp(dialog);
    for (const HelpPair& pair : pairs) {
        auto* control = dialog->findChild<QWidget*>(QString::number(pair.control));
        if (!control) continue;
        control->setProperty(kHelpContextProperty, pair.context);
        control->setWhatsThis(QString::fromStdString(loadString(int(pair.context))));
        control->installEventFilter(filter);
        if (auto* area = qobject_cast<QAbstractScrollArea*>(control)) area->viewport()->installEventFilter(filter);
    }
}

} // namespace pdx::wab
