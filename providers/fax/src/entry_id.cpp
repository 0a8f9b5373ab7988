#include "entry_id.h"

#include <cstring>

#include "fax_tags.h"
#include "fax_memory.h"

namespace vqfax {
namespace {

void putWord(uint8_t* p, uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
}
uint32_t getWord(const uint8_t* p) {
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}
const uint8_t* bytesOf(const ENTRYID* id) { return reinterpret_cast<const uint8_t*>(id); }
bool sameUid(const uint8_t* bytes, const MAPIUID& uid) { return std::memcmp(bytes + 4, uid.ab, 16) == 0; }

} // namespace

std::array<uint8_t, kEntryIdSize> EntryId::bytes() const {
    std::array<uint8_t, kEntryIdSize> b{};
    std::memcpy(b.data() + 4, uid.ab, 16);
    putWord(b.data() + 24, static_cast<uint32_t>(parentRecord));
    putWord(b.data() + 28, parentKind);
    putWord(b.data() + 32, static_cast<uint32_t>(record));
    putWord(b.data() + 36, kind);
    return b;
}

EntryId EntryId::parse(const uint8_t* bytes) {
    EntryId e;
    std::memcpy(e.uid.ab, bytes + 4, 16);
    e.parentRecord = static_cast<int32_t>(getWord(bytes + 24));
    e.parentKind = getWord(bytes + 28);
    e.record = static_cast<int32_t>(getWord(bytes + 32));
    e.kind = getWord(bytes + 36);
    return e;
}

ULONG classify(ULONG cb, const ENTRYID* id, const MAPIUID& logonUid) {
    if (!id || cb == 0) return kKindRoot;
    if (cb < kEntryIdSize || !sameUid(bytesOf(id), logonUid)) return kKindForeign;
    return getWord(bytesOf(id) + 36);
}

bool parseOwn(ULONG cb, const ENTRYID* id, const MAPIUID& logonUid, EntryId& out) {
    if (!id || cb < kEntryIdSize || !sameUid(bytesOf(id), logonUid)) return false;
    out = EntryId::parse(bytesOf(id));
    return true;
}

bool validForComparison(ULONG cb, const ENTRYID* id, const MAPIUID& logonUid) {
    return id && cb >= kEntryIdSize && readableIn(id, kEntryIdSize) && sameUid(bytesOf(id), logonUid);
}

std::array<uint8_t, 4> instanceKey(int32_t record) {
    std::array<uint8_t, 4> k{};
    putWord(k.data(), static_cast<uint32_t>(record));
    return k;
}

} // namespace vqfax
