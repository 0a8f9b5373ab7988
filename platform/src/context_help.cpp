#include "platform/context_help.h"

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

namespace platform {
namespace {

constexpr char kHelpContextProperty[] = "pdxHelpContext";

std::mutex g_lock;
HelpOpener g_opener;
WhatsThisShower g_shower;

std::string lower(std::string s) {
    for (char& c : s) c = char(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

// The module's folder: its path without the module's file name. This
// library is linked into the module, so its own code tells the module.
std::string moduleFolder(const std::string& moduleName) {
    const void* here = reinterpret_cast<const void*>(&helpUrl);
    const std::string path = moduleFileName(here);
    const std::string name = lower(moduleName);
    const std::string folded = lower(path);
    if (!name.empty() && folded.size() >= name.size() &&
        folded.compare(folded.size() - name.size(), name.size(), name) == 0)
        return path.substr(0, path.size() - name.size());
    return moduleDirectory(here);
}

void openHelp(const HelpFile& file, unsigned context) {
    HelpOpener opener;
    {
        std::lock_guard g(g_lock);
        opener = g_opener;
    }
    const QUrl url = helpUrl(file, context);
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

// Sees F1 and right clicks on the controls that have a help context.
class ContextHelp : public QObject {
public:
    ContextHelp(QObject* parent, HelpFile file) : QObject(parent), file_(std::move(file)) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        QWidget* control = helpedControl(watched);
        if (!control) return false;
        if (event->type() == QEvent::KeyPress) {
            auto* key = static_cast<QKeyEvent*>(event);
            // Shift+F1 stays Qt's What's This mode.
            if (key->key() != Qt::Key_F1 || key->modifiers() != Qt::NoModifier) return false;
            openHelp(file_, control->property(kHelpContextProperty).toUInt());
            return true;
        }
        if (event->type() == QEvent::ContextMenu) {
            showWhatsThis(control, static_cast<QContextMenuEvent*>(event)->globalPos());
            return true;
        }
        return false;
    }

private:
    // A list box gets its mouse events through its viewport.
    static QWidget* helpedControl(QObject* watched) {
        auto* w = qobject_cast<QWidget*>(watched);
        if (w && !w->property(kHelpContextProperty).isValid()) w = w->parentWidget();
        return w && w->property(kHelpContextProperty).isValid() ? w : nullptr;
    }

    HelpFile file_;
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

QUrl helpUrl(const HelpFile& file, unsigned context) {
    std::string name = lower(file.helpName);
    if (auto dot = name.rfind('.'); dot != std::string::npos) name.resize(dot);
    const std::string folder = file.folder.empty() ? moduleFolder(file.moduleName) : file.folder;
    QUrl url = QUrl::fromLocalFile(QString::fromStdString(folder + "help/" + name + ".html"));
    url.setFragment(QString::asprintf("0x%04X", context));
    return url;
}

void attachContextHelp(QDialog* dialog, std::span<const HelpPair> pairs, HelpFile file,
                       const std::function<QString(unsigned context)>& text) {
    auto* filter = new ContextHelp(dialog, std::move(file));
    for (const HelpPair& pair : pairs) {
        auto* control = dialog->findChild<QWidget*>(QString::number(pair.control));
        if (!control) continue;
        control->setProperty(kHelpContextProperty, pair.context);
        control->setWhatsThis(text(pair.context));
        control->installEventFilter(filter);
        if (auto* area = qobject_cast<QAbstractScrollArea*>(control)) area->viewport()->installEventFilter(filter);
    }
}

} // namespace platform
