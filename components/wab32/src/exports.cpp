// The module's exports: WABOpen and its file version (6.0).

#include "pdx/guard.h"
#include "wab_open.h"

#define WAB32_EXPORT extern "C" __attribute__((visibility("default")))

WAB32_EXPORT const uint32_t VelmoFileVersion[2] = {0x00060000, 0x00000000};

WAB32_EXPORT pdx::HRESULT WABOpen(pdx::IAddrBook** addrBook, pdx::IWABObject** wabObject, pdx::WAB_PARAM* params,
                                  pdx::DWORD) {
    return pdx::guarded([&] { return wab32::wabOpen(addrBook, wabObject, params); });
}
