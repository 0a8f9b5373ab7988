#pragma once
// Interface identifiers: the PDX's own ones and MAPI's for the MAPI-shaped objects.

#include "pdx/types.h"

namespace pdx {

constexpr GUID mapiGuid(uint32_t data1) { return {data1, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}}; }

inline constexpr IID IID_IUnknown = mapiGuid(0x00000000);
inline constexpr IID IID_IMAPITable = mapiGuid(0x00020301);
inline constexpr IID IID_IMAPIAdviseSink = mapiGuid(0x00020302);
inline constexpr IID IID_IMAPIProp = mapiGuid(0x00020303);
inline constexpr IID IID_IProfSect = mapiGuid(0x00020304);
inline constexpr IID IID_IAddrBook = mapiGuid(0x00020309);
inline constexpr IID IID_IMailUser = mapiGuid(0x0002030A);
inline constexpr IID IID_IMAPIContainer = mapiGuid(0x0002030B);
inline constexpr IID IID_IABContainer = mapiGuid(0x0002030D);
inline constexpr IID IID_IDistList = mapiGuid(0x0002030E);
inline constexpr IID IID_IMAPITableData = mapiGuid(0x00020316);
inline constexpr IID IID_IPDXSession = mapiGuid(0x000203A0);
inline constexpr IID IID_IPDXSupport = mapiGuid(0x000203A1);
inline constexpr IID IID_IPDXProfAdmin = mapiGuid(0x000203A2);
inline constexpr IID IID_IPDXServiceAdmin = mapiGuid(0x000203A3);

// The PDX's own identifier {3F2BF580-E91B-11D2-9168-00C04F8CAA0E}.
inline constexpr GUID PDX_GUID = {0x3F2BF580, 0xE91B, 0x11D2, {0x91, 0x68, 0x00, 0xC0, 0x4F, 0x8C, 0xAA, 0x0E}};

constexpr bool operator==(const GUID& a, const GUID& b) {
    if (a.Data1 != b.Data1 || a.Data2 != b.Data2 || a.Data3 != b.Data3) return false;
    for (int i = 0; i < 8; ++i)
        if (a.Data4[i] != b.Data4[i]) return false;
    return true;
}

inline bool isIid(LPCIID iid, const IID& want) { return iid && *iid == want; }

} // namespace pdx
