#pragma once
// The headless tool's answers to the program's questions: every message is
// printed on stderr; Yes to exporting many entries and to replacing an export
// file, No to anything else; dialogs take the command line's values.

#include "convert/import_prompter.h"
#include "model/prompter.h"

namespace lisotrex {

struct ExportTypes {
    int32_t fax = 1;
    int32_t email = 1;
};

// How the duplicate dialog is answered: "更新" with the entry the merge found,
// "刪除", or "加入新項目".
enum class DuplicatePolicy { Match, Skip, Add };

class CliPrompter : public Prompter, public ImportPrompter {
public:
    int32_t bookKind = 0;
    // The export dialog opens with the program's export choices in effect
    // (those the opened book brought); the command line gives the path and
    // may override the types for the run.
    std::string exportPath;
    std::optional<ExportTypes> exportTypes;
    int importMode = kModeUpdateAdd;
    ImportDialogValues importValues;
    DuplicatePolicy duplicates = DuplicatePolicy::Match;

    void message(int id, Icon icon, const std::vector<std::string>& args) override;
    Answer ask(int id, Buttons buttons, Icon icon, const std::vector<std::string>& args) override;
    bool editEntry(CAddrUserDataObj& working, EntryDialogMode mode, int32_t bookType, int32_t maxOneTouch) override;
    std::optional<int32_t> chooseBookKind(int32_t current) override;
    bool exportDialog(ExportDialogValues& values) override;
    std::optional<std::string> askSavePath(const std::string& suggestedName) override;

    std::optional<int> chooseImportMode(bool bookIsEmpty) override;
    bool importDialog(ImportDialogValues& values) override;
    DuplicateChoice chooseDuplicate(const DuplicateQuestion& question) override;
};

} // namespace lisotrex
