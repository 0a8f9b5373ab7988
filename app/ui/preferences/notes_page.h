#pragma once
// "Notes Server": the version of the structured-text export, its document
// separator, the fax fields to take and, for 5.x, the e-mail field.

#include "ui/preferences/preference_page.h"

class QCheckBox;
class QLineEdit;
class QRadioButton;

namespace lisotrex { struct Preferences; }

namespace lisotrex::ui {

class CAddrNotesPage : public CPreferencePage {
    Q_OBJECT
public:
    static constexpr int32_t kLow = 0;
    static constexpr int32_t kHigh = 255;

    explicit CAddrNotesPage(Preferences& prefs, QWidget* parent = nullptr);
    QWidget* validate() override;
    void apply() override;

protected:
    void onStart() override;

private:
    void versionClicked(int version);

    Preferences& prefs_;
    int32_t startVersion_ = 0;
    int32_t startEmailField_ = 0;
    int32_t separator_ = 0;
    QRadioButton* version4_;
    QRadioButton* version5_;
    QLineEdit* separatorEdit_;
    QCheckBox* officeFax_;
    QCheckBox* homeFax_;
    QRadioButton* mailAddress_;
    QRadioButton* internetAddress_;
};

} // namespace lisotrex::ui
