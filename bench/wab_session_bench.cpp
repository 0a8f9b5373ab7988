// Times a PDX session over the contacts provider: a WAB profile pointing at a
// generated vCard 3.0 file of N contacts; open the session, find the file's
// container in the hierarchy, read its contents table with the 23 columns of
// the recipient selection in batches, close. Runs with 10,000 and 20,000
// contacts, each session in a fresh process that loads every module (best of
// three), with the peak memory of that process.
// Usage: vqwabsp-bench

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#include "allocator.h"
#include "pdx/pdx.h"

using namespace pdx;

extern "C" HRESULT PDXOpen(ULONG_PTR ulUIParam, const char* profileName, ULONG flags, ULONG reserved1,
                           ULONG reserved2, ULONG reserved3, IAddrBook** addrBook, IPDXSession** session);
extern "C" HRESULT PDXAdminProfiles(ULONG flags, IPDXProfAdmin** out);

namespace {

constexpr ULONG kSelectionColumns[] = {0x3001001E, 0x0FFF0102, 0x0FFE0003, 0x3002001E, 0x3A23001E, 0x3A25001E,
                                       0x5805001E, 0x5806001E, 0x5804001E, 0x3A24001E, 0x5802001E, 0x5803001E,
                                       0x5801001E, 0x3004001E, 0x3A13001E, 0x3003001E, 0x3A16001E, 0x3A18001E,
                                       0x3A06001E, 0x3A11001E, 0x39000003, 0x800F101E, 0x8011001E};
constexpr const char* kFileName = "bench.vcf";

void writeVcf(const std::string& path, int contacts) {
    std::string text;
    text.reserve(size_t(contacts) * 400);
    for (int i = 0; i < contacts; ++i) {
        const std::string n = std::to_string(i);
        text += "BEGIN:VCARD\r\nVERSION:3.0\r\nUID:bench-" + n + "\r\nN:Surname" + n + ";Given" + n +
                ";;;\r\nFN:Given" + n + " Surname" + n + "\r\nORG:Company " + std::to_string(i % 500) +
                ";Department " + std::to_string(i % 20) + "\r\nTITLE:Buyer\r\nTEL;TYPE=WORK,FAX:+886 2 5555 " + n +
                "\r\nTEL;TYPE=HOME,FAX:+886 3 5555 " + n + "\r\nTEL;TYPE=WORK,VOICE:+886 2 6666 " + n +
                "\r\nEMAIL;TYPE=INTERNET,PREF:person" + n + "@example.com\r\nNOTE:Generated contact number " + n +
                "\r\nEND:VCARD\r\n";
    }
    std::ofstream(path, std::ios::trunc | std::ios::binary) << text;
}

// A profile holding the contacts service, pointed at `vcf`.
bool setUpProfile(const std::string& vcf) {
    object_ptr<IPDXProfAdmin> admin;
    if (PDXAdminProfiles(0, admin.out()) != S_OK || admin->CreateProfile("Bench", 0, 0) != S_OK) return false;
    object_ptr<IPDXServiceAdmin> services;
    if (admin->AdminServices("Bench", 0, services.out()) != S_OK) return false;
    if (services->CreateService("WAB", "Contacts", 0, 0, 0) != S_OK) return false;
    object_ptr<IMAPITable> table;
    if (services->GetServiceTable(0, table.out()) != S_OK) return false;
    SPropTagArray tag{1, {PR_SERVICE_UID}};
    table->SetColumns(&tag, 0);
    core::RowSet rows;
    if (table->QueryRows(1, 0, rows.out()) != S_OK || rows->cRows != 1) return false;
    MAPIUID uid;
    std::memcpy(uid.ab, rows->aRow[0].lpProps[0].Value.bin.lpb, sizeof uid.ab);
    SPropValue path{};
    path.ulPropTag = PR_FAX_AB_FILE_PATH;
    path.Value.lpszA = const_cast<char*>(vcf.c_str());
    return services->ConfigureService(&uid, 0, 0, 1, &path) == S_OK;
}

// The file's container, as the hierarchy names it.
HRESULT openFileContainer(IAddrBook* book, object_ptr<IUnknown>& container) {
    ULONG type = 0;
    object_ptr<IUnknown> root;
    if (HRESULT hr = book->OpenEntry(0, nullptr, nullptr, 0, &type, root.out()); hr != S_OK) return hr;
    object_ptr<IMAPITable> hierarchy;
    if (HRESULT hr = reinterpret_cast<IABContainer*>(root.get())->GetHierarchyTable(CONVENIENT_DEPTH, hierarchy.out());
        hr != S_OK)
        return hr;
    struct { ULONG c; ULONG t[2]; } cols = {2, {PR_DISPLAY_NAME, PR_ENTRYID}};
    hierarchy->SetColumns(reinterpret_cast<SPropTagArray*>(&cols), 0);
    for (;;) {
        core::RowSet rows;
        if (hierarchy->QueryRows(1, 0, rows.out()) != S_OK || rows->cRows == 0) return MAPI_E_NOT_FOUND;
        const SPropValue* v = rows->aRow[0].lpProps;
        if (v[0].ulPropTag == PR_DISPLAY_NAME && std::strcmp(v[0].Value.lpszA, kFileName) == 0 &&
            v[1].ulPropTag == PR_ENTRYID)
            return book->OpenEntry(v[1].Value.bin.cb, reinterpret_cast<ENTRYID*>(v[1].Value.bin.lpb), nullptr, 0,
                                   &type, container.out());
    }
}

// One open, read and close; the number of rows read, or -1.
long session() {
    object_ptr<IPDXSession> session;
    object_ptr<IAddrBook> book;
    if (PDXOpen(0, "Bench", 0, 0, 0, 0, book.out(), session.out()) != S_OK) return -1;
    object_ptr<IUnknown> container;
    if (openFileContainer(book.get(), container) != S_OK) return -1;
    object_ptr<IMAPITable> table;
    if (reinterpret_cast<IMAPIContainer*>(container.get())->GetContentsTable(0, table.out()) != S_OK) return -1;
    struct { ULONG c; ULONG t[23]; } cols;
    cols.c = 23;
    std::copy(std::begin(kSelectionColumns), std::end(kSelectionColumns), cols.t);
    table->SetColumns(reinterpret_cast<SPropTagArray*>(&cols), 0);
    ULONG count = 0;
    table->GetRowCount(0, &count);
    table->SeekRow(BOOKMARK_BEGINNING, 0, nullptr);
    long read = 0;
    for (;;) {
        core::RowSet rows;
        if (table->QueryRows(LONG(std::clamp<ULONG>(count, 1, 10000)), 0, rows.out()) != S_OK) return -1;
        if (rows->cRows == 0) break;
        read += rows->cRows;
    }
    return read;
}

struct Cold {
    double ms = -1;
    double peakMb = 0;
};

// One session in a fresh child, forked before this process loaded any
// provider, so it pays for loading the plug-in, the component and Qt.
Cold coldRun(long contacts) {
    Cold cold;
    const auto t0 = std::chrono::steady_clock::now();
    const pid_t child = fork();
    if (child < 0) return cold;
    if (child == 0) _exit(session() == contacts ? 0 : 1);
    int status = 0;
    rusage usage{};
    if (wait4(child, &status, 0, &usage) != child || !WIFEXITED(status) || WEXITSTATUS(status) != 0) return cold;
    cold.ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
    cold.peakMb = usage.ru_maxrss / 1024.0;
    return cold;
}

} // namespace

int main() {
    char pattern[] = "/tmp/vqwabsp-bench-XXXXXX";
    const char* made = mkdtemp(pattern);
    if (!made) return 1;
    const std::string dir = made;
    setenv("VELMO_REGISTRY", (dir + "/registry.sqlite3").c_str(), 1);
    setenv("XDG_CONFIG_HOME", dir.c_str(), 1);
    setenv("XDG_DATA_HOME", dir.c_str(), 1);
    const std::string vcf = dir + "/" + kFileName;
    writeVcf(vcf, 0);
    if (!setUpProfile(vcf)) {
        std::fputs("vqwabsp-bench: cannot set up the profile\n", stderr);
        return 1;
    }
    const int sizes[2] = {10000, 20000};
    double times[2] = {};
    for (int i = 0; i < 2; ++i) {
        writeVcf(vcf, sizes[i]);
        Cold best;
        for (int r = 0; r < 3; ++r) {
            const Cold c = coldRun(sizes[i]);
            if (c.ms < 0) {
                std::fputs("vqwabsp-bench: a session failed\n", stderr);
                return 1;
            }
            if (best.ms < 0 || c.ms < best.ms) best = c;
        }
        times[i] = best.ms;
        std::printf("%d contacts: open + read 23 columns + close  %7.1f ms  peak %5.1f MB\n", sizes[i], best.ms,
                    best.peakMb);
    }
    std::printf("20,000 / 10,000 contacts  %.2f x\n", times[1] / times[0]);
    std::printf("goal: 10,000 contacts under 100 ms and 60 MB, time linear in contacts\n");
    std::system(("rm -rf '" + dir + "'").c_str());
    return 0;
}
