#pragma once
// ExpandDistLists: an address list whose distribution lists are replaced by
// their members, nested lists included, each list expanded once and each
// entry kept once.

#include "pdx/interfaces.h"

namespace pdx::core {

// `book` opens the lists. The caller has checked the flags and the pointer.
HRESULT expandDistLists(IAddrBook& book, ADRLIST** list);

} // namespace pdx::core
