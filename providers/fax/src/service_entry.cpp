// ABServiceEntry: service creation (the store library's converter, then the
// configuration dialog) and configuration.

#include "config_dialog.h"
#include "exports.h"
#include "fax_memory.h"
#include "pdx/guard.h"
#include "pdx/status.h"
#include "pdx/tags.h"
#include "store_library.h"

using namespace pdx;
using namespace vqfax;

namespace {

constexpr ULONG kFirstContext = 1;
constexpr ULONG kLastContext = 5;

HRESULT configure(ULONG_PTR ulUIParam, IProfSect* section, FreeBufferFn freeBuffer, HRESULT routines) {
    const int button = runConfigDialog(ulUIParam, section, freeBuffer);
    if (button == kDialogCancel) return MAPI_E_USER_CANCEL;
    // A configuration that could not be shown has not happened.
    if (button == kDialogFailed) return E_FAIL;
    return routines;
}

HRESULT serviceEntry(ULONG_PTR ulUIParam, ULONG flags, ULONG context, ULONG count, const SPropValue* values,
                     IProfSect* section, IPDXSupport* support) {
    if (!section || !support) return E_INVALIDARG;
    if (count && values && readableIn(values, sizeof(SPropValue) * size_t(count)))
        if (HRESULT h = section->SetProps(count, values, nullptr); FAILED(h)) return h;
    AllocateBufferFn allocate = nullptr;
    AllocateMoreFn more = nullptr;
    FreeBufferFn freeBuffer = nullptr;
    const HRESULT routines = support->GetMemAllocRoutines(&allocate, &more, &freeBuffer);
    if (FAILED(routines)) return routines;
    if (context < kFirstContext || context > kLastContext) return MAPI_E_NO_SUPPORT;
    if (context == MSG_SERVICE_CREATE) {
        runConverter();
        if (flags & (SERVICE_UI_ALWAYS | SERVICE_UI_ALLOWED)) return configure(ulUIParam, section, freeBuffer, routines);
        return routines;
    }
    if (context == MSG_SERVICE_CONFIGURE) return configure(ulUIParam, section, freeBuffer, routines);
    return routines;
}

} // namespace

VQFAX_EXPORT HRESULT ABServiceEntry(void*, ULONG_PTR ulUIParam, ULONG flags, ULONG context, ULONG count,
                                    const SPropValue* values, IProfSect* section, IPDXSupport* support) {
    return guarded([&] { return serviceEntry(ulUIParam, flags, context, count, values, section, support); });
}
