#pragma once
// The steps that the contacts and directory plug-ins take alike in
// ABProviderOpen and in their service entry; what each does with its own
// component (and its own dialog) stays in the plug-in.

#include <functional>

#include "pdx/interfaces.h"
#include "pdx/memory.h"
#include "pdx/tags.h"

namespace pdx::proxy {

class Provider;

// ABProviderOpen: MAPI_E_UNCONFIGURED instead of the dialog.
constexpr ULONG kNoConfigureDialog = 0x00080000;

// The section's answer for the three properties the provider needs.
struct SectionProps {
    buffer_ptr<SPropValue> values;
    ULONG count = 0;

    HRESULT read(IProfSect* section, FreeBufferFn freeBuffer);
    bool has(ULONG i, ULONG tag) const { return values && count > i && values[i].ulPropTag == tag; }
    // A provider UID needs its 16 bytes.
    bool hasUid() const { return has(2, PR_SERVICE_UID) && values[2].Value.bin.lpb && values[2].Value.bin.cb >= 16; }
    const char* text(ULONG i, ULONG tag) const {
        return has(i, tag) && values[i].Value.lpszA ? values[i].Value.lpszA : "";
    }
    MAPIUID uid() const; // only after hasUid()
};

// ABProviderOpen's checks of its arguments; `*out` is cleared once they pass.
HRESULT checkOpenArguments(IPDXSupport* support, IProfSect* section, FreeBufferFn freeBuffer, ULONG flags,
                           IAddrBook** out);

// The plug-in's configuration dialog: S_OK when it ended with OK, else the
// status ABProviderOpen or the service entry answers.
using ConfigureFn = std::function<HRESULT(FreeBufferFn freeBuffer)>;

// Reads the section; a service without a name is configured first (unless
// the flags forbid the dialog) and the section read again.
HRESULT readConfiguredSection(SectionProps& props, IProfSect* section, FreeBufferFn freeBuffer, ULONG flags,
                              const ConfigureFn& configure);

// The provider allocates what it gives vqcore with vqcore's own routines.
HRESULT usePdxMemory(Provider& provider, IPDXSupport* support);

// The service entry: the given values go to the section on create and
// configure, and the dialog shows on configure (and on create when allowed).
HRESULT serviceEntrySteps(ULONG flags, ULONG context, ULONG count, const SPropValue* values, IProfSect* section,
                          IPDXSupport* support, const ConfigureFn& configure);

} // namespace pdx::proxy
