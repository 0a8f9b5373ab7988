#pragma once
// "Exchange Server": the version of the directory export and, for 5.x, its
// delimiter, quote and group symbol.

#include "ui/preferences/preference_page.h"

class QComboBox;
class QGroupBox;
class QRadioButton;

namespace lisotrex { struct Preferences; }

namespace lisotrex::ui {

class CAddrExchangePage : public CPreferencePage {
    Q_OBJECT
public:
    explicit CAddrExchangePage(Preferences& prefs, QWidget* parent = nullptr);
    void apply() override;

protected:
    void onStart() override;

private:
    void versionClicked(int version);

    Preferences& prefs_;
    int32_t startVersion_ = 0;
    QRadioButton* version5_;
    QRadioButton* version2000_;
    QGroupBox* symbols_;
    QComboBox* delimiter_;
    QComboBox* quote_;
    QComboBox* groupSymbol_;
};

} // namespace lisotrex::ui
