#include "core_test_util.h"

#include <cstring>
#include <fstream>
#include <stdexcept>
#include <sys/mman.h>
#include <unistd.h>

#include "test_environment.h"

extern "C" pdx::HRESULT PDXAdminProfiles(pdx::ULONG flags, pdx::IPDXProfAdmin** out);
extern "C" pdx::HRESULT PDXFreeProws(pdx::SRowSet* rows);

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

pdx::MAPIUID addFixtureService(const std::string& profile, const char* service, const std::string& fixture) {
    using namespace pdx;
    object_ptr<IPDXProfAdmin> admin;
    PDXAdminProfiles(0, admin.out());
    object_ptr<IPDXServiceAdmin> services;
    admin->AdminServices(profile.c_str(), 0, services.out());
    MAPIUID uid{};
    if (FAILED(services->CreateService(service, "", 0, 0, 0))) return uid;
    // The new service heads the cached table.
    object_ptr<IMAPITable> table;
    services->GetServiceTable(0, table.out());
    SPropTagArray tag{1, {PR_SERVICE_UID}};
    table->SetColumns(&tag, 0);
    rowset_ptr rows(&PDXFreeProws);
    table->QueryRows(1, 0, rows.out());
    std::memcpy(uid.ab, rows->aRow[0].lpProps[0].Value.bin.lpb, sizeof uid.ab);
    configureService(profile, uid, PR_FAX_AB_FILE_PATH, fixture.c_str());
    return uid;
}

void configureService(const std::string& profile, const pdx::MAPIUID& uid, pdx::ULONG tag, const char* text) {
    using namespace pdx;
    object_ptr<IPDXProfAdmin> admin;
    PDXAdminProfiles(0, admin.out());
    object_ptr<IPDXServiceAdmin> services;
    admin->AdminServices(profile.c_str(), 0, services.out());
    SPropValue v = stringProp(tag, text);
    services->ConfigureService(&uid, 0, 0, 1, &v);
}

std::string standardFixture(const std::string& uid1, const std::string& uid2, const std::string& extra) {
    return "uid\t" + uid1 + "\n"
           "uid\t" + uid2 + "\n"
           "root\tname=Test Book\n"
           "container\tkey=c1\tname=Customers\tflags=5\n"
           "container\tkey=c2\tin=c1\tname=Suppliers\tflags=1\n"
           "container\tkey=c3\tname=Archive\tflags=5\n"
           "user\tkey=u1\tin=c1\tname=Alice\taddrtype=SMTP\temail=alice@example.com\tcompany=Acme\tdept=Sales\n"
           "user\tkey=u2\tin=c1\tname=Bob\tuid=1\taddrtype=FAX\tfax=02-2345-6789\tbfax=02-1111-2222\n"
           "user\tkey=u3\tin=c2\tname=Carol\thfax=03-555-0101\n"
           "list\tkey=l1\tin=c1\tname=Team\tmembers=u1,l2,l1\n"
           "list\tkey=l2\tin=c1\tname=Inner\tmembers=u2,u3,u1\n" +
           extra;
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
