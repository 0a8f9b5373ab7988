#include "cli_prompter.h"

#include "strings/strings.h"

#include <cstdio>

namespace lisotrex {

void CliPrompter::message(int id, Icon, const std::vector<std::string>& args) {
    std::fprintf(stderr, "%s\n", formatMessage(id, args).c_str());
}

Answer CliPrompter::ask(int id, Buttons, Icon, const std::vector<std::string>& args) {
    std::fprintf(stderr, "%s\n", formatMessage(id, args).c_str());
    return id == ids::IDS_ASK_EXPORT_OVER_MAX || id == ids::IDS_ASK_REPLACE_FILE ? Answer::Yes : Answer::No;
}

bool CliPrompter::editEntry(CAddrUserDataObj&, EntryDialogMode, int32_t, int32_t) { return false; }

std::optional<int32_t> CliPrompter::chooseBookKind(int32_t) { return bookKind; }

bool CliPrompter::exportDialog(ExportDialogValues& values) {
    values.path = exportPath;
    if (exportTypes) {
        values.fax = exportTypes->fax;
        values.email = exportTypes->email;
    }
    return true;
}

std::optional<std::string> CliPrompter::askSavePath(const std::string&) { return std::nullopt; }

std::optional<int> CliPrompter::chooseImportMode(bool bookIsEmpty) {
    // The dialog offers no "update only" for an empty book; its preselection is "update and add".
    if (bookIsEmpty && importMode == kModeUpdate) return kModeUpdateAdd;
    return importMode;
}

bool CliPrompter::importDialog(ImportDialogValues& values) {
    values = importValues;
    return true;
}

DuplicateChoice CliPrompter::chooseDuplicate(const DuplicateQuestion& q) {
    const bool canAdd = q.mode == kModeUpdateAdd;
    switch (duplicates) {
    case DuplicatePolicy::Match:
        if (q.firstUnmatched) return {DuplicateAnswer::Update, *q.firstUnmatched};
        // Every entry of the name is taken already: a further one is new.
        return {canAdd ? DuplicateAnswer::AddNew : DuplicateAnswer::Delete, 0};
    case DuplicatePolicy::Add:
        return {canAdd ? DuplicateAnswer::AddNew : DuplicateAnswer::Delete, 0};
    case DuplicatePolicy::Skip:
        break;
    }
    return {DuplicateAnswer::Delete, 0};
}

} // namespace lisotrex
