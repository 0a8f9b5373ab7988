#include "bench_profile.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <unistd.h>

#include "allocator.h"
#include "bench_data.h"
#include "service_inf.h"

using namespace pdx;

namespace bench {

std::string makeHome(const char* program) {
    std::string pattern = std::string("/tmp/") + program + "-XXXXXX";
    if (!mkdtemp(pattern.data())) return {};
    setenv("VELMO_REGISTRY", (pattern + "/registry.sqlite3").c_str(), 1);
    setenv("XDG_CONFIG_HOME", pattern.c_str(), 1);
    setenv("XDG_DATA_HOME", pattern.c_str(), 1);
    return pattern;
}

void removeHome(const std::string& dir) {
    std::error_code ignored;
    std::filesystem::remove_all(dir, ignored);
}

void writeFile(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::trunc | std::ios::binary) << text;
}

void useServiceInf(const std::string& dir, const std::string& text) {
    writeFile(dir + "/VQSVC.inf", text);
    core::setServiceInfPath(dir + "/VQSVC.inf");
}

bool makeProfile(const char* service, const char* name, const std::string& path,
                 object_ptr<IPDXServiceAdmin>& services) {
    object_ptr<IPDXProfAdmin> admin;
    if (PDXAdminProfiles(0, admin.out()) != S_OK || admin->CreateProfile("Bench", 0, 0) != S_OK) return false;
    if (admin->AdminServices("Bench", 0, services.out()) != S_OK) return false;
    if (services->CreateService(service, name, 0, 0, 0) != S_OK) return false;
    object_ptr<IMAPITable> table;
    if (services->GetServiceTable(0, table.out()) != S_OK) return false;
    SPropTagArray tag{1, {PR_SERVICE_UID}};
    table->SetColumns(&tag, 0);
    core::RowSet rows;
    if (table->QueryRows(1, 0, rows.out()) != S_OK || rows->cRows != 1) return false;
    MAPIUID uid;
    std::memcpy(uid.ab, rows->aRow[0].lpProps[0].Value.bin.lpb, sizeof uid.ab);
    SPropValue value{};
    value.ulPropTag = PR_FAX_AB_FILE_PATH;
    value.Value.lpszA = const_cast<char*>(path.c_str());
    return services->ConfigureService(&uid, 0, 0, 1, &value) == S_OK;
}

HRESULT findContainer(IAddrBook* book, const char* name, std::vector<uint8_t>& entryId) {
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
        if (v[0].ulPropTag == PR_DISPLAY_NAME && std::strcmp(v[0].Value.lpszA, name) == 0 &&
            v[1].ulPropTag == PR_ENTRYID) {
            entryId.assign(v[1].Value.bin.lpb, v[1].Value.bin.lpb + v[1].Value.bin.cb);
            return S_OK;
        }
    }
}

long readSelectionRows(IMAPITable* table) {
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

} // namespace bench
