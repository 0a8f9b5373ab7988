#pragma once
// What the recipient selection dialog shows beside itself: message boxes,
// the help file and What's This texts. Each goes through a replaceable hook
// (the help's in platform_help), so a test can record it instead of opening
// a browser or a popup.

#include <QString>
#include <functional>
#include <string>

#include "platform/context_help.h"

class QDialog;
class QWidget;

namespace vqbridge {

using MessageHandler = std::function<void(QWidget* parent, int id, const QString& text)>;
void setMessageHandler(MessageHandler handler); // empty: message boxes
// Message `id` with caption string 1: the information icon for a limit, the
// stop icon otherwise. `text` is the filled-in message.
void showMessage(QWidget* parent, int id, const QString& text);

// The PDX help file (string 64, as HTML in the "help" folder beside vqcore),
// for context help through platform_help.
platform::HelpFile helpFile(const std::string& coreFolder);

// Help contexts of the dialog's controls (control id, context).
inline constexpr platform::HelpPair kSelectionHelp[] = {{2001, 0x1001}, {1021, 0x1001}, {1022, 0x1002},
                                                        {2003, 0x1003}, {1020, 0x1003}, {1043, 0x1004},
                                                        {2002, 0x1005}, {1042, 0x1005}, {1041, 0x1005},
                                                        {1044, 0x1006}, {1040, 0x1007}};

// F1 on a control opens the help file at its context; a right click shows its
// What's This text (string `context`). Controls are found by their object
// names, the control ids.
void attachContextHelp(QDialog* dialog, const std::string& coreFolder);

// Text of a message for display: CR LF and lone CR become line breaks.
QString displayText(const std::string& utf8);

} // namespace vqbridge
