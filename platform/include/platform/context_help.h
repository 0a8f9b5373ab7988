#pragma once
// Context help of the dialogs (what WinHelp gave): F1 on a control opens the
// module's help file at the control's help context, a right click shows its
// What's This text. Both steps go through replaceable hooks, so tests can
// record them. A separate library from `platform`, so that only the parts
// with dialogs link Qt.

#include <QString>
#include <functional>
#include <span>
#include <string>

class QDialog;
class QPoint;
class QUrl;
class QWidget;

namespace platform {

struct HelpPair {
    int control;
    unsigned context;
};

// Where a module's help is: the module's own file name and the help file's
// name, both from its string table ("VQMAPISP.DLL" and "VQCORE.hlp"). Without
// a module name the help is in the folder of the module that links this code;
// a `folder` (with its trailing "/") names another module's folder instead.
struct HelpFile {
    std::string moduleName = {};
    std::string helpName = {};
    std::string folder = {};
};

using HelpOpener = std::function<void(const QUrl& url)>;
void setHelpOpener(HelpOpener opener); // empty: QDesktopServices
using WhatsThisShower = std::function<void(QWidget* control, const QPoint& globalPos, const QString& text)>;
void setWhatsThisShower(WhatsThisShower shower); // empty: QWhatsThis

// The help file in the folder of the module (its path up to the module's
// file name, compared without case), at the anchor of `context`. The HTML
// help that replaces the Windows help file has the same base name,
// lower-case, with ".html", in the "help" folder there.
QUrl helpUrl(const HelpFile& file, unsigned context);

// Gives each control named by a pair (its object name is the control id) its
// help context and What's This text (`text` of the context).
void attachContextHelp(QDialog* dialog, std::span<const HelpPair> pairs, HelpFile file,
                       const std::function<QString(unsigned context)>& text);

} // namespace platform
