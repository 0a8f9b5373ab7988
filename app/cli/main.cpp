// lisotrex-convert: the program's settings, book files and export without a window.

#include "cli_prompter.h"
#include "convert/import_command.h"
#include "files/abk_export.h"
#include "files/log_file.h"
#include "model/document.h"
#include "platform/codepage.h"
#include "platform/system.h"
#include "settings/field_maps.h"
#include "settings/preferences.h"
#include "settings/settings_report.h"
#include "strings/strings.h"

#include <cstdio>
#include <cstring>
#include <new>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace {

const char kUsage[] =
    "usage: lisotrex-convert --show-settings [--set Section.Key=value]...\n"
    "       lisotrex-convert [--new plain|onetouch | --book FILE] [--import SOURCE:FILE]...\n"
    "                        [--mode update|update-add|add-all] [--types fax,email]\n"
    "                        [--duplicates match|skip|add]\n"
    "                        [--export FILE [--export-types fax,email]]\n"
    "                        [--save FILE] [--set Section.Key=value]...\n"
    "  --show-settings   print the preferences, field maps and PDX labels as the program loads them\n"
    "  --new KIND        kind of the new book when no --book is given (default plain)\n"
    "  --book FILE       open a native address book (.abu)\n"
    "  --import S:FILE   import FILE (repeatable, in order); S is exchange, exchange5,\n"
    "                    exchange2000, notes or abu\n"
    "  --mode M          how imports merge: update, update-add (default) or add-all\n"
    "  --types T         destination types to import: fax, email or fax,email\n"
    "                    (default: the import settings)\n"
    "  --duplicates D    answer for names found more than once: match (default), skip, add\n"
    "  --export FILE     export the checked entries to a fax address book (.abk)\n"
    "  --export-types T  entry types to export this time: fax, email or fax,email\n"
    "  --save FILE       save the book as a native address book\n"
    "  --set S.K=V       override one setting for this run without storing it\n";

int usage() {
    std::fputs(kUsage, stderr);
    return 2;
}

struct Options {
    bool showSettings = false;
    std::optional<int32_t> newKind;
    std::optional<std::string> book, exportPath, exportTypes, savePath;
    std::vector<std::pair<std::string, std::string>> sets;
    std::vector<std::pair<std::string, std::string>> imports; // source, file
    int mode = lisotrex::kModeUpdateAdd;
    std::optional<std::string> importTypes;
    lisotrex::DuplicatePolicy duplicates = lisotrex::DuplicatePolicy::Match;
};

bool knownSource(const std::string& s) {
    return s == "exchange" || s == "exchange5" || s == "exchange2000" || s == "notes" || s == "abu";
}

// "fax", "email" or both, comma-separated.
bool parseTypes(const std::string& list, int32_t& fax, int32_t& email) {
    fax = email = 0;
    size_t start = 0;
    for (;;) {
        size_t comma = list.find(',', start);
        std::string item = list.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
        if (item == "fax") fax = 1;
        else if (item == "email") email = 1;
        else return false;
        if (comma == std::string::npos) return true;
        start = comma + 1;
    }
}

bool parseOptions(int argc, char** argv, Options& o) {
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i], value;
        bool inlineValue = false;
        if (auto eq = arg.find('='); arg.rfind("--", 0) == 0 && eq != std::string::npos) {
            value = arg.substr(eq + 1);
            arg.resize(eq);
            inlineValue = true;
        }
        if (arg == "--show-settings" && !inlineValue) {
            o.showSettings = true;
            continue;
        }
        if (!inlineValue) {
            if (i + 1 >= argc) return false;
            value = argv[++i];
        }
        if (arg == "--new") {
            if (value == "plain") o.newKind = lisotrex::kPlainBook;
            else if (value == "onetouch") o.newKind = lisotrex::kOneTouchBook;
            else return false;
        } else if (arg == "--import") {
            auto colon = value.find(':');
            if (colon == std::string::npos || colon + 1 == value.size() || !knownSource(value.substr(0, colon)))
                return false;
            o.imports.emplace_back(value.substr(0, colon), value.substr(colon + 1));
        } else if (arg == "--mode") {
            if (value == "update") o.mode = lisotrex::kModeUpdate;
            else if (value == "update-add") o.mode = lisotrex::kModeUpdateAdd;
            else if (value == "add-all") o.mode = lisotrex::kModeAddAll;
            else return false;
        } else if (arg == "--types") o.importTypes = value;
        else if (arg == "--duplicates") {
            if (value == "match") o.duplicates = lisotrex::DuplicatePolicy::Match;
            else if (value == "skip") o.duplicates = lisotrex::DuplicatePolicy::Skip;
            else if (value == "add") o.duplicates = lisotrex::DuplicatePolicy::Add;
            else return false;
        } else if (arg == "--book") o.book = value;
        else if (arg == "--export") o.exportPath = value;
        else if (arg == "--export-types") o.exportTypes = value;
        else if (arg == "--save") o.savePath = value;
        else if (arg == "--set") {
            auto eq = value.find('=');
            if (eq == std::string::npos) return false;
            o.sets.emplace_back(value.substr(0, eq), value.substr(eq + 1));
        } else return false;
    }
    bool steps = o.newKind || o.book || o.exportPath || o.exportTypes || o.savePath || !o.imports.empty();
    if (o.showSettings) return !steps;
    if (o.exportTypes && !o.exportPath) return false;
    if (o.exportPath && o.exportPath->empty()) return false;
    if (o.savePath && o.savePath->empty()) return false;
    if (o.book && o.book->empty()) return false;
    return steps;
}

} // namespace

namespace {

int run(int argc, char** argv);

} // namespace

int main(int argc, char** argv) {
    try {
        return run(argc, argv);
    } catch (const std::bad_alloc&) {
        // Each step reports its own failure; this catches what falls between them.
        std::fprintf(stderr, "%s\n", lisotrex::formatMessage(lisotrex::ids::IDS_MSG_FILE_OPEN_FAILED, {}).c_str());
        return 1;
    }
}

namespace {

int run(int argc, char** argv) {
    using namespace lisotrex;
    Options opt;
    if (!parseOptions(argc, argv, opt)) return usage();

    Preferences prefs = loadPreferences();
    for (const auto& [name, value] : opt.sets)
        if (!overridePreference(prefs, name, value)) return usage();
    std::optional<ExportTypes> exportTypes;
    if (opt.exportTypes) {
        exportTypes.emplace();
        if (!parseTypes(*opt.exportTypes, exportTypes->fax, exportTypes->email)) return usage();
    }

    if (opt.showSettings) {
        std::string inf = lisotrexInfPath();
        FieldMaps maps = FieldMaps::load(inf);
        PdxLabels labels = readPdxLabels(inf);
        for (const auto& line : settingsReport(prefs, maps, labels)) std::printf("%s\n", line.c_str());
        return 0;
    }

    CliPrompter prompter;
    prompter.bookKind = opt.newKind.value_or(kPlainBook);
    MemoryClipboard clipboard;
    Log log(prompter, prefs.env.logFilePath);
    platform::SingleInstanceLock instance;
    log.resetIfFirstInstance(instance, text(ids::IDS_MUTEX_NAME));

    CLisotrexDoc doc(prompter, prefs, clipboard);
    if (opt.book) {
        if (!doc.openBook(*opt.book)) return 1;
    } else if (!doc.newBook()) {
        return 1;
    }
    if (!opt.imports.empty()) {
        int32_t importFax = prefs.import.fax, importEmail = prefs.import.email;
        if (opt.importTypes && !parseTypes(*opt.importTypes, importFax, importEmail)) return usage();
        FieldMaps maps = FieldMaps::load(lisotrexInfPath());
        Conversion conversion(prefs.conversion);
        prompter.importMode = opt.mode;
        prompter.duplicates = opt.duplicates;
        for (const auto& [source, file] : opt.imports) {
            // "exchange5" and "exchange2000" choose the export flavour for this import only.
            int32_t storedVersion = prefs.exchange.version;
            if (source == "exchange5") prefs.exchange.version = 0;
            if (source == "exchange2000") prefs.exchange.version = 1;
            int32_t sourceIndex = source == "notes" ? kSourceNotes : source == "abu" ? kSourceNativeBook : kSourceExchange;
            prompter.importValues = {file, sourceIndex, importFax, importEmail};
            ImportServices services{doc, prefs, maps, conversion, log, prompter, prompter, {}};
            ImportOutcome outcome = importCommand(services);
            prefs.exchange.version = storedVersion;
            if (outcome.failed || outcome.cancelled) return 1;
        }
    }
    if (opt.exportPath) {
        prompter.exportPath = *opt.exportPath;
        prompter.exportTypes = exportTypes;
        if (exportBook(doc, prefs, log, prompter, /*storeChoices*/ false) != ExportResult::Written) return 1;
    }
    if (opt.savePath && !doc.saveBook(*opt.savePath)) return 1;
    return 0;
}

} // namespace
