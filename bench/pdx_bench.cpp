// Times a PDX session over the test provider: open the profile, read one
// container of N mail users with the 23 columns of the recipient selection
// in batches, close. Runs with 10,000 and 20,000 users.
// Usage: vqcore-bench

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "bench_profile.h"

using namespace pdx;

namespace {

std::string fixture(int users) {
    std::string text = "uid\t5a5a5a5a5a5a5a5a5a5a5a5a5a5a5a5a\nroot\tname=Bench Book\n"
                       "container\tkey=c\tname=Customers\tflags=5\n";
    for (int i = 0; i < users; ++i) {
        const std::string n = std::to_string(i);
        text += "user\tkey=u" + n + "\tin=c\tname=Customer " + n + "\taddrtype=FAX\tfax=02-2345-" + n +
                "\tbfax=02-8888-" + n + "\temail=user" + n + "@example.com\tcompany=Company " + n +
                "\tdept=Dept " + std::to_string(i % 40) + "\n";
    }
    return text;
}

bool setUpProfile(const std::string& dir, const std::string& fixturePath) {
    bench::useServiceInf(dir, "[Services]\nBENCH=Bench\n[BENCH]\nPR_SERVICE_DLL_NAME=pdxtestsp.dll\n"
                              "PR_SERVICE_ENTRY_NAME=TestServiceEntry\n");
    object_ptr<IPDXServiceAdmin> services;
    return bench::makeProfile("BENCH", "Bench", fixturePath, services);
}

// One open, read and close; the number of rows read, or -1.
long session() {
    object_ptr<IPDXSession> session;
    object_ptr<IAddrBook> book;
    if (PDXOpen(0, "Bench", 0, 0, 0, 0, book.out(), session.out()) != S_OK) return -1;
    std::vector<uint8_t> id(24, 0);
    std::memset(id.data() + 4, 0x5a, 16);
    id[20] = 1;
    ULONG type = 0;
    object_ptr<IUnknown> container;
    if (book->OpenEntry(24, reinterpret_cast<ENTRYID*>(id.data()), nullptr, 0, &type, container.out()) != S_OK)
        return -1;
    object_ptr<IMAPITable> table;
    if (reinterpret_cast<IMAPIContainer*>(container.get())->GetContentsTable(0, table.out()) != S_OK) return -1;
    return bench::readSelectionRows(table.get());
}

double bestMs(ULONG users, int rounds) {
    double best = 1e12;
    for (int i = 0; i < rounds; ++i) {
        auto t0 = std::chrono::steady_clock::now();
        if (session() != long(users)) return -1;
        best = std::min(best, std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count());
    }
    return best;
}

} // namespace

int main() {
    const std::string dir = bench::makeHome("vqcore-bench");
    if (dir.empty()) return 1;
    unsetenv("PDXTEST_LOG");
    const std::string fixturePath = dir + "/bench.tsv";
    bench::writeFile(fixturePath, fixture(0));
    if (!setUpProfile(dir, fixturePath)) {
        std::fputs("vqcore-bench: cannot set up the profile\n", stderr);
        return 1;
    }
    double times[2] = {};
    const ULONG sizes[2] = {10000, 20000};
    for (int i = 0; i < 2; ++i) {
        bench::writeFile(fixturePath, fixture(int(sizes[i])));
        times[i] = bestMs(sizes[i], 7);
        if (times[i] < 0) {
            std::fputs("vqcore-bench: a session failed\n", stderr);
            return 1;
        }
        std::printf("open + read %u rows x 23 columns + close   %.1f ms\n", sizes[i], times[i]);
    }
    std::printf("20,000 / 10,000 rows                        %.2f x\n", times[1] / times[0]);
    bench::removeHome(dir);
    return 0;
}
