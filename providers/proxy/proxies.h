#pragma once
// Proxies for the component's objects: containers, distribution lists, mail
// users and tables. Each holds one reference to its component object and one
// to the provider.

#include "pdx/interfaces.h"
#include "pdx/tags.h"

namespace pdx::proxy {

class Provider;

// The proxy for a component object of type 4, 6 or 8 (else
// MAPI_E_INVALID_OBJECT and a null object). The proxy takes a reference of
// its own; the caller keeps (and releases) the one it had.
HRESULT wrapObject(Provider& provider, ULONG objType, IUnknown* object, IUnknown** out);
HRESULT wrapTable(Provider& provider, IMAPITable* table, IMAPITable** out);

} // namespace pdx::proxy
