#pragma once
// "單鍵號碼": the highest one-touch number of the open book.

#include "ui/preferences/preference_page.h"

class QLineEdit;

namespace lisotrex {
class CLisotrexDoc;
struct Preferences;
}

namespace lisotrex::ui {

class CAddrOneTouchDialPage : public CPreferencePage {
    Q_OBJECT
public:
    static constexpr int32_t kLow = 1;
    static constexpr int32_t kHigh = 9999;

    CAddrOneTouchDialPage(CLisotrexDoc& doc, Preferences& prefs, QWidget* parent = nullptr);
    QWidget* validate() override;
    // The book takes the new maximum; the setting is written only when it differs.
    void apply() override;

protected:
    void onStart() override;

private:
    CLisotrexDoc& doc_;
    Preferences& prefs_;
    QLineEdit* maximum_;
    int32_t value_ = 0;
};

} // namespace lisotrex::ui
