// Times a PDX session over the test provider: open the profile, read one
// container of N mail users with the 23 columns of the recipient selection
// in batches, close. Runs with 10,000 and 20,000 users.
// Usage: vqcore-bench

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <unistd.h>

#include "allocator.h"
#include "pdx/pdx.h"
#include "service_inf.h"

using namespace pdx;

extern "C" HRESULT PDXOpen(ULONG_PTR ulUIParam, const char* profileName, ULONG flags, ULONG reserved1,
                           ULONG reserved2, ULONG reserved3, IAddrBook** addrBook, IPDXSession** session);
extern "C" HRESULT PDXAdminProfiles(ULONG flags, IPDXProfAdmin** out);

namespace {

constexpr ULONG kSelectionColumns[] = {0x3001001E, 0x0FFF0102, 0x0FFE0003, 0x3002001E, 0x3A23001E, 0x3A25001E,
                                       0x5805001E, 0x5806001E, 0x5804001E, 0x3A24001E, 0x5802001E, 0x5803001E,
                                       0x5801001E, 0x3004001E, 0x3A13001E, 0x3003001E, 0x3A16001E, 0x3A18001E,
                                       0x3A06001E, 0x3A11001E, 0x39000003, 0x800F101E, 0x8011001E};
constexpr ULONG kUserIndexBase = 2; // root 0, the container 1

void writeFile(const std::string& path, const std::string& text) { std::ofstream(path, std::ios::trunc) << text; }

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
    writeFile(dir + "/VQSVC.inf", "[Services]\nBENCH=Bench\n[BENCH]\nPR_SERVICE_DLL_NAME=pdxtestsp.dll\n"
                                  "PR_SERVICE_ENTRY_NAME=TestServiceEntry\n");
    core::setServiceInfPath(dir + "/VQSVC.inf");
    object_ptr<IPDXProfAdmin> admin;
    if (PDXAdminProfiles(0, admin.out()) != S_OK || admin->CreateProfile("Bench", 0, 0) != S_OK) return false;
    object_ptr<IPDXServiceAdmin> services;
    if (admin->AdminServices("Bench", 0, services.out()) != S_OK) return false;
    if (services->CreateService("BENCH", "Bench", 0, 0, 0) != S_OK) return false;
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
    path.Value.lpszA = const_cast<char*>(fixturePath.c_str());
    return services->ConfigureService(&uid, 0, 0, 1, &path) == S_OK;
}

// One open, read and close; the number of rows read, or -1.
long session(ULONG users) {
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
    struct { ULONG c; ULONG t[23]; } cols;
    cols.c = 23;
    std::copy(std::begin(kSelectionColumns), std::end(kSelectionColumns), cols.t);
    ULONG count = 0;
    table->SetColumns(reinterpret_cast<SPropTagArray*>(&cols), 0);
    table->GetRowCount(0, &count);
    table->SeekRow(BOOKMARK_BEGINNING, 0, nullptr);
    long read = 0;
    for (;;) {
        core::RowSet rows;
        if (table->QueryRows(LONG(std::clamp<ULONG>(count, 1, 10000)), 0, rows.out()) != S_OK) return -1;
        if (rows->cRows == 0) break;
        read += rows->cRows;
    }
    (void)users;
    return read;
}

double bestMs(ULONG users, int rounds) {
    double best = 1e12;
    for (int i = 0; i < rounds; ++i) {
        auto t0 = std::chrono::steady_clock::now();
        if (session(users) != long(users)) return -1;
        best = std::min(best, std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count());
    }
    return best;
}

} // namespace

int main() {
    char pattern[] = "/tmp/vqcore-bench-XXXXXX";
    const char* made = mkdtemp(pattern);
    if (!made) return 1;
    const std::string dir = made;
    setenv("VELMO_REGISTRY", (dir + "/registry.sqlite3").c_str(), 1);
    setenv("XDG_CONFIG_HOME", dir.c_str(), 1);
    setenv("XDG_DATA_HOME", dir.c_str(), 1);
    unsetenv("PDXTEST_LOG");
    const std::string fixturePath = dir + "/bench.tsv";
    writeFile(fixturePath, fixture(0));
    if (!setUpProfile(dir, fixturePath)) {
        std::fputs("vqcore-bench: cannot set up the profile\n", stderr);
        return 1;
    }
    double times[2] = {};
    const ULONG sizes[2] = {10000, 20000};
    for (int i = 0; i < 2; ++i) {
        writeFile(fixturePath, fixture(int(sizes[i])));
        times[i] = bestMs(sizes[i], 7);
        if (times[i] < 0) {
            std::fputs("vqcore-bench: a session failed\n", stderr);
            return 1;
        }
        std::printf("open + read %u rows x 23 columns + close   %.1f ms\n", sizes[i], times[i]);
    }
    std::printf("20,000 / 10,000 rows                        %.2f x\n", times[1] / times[0]);
    std::system(("rm -rf '" + dir + "'").c_str());
    return 0;
}
