// Times a PDX session over the contacts provider: a WAB profile pointing at a
// generated vCard 3.0 file of N contacts; open the session, find the file's
// container in the hierarchy, read its contents table with the 23 columns of
// the recipient selection in batches, close. Runs with 10,000 and 20,000
// contacts, each session in a fresh process that loads every module (best of
// three), with the peak memory of that process.
// Usage: vqwabsp-bench

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#include "bench_data.h"
#include "bench_profile.h"

using namespace pdx;

namespace {

constexpr const char* kFileName = "bench.vcf";

void writeVcf(const std::string& path, int contacts) { bench::writeFile(path, bench::contactsVcf(contacts)); }

// A profile holding the contacts service, pointed at `vcf`.
bool setUpProfile(const std::string& vcf) {
    object_ptr<IPDXServiceAdmin> services;
    return bench::makeProfile("WAB", "Contacts", vcf, services);
}

// One open, read and close; the number of rows read, or -1.
long session() {
    object_ptr<IPDXSession> session;
    object_ptr<IAddrBook> book;
    if (PDXOpen(0, "Bench", 0, 0, 0, 0, book.out(), session.out()) != S_OK) return -1;
    std::vector<uint8_t> id;
    if (bench::findContainer(book.get(), kFileName, id) != S_OK) return -1;
    ULONG type = 0;
    object_ptr<IUnknown> container;
    if (book->OpenEntry(ULONG(id.size()), reinterpret_cast<ENTRYID*>(id.data()), nullptr, 0, &type,
                        container.out()) != S_OK)
        return -1;
    object_ptr<IMAPITable> table;
    if (reinterpret_cast<IMAPIContainer*>(container.get())->GetContentsTable(0, table.out()) != S_OK) return -1;
    return bench::readSelectionRows(table.get());
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
    const std::string dir = bench::makeHome("vqwabsp-bench");
    if (dir.empty()) return 1;
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
    bench::removeHome(dir);
    return 0;
}
