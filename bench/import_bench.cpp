// Times the Exchange 5.x import of a 9999-row export into an empty book, and
// into a book that already holds the same names (update and add, duplicates
// matched), and shows how the time grows with the number of rows.
// Usage: lisotrex-import-bench [folder]

#include "convert/import_command.h"
#include "files/log_file.h"
#include "model/document.h"
#include "platform/system.h"
#include "settings/field_maps.h"
#include "settings/preferences.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <unistd.h>

using namespace lisotrex;

namespace {

class BenchPrompter : public Prompter, public ImportPrompter {
public:
    ImportDialogValues values;
    int mode = kModeUpdateAdd;
    void message(int id, Icon, const std::vector<std::string>&) override { std::fprintf(stderr, "message %d\n", id); }
    Answer ask(int, Buttons, Icon, const std::vector<std::string>&) override { return Answer::Yes; }
    bool editEntry(CAddrUserDataObj&, EntryDialogMode, int32_t, int32_t) override { return false; }
    std::optional<int32_t> chooseBookKind(int32_t) override { return kPlainBook; }
    bool exportDialog(ExportDialogValues&) override { return false; }
    std::optional<std::string> askSavePath(const std::string&) override { return std::nullopt; }
    std::optional<int> chooseImportMode(bool) override { return mode; }
    bool importDialog(ImportDialogValues& v) override {
        v = values;
        return true;
    }
    DuplicateChoice chooseDuplicate(const DuplicateQuestion& q) override {
        if (q.firstUnmatched) return {DuplicateAnswer::Update, *q.firstUnmatched};
        return {DuplicateAnswer::AddNew, 0};
    }
};

void writeExport(const std::string& path, int rows, int generation) {
    std::ofstream out(path, std::ios::binary);
    out << "First Name,Last name,Display Name,Fax number,E-mail Addresses,Company,Department\r\n";
    for (int i = 0; i < rows; ++i)
        out << "Given" << i << ",Surname" << i << ",,+886 (2) " << 2000000 + i * 7 + generation
            << ",SMTP:user" << i << "@example.com%X400:c=TW,Company " << i % 50 << ",Dept\r\n";
}

double importMs(CLisotrexDoc& doc, Preferences& prefs, const FieldMaps& maps, Log& log, BenchPrompter& ui) {
    Conversion conversion(prefs.conversion);
    ImportServices s{doc, prefs, maps, conversion, log, ui, ui, {}};
    auto t0 = std::chrono::steady_clock::now();
    ImportOutcome o = importCommand(s);
    double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
    if (o.failed || o.cancelled) {
        std::fprintf(stderr, "import failed\n");
        std::exit(1);
    }
    return ms;
}

} // namespace

int main(int argc, char** argv) {
    std::string dir = argc > 1 ? argv[1] : platform::tempDirectory() + "lisotrex-import-bench-" + std::to_string(getpid());
    std::string mk = "mkdir -p '" + dir + "'";
    if (std::system(mk.c_str()) != 0) return 1;
    setenv("VELMO_REGISTRY", (dir + "/registry.sqlite3").c_str(), 1);

    Preferences prefs;
    FieldMaps maps = FieldMaps::load(dir + "/none.inf");
    BenchPrompter ui;
    Log log(ui, "");
    MemoryClipboard clip;

    std::printf("rows   empty book (ms)   same names, update-add (ms)\n");
    for (int rows : {2500, 5000, 9999}) {
        std::string first = dir + "/first.txt", second = dir + "/second.txt";
        writeExport(first, rows, 0);
        writeExport(second, rows, 1);
        double intoEmpty = 1e9, intoFull = 1e9;
        for (int round = 0; round < 5; ++round) {
            CLisotrexDoc doc(ui, prefs, clip);
            doc.newBook();
            ui.values = {first, 0, 1, 0}; // fax only: one entry per row
            intoEmpty = std::min(intoEmpty, importMs(doc, prefs, maps, log, ui));
            ui.values = {second, 0, 1, 0};
            intoFull = std::min(intoFull, importMs(doc, prefs, maps, log, ui));
            if (doc.count() != static_cast<size_t>(rows)) {
                std::fprintf(stderr, "unexpected book size %zu\n", doc.count());
                return 1;
            }
        }
        std::printf("%5d  %16.1f  %28.1f\n", rows, intoEmpty, intoFull);
    }
    std::printf("goal: each 9999-row import under 100 ms; twice the rows about twice the time\n");
    return 0;
}
