// Fills the address list with a 9999-entry book and times the refill and the
// sorts by name and by destination (each key ascending, then descending).
// Usage: lisotrex-list-bench

#include "model/document.h"
#include "settings/preferences.h"
#include "ui/list/entry_list_model.h"

#include <QCoreApplication>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>

using namespace lisotrex;

namespace {

class QuietPrompter : public Prompter {
public:
    void message(int, Icon, const std::vector<std::string>&) override {}
    Answer ask(int, Buttons, Icon, const std::vector<std::string>&) override { return Answer::No; }
    bool editEntry(CAddrUserDataObj&, EntryDialogMode, int32_t, int32_t) override { return false; }
    std::optional<int32_t> chooseBookKind(int32_t) override { return kPlainBook; }
    bool exportDialog(ExportDialogValues&) override { return false; }
    std::optional<std::string> askSavePath(const std::string&) override { return std::nullopt; }
};

template <class F> double bestMs(F&& f, int rounds = 7) {
    double best = 1e9;
    for (int i = 0; i < rounds; ++i) {
        auto t0 = std::chrono::steady_clock::now();
        f();
        best = std::min(best, std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count());
    }
    return best;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    Preferences prefs;
    QuietPrompter prompter;
    MemoryClipboard clip;
    CLisotrexDoc doc(prompter, prefs, clip);
    doc.newBook();
    for (int i = 0; i < 9999; ++i) {
        int k = (i * 7919) % 9999; // names out of order
        std::string n = std::to_string(k);
        doc.m_list.push_back(std::make_unique<CAddrUserDataObj>(
            i % 3 == 0 ? kEntryEmail : kEntryFax, "Customer " + n, "",
            i % 3 == 0 ? "user" + n + "@example.com" : "02-2345-" + n, i % 5 ? "Dept " + n : "", 0, 0, false));
    }
    ui::EntryListModel model(doc);
    double refill = bestMs([&] { model.refill(); });
    double byName = bestMs([&] { model.sortBy(kSortName); });
    double byDestination = bestMs([&] { model.sortBy(kSortDestination); });
    double byDepartment = bestMs([&] { model.sortBy(kSortDepartment); });
    std::printf("rows %d\nrefill           %.1f ms\nsort name        %.1f ms\nsort destination %.1f ms\n"
                "sort department  %.1f ms\ngoal: each sort under 100 ms\n",
                model.rowCount(), refill, byName, byDestination, byDepartment);
    return 0;
}
