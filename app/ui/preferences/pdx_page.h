#pragma once
// "通訊錄": a button that opens the configuration of the program's PDX
// profile. The page holds no values of its own.

#include "ui/preferences/preference_page.h"

#include <functional>

namespace lisotrex::ui {

class CAddrPDXPage : public CPreferencePage {
    Q_OBJECT
public:
    // onButton receives the page as the owner of the configuration window;
    // an empty function leaves the button without effect.
    explicit CAddrPDXPage(std::function<void(QWidget*)> onButton, QWidget* parent = nullptr);

protected:
    void onStart() override {}

private:
    std::function<void(QWidget*)> onButton_;
};

} // namespace lisotrex::ui
