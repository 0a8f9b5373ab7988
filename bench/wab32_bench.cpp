// Reads a generated 10,000-contact vCard 3.0 file through wab32.so the way
// the recipient selection does: WABOpen, root, hierarchy, the file's
// container, its contents table with the 23 selection columns, read in
// batches of the row count (at most 10000 a batch). Prints the time of the
// whole road (best of several runs) and the process's peak memory.
// Usage: wab32-bench [contacts]

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <sys/resource.h>
#include <unistd.h>
#include <vector>

#include "pdx/pdx.h"
#include "bench_data.h"
#include "platform/module.h"

using namespace pdx;

namespace {

// The whole road once; returns the number of rows read.
size_t readAll(WABOpenFn open, const std::string& path) {
    WAB_PARAM params{};
    params.cbSize = sizeof params;
    params.szFileName = const_cast<char*>(path.c_str());
    IAddrBook* ab = nullptr;
    IWABObject* wab = nullptr;
    if (open(&ab, &wab, &params, 0) != S_OK) return 0;
    ULONG type = 0;
    IUnknown* root = nullptr;
    ab->OpenEntry(0, nullptr, nullptr, 0, &type, &root);
    IMAPITable* hierarchy = nullptr;
    static_cast<IABContainer*>(root)->GetHierarchyTable(1, &hierarchy);
    struct { ULONG c; ULONG t[1]; } idOnly = {1, {PR_ENTRYID}};
    hierarchy->SetColumns(reinterpret_cast<SPropTagArray*>(&idOnly), 0);
    SRowSet* h = nullptr;
    hierarchy->QueryRows(1, 0, &h);
    const std::string containerId(reinterpret_cast<char*>(h->aRow[0].lpProps[0].Value.bin.lpb),
                                  h->aRow[0].lpProps[0].Value.bin.cb);
    wab->FreeBuffer(h->aRow[0].lpProps);
    wab->FreeBuffer(h);
    hierarchy->Release();
    root->Release();
    IUnknown* container = nullptr;
    ab->OpenEntry(ULONG(containerId.size()), reinterpret_cast<ENTRYID*>(const_cast<char*>(containerId.data())),
                  nullptr, 0, &type, &container);
    IMAPITable* table = nullptr;
    static_cast<IABContainer*>(container)->GetContentsTable(0, &table);
    std::vector<ULONG> columns(std::size(bench::kSelectionColumns) + 1);
    columns[0] = ULONG(std::size(bench::kSelectionColumns));
    std::copy(std::begin(bench::kSelectionColumns), std::end(bench::kSelectionColumns), columns.begin() + 1);
    table->SetColumns(reinterpret_cast<SPropTagArray*>(columns.data()), 0);
    table->SeekRow(BOOKMARK_BEGINNING, 0, nullptr);
    ULONG count = 0;
    table->GetRowCount(0, &count);
    size_t read = 0;
    for (;;) {
        SRowSet* rows = nullptr;
        if (table->QueryRows(LONG(std::min<ULONG>(std::max<ULONG>(count, 1), 10000)), 0, &rows) != S_OK) break;
        const ULONG n = rows->cRows;
        read += n;
        for (ULONG i = 0; i < n; ++i) wab->FreeBuffer(rows->aRow[i].lpProps);
        wab->FreeBuffer(rows);
        if (n == 0) break;
    }
    table->Release();
    container->Release();
    ab->Release();
    wab->Release();
    return read;
}

long peakKb() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return u.ru_maxrss;
}

} // namespace

int main(int argc, char** argv) {
    const int contacts = argc > 1 ? std::atoi(argv[1]) : 10000;
    const std::string dir = std::filesystem::temp_directory_path().string() + "/wab32-bench-" + std::to_string(getpid());
    std::filesystem::create_directories(dir);
    const std::string path = dir + "/contacts.vcf";
    {
        std::ofstream out(path, std::ios::binary);
        out << bench::contactsVcf(contacts);
    }
    platform::Module module;
    if (!module.load("WAB32.DLL")) {
        std::fprintf(stderr, "wab32.so not found: %s\n", module.error().c_str());
        return 1;
    }
    auto open = module.function<WABOpenFn>("WABOpen");
    const long before = peakKb();
    double best = 1e9;
    size_t rows = 0;
    for (int round = 0; round < 5; ++round) {
        const auto t0 = std::chrono::steady_clock::now();
        rows = readAll(open, path);
        best = std::min(best, std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count());
    }
    std::printf("wab32: %d contacts (%.1f MB vCard 3.0), %zu rows x 23 columns: best %.1f ms, peak memory %.1f MB "
                "(%.1f MB before the first read)\n",
                contacts, double(std::filesystem::file_size(path)) / 1e6, rows, best, peakKb() / 1024.0,
                before / 1024.0);
    std::filesystem::remove_all(dir);
    return rows == size_t(contacts) ? 0 : 1;
}
