#include "dialog/dialog_hooks.h"

#include <QMessageBox>

#include "bridge_strings.h"

namespace vqbridge {

namespace {

MessageHandler& messageHandler() {
    static MessageHandler handler;
    return handler;
}

} // namespace

void setMessageHandler(MessageHandler handler) { messageHandler() = std::move(handler); }

void showMessage(QWidget* parent, int id, const QString& text) {
    if (messageHandler()) return messageHandler()(parent, id, text);
    QMessageBox box(id == kMsgTooManyRecipients ? QMessageBox::Information : QMessageBox::Critical,
                    QString::fromStdString(loadString(kStrCaption)), text, QMessageBox::Ok, parent);
    box.setObjectName(QStringLiteral("message_%1").arg(id));
    box.exec();
}

platform::HelpFile helpFile(const std::string& coreFolder) { return {"", loadString(kStrHelpFile), coreFolder}; }

void attachContextHelp(QDialog* dialog, const std::string& coreFolder) {
    platform::attachContextHelp(dialog, kSelectionHelp, helpFile(coreFolder),
                                [](unsigned context) { return QString::fromStdString(loadString(int(context))); });
}

QString displayText(const std::string& utf8) {
    QString text = QString::fromStdString(utf8);
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return text;
}

} // namespace vqbridge
