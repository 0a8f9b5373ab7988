#pragma once
// "資料轉換設定": how importers build names, fax numbers, e-mail addresses
// and departments.

#include "ui/preferences/preference_page.h"

class QComboBox;

namespace lisotrex { struct Preferences; }

namespace lisotrex::ui {

class CFilterEdit;

class CAddrConvertPage : public CPreferencePage {
    Q_OBJECT
public:
    explicit CAddrConvertPage(Preferences& prefs, QWidget* parent = nullptr);
    void apply() override;

protected:
    void onStart() override;

private:
    Preferences& prefs_;
    QComboBox* nameOrder_;
    QComboBox* faxConversion_;
    QComboBox* emailCheck_;
    QComboBox* departmentOrder_;
    CFilterEdit* prefix_;
};

} // namespace lisotrex::ui
