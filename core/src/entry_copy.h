#pragma once
// DoCopyTo and DoCopyProps of IPDXSupport: the plain property copy and, when
// a list or container is copied with its contents, the copy of its entries
// through the destination's creation templates.

#include <functional>

#include "entry_id.h"
#include "pdx/interfaces.h"

namespace pdx::core {

// Whether two identifiers that differ byte for byte name the same entry, as
// the provider that issued them says (one entry can be reached under several
// parents). Empty: only equal bytes are the same entry.
using SameEntryFn = std::function<bool(const EntryId&, const EntryId&)>;

HRESULT doCopyTo(LPCIID srcIface, void* source, const SPropTagArray* excludeTags, LPCIID destIface,
                 void* destination, ULONG flags, SPropProblemArray** problems, const SameEntryFn& same = {});
HRESULT doCopyProps(LPCIID srcIface, void* source, const SPropTagArray* includeTags, LPCIID destIface,
                    void* destination, ULONG flags, SPropProblemArray** problems, const SameEntryFn& same = {});

// Copies every entry of `source` (a container or list) into `destination`
// (an address book container or list, E_NOINTERFACE for anything else). An
// entry type the destination has no template for is left out and reported as
// MAPI_W_PARTIAL_COMPLETION.
HRESULT copyEntries(IMAPIContainer* source, IUnknown* destination, const SameEntryFn& same = {});

} // namespace pdx::core
