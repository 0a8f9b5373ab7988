#include "provider_loader.h"

#include <memory>

#include "allocator.h"
#include "pdx/memory.h"
#include "pdx/status.h"
#include "pdx/tags.h"
#include "platform/codepage.h"
#include "row_reader.h"
#include "string_ids.h"
#include "support.h"

namespace pdx::core {

std::string directoryBefore(const std::string& modulePath, const std::string& moduleName) {
    for (size_t start = 0; start < modulePath.size(); ++start)
        if (platform::equalsIgnoreAsciiCase(std::string_view(modulePath).substr(start), moduleName))
            return modulePath.substr(0, start);
    const size_t slash = modulePath.rfind('/');
    return slash == std::string::npos ? std::string() : modulePath.substr(0, slash + 1);
}

std::string coreDirectory() {
    return directoryBefore(platform::moduleFileName(reinterpret_cast<const void*>(&coreDirectory)),
                           loadString(kStrModuleName));
}

namespace {

struct ServiceRow {
    MAPIUID uid{};
    std::string dll;
    std::string entry;
};

HRESULT loadOne(const ServiceRow& service, const std::string& directory, IPDXServiceAdmin& services,
                ProviderList& list, ULONG_PTR ulUIParam, ULONG flags) {
    auto record = std::make_shared<ProviderRecord>();
    record->serviceUid = service.uid;
    if (!record->module.load(service.dll, directory)) return MAPI_E_NOT_FOUND;
    record->open = record->module.function<ABProviderOpenFn>("ABProviderOpen");
    record->serviceEntry = record->module.symbol(service.entry.c_str());
    if (!record->open || !record->serviceEntry) return E_FAIL;

    object_ptr<Support> support(Support::createForProvider(&list, record, ulUIParam));
    if (!support) return E_OUTOFMEMORY;
    object_ptr<IProfSect> section;
    if (HRESULT h = services.OpenProfileSection(&service.uid, nullptr, MAPI_MODIFY, section.out()); FAILED(h))
        return h;
    IAddrBook* provider = nullptr;
    // The module is known to its provider by the address of its own entry.
    HRESULT h = record->open(reinterpret_cast<void*>(record->open), support.get(), section.get(), ulUIParam, flags,
                             &PDXAllocateBuffer, &PDXAllocateMore, &PDXFreeBuffer, &provider);
    section.reset();
    support.reset(); // the provider holds its own references on what it keeps
    if (FAILED(h) || !provider) {
        if (SUCCEEDED(h) && provider == nullptr) h = E_FAIL;
        if (provider) provider->Release();
        return h;
    }
    record->provider.reset(provider);
    list.push(std::move(record));
    return S_OK;
}

HRESULT readServiceRows(IPDXServiceAdmin& services, std::vector<ServiceRow>& out) {
    object_ptr<IMAPITable> table;
    if (HRESULT h = services.GetServiceTable(0, table.out()); FAILED(h)) return h;
    struct { ULONG c; ULONG t[3]; } cols = {3, {PR_SERVICE_UID, PR_SERVICE_DLL_NAME, PR_SERVICE_ENTRY_NAME}};
    return readRows(table.get(), reinterpret_cast<SPropTagArray*>(&cols), [&](SRow& row) -> HRESULT {
        const SPropValue* uid = columnValue(row, 0, PR_SERVICE_UID);
        const SPropValue* dll = columnValue(row, 1, PR_SERVICE_DLL_NAME);
        const SPropValue* entry = columnValue(row, 2, PR_SERVICE_ENTRY_NAME);
        if (!uid || uid->Value.bin.cb != sizeof(MAPIUID)) return MAPI_E_NOT_FOUND;
        // A missing module name is a module that does not load, a missing
        // entry name an export that is not there.
        ServiceRow service;
        std::copy_n(uid->Value.bin.lpb, sizeof service.uid.ab, service.uid.ab);
        if (dll) service.dll = dll->Value.lpszA;
        if (entry) service.entry = entry->Value.lpszA;
        out.push_back(std::move(service));
        return S_OK;
    });
}

} // namespace

HRESULT loadProviders(IPDXServiceAdmin& services, ProviderList& list, ULONG_PTR ulUIParam, ULONG flags) {
    std::vector<ServiceRow> rows;
    HRESULT h = readServiceRows(services, rows);
    const std::string directory = coreDirectory();
    for (size_t i = 0; i < rows.size() && SUCCEEDED(h); ++i)
        h = loadOne(rows[i], directory, services, list, ulUIParam, flags);
    if (FAILED(h)) list.unloadAll();
    return h;
}

} // namespace pdx::core
