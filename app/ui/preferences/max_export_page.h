#pragma once
// "匯出項目數": the export size above which a plain book asks before exporting.

#include "ui/preferences/preference_page.h"

class QLineEdit;

namespace lisotrex { struct Preferences; }

namespace lisotrex::ui {

class CAddrMaxExportPage : public CPreferencePage {
    Q_OBJECT
public:
    static constexpr int32_t kLow = 0;
    static constexpr int32_t kHigh = 9999;

    explicit CAddrMaxExportPage(Preferences& prefs, QWidget* parent = nullptr);
    QWidget* validate() override;
    void apply() override;

protected:
    void onStart() override;

private:
    Preferences& prefs_;
    QLineEdit* limit_;
    int32_t value_ = 0;
};

} // namespace lisotrex::ui
