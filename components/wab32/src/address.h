#pragma once
// IAddrBook::Address of the component: the select-names dialog over the
// file's container, and the recipients it returns.

#include <memory>

#include "pdx/address.h"
#include "session.h"

namespace wab32 {

// The caller's list is replaced by the wells' recipients (each with the
// properties a recipient needs and PR_RECIPIENT_TYPE of its well); it is
// left as it was on cancel (MAPI_E_USER_CANCEL), when the dialog only
// browses, and when no dialog can be shown (MAPI_E_NO_SUPPORT).
pdx::HRESULT address(const std::shared_ptr<Session>& session, pdx::ULONG_PTR* ui, pdx::ADRPARM* params,
                     pdx::ADRLIST** list);

} // namespace wab32
