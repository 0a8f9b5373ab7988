#pragma once
// Loading the providers of a profile's services: each module from vqcore's
// folder, its ABProviderOpen called with a support object of its own. All or
// nothing: one failure unloads what was loaded.

#include <string>

#include "pdx/interfaces.h"
#include "provider_list.h"

namespace pdx::core {

// The folder of the module holding vqcore: its path up to where a suffix
// equal (ignoring case) to the module's own name begins; a path that does
// not end in that name gives its folder. With a trailing "/".
std::string coreDirectory();
// The same rule for a given module path and name.
std::string directoryBefore(const std::string& modulePath, const std::string& moduleName);

HRESULT loadProviders(IPDXServiceAdmin& services, ProviderList& list, ULONG_PTR ulUIParam, ULONG flags);

} // namespace pdx::core
