#pragma once
// Profile and service administration: IProfAdmin over the stored profiles
// and IMsgServiceAdmin over one profile's services.

#include <string>

#include "pdx/mapi.h"

namespace mapi32 {

pdx::IProfAdmin* newProfAdmin();
pdx::IMsgServiceAdmin* newServiceAdmin(std::string profile);

} // namespace mapi32
