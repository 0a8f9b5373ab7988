#include "bridge_world.h"

#include <cstdlib>
#include <filesystem>

#include "test_environment.h"

namespace bridgetest {

using namespace pdx;

namespace {

const char kServiceInf[] =
    "[Services]\n"
    "WAB=Test contacts\n"
    "ZELT_ABS=Test fax book\n"
    "[Default Services]\n"
    "WAB=Test contacts\n"
    "[WAB]\n"
    "PR_DISPLAY_NAME=Test contacts\n"
    "PR_SERVICE_DLL_NAME=pdxtestsp.dll\n"
    "PR_SERVICE_ENTRY_NAME=TestServiceEntry\n"
    "PR_SERVICE_SUPPORT_FILES=pdxtestsp.dll\n"
    "[ZELT_ABS]\n"
    "PR_DISPLAY_NAME=Test fax book\n"
    "PR_SERVICE_DLL_NAME=pdxtestsp.dll\n"
    "PR_SERVICE_ENTRY_NAME=TestServiceEntry\n"
    "PR_SERVICE_SUPPORT_FILES=pdxtestsp.dll\n"
    "PR_RESOURCE_FLAGS=SERVICE_SINGLE_COPY\n";

std::string settingsFile() {
    return std::string("[PDX C_IF]\n") + "FaxNumberPrimary=" + kPrimaryLabel + "\nFaxNumberHome=" + kHomeLabel +
           "\nFaxNumberBusiness=" + kBusinessLabel + "\nEmailAddress=" + kEmailLabel +
           "\nCompFaxNumberHome=" + kHomeSuffix + "\nCompFaxNumberBusiness=" + kBusinessSuffix +
           "\nCompFaxNumberOther=" + kOtherSuffix + "\nCompEmailAddress=" + kEmailSuffix + "\n";
}

} // namespace

const std::string& installFolder() {
    static const std::string folder = [] {
        namespace fs = std::filesystem;
        const std::string dir = velmo::test::makeTempDir("install") + "/";
        for (const char* file : {"vqbridge.so", "vqcore.so", "pdxtestsp.so", "lisotrex-convert"})
            fs::copy_file(fs::path(VELMO_BIN_DIR) / file, fs::path(dir) / file);
        velmo::test::writeFile(dir + "VQSVC.inf", kServiceInf);
        velmo::test::writeFile(dir + "Lisotrex.inf", settingsFile());
        return dir;
    }();
    return folder;
}

std::string useBook(const std::string& text) {
    const std::string path = velmo::test::makeTempDir("book") + "/contacts.fixture";
    velmo::test::writeFile(path, text);
    setenv(kBookVariable, path.c_str(), 1);
    return path;
}

bool Core::load() {
    if (!module.load("vqcore.dll", installFolder())) return false;
    open = module.function<PDXOpenFn>("PDXOpen");
    adminProfiles = module.function<PDXAdminProfilesFn>("PDXAdminProfiles");
    allocateBuffer = module.function<PDXAllocateBufferFn>("PDXAllocateBuffer");
    allocateMore = module.function<PDXAllocateMoreFn>("PDXAllocateMore");
    freeBuffer = module.function<PDXFreeBufferFn>("PDXFreeBuffer");
    freeProws = module.function<PDXFreeProwsFn>("PDXFreeProws");
    return open && adminProfiles && allocateBuffer && allocateMore && freeBuffer && freeProws;
}

HRESULT Core::createProfile(const std::string& name, std::initializer_list<const char*> services, bool makeDefault) {
    object_ptr<IPDXProfAdmin> admin;
    HRESULT h = adminProfiles(0, admin.out());
    if (SUCCEEDED(h)) h = admin->CreateProfile(name.c_str(), 0, 0);
    object_ptr<IPDXServiceAdmin> serviceAdmin;
    if (SUCCEEDED(h)) h = admin->AdminServices(name.c_str(), 0, serviceAdmin.out());
    for (const char* service : services)
        if (SUCCEEDED(h)) h = serviceAdmin->CreateService(service, "", 0, 0, 0);
    if (SUCCEEDED(h) && makeDefault) h = admin->SetDefaultProfile(name.c_str(), 0);
    return h;
}

} // namespace bridgetest

namespace bridgetest {

std::vector<std::string> Core::serviceNames(const std::string& profile) {
    std::vector<std::string> names;
    object_ptr<IPDXProfAdmin> admin;
    object_ptr<IPDXServiceAdmin> services;
    object_ptr<IMAPITable> table;
    if (FAILED(adminProfiles(0, admin.out())) || FAILED(admin->AdminServices(profile.c_str(), 0, services.out())) ||
        FAILED(services->GetServiceTable(0, table.out())))
        return names;
    SPropTagArray columns{1, {PR_SERVICE_NAME}};
    table->SetColumns(&columns, 0);
    for (;;) {
        rowset_ptr rows(freeProws);
        if (FAILED(table->QueryRows(1, 0, rows.out())) || rows->cRows == 0) break;
        names.emplace_back(rows->aRow[0].lpProps[0].Value.lpszA);
    }
    return names;
}

} // namespace bridgetest
