#pragma once
// WABOpen: the store named by the parameter block (else the user's
// contacts.vcf), an address book and the IWABObject over it.

#include <string>

#include "pdx/wab.h"

namespace wab32 {

// $XDG_DATA_HOME/velmo/contacts.vcf (XDG_DATA_HOME defaulting to ~/.local/share).
std::string defaultStorePath();

pdx::HRESULT wabOpen(pdx::IAddrBook** addrBook, pdx::IWABObject** wabObject, const pdx::WAB_PARAM* params);

} // namespace wab32
