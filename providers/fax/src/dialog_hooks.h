#pragma once
// What every dialog of the plug-in shares: message boxes, help and What's
// This popups go through replaceable hooks, so a test can record them instead
// of showing a box, a browser or a popup; and the context help of controls.

#include <QString>
#include <QUrl>
#include <functional>
#include <string>

class QPoint;
class QWidget;

namespace vqfax {

enum class MessageIcon { Information, Stop };
using MessageHandler = std::function<void(QWidget* parent, int id, MessageIcon icon)>;
void setMessageHandler(MessageHandler handler); // empty: message boxes
using HelpOpener = std::function<void(const QUrl& url)>;
void setHelpOpener(HelpOpener opener); // empty: QDesktopServices
using WhatsThisShower = std::function<void(QWidget* control, const QPoint& globalPos, const QString& text)>;
void setWhatsThisShower(WhatsThisShower shower); // empty: QWhatsThis

// A message box with string `id` as its text and string `captionId` as its caption.
void showMessage(QWidget* parent, int id, MessageIcon icon, int captionId);
void openHelp(const QUrl& url);

// F1 on the control opens `url`; its context menu shows `text` as What's
// This help (the title bar's help button shows the same text).
void attachContextHelp(QWidget* control, const QUrl& url, const QString& text);

// Dialogs are shown only inside a Qt widget application.
bool haveApplication();

// The folder of this plug-in, with a trailing "/".
std::string pluginFolder();

// A string-table text as Qt text.
QString text(int id);

} // namespace vqfax
