#pragma once
// Qt classes behind dialogs 103 and 104 (seen by the tests).

#include <QDialog>
#include <functional>
#include <string>
#include <vector>

#include "pdx/interfaces.h"
#include "platform/context_help.h"
#include "service_inf.h"

class QListWidget;
class QListWidgetItem;
class QPushButton;

namespace pdx::core {

// Every message box of the dialogs goes through here, so a test can record them.
using MessageHandler = std::function<void(QWidget* parent, int id)>;
void setMessageHandler(MessageHandler handler); // empty: message boxes
void showMessage(QWidget* parent, int id);

// Context help (F1 and What's This) through platform_help, over the help
// file beside vqcore.
platform::HelpFile helpFile();
// Help contexts of the controls of dialogs 103 and 104 (control id, context).
constexpr platform::HelpPair kListHelp[] = {{2005, 0x0D01}, {1005, 0x0D01}, {1006, 0x0D02}, {1007, 0x0D04}, {1008, 0x0D03}};
constexpr platform::HelpPair kRegisterHelp[] = {{2006, 0x0E01}, {1005, 0x0E01}};

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
