#pragma once
// Qt classes behind dialogs 103 and 104 (seen by the tests).

#include <QDialog>
#include <functional>
#include <string>
#include <vector>

#include "pdx/interfaces.h"
#include "service_inf.h"

class QListWidget;
class QUrl;
class QListWidgetItem;
class QPushButton;

namespace pdx::core {

// Every message box of the dialogs goes through here, so a test can record them.
using MessageHandler = std::function<void(QWidget* parent, int id)>;
void setMessageHandler(MessageHandler handler); // empty: message boxes
void showMessage(QWidget* parent, int id);

// Context help. F1 on a control opens the help file at the anchor of the
// control's help context; a right click shows the control's What's This text.
// Both steps go through replaceable hooks, so a test can record them instead
// of starting a browser or showing a popup.
using HelpOpener = std::function<void(const QUrl& url)>;
void setHelpOpener(HelpOpener opener); // empty: QDesktopServices
using WhatsThisShower = std::function<void(QWidget* control, const QPoint& globalPos, const QString& text)>;
void setWhatsThisShower(WhatsThisShower shower); // empty: QWhatsThis
// The help file beside vqcore, at the anchor of `context` (e.g. "#0x0D02").
QUrl helpUrl(unsigned context);
// Help contexts of the controls of dialogs 103 and 104 (control id, context).
struct HelpPair {
    int control;
    unsigned context;
};
constexpr HelpPair kListHelp[] = {{2005, 0x0D01}, {1005, 0x0D01}, {1006, 0x0D02}, {1007, 0x0D04}, {1008, 0x0D03}};
constexpr HelpPair kRegisterHelp[] = {{2006, 0x0E01}, {1005, 0x0E01}};

class AddressBookListDialog : public QDialog {
    Q_OBJECT
public:
    AddressBookListDialog(IPDXServiceAdmin* admin, QWidget* parent);
    QListWidget* list() const { return list_; }
    QPushButton* registerButton() const { return register_; }
    QPushButton* editButton() const { return edit_; }
    QPushButton* deleteButton() const { return delete_; }

    void registerService();
    void editService();
    void deleteService();
    void updateButtons();
    // Escape and the window's close button end the dialog as Cancel does.
    void reject() override;

protected:
    // Shows dialog 104; replaced in tests.
    virtual int chooseService(std::string& name);

private:
    void fill();
    QListWidgetItem* addItem(const SRow& row);

    IPDXServiceAdmin* admin_;
    QListWidget* list_;
    QPushButton* register_;
    QPushButton* edit_;
    QPushButton* delete_;
    QPushButton* ok_;
};

class RegisterDialog : public QDialog {
    Q_OBJECT
public:
    explicit RegisterDialog(QWidget* parent);
    QListWidget* list() const { return list_; }
    std::string chosen() const { return chosen_; }
    // OK pressed: checks the chosen service's support files.
    void accept() override;
    // Escape, Cancel and the close button: Cancel.
    void reject() override;

private:
    QListWidget* list_;
    RowStore services_; // the service rows of the "Services" list
    std::string chosen_;
};

// Whether a support file is found beside vqcore.
bool supportFileFound(const std::string& name);

} // namespace pdx::core
