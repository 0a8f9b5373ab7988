#pragma once
// MAPILogonEx and the session it hands out: the profile's services as an
// address book, until Logoff.

#include "pdx/mapi.h"

namespace mapi32 {

// MAPI_USE_DEFAULT: the default profile; otherwise the named one.
// MAPI_E_LOGON_FAILED when there is no such profile.
pdx::HRESULT logon(pdx::ULONG_PTR ulUIParam, const char* profile, pdx::ULONG flags, pdx::IMAPISession** out);

} // namespace mapi32
