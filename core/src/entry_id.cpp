#include "entry_id.h"

#include <cstring>

#include "allocator.h"
#include "pdx/guids.h"
#include "pdx/status.h"

namespace pdx::core {

EntryId pdxEntryId() {
    EntryId id(4 + sizeof(GUID), 0);
    std::memcpy(id.data() + 4, &PDX_GUID, sizeof(GUID));
    return id;
}

bool isPdxEntryId(ULONG cb, const ENTRYID* id) {
    static const EntryId own = pdxEntryId();
    return id && cb == own.size() && std::memcmp(id, own.data(), own.size()) == 0;
}

HRESULT copyEntryIdOut(const EntryId& id, ULONG* cb, ENTRYID** out) {
    ENTRYID* copy = nullptr;
    HRESULT h = allocRoot(id.size(), &copy);
    if (FAILED(h)) return h;
    if (!id.empty()) std::memcpy(copy, id.data(), id.size());
    *cb = ULONG(id.size());
    *out = copy;
    return S_OK;
}

} // namespace pdx::core
