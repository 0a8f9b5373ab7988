#pragma once
// "記錄檔": where imports and exports log what they skipped.

#include "ui/preferences/preference_page.h"

class QLineEdit;

namespace lisotrex {
class Log;
struct Preferences;
}

namespace lisotrex::ui {

class CAddrLogFilePage : public CPreferencePage {
    Q_OBJECT
public:
    static constexpr size_t kPathLimit = 259; // bytes, without the NUL

    CAddrLogFilePage(Log& log, Preferences& prefs, QWidget* parent = nullptr);
    QWidget* validate() override;
    // A new path closes an open log first; the path is stored in every case.
    void apply() override;

protected:
    void onStart() override;

private:
    void browse();

    Log& log_;
    Preferences& prefs_;
    QLineEdit* path_;
};

} // namespace lisotrex::ui
