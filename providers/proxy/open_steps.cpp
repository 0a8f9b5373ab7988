#include "open_steps.h"

#include <cstring>

#include "convert.h"
#include "pdx/status.h"
#include "platform/system.h"
#include "provider.h"

namespace pdx::proxy {

HRESULT SectionProps::read(IProfSect* section, FreeBufferFn freeBuffer) {
    const SizedTags<3> tags{3, {PR_DISPLAY_NAME, PR_FAX_AB_FILE_PATH, PR_SERVICE_UID}};
    values = buffer_ptr<SPropValue>(freeBuffer);
    count = 0;
    return section->GetProps(tags.get(), 0, &count, values.out());
}

MAPIUID SectionProps::uid() const {
    MAPIUID uid;
    std::memcpy(uid.ab, values[2].Value.bin.lpb, sizeof uid.ab);
    return uid;
}

HRESULT checkOpenArguments(IPDXSupport* support, IProfSect* section, FreeBufferFn freeBuffer, ULONG flags,
                           IAddrBook** out) {
    // Without a free routine the section's answer could not be given back.
    if (!support || !section || !freeBuffer || !platform::isWritable(out, sizeof *out)) return E_INVALIDARG;
    if (flags & MAPI_UNICODE) return MAPI_E_BAD_CHARWIDTH;
    *out = nullptr;
    return S_OK;
}

HRESULT readConfiguredSection(SectionProps& props, IProfSect* section, FreeBufferFn freeBuffer, ULONG flags,
                              const ConfigureFn& configure) {
    if (HRESULT h = props.read(section, freeBuffer); FAILED(h)) return h;
    if (!props.hasUid()) return MAPI_E_BAD_VALUE;
    if (props.has(0, PR_DISPLAY_NAME)) return S_OK;
    if (flags & kNoConfigureDialog) return MAPI_E_UNCONFIGURED;
    if (HRESULT h = configure(freeBuffer); FAILED(h)) return h;
    if (HRESULT h = props.read(section, freeBuffer); FAILED(h)) return h;
    return props.hasUid() ? S_OK : MAPI_E_BAD_VALUE;
}

HRESULT usePdxMemory(Provider& provider, IPDXSupport* support) {
    AllocateBufferFn allocate = nullptr;
    AllocateMoreFn more = nullptr;
    FreeBufferFn free = nullptr;
    if (HRESULT h = support->GetMemAllocRoutines(&allocate, &more, &free); FAILED(h)) return h;
    provider.setPdxMemory(allocate, more, free);
    return S_OK;
}

HRESULT serviceEntrySteps(ULONG flags, ULONG context, ULONG count, const SPropValue* values, IProfSect* section,
                          IPDXSupport* support, const ConfigureFn& configure) {
    if (!support) return E_INVALIDARG;
    if (flags & MAPI_UNICODE) return MAPI_E_BAD_CHARWIDTH;
    if (context == MSG_SERVICE_CREATE || context == MSG_SERVICE_CONFIGURE) {
        if (!section) return E_INVALIDARG;
        if (count && values && platform::isReadable(values, sizeof(SPropValue) * size_t(count)))
            if (HRESULT h = section->SetProps(count, values, nullptr); FAILED(h)) return h;
    }
    AllocateBufferFn allocate = nullptr;
    AllocateMoreFn more = nullptr;
    FreeBufferFn free = nullptr;
    const HRESULT routines = support->GetMemAllocRoutines(&allocate, &more, &free);
    if (FAILED(routines)) return routines;
    if (context < 1 || context > 5) return MAPI_E_NO_SUPPORT;
    const bool dialog = context == MSG_SERVICE_CONFIGURE ||
                        (context == MSG_SERVICE_CREATE && (flags & (SERVICE_UI_ALWAYS | SERVICE_UI_ALLOWED)));
    if (!dialog) return routines;
    if (HRESULT h = configure(free); FAILED(h)) return h;
    return routines;
}

} // namespace pdx::proxy
