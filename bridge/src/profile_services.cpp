#include "profile_services.h"

#include <cstring>
#include <string>

#include "handles.h"
#include "pdx/memory.h"
#include "pdx/status.h"
#include "pdx/tags.h"
#include "platform/system.h"
#include "bridge_strings.h"
#include "wait_cursor.h"

namespace vqbridge {

using namespace pdx;

namespace {

constexpr size_t kDisplayNameBuffer = 64;

// The service table columns the fax service is found by.
struct {
    ULONG count;
    ULONG tags[4];
} constexpr kServiceColumns = {4, {PR_DISPLAY_NAME, PR_SERVICE_NAME, PR_SERVICE_UID, PR_RESOURCE_FLAGS}};

// Resource flags of a new service, from a descriptor's flag bits.
ULONG resourceFlags(uint32_t descriptorFlags) {
    ULONG flags = 0;
    if (descriptorFlags & kServiceNoDelete) flags |= SERVICE_NO_DELETE;
    if (descriptorFlags & kServiceNoEdit) flags |= SERVICE_NO_EDIT;
    return flags;
}

// The fax driver's service name, as the 9-byte buffer it was always read into holds it.
std::string faxServiceName() { return systemString(kStrFaxServiceName).substr(0, 8); }

const char* text(const SPropValue& v, ULONG tag) { return v.ulPropTag == tag && v.Value.lpszA ? v.Value.lpszA : nullptr; }

// The profile's service table, with the four columns, at its beginning.
HRESULT openServiceTable(const CoreApi& api, const char* profile, object_ptr<IPDXServiceAdmin>& services,
                         object_ptr<IMAPITable>& table, const char* createDisplayName = nullptr,
                         uintptr_t window = 0) {
    object_ptr<IPDXProfAdmin> admin;
    HRESULT h = api.adminProfiles(0, admin.out());
    if (SUCCEEDED(h)) h = admin->AdminServices(profile, 0, services.out());
    if (SUCCEEDED(h) && createDisplayName)
        h = services->CreateService(faxServiceName().c_str(), createDisplayName, 0, window, 0);
    if (SUCCEEDED(h)) h = services->GetServiceTable(0, table.out());
    if (SUCCEEDED(h)) h = table->SetColumns(reinterpret_cast<const SPropTagArray*>(&kServiceColumns), 0);
    if (SUCCEEDED(h)) h = table->SeekRow(BOOKMARK_BEGINNING, 0, nullptr);
    return h;
}

// Visits the rows of the fax driver's service one at a time; the status of the last read.
template <class Each>
HRESULT eachFaxService(const CoreApi& api, IMAPITable& table, Each each) {
    const std::string fax = faxServiceName();
    HRESULT h = S_OK;
    for (;;) {
        rowset_ptr rows(api.freeProws);
        h = table.QueryRows(1, 0, rows.out());
        if (FAILED(h) || !rows || rows->cRows == 0) break;
        const SRow& row = rows->aRow[0];
        if (row.cValues < 3) continue;
        const char* service = text(row.lpProps[1], PR_SERVICE_NAME);
        if (!service || fax != service || row.lpProps[2].ulPropTag != PR_SERVICE_UID ||
            row.lpProps[2].Value.bin.cb != sizeof(MAPIUID))
            continue;
        MAPIUID uid;
        std::memcpy(uid.ab, row.lpProps[2].Value.bin.lpb, sizeof uid.ab);
        each(uid, text(row.lpProps[0], PR_DISPLAY_NAME));
    }
    return h;
}

} // namespace

int32_t createProfile(const char* name, uint32_t count, const ServiceDescriptor* services) {
    BridgeState& s = bridgeState();
    if (!name || !*name || (count && !platform::isReadable(services, sizeof(ServiceDescriptor) * size_t(count)))) {
        s.lastStatus = E_INVALIDARG;
        return 0;
    }
    if (!s.core.load()) {
        s.lastStatus = E_FAIL;
        return 0;
    }
    HRESULT h;
    {
        const CoreApi& api = s.core.api();
        object_ptr<IPDXProfAdmin> admin;
        object_ptr<IPDXServiceAdmin> serviceAdmin;
        h = api.adminProfiles(0, admin.out());
        if (SUCCEEDED(h)) h = admin->CreateProfile(name, 0, 0);
        if (SUCCEEDED(h)) h = admin->AdminServices(name, 0, serviceAdmin.out());
        for (uint32_t i = 0; i < count && SUCCEEDED(h); ++i) {
            const std::string service(services[i].serviceName, strnlen(services[i].serviceName, sizeof services[i].serviceName));
            h = serviceAdmin->CreateService(service.c_str(), "", resourceFlags(services[i].flags), 0, 0);
        }
    }
    s.lastStatus = h;
    releaseCoreIfIdle();
    return SUCCEEDED(h) ? 1 : 0;
}

int32_t displayAdminProfiles(uintptr_t window, const char* profile) {
    BridgeState& s = bridgeState();
    if (!s.core.load()) {
        s.lastStatus = E_FAIL;
        return 0;
    }
    HRESULT h;
    {
        object_ptr<IPDXProfAdmin> admin;
        h = s.core.api().adminProfiles(MAPI_LOGON_UI, admin.out());
        if (SUCCEEDED(h)) {
            ArrowCursor arrow;
            h = admin->ConfigureProfile(profile, window, 0);
        }
    }
    s.lastStatus = h;
    releaseCoreIfIdle();
    return SUCCEEDED(h) || h == MAPI_E_USER_CANCEL ? 1 : 0;
}

HRESULT deleteFaxService(const char* profile, char* displayName) {
    BridgeState& s = bridgeState();
    const bool haveBuffer = platform::isWritable(displayName, kDisplayNameBuffer);
    if (haveBuffer) displayName[0] = 0;
    if (!s.core.load()) return E_FAIL;
    HRESULT h;
    {
        const CoreApi& api = s.core.api();
        object_ptr<IPDXServiceAdmin> services;
        object_ptr<IMAPITable> table;
        h = openServiceTable(api, profile, services, table);
        if (SUCCEEDED(h)) {
            h = eachFaxService(api, *table.get(), [&](const MAPIUID& uid, const char* name) {
                services->DeleteService(&uid);
                if (haveBuffer) {
                    const std::string kept = std::string(name ? name : "").substr(0, kDisplayNameBuffer - 1);
                    std::memcpy(displayName, kept.c_str(), kept.size() + 1);
                }
            });
        }
    }
    releaseCoreIfIdle();
    return h;
}

HRESULT addFaxService(uintptr_t window, const char* profile, const char* displayName) {
    BridgeState& s = bridgeState();
    if (!s.core.load()) return E_FAIL;
    HRESULT h;
    {
        const CoreApi& api = s.core.api();
        object_ptr<IPDXServiceAdmin> services;
        object_ptr<IMAPITable> table;
        const char* name = displayName ? displayName : "";
        h = openServiceTable(api, profile, services, table, name, window);
        if (SUCCEEDED(h)) {
            h = eachFaxService(api, *table.get(), [&](const MAPIUID& uid, const char*) {
                SPropValue value{};
                value.ulPropTag = PR_DISPLAY_NAME;
                value.Value.lpszA = const_cast<char*>(name);
                services->ConfigureService(&uid, window, 0, 1, &value);
            });
        }
    }
    releaseCoreIfIdle();
    return h;
}

} // namespace vqbridge
