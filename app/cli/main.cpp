// lisotrex-convert: the program's settings, book files and export without a window.

#include "cli_prompter.h"
#include "convert/import_command.h"
#include "convert/pdx_import.h"
#include "files/abk_export.h"
#include "files/log_file.h"
#include "model/document.h"
#include "platform/codepage.h"
#include "platform/system.h"
#include "settings/field_maps.h"
#include "settings/preferences.h"
#include "settings/settings_report.h"
#include "strings/strings.h"
#include "velmo_version.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <iterator>
#include <memory>
#include <new>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace {

const char kSynopsis[] =
    "usage: lisotrex-convert --show-settings [--set Section.Key=value]...\n"
    "       lisotrex-convert [--new plain|onetouch | --book FILE] [--import SOURCE:FILE | --import pdx[:PROFILE]]...\n"
    "                        [--mode update|update-add|add-all] [--types fax,email]\n"
    "                        [--container NAME[/NAME...]] [--duplicates match|skip|add]\n"
    "                        [--export FILE [--export-types fax,email]]\n"
    "                        [--save FILE] [--set Section.Key=value]...\n"
    "       lisotrex-convert --help | --version\n";

const char kOptions[] =
    "Converts address books without a window, as the program lisotrex does:\n"
    "opens or makes a book, imports into it, exports it and saves it, in that order.\n"
    "  --show-settings   print the preferences, field maps and PDX labels as the program loads them\n"
    "  --new KIND        kind of the new book when no --book is given (default plain)\n"
    "  --book FILE       open a native address book (.abu)\n"
    "  --import S:FILE   import FILE (repeatable, in order); S is exchange, exchange5,\n"
    "                    exchange2000, notes or abu\n"
    "  --import pdx[:P]  import every recipient of an address book container through the\n"
    "                    address book bridge, from the program's own PDX profile (made\n"
    "                    when missing) or from profile P\n"
    "  --container C     the container of the pdx imports: display names from a top-level\n"
    "                    address book down, joined by \"/\" (default: the default directory)\n"
    "  --mode M          how imports merge: update, update-add (default) or add-all\n"
    "  --types T         destination types to import: fax, email or fax,email\n"
    "                    (default: the import settings)\n"
    "  --duplicates D    answer for names found more than once: match (default), skip, add\n"
    "  --export FILE     export the checked entries to a fax address book (.abk)\n"
    "  --export-types T  entry types to export this time: fax, email or fax,email\n"
    "  --save FILE       save the book as a native address book\n"
    "  --set S.K=V       override one setting for this run without storing it\n"
    "  --help            show this help and exit\n"
    "  --version         show the version and exit\n"
    "Exit status: 0 done, 1 a step failed (its message is printed), 2 a wrong command line.\n";

// A wrong command line: what is wrong, in one line, then the usage.
int usage(const std::string& problem) {
    std::fprintf(stderr, "lisotrex-convert: %s\n%sTry 'lisotrex-convert --help' for more.\n", problem.c_str(), kSynopsis);
    return 2;
}

struct Options {
    bool showSettings = false, help = false, version = false;
    std::optional<int32_t> newKind;
    std::optional<std::string> book, exportPath, exportTypes, savePath;
    std::vector<std::pair<std::string, std::string>> sets;
    std::vector<std::pair<std::string, std::string>> imports; // source, file (pdx: the profile, may be empty)
    std::optional<std::string> container;
    int mode = lisotrex::kModeUpdateAdd;
    std::optional<std::string> importTypes;
    lisotrex::DuplicatePolicy duplicates = lisotrex::DuplicatePolicy::Match;
};

// Why the headless selection chose nothing.
void reportSelectionFailure(int32_t status, const std::string& container) {
    if (status == int32_t(0x8004010F))
        std::fprintf(stderr, "lisotrex-convert: no address book container %s\n",
                     container.empty() ? "is the default directory" : ("\"" + container + "\"").c_str());
    else if (status == int32_t(0x80040403))
        std::fprintf(stderr, "lisotrex-convert: the container holds more than %zu recipients; nothing was imported\n",
                     lisotrex::kImportRoom);
    else
        std::fprintf(stderr, "lisotrex-convert: the address book could not be read (0x%08x)\n", unsigned(status));
}

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

// The process ends right after the run: the system takes the book's memory
// back in one go, where freeing ten thousand entries one by one only costs
// time. The entries stay reachable, so leak checkers see nothing lost.
class KeepEntriesUntilExit {
public:
    explicit KeepEntriesUntilExit(lisotrex::CLisotrexDoc& doc) : doc_(doc) {}
    ~KeepEntriesUntilExit() {
        static std::vector<std::unique_ptr<lisotrex::CAddrUserDataObj>>* kept = nullptr;
        if (!kept) kept = new (std::nothrow) std::vector<std::unique_ptr<lisotrex::CAddrUserDataObj>>;
        if (kept && kept->empty()) kept->swap(doc_.m_list);
    }
    KeepEntriesUntilExit(const KeepEntriesUntilExit&) = delete;
    KeepEntriesUntilExit& operator=(const KeepEntriesUntilExit&) = delete;

private:
    lisotrex::CLisotrexDoc& doc_;
};

bool validTypes(const std::string& list) {
    int32_t fax = 0, email = 0;
    return parseTypes(list, fax, email);
}

// What is wrong with the command line; empty when nothing is.
std::string parseOptions(int argc, char** argv, Options& o) {
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i], value;
        bool inlineValue = false;
        if (auto eq = arg.find('='); arg.rfind("--", 0) == 0 && eq != std::string::npos) {
            value = arg.substr(eq + 1);
            arg.resize(eq);
            inlineValue = true;
        }
        if (arg == "--show-settings" || arg == "--help" || arg == "--version") {
            if (inlineValue) return arg + " takes no value";
            (arg == "--help" ? o.help : arg == "--version" ? o.version : o.showSettings) = true;
            continue;
        }
        if (arg.rfind("--", 0) != 0) return "unexpected argument " + arg;
        static const char* const kValued[] = {"--new", "--import", "--mode", "--types", "--duplicates",
                                              "--book", "--export", "--export-types", "--save", "--set",
                                              "--container"};
        if (std::find(std::begin(kValued), std::end(kValued), arg) == std::end(kValued)) return "unknown option " + arg;
        if (!inlineValue) {
            if (i + 1 >= argc) return arg + " needs a value";
            value = argv[++i];
        }
        if (arg == "--new") {
            if (value == "plain") o.newKind = lisotrex::kPlainBook;
            else if (value == "onetouch") o.newKind = lisotrex::kOneTouchBook;
            else return "--new: expected plain or onetouch";
        } else if (arg == "--import" && (value == "pdx" || value.rfind("pdx:", 0) == 0)) {
            if (value.size() == 4) return "--import pdx: expected a profile name after the colon";
            o.imports.emplace_back("pdx", value.size() > 3 ? value.substr(4) : std::string());
        } else if (arg == "--container") {
            o.container = value;
        } else if (arg == "--import") {
            auto colon = value.find(':');
            if (colon == std::string::npos || colon + 1 == value.size())
                return "--import: expected SOURCE:FILE, not " + value;
            if (!knownSource(value.substr(0, colon))) return "unknown source " + value.substr(0, colon);
            o.imports.emplace_back(value.substr(0, colon), value.substr(colon + 1));
        } else if (arg == "--mode") {
            if (value == "update") o.mode = lisotrex::kModeUpdate;
            else if (value == "update-add") o.mode = lisotrex::kModeUpdateAdd;
            else if (value == "add-all") o.mode = lisotrex::kModeAddAll;
            else return "--mode: expected update, update-add or add-all";
        } else if (arg == "--types") {
            if (!validTypes(value)) return "--types: expected fax, email or fax,email";
            o.importTypes = value;
        } else if (arg == "--duplicates") {
            if (value == "match") o.duplicates = lisotrex::DuplicatePolicy::Match;
            else if (value == "skip") o.duplicates = lisotrex::DuplicatePolicy::Skip;
            else if (value == "add") o.duplicates = lisotrex::DuplicatePolicy::Add;
            else return "--duplicates: expected match, skip or add";
        } else if (arg == "--book") o.book = value;
        else if (arg == "--export") o.exportPath = value;
        else if (arg == "--export-types") {
            if (!validTypes(value)) return "--export-types: expected fax, email or fax,email";
            o.exportTypes = value;
        } else if (arg == "--save") o.savePath = value;
        else if (arg == "--set") {
            auto eq = value.find('=');
            if (eq == std::string::npos) return "--set: expected Section.Key=value, not " + value;
            std::string name = value.substr(0, eq);
            if (!lisotrex::isPreferenceName(name)) return "unknown setting " + name;
            o.sets.emplace_back(name, value.substr(eq + 1));
        }
    }
    if (o.help || o.version) return {};
    bool steps = o.newKind || o.book || o.exportPath || o.exportTypes || o.savePath || !o.imports.empty();
    if (o.showSettings)
        return steps || o.container ? "--show-settings takes no other step than --set" : "";
    if (o.container && std::none_of(o.imports.begin(), o.imports.end(), [](const auto& i) { return i.first == "pdx"; }))
        return "--container needs --import pdx";
    if (o.exportTypes && !o.exportPath) return "--export-types needs --export";
    if (o.exportPath && o.exportPath->empty()) return "--export needs a file name";
    if (o.savePath && o.savePath->empty()) return "--save needs a file name";
    if (o.book && o.book->empty()) return "--book needs a file name";
    if (!steps) return "nothing to do";
    return {};
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
    if (std::string problem = parseOptions(argc, argv, opt); !problem.empty()) return usage(problem);
    if (opt.help) {
        std::printf("%s%s", kSynopsis, kOptions);
        return 0;
    }
    if (opt.version) {
        std::printf("lisotrex-convert %s\n", VELMO_VERSION);
        return 0;
    }

    Preferences prefs = loadPreferences();
    for (const auto& [name, value] : opt.sets)
        if (!overridePreference(prefs, name, value)) return usage("--set " + name + ": expected a number, not " + value);
    std::optional<ExportTypes> exportTypes;
    if (opt.exportTypes) {
        exportTypes.emplace();
        parseTypes(*opt.exportTypes, exportTypes->fax, exportTypes->email);
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
    KeepEntriesUntilExit keep(doc);
    if (opt.book) {
        if (!doc.openBook(*opt.book)) return 1;
    } else if (!doc.newBook()) {
        return 1;
    }
    if (!opt.imports.empty()) {
        int32_t importFax = prefs.import.fax, importEmail = prefs.import.email;
        if (opt.importTypes) parseTypes(*opt.importTypes, importFax, importEmail);
        FieldMaps maps = FieldMaps::load(lisotrexInfPath());
        Conversion conversion(prefs.conversion);
        prompter.importMode = opt.mode;
        prompter.duplicates = opt.duplicates;
        for (const auto& [source, file] : opt.imports) {
            // "exchange5" and "exchange2000" choose the export flavour for this import only.
            int32_t storedVersion = prefs.exchange.version;
            if (source == "exchange5") prefs.exchange.version = 0;
            if (source == "exchange2000") prefs.exchange.version = 1;
            int32_t sourceIndex = source == "notes"  ? kSourceNotes
                                  : source == "abu" ? kSourceNativeBook
                                  : source == "pdx" ? kSourcePdx
                                                    : kSourceExchange;
            const bool pdx = sourceIndex == kSourcePdx;
            // A pdx import hands no file over; the stored import path stays as it is.
            prompter.importValues = {pdx ? prefs.import.path : file, sourceIndex, importFax, importEmail};
            ImportServices services{doc, prefs, maps, conversion, log, prompter, prompter, {}};
            PdxImportRequest request;
            if (pdx && !file.empty()) request.profile = file;
            request.container = opt.container.value_or("");
            services.pdxImport = [&request](ImportContext& ctx) { return importFromPdx(ctx, request); };
            ImportOutcome outcome = importCommand(services);
            prefs.exchange.version = storedVersion;
            if (outcome.failed || outcome.cancelled) return 1;
            if (pdx && !request.opened) return 1; // 6021 has been printed
            if (pdx && request.selectionStatus < 0) {
                reportSelectionFailure(request.selectionStatus, opt.container.value_or(""));
                return 1;
            }
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
