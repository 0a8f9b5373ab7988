#pragma once
// What the service dialogs of the contacts and directory plug-ins share:
// building the form, their message boxes, and the two section properties the
// dialogs edit (PR_DISPLAY_NAME and, in PR_FAX_AB_FILE_PATH, the file or
// profile the service reads).

#include <QMessageBox>
#include <QString>
#include <functional>
#include <string>

#include "pdx/interfaces.h"

class QHBoxLayout;
class QLineEdit;
class QWidget;

namespace pdx::provider_ui {

// Every message box of the dialogs goes through here, so a test can record them.
using MessageHandler = std::function<void(QWidget* parent, int id, QMessageBox::Icon icon)>;
void setMessageHandler(MessageHandler handler); // empty: message boxes
// Message `id` of the plug-in's string table: to the handler, else a message box.
void showMessage(QWidget* parent, int id, QMessageBox::Icon icon, const QString& caption, const QString& text);

// Dialogs need a QApplication; without one they cannot be shown.
bool haveApplication();
void centre(QWidget* w);
// The object name of a control is its dialog control id.
template <class W> W* named(W* w, int id) {
    w->setObjectName(QString::number(id));
    return w;
}
// OK and Cancel, at the right.
QHBoxLayout* closingRow(QWidget* ok, QWidget* cancel);

QString fromSystem(const char* s); // null: empty
std::string toSystem(const QString& s);

// The two properties in the section's system code page; empty when absent.
struct ServiceProps {
    std::string name;
    std::string value;
};
ServiceProps readServiceProps(IProfSect* section, FreeBufferFn freeBuffer);

// A plug-in's messages of OK, by its string ids, and how it shows them.
struct ServiceMessages {
    int nameTooLong;
    int noName;
    int setFailed;
    int saveFailed;
    void (*show)(QWidget* parent, int id, QMessageBox::Icon icon);
};

// OK's first check: the name fits `limit` bytes and is not blank. Otherwise
// the message is shown, the edit gets the focus and the result is false.
bool acceptName(QWidget* dialog, QLineEdit* edit, qsizetype limit, const ServiceMessages& messages,
                std::string& name);
// OK's last step: both properties written and the section saved; false (the
// message shown) when either fails.
bool saveServiceProps(QWidget* dialog, IProfSect* section, const std::string& name, const std::string& value,
                      const ServiceMessages& messages);

} // namespace pdx::provider_ui
