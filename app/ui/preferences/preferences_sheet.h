#pragma once
// "偏好": the property sheet of the user's preferences. Pages that were
// never shown leave their settings untouched.

#include <QDialog>

#include <functional>
#include <vector>

class QPushButton;
class QTabWidget;

namespace lisotrex {
class CLisotrexDoc;
class Log;
struct Preferences;
}

namespace lisotrex::ui {

class CPreferencePage;

struct PreferencesContext {
    CLisotrexDoc& doc;
    Preferences& prefs;
    Log& log;
    // The address book page's button; receives the page as owner window.
    std::function<void(QWidget*)> addressBookButton;
};

class CPreferencesSheet : public QDialog {
    Q_OBJECT
public:
    CPreferencesSheet(PreferencesContext& context, QWidget* parent = nullptr);

    QTabWidget* tabs() const { return tabs_; }
    const std::vector<CPreferencePage*>& pages() const { return pages_; }
    QPushButton* applyButton() const { return apply_; }

    // Checks every shown page, the current one first, then writes them
    // back. False (with the offending page and field brought forward) when
    // a value is refused.
    bool applyPages();
    void accept() override;

private:
    void pageChanged(int index);
    void addPage(CPreferencePage* page);
    bool refuseOn(CPreferencePage* page, QWidget* field);

    QTabWidget* tabs_;
    QPushButton* apply_;
    std::vector<CPreferencePage*> pages_;
    int current_ = -1;
    bool switching_ = false;
};

// True on OK.
bool runPreferencesSheet(PreferencesContext& context, QWidget* parent);

} // namespace lisotrex::ui
