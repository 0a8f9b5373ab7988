#pragma once
// The Qt class behind dialog 101 (seen by the tests).

#include <QDialog>
#include <QMessageBox>
#include <functional>

#include "platform/context_help.h"
#include "mapi_library.h"
#include "pdx/mapi.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QRadioButton;

namespace pdx::mapi {

// A message box with caption string 7, through provider_ui's message handler.
void showMessage(QWidget* parent, int id, QMessageBox::Icon icon);

// Help contexts of dialog 101 (control id, context).
constexpr platform::HelpPair kProfileHelp[] = {{2002, 3841}, {1002, 3841}, {2003, 3844}, {1004, 3844},
                                               {1005, 3844}, {1006, 3844}, {1001, 3844}, {1007, 3844},
                                               {1003, 3844}};
platform::HelpFile helpFile();

class ProfileDialog : public QDialog {
    Q_OBJECT
public:
    ProfileDialog(IProfSect* section, FreeBufferFn freeBuffer, IProfAdmin* admin, const MapiLibrary& lib,
                  QWidget* parent);
    QLineEdit* nameEdit() const { return name_; }
    QRadioButton* useDefault() const { return useDefault_; }
    QRadioButton* chooseProfile() const { return chooseProfile_; }
    QComboBox* profiles() const { return profiles_; }
    QPlainTextEdit* services() const { return services_; }

    // OK: checks the name and the choice, then writes both to the section.
    void accept() override;

private:
    void load();
    void fillProfiles(const std::string& stored);
    void fillServices();
    void updateEnabled();

    IProfSect* section_;
    FreeBufferFn free_;
    IProfAdmin* admin_;
    const MapiLibrary& lib_;
    QLineEdit* name_;
    QRadioButton* useDefault_;
    QRadioButton* chooseProfile_;
    QLabel* profileLabel_;
    QComboBox* profiles_;
    QLabel* servicesLabel_;
    QPlainTextEdit* services_;
};

} // namespace pdx::mapi
