#include "core_test_util.h"

#include <fstream>
#include <stdexcept>
#include <sys/mman.h>
#include <unistd.h>

#include "test_environment.h"

namespace coretest {

std::string writeTestInf(const std::string& dir) {
    const std::string path = dir + "/VQSVC.inf";
    velmo::test::writeFile(path,
                           "[Services]\n"
                           "TESTA = Test provider A\n"
                           "TESTB=Test provider B\n"
                           "MISSING=No module\n"
                           "[Default Services]\n"
                           "TESTA=Test provider A\n"
                           "TESTB=Test provider B\n"
                           "[TESTA]\n"
                           "PR_DISPLAY_NAME=Test A\n"
                           "PR_SERVICE_DLL_NAME=pdxtestsp.dll\n"
                           "PR_SERVICE_ENTRY_NAME=TestServiceEntry\n"
                           "PR_SERVICE_SUPPORT_FILES=pdxtestsp.dll\n"
                           "PR_RESOURCE_FLAGS=SERVICE_SINGLE_COPY\n"
                           "[TESTB]\n"
                           "PR_SERVICE_DLL_NAME=pdxtestsp.dll\n"
                           "PR_SERVICE_ENTRY_NAME=TestServiceEntry\n"
                           "PR_SERVICE_SUPPORT_FILES=pdxtestsp.dll, nosuchfile.dll\n"
                           "[MISSING]\n"
                           "PR_SERVICE_DLL_NAME=nosuchmodule.dll\n"
                           "PR_SERVICE_ENTRY_NAME=TestServiceEntry\n");
    return path;
}

pdx::SPropValue stringProp(pdx::ULONG tag, const char* text) {
    pdx::SPropValue v{};
    v.ulPropTag = tag;
    v.Value.lpszA = const_cast<char*>(text);
    return v;
}

pdx::SPropValue longProp(pdx::ULONG tag, pdx::LONG value) {
    pdx::SPropValue v{};
    v.ulPropTag = tag;
    v.Value.l = value;
    return v;
}

platform::RegKey profileKey(const std::string& profile) {
    platform::RegKey key;
    platform::RegKey::open(platform::RegRoot::CurrentUser, "Software\\Velmo\\Pandex\\Profiles\\" + profile, key);
    return key;
}

std::vector<std::string> readLines(const std::string& path) {
    std::vector<std::string> lines;
    std::ifstream in(path);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

TruncatedTagArray::TruncatedTagArray(pdx::ULONG count) {
    const size_t page = size_t(sysconf(_SC_PAGESIZE));
    pages_ = mmap(nullptr, 2 * page, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (pages_ == MAP_FAILED || mprotect(static_cast<char*>(pages_) + page, page, PROT_NONE) != 0)
        throw std::runtime_error("no guard page");
    // The count and one tag sit at the end of the readable page.
    tags_ = reinterpret_cast<pdx::SPropTagArray*>(static_cast<char*>(pages_) + page - pdx::cbTagArray(1));
    tags_->cValues = count;
    tags_->aulPropTag[0] = pdx::PR_DISPLAY_NAME;
}

TruncatedTagArray::~TruncatedTagArray() {
    if (pages_ && pages_ != MAP_FAILED) munmap(pages_, 2 * size_t(sysconf(_SC_PAGESIZE)));
}

} // namespace coretest
