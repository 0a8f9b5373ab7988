#pragma once
// DoCopyTo and DoCopyProps of IPDXSupport: the plain property copy and, when
// a list or container is copied with its contents, the copy of its entries
// through the destination's creation templates.

#include "pdx/interfaces.h"

namespace pdx::core {

HRESULT doCopyTo(LPCIID srcIface, void* source, const SPropTagArray* excludeTags, LPCIID destIface,
                 void* destination, ULONG flags, SPropProblemArray** problems);
HRESULT doCopyProps(LPCIID srcIface, void* source, const SPropTagArray* includeTags, LPCIID destIface,
                    void* destination, ULONG flags, SPropProblemArray** problems);

// Copies every entry of `source` (a container or list) into `destination`
// (an address book container or list). An entry type the destination has no
// template for is left out and reported as MAPI_W_PARTIAL_COMPLETION.
HRESULT copyEntries(IMAPIContainer* source, IABContainer* destination);

} // namespace pdx::core
