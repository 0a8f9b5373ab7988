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
    values = exportValues;
    return true;
}

std::optional<std::string> CliPrompter::askSavePath(const std::string&) { return std::nullopt; }

} // namespace lisotrex
