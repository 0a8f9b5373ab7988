// ABProviderOpen: reads the service's profile section, binds the store
// library and hands vqcore the logon object.

#include <cstring>

#include "exports.h"
#include "fax_tags.h"
#include "logon.h"
#include "fax_memory.h"
#include "pdx/guard.h"
#include "pdx/status.h"
#include "store_library.h"

using namespace pdx;
using namespace vqfax;

namespace {

HRESULT openProvider(void* module, IPDXSupport* support, IProfSect* section, FreeBufferFn freeBuffer,
                     IAddrBook** provider) {
    if (!support || !section || !writableOut(provider)) return E_INVALIDARG;
    *provider = nullptr;

    SPropTagArray* tags = nullptr;
    struct {
        ULONG cValues;
        ULONG tags[3];
    } wanted = {3, {PR_DISPLAY_NAME, PR_FAX_AB_FILE_PATH, PR_SERVICE_UID}};
    tags = reinterpret_cast<SPropTagArray*>(&wanted);
    ULONG count = 0;
    SPropValue* values = nullptr;
    if (HRESULT h = section->GetProps(tags, 0, &count, &values); FAILED(h)) return h;
    // The answer goes back through the routine the caller passed with it.
    buffer_ptr<SPropValue> answer(values, freeBuffer);

    if (!values || count < 3 || PROP_ID(values[2].ulPropTag) != PROP_ID(PR_SERVICE_UID) ||
        !values[2].Value.bin.lpb || values[2].Value.bin.cb < sizeof(MAPIUID))
        return MAPI_E_BAD_VALUE;
    if (values[0].ulPropTag != PR_DISPLAY_NAME || !values[0].Value.lpszA) return MAPI_E_UNCONFIGURED;

    AllocateBufferFn allocate = nullptr;
    AllocateMoreFn more = nullptr;
    FreeBufferFn release = nullptr;
    if (HRESULT h = support->GetMemAllocRoutines(&allocate, &more, &release); FAILED(h)) return h;
    setAllocators(allocate, more, release);

    MAPIUID uid;
    std::memcpy(uid.ab, values[2].Value.bin.lpb, sizeof uid.ab);
    const char* path = values[1].ulPropTag == PR_FAX_AB_FILE_PATH ? values[1].Value.lpszA : nullptr;
    StoreBinding* binding = nullptr;
    if (HRESULT h = StoreBinding::open(path, &binding); FAILED(h)) return h;
    Logon* logon = Logon::create(module, uid, values[0].Value.lpszA, binding, support);
    if (!logon) {
        binding->release();
        return E_OUTOFMEMORY;
    }
    logon->AddRef();
    support->SetProviderUID(&uid, 0);
    *provider = logon;
    return S_OK;
}

} // namespace

VQFAX_EXPORT HRESULT ABProviderOpen(void* module, IPDXSupport* support, IProfSect* section, ULONG_PTR, ULONG,
                                    AllocateBufferFn, AllocateMoreFn, FreeBufferFn freeBuffer, IAddrBook** provider) {
    return guarded([&] { return openProvider(module, support, section, freeBuffer, provider); });
}
