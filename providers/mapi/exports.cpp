// The exports vqcore looks up by name. Nothing is thrown across them.

#include <type_traits>

#include "pdx/guard.h"
#include "provider_open.h"

#define MAPISP_EXPORT extern "C" __attribute__((visibility("default")))

using namespace pdx;

MAPISP_EXPORT HRESULT ABProviderOpen(void* module, IPDXSupport* support, IProfSect* section, ULONG_PTR ulUIParam,
                                     ULONG flags, AllocateBufferFn allocateBuffer, AllocateMoreFn allocateMore,
                                     FreeBufferFn freeBuffer, IAddrBook** provider) {
    return guarded([&] {
        return mapi::openProvider(module, support, section, ulUIParam, flags, allocateBuffer, allocateMore,
                                  freeBuffer, provider);
    });
}

MAPISP_EXPORT HRESULT MAPIServiceEntry(void* module, ULONG_PTR ulUIParam, ULONG flags, ULONG context, ULONG count,
                                       const SPropValue* values, IProfSect* section, IPDXSupport* support) {
    return guarded(
        [&] { return mapi::serviceEntry(module, ulUIParam, flags, context, count, values, section, support); });
}

static_assert(std::is_same_v<decltype(&ABProviderOpen), ABProviderOpenFn>);
static_assert(std::is_same_v<decltype(&MAPIServiceEntry), ServiceEntryFn>);
