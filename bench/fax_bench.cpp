// Times the fax address book through pdxadmin: copy 9,999 contacts (name, two
// fax numbers, company, department) from the test provider into an empty fax
// store with copy-entries, then list them with contents. Each step runs as
// its own process; the figures are wall time and peak memory of that process.
// Usage: vqfaxsp-bench

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#include "bench_profile.h"
#include "platform/module.h"

using namespace pdx;

namespace {

constexpr int kContacts = 9999;
constexpr const char* kSourceUid = "5a5a5a5a5a5a5a5a5a5a5a5a5a5a5a5a";

std::string fixture() {
    std::string text = std::string("uid\t") + kSourceUid + "\nroot\tname=Bench Book\n" +
                       "container\tkey=c\tname=Customers\tflags=5\n";
    for (int i = 0; i < kContacts; ++i) {
        const std::string n = std::to_string(i);
        text += "user\tkey=u" + n + "\tin=c\tname=Customer " + n + "\tbfax=02-2345-" + n + "\thfax=03-8888-" + n +
                "\tcompany=Company " + n + "\tdept=Dept " + std::to_string(i % 40) + "\n";
    }
    return text;
}

std::string hex(const std::vector<uint8_t>& bytes) {
    std::string out;
    char two[3];
    for (uint8_t byte : bytes) {
        std::snprintf(two, sizeof two, "%02x", byte);
        out += two;
    }
    return out;
}

// The profile: the test provider over the fixture, and a fax book.
bool setUpProfile(const std::string& dir, const std::string& fixturePath) {
    bench::useServiceInf(dir, "[Services]\nBENCH=Bench\nZELT_ABS=Fax\n"
                              "[BENCH]\nPR_SERVICE_DLL_NAME=pdxtestsp.dll\nPR_SERVICE_ENTRY_NAME=TestServiceEntry\n"
                              "[ZELT_ABS]\nPR_SERVICE_DLL_NAME=vqfaxsp.dll\nPR_SERVICE_ENTRY_NAME=ABServiceEntry\n");
    object_ptr<IPDXServiceAdmin> services;
    if (!bench::makeProfile("BENCH", "Bench", fixturePath, services)) return false;
    return services->CreateService("ZELT_ABS", "Fax bench", 0, 0, 0) == S_OK;
}

// The fax book's root identifier, as its logon reports it for the hierarchy.
std::string faxRoot() {
    object_ptr<IPDXSession> session;
    object_ptr<IAddrBook> book;
    if (PDXOpen(0, "Bench", 0, 0, 0, 0, book.out(), session.out()) != S_OK) return {};
    std::vector<uint8_t> id;
    if (bench::findContainer(book.get(), "Fax bench", id) != S_OK) return {};
    return hex(id);
}

struct Run {
    double ms = -1;
    long maxRssKb = 0;
};

// pdxadmin with `args`, output discarded.
Run pdxadmin(const std::vector<std::string>& args) {
    const std::string program = platform::ownModuleDirectory() + "pdxadmin";
    std::vector<char*> argv{const_cast<char*>("pdxadmin")};
    for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    Run run;
    const auto t0 = std::chrono::steady_clock::now();
    const pid_t child = fork();
    if (child < 0) return run;
    if (child == 0) {
        const int quiet = open("/dev/null", O_WRONLY);
        dup2(quiet, 1);
        execv(program.c_str(), argv.data());
        _exit(127);
    }
    int status = 0;
    rusage usage{};
    if (wait4(child, &status, 0, &usage) != child || !WIFEXITED(status) || WEXITSTATUS(status) != 0) return run;
    run.ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
    run.maxRssKb = usage.ru_maxrss;
    return run;
}

} // namespace

int main() {
    // The fax store: <dir>/velmo/faxab.sqlite3.
    const std::string dir = bench::makeHome("vqfaxsp-bench");
    if (dir.empty()) return 1;
    unsetenv("VELMO_PRINTER_DRIVER_DIR");
    unsetenv("PDXTEST_LOG");
    const std::string fixturePath = dir + "/source.tsv";
    bench::writeFile(fixturePath, fixture());
    const std::string root = setUpProfile(dir, fixturePath) ? faxRoot() : std::string();
    if (root.empty()) {
        std::fputs("vqfaxsp-bench: cannot set up the profile\n", stderr);
        return 1;
    }
    const std::string customers = std::string("00000000") + kSourceUid + "01000000";
    const Run copy = pdxadmin({"copy-entries", "Bench", customers, root});
    if (copy.ms < 0) {
        std::fputs("vqfaxsp-bench: copy-entries failed\n", stderr);
        return 1;
    }
    Run list;
    for (int i = 0; i < 5; ++i) {
        const Run r = pdxadmin({"contents", "Bench", root});
        if (r.ms < 0) {
            std::fputs("vqfaxsp-bench: contents failed\n", stderr);
            return 1;
        }
        if (list.ms < 0 || r.ms < list.ms) list = r;
    }
    std::printf("copy-entries of %d contacts     %8.1f ms  (goal < 2000 ms)  peak %6.1f MB\n", kContacts, copy.ms,
                copy.maxRssKb / 1024.0);
    std::printf("contents of %d contacts (best)  %8.1f ms  (goal < 100 ms)   peak %6.1f MB\n", kContacts, list.ms,
                list.maxRssKb / 1024.0);
    std::printf("memory goal < 50 MB\n");
    if (std::getenv("VQFAXSP_BENCH_KEEP")) {
        std::printf("kept %s (fax book root %s)\n", dir.c_str(), root.c_str());
        return 0;
    }
    bench::removeHome(dir);
    return 0;
}
