#pragma once
// The window program's answers to the model's questions: message boxes and
// the real dialogs, owned by the main window.

#include "convert/import_prompter.h"
#include "model/prompter.h"

#include <QString>

class QWidget;

namespace lisotrex::ui {

class QtPrompter : public Prompter, public ImportPrompter {
public:
    void setOwner(QWidget* owner) { owner_ = owner; }
    QWidget* owner() const { return owner_; }

    void message(int id, Icon icon, const std::vector<std::string>& args) override;
    Answer ask(int id, Buttons buttons, Icon icon, const std::vector<std::string>& args) override;
    bool editEntry(CAddrUserDataObj& working, EntryDialogMode mode, int32_t bookType, int32_t maxOneTouch) override;
    std::optional<int32_t> chooseBookKind(int32_t current) override;
    bool exportDialog(ExportDialogValues& values) override;
    // The export dialog asks before replacing a file, and stays open on No.
    bool exportDialogAsksReplace() const override { return true; }
    std::optional<std::string> askSavePath(const std::string& suggestedName) override;
    void setBusy(bool busy) override;

    std::optional<int> chooseImportMode(bool bookIsEmpty) override;
    bool importDialog(ImportDialogValues& values) override;
    DuplicateChoice chooseDuplicate(const DuplicateQuestion& question) override;

private:
    QWidget* owner_ = nullptr;
    int busyDepth_ = 0;
};

// Turns "a (*.x)|*.x|b (*.*)|*.*|" filters into Qt's ";;" form.
QString qtFilter(const QString& barSeparated);

} // namespace lisotrex::ui
