#pragma once
// Entry identifiers as values: kept, compared and handed out.

#include <cstdint>
#include <vector>

#include "pdx/types.h"

namespace pdx::core {

using EntryId = std::vector<uint8_t>;

inline EntryId entryIdOf(const SBinary& bin) {
    return bin.cb && bin.lpb ? EntryId(bin.lpb, bin.lpb + bin.cb) : EntryId();
}
inline ENTRYID* entryPtr(EntryId& id) { return reinterpret_cast<ENTRYID*>(id.data()); }
inline ULONG entrySize(const EntryId& id) { return ULONG(id.size()); }

// The PDX's own 20-byte identifier: four zero bytes and the PDX GUID.
EntryId pdxEntryId();
bool isPdxEntryId(ULONG cb, const ENTRYID* id);

// A copy of the identifier in a new root buffer.
HRESULT copyEntryIdOut(const EntryId& id, ULONG* cb, ENTRYID** out);

} // namespace pdx::core
