#pragma once
// Context help of the plug-in's dialogs: F1 on a control opens the help file
// at the control's help context, a right click shows its What's This text.
// Both steps go through replaceable hooks, so tests can record them.

#include <QString>
#include <functional>
#include <span>

class QDialog;
class QPoint;
class QUrl;
class QWidget;

namespace pdx::wab {

struct HelpPair {
    int control;
    unsigned context;
};

using HelpOpener = std::function<void(const QUrl& url)>;
void setHelpOpener(HelpOpener opener); // empty: QDesktopServices
using WhatsThisShower = std::function<void(QWidget* control, const QPoint& globalPos, const QString& text)>;
void setWhatsThisShower(WhatsThisShower shower); // empty: QWhatsThis

// The help file named by string 55 in the folder of this plug-in (its path
// up to the file name of string 54), at the anchor of `context`. The HTML
// help that replaces it has the same base name, lower-case, with ".html", in
// the "help" folder there.
QUrl helpUrl(unsigned context);

// Gives each control named by a pair (its object name is the control id) its
// help context and What's This text (string-table entry of the context).
void attachContextHelp(QDialog* dialog, std::span<const HelpPair> pairs);

} // namespace pdx::wab
