#include "dialog/dialog_hooks.h"

#include <QAbstractScrollArea>
#include <QContextMenuEvent>
#include <QDesktopServices>
#include <QDialog>
#include <QKeyEvent>
#include <QMessageBox>
#include <QUrl>
#include <QWhatsThis>
#include <cctype>

#include "bridge_strings.h"

namespace vqbridge {

namespace {

MessageHandler& messageHandler() {
    static MessageHandler handler;
    return handler;
}
HelpOpener& helpOpener() {
    static HelpOpener opener;
    return opener;
}
WhatsThisShower& whatsThisShower() {
    static WhatsThisShower shower;
    return shower;
}

constexpr char kContextProperty[] = "vqbridgeHelpContext";

class ContextHelp : public QObject {
public:
    ContextHelp(QObject* parent, std::string coreFolder) : QObject(parent), folder_(std::move(coreFolder)) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        QWidget* control = helped(watched);
        if (!control) return false;
        if (event->type() == QEvent::KeyPress) {
            auto* key = static_cast<QKeyEvent*>(event);
            if (key->key() != Qt::Key_F1 || key->modifiers() != Qt::NoModifier) return false;
            const QUrl url = helpUrl(folder_, control->property(kContextProperty).toUInt());
            if (helpOpener()) helpOpener()(url);
            else QDesktopServices::openUrl(url);
            return true;
        }
        if (event->type() == QEvent::ContextMenu) {
            const QPoint at = static_cast<QContextMenuEvent*>(event)->globalPos();
            if (whatsThisShower()) whatsThisShower()(control, at, control->whatsThis());
            else QWhatsThis::showText(at, control->whatsThis(), control);
            return true;
        }
        return false;
    }

private:
    // A list gets its mouse events through its viewport.
    static QWidget* helped(QObject* watched) {
        auto* w = qobject_cast<QWidget*>(watched);
        if (w && !w->property(kContextProperty).isValid()) w = w->parentWidget();
        return w && w->property(kContextProperty).isValid() ? w : nullptr;
    }

    std::string folder_;
};

} // namespace

void setMessageHandler(MessageHandler handler) { messageHandler() = std::move(handler); }

void showMessage(QWidget* parent, int id, const QString& text) {
    if (messageHandler()) return messageHandler()(parent, id, text);
    QMessageBox box(id == kMsgTooManyRecipients ? QMessageBox::Information : QMessageBox::Critical,
                    QString::fromStdString(loadString(kStrCaption)), text, QMessageBox::Ok, parent);
    box.setObjectName(QStringLiteral("message_%1").arg(id));
    box.exec();
}

void setHelpOpener(HelpOpener opener) { helpOpener() = std::move(opener); }
void setWhatsThisShower(WhatsThisShower shower) { whatsThisShower() = std::move(shower); }

QUrl helpUrl(const std::string& coreFolder, unsigned context) {
    std::string name = loadString(kStrHelpFile);
    if (auto dot = name.rfind('.'); dot != std::string::npos) name.resize(dot);
    for (char& c : name) c = char(std::tolower(static_cast<unsigned char>(c)));
    QUrl url = QUrl::fromLocalFile(QString::fromStdString(coreFolder + "help/" + name + ".html"));
    url.setFragment(QString::asprintf("0x%04X", context));
    return url;
}

void attachContextHelp(QDialog* dialog, const std::string& coreFolder) {
    auto* filter = new ContextHelp(dialog, coreFolder);
    for (const HelpPair& pair : kSelectionHelp) {
        auto* control = dialog->findChild<QWidget*>(QString::number(pair.control));
        if (!control) continue;
        control->setProperty(kContextProperty, pair.context);
        control->setWhatsThis(QString::fromStdString(loadString(int(pair.context))));
        control->installEventFilter(filter);
        if (auto* area = qobject_cast<QAbstractScrollArea*>(control)) area->viewport()->installEventFilter(filter);
    }
}

QString displayText(const std::string& utf8) {
    QString text = QString::fromStdString(utf8);
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return text;
}

} // namespace vqbridge
