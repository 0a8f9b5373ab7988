// The exports vqcore looks up by name. Nothing is thrown across them.

#include <type_traits>

#include "pdx/guard.h"
#include "provider_open.h"

#define WAB_EXPORT extern "C" __attribute__((visibility("default")))

using namespace pdx;

WAB_EXPORT HRESULT ABProviderOpen(void* module, IPDXSupport* support, IProfSect* section, ULONG_PTR ulUIParam,
                                  ULONG flags, AllocateBufferFn allocateBuffer, AllocateMoreFn allocateMore,
                                  FreeBufferFn freeBuffer, IAddrBook** provider) {
    return guarded([&] {
        return wab::openProvider(module, support, section, ulUIParam, flags, allocateBuffer, allocateMore, freeBuffer,
                                 provider);
    });
}

WAB_EXPORT HRESULT WABServiceEntry(void* module, ULONG_PTR ulUIParam, ULONG flags, ULONG context, ULONG count,
                                   const SPropValue* values, IProfSect* section, IPDXSupport* support) {
    return guarded(
        [&] { return wab::serviceEntry(module, ulUIParam, flags, context, count, values, section, support); });
}

static_assert(std::is_same_v<decltype(&ABProviderOpen), ABProviderOpenFn>);
static_assert(std::is_same_v<decltype(&WABServiceEntry), ServiceEntryFn>);
