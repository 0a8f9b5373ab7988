// Builds a 9999-entry one-touch book and times open, save and export.
// Usage: lisotrex-bench [folder]   (default: a new folder below the temp folder)

#include "files/abk_export.h"
#include "files/log_file.h"
#include "model/document.h"
#include "platform/system.h"
#include "settings/preferences.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <sys/resource.h>
#include <unistd.h>

using namespace lisotrex;

namespace {

class SilentPrompter : public Prompter {
public:
    std::string exportPath;
    void message(int id, Icon, const std::vector<std::string>&) override { std::fprintf(stderr, "message %d\n", id); }
    Answer ask(int, Buttons, Icon, const std::vector<std::string>&) override { return Answer::Yes; }
    bool editEntry(CAddrUserDataObj&, EntryDialogMode, int32_t, int32_t) override { return false; }
    std::optional<int32_t> chooseBookKind(int32_t) override { return kOneTouchBook; }
    bool exportDialog(ExportDialogValues& v) override {
        v = {exportPath, 1, 1};
        return true;
    }
    std::optional<std::string> askSavePath(const std::string&) override { return std::nullopt; }
};

template <class F> double bestMs(F&& f, int rounds = 15) {
    double best = 1e9;
    for (int i = 0; i < rounds; ++i) {
        auto t0 = std::chrono::steady_clock::now();
        if (!f()) {
            std::fprintf(stderr, "step failed\n");
            std::exit(1);
        }
        best = std::min(best, std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count());
    }
    return best;
}

} // namespace

int main(int argc, char** argv) {
    std::string dir = argc > 1 ? argv[1] : platform::tempDirectory() + "lisotrex-bench-" + std::to_string(getpid());
    std::string mk = "mkdir -p '" + dir + "'";
    if (std::system(mk.c_str()) != 0) return 1;

    Preferences prefs;
    prefs.env.oneTouchNumber = 9999;
    SilentPrompter ui;
    ui.exportPath = dir + "/bench.abk";
    MemoryClipboard clip;
    Log log(ui, "");
    CLisotrexDoc doc(ui, prefs, clip);
    doc.newBook();
    for (int i = 0; i < 9999; ++i) {
        std::string n = std::to_string(i);
        doc.m_list.push_back(std::make_unique<CAddrUserDataObj>(
            i % 3 == 0 ? kEntryEmail : kEntryFax, "Customer " + n + ", Ltd", "",
            i % 3 == 0 ? "user" + n + "@example.com" : "02-2345-" + n, "Department of things " + n, i % 7 ? 0 : 9,
            i + 1, false));
    }
    const std::string book = dir + "/bench.abu";
    const std::string firstBook = dir + "/first.abu";
    if (!doc.saveBook(firstBook) || !doc.saveBook(book)) return 1;

    // A first open, into an empty book of a fresh document.
    double firstOpen;
    {
        CLisotrexDoc fresh(ui, prefs, clip);
        firstOpen = bestMs([&] { return fresh.openBook(firstBook); }, 1);
    }
    double save = bestMs([&] { return doc.saveBook(book); });
    double open = bestMs([&] { return doc.openBook(book); });
    double exp = bestMs([&] { return exportBook(doc, prefs, log, ui, false) == ExportResult::Written; });

    rusage ru{};
    getrusage(RUSAGE_SELF, &ru);
    std::printf("entries %zu\nfirst open %.2f ms\nopen   %.2f ms\nsave   %.2f ms\nexport %.2f ms\npeak memory %.1f MB\n", doc.count(), firstOpen, open,
                save, exp, ru.ru_maxrss / 1024.0);
    return 0;
}
