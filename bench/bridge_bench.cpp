// Times the address book import road: the bridge's headless selection over a
// container of N contacts, each with a fax number and an e-mail address (two
// recipients each), and the import of the chosen recipients into an empty
// book, for growing N.
// Usage: lisotrex-bridge-bench [vcard|book] [folder]
//   vcard: the contacts provider over a vCard file (the installation beside
//          this program); book: the test provider over a fixture, to see
//          the bridge's own share.

#include "convert/bridge_library.h"
#include "convert/import_command.h"
#include "convert/pdx_import.h"
#include "files/log_file.h"
#include "model/document.h"
#include "platform/module.h"
#include "platform/system.h"
#include "settings/field_maps.h"
#include "settings/preferences.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>

using namespace lisotrex;
namespace fs = std::filesystem;

namespace {

class BenchPrompter : public Prompter, public ImportPrompter {
public:
    void message(int id, Icon, const std::vector<std::string>&) override { std::fprintf(stderr, "message %d\n", id); }
    Answer ask(int, Buttons, Icon, const std::vector<std::string>&) override { return Answer::Yes; }
    bool editEntry(CAddrUserDataObj&, EntryDialogMode, int32_t, int32_t) override { return false; }
    std::optional<int32_t> chooseBookKind(int32_t) override { return kPlainBook; }
    bool exportDialog(ExportDialogValues&) override { return false; }
    std::optional<std::string> askSavePath(const std::string&) override { return std::nullopt; }
    std::optional<int> chooseImportMode(bool) override { return kModeUpdateAdd; }
    bool importDialog(ImportDialogValues& v) override {
        v = {"", kSourcePdx, 1, 1};
        return true;
    }
    DuplicateChoice chooseDuplicate(const DuplicateQuestion&) override { return {DuplicateAnswer::AddNew, 0}; }
};

double msSince(std::chrono::steady_clock::time_point t0) {
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
}

void writeContacts(const std::string& path, int n, bool vcard) {
    std::ofstream out(path, std::ios::binary);
    if (!vcard)
        out << "uid\t424f4f4b42454e434800000000000001\nroot\tname=Book\n"
               "container\tkey=contacts\tname=Contacts\tflags=5\n";
    char id[16];
    for (int i = 0; i < n; ++i) {
        std::snprintf(id, sizeof id, "%05d", i);
        const std::string fax = "+886 2 2" + std::string(id) + "1", mail = "c" + std::string(id) + "@example.com";
        if (vcard)
            out << "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:Contact " << id << "\r\nN:Family" << id << ";Given" << id
                << ";;;\r\nORG:Company " << i % 50 << ";Dept " << i % 7 << "\r\nTEL;TYPE=WORK,FAX:" << fax
                << "\r\nEMAIL;TYPE=INTERNET:" << mail << "\r\nEND:VCARD\r\n";
        else
            out << "user\tkey=c" << id << "\tin=contacts\tname=Contact " << id << "\t3A06001E=Given" << id
                << "\t3A11001E=Family" << id << "\tcompany=Company " << i % 50 << "\tdept=Dept " << i % 7
                << "\tbfax=" << fax << "\taddrtype=SMTP\temail=" << mail << "\n";
    }
}

// A private installation whose "WAB" service is the test provider.
std::string bookInstallation(const std::string& dir) {
    const std::string own = platform::ownModuleDirectory(), inst = dir + "/install/";
    fs::create_directories(inst);
    for (const char* file : {"vqbridge.so", "vqcore.so", "pdxtestsp.so", "Lisotrex.inf"})
        fs::copy_file(own + file, inst + file, fs::copy_options::overwrite_existing);
    std::ofstream(inst + "VQSVC.inf") << "[Services]\nWAB=Book\n[WAB]\nPR_DISPLAY_NAME=Book\n"
                                        "PR_SERVICE_DLL_NAME=pdxtestsp.dll\nPR_SERVICE_ENTRY_NAME=TestServiceEntry\n"
                                        "PR_SERVICE_SUPPORT_FILES=pdxtestsp.dll\n";
    return inst;
}

} // namespace

int main(int argc, char** argv) {
    const bool vcard = argc < 2 || std::string(argv[1]) != "book";
    const std::string dir = argc > 2 ? argv[2] : platform::tempDirectory() + "lisotrex-bridge-bench-" + std::to_string(getpid());
    fs::create_directories(dir + "/data/velmo");
    setenv("XDG_DATA_HOME", (dir + "/data").c_str(), 1);
    setenv("XDG_CONFIG_HOME", (dir + "/config").c_str(), 1);
    const std::string folder = vcard ? platform::ownModuleDirectory() : bookInstallation(dir);
    if (vcard && !fs::exists(folder + "vqwabsp.so")) {
        std::fprintf(stderr, "no contacts provider beside this program (vqwabsp.so)\n");
        return 1;
    }
    const std::string contacts = vcard ? dir + "/data/velmo/contacts.vcf" : dir + "/contacts.fixture";
    setenv("PDXTEST_FILE_WAB", contacts.c_str(), 1);

    Preferences prefs;
    FieldMaps maps = FieldMaps::load(dir + "/none.inf");
    BenchPrompter ui;
    Log log(ui, "");
    MemoryClipboard clip;

    std::printf("%s provider\n", vcard ? "vCard (WAB)" : "test");
    std::printf("contacts  recipients  open (ms)  select (ms)  whole import (ms)  entries\n");
    for (int n : {1250, 2500, 4999, 9999}) {
        writeContacts(contacts, n, vcard);
        double open = 1e9, select = 1e9, whole = 1e9;
        size_t recipients = 0, entries = 0;
        for (int round = 0; round < 3; ++round) {
            setenv("VELMO_REGISTRY", (dir + "/registry-" + std::to_string(n) + "-" + std::to_string(round)).c_str(), 1);
            {
                // The bridge's share: open (making the profile) and the headless selection of all 2n recipients.
                BridgeClient client(nullptr, folder);
                auto t0 = std::chrono::steady_clock::now();
                if (!client.openWithProfileCreation(0)) {
                    std::fprintf(stderr, "the address book does not open\n");
                    return 1;
                }
                open = std::min(open, msSince(t0));
                std::vector<ImportRecord> records;
                t0 = std::chrono::steady_clock::now();
                const int32_t h = client.selectContainer(records, uint32_t(2 * n), "");
                select = std::min(select, msSince(t0));
                if (h < 0) {
                    std::fprintf(stderr, "selection failed: 0x%08x\n", unsigned(h));
                    return 1;
                }
                recipients = records.size();
            }
            // The program's whole road: load, open, select with its room of 9999, convert, merge.
            CLisotrexDoc doc(ui, prefs, clip);
            doc.newBook();
            Conversion conversion(prefs.conversion);
            PdxImportRequest request;
            request.bridgeFolder = folder;
            request.container = "";
            ImportServices s{doc, prefs, maps, conversion, log, ui, ui,
                             [&request](ImportContext& ctx) { return importFromPdx(ctx, request); }};
            const auto t0 = std::chrono::steady_clock::now();
            importCommand(s);
            whole = std::min(whole, msSince(t0));
            entries = doc.count();
        }
        std::printf("%8d  %10zu  %9.1f  %11.1f  %17.1f  %7zu%s\n", n, recipients, open, select, whole, entries,
                    2 * n > 9999 ? "  (more than 9999 recipients: refused)" : "");
    }
    std::printf("goal: the whole road under 300 ms; twice the contacts about twice the time\n");
    return 0;
}
