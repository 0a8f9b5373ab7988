#pragma once
// The service configuration dialog (resource 105): the name the fax address
// book is shown with, written to the service's profile section.

#include <QDialog>
#include <QUrl>
#include <functional>

#include "dialog_hooks.h"
#include "pdx/interfaces.h"

class QLineEdit;

namespace vqfax {

using namespace pdx;

constexpr int kDialogOk = 1;
constexpr int kDialogCancel = 2;
constexpr int kDialogFailed = -1; // no user interface could be shown

// The help file beside this plug-in, at the anchor of `context`.
QUrl helpUrl(unsigned context);
// Control 2002 and 1002 share this help context.
constexpr unsigned kNameHelpContext = 3841;

class ConfigDialog : public QDialog {
    Q_OBJECT
public:
    ConfigDialog(IProfSect* section, FreeBufferFn freeBuffer, QWidget* parent);
    QLineEdit* nameEdit() const { return name_; }
    // OK: checks and writes the name; the dialog stays open on a failure.
    void accept() override;

private:
    IProfSect* section_;
    QLineEdit* name_;
};

// The modal dialog; kDialogFailed without a QApplication.
int runConfigDialog(ULONG_PTR ulUIParam, IProfSect* section, FreeBufferFn freeBuffer);

// Replaces runConfigDialog for a test (empty: the real dialog).
using ConfigDialogRunner = std::function<int(ULONG_PTR ulUIParam, IProfSect* section, FreeBufferFn freeBuffer)>;
void setConfigDialogRunner(ConfigDialogRunner runner);

} // namespace vqfax
