#pragma once
// The provider's 40-byte entry identifier (little-endian, as it crosses to the
// callers): flags, provider UID, a zero word, the parent record id and kind,
// the record id and the kind code.

#include <array>
#include <cstdint>

#include "pdx/types.h"

namespace vqfax {

using namespace pdx;

constexpr ULONG kEntryIdSize = 40;

struct EntryId {
    MAPIUID uid{};
    int32_t parentRecord = 0;
    ULONG parentKind = 0;
    int32_t record = 0;
    ULONG kind = 0;

    std::array<uint8_t, kEntryIdSize> bytes() const;
    // Reads the first 40 bytes.
    static EntryId parse(const uint8_t* bytes);
};

// The kind of an incoming identifier: none or zero length is the root (4); an
// identifier too short to hold the fields, or with another provider's UID, is
// foreign (0x1000); otherwise its stored kind.
ULONG classify(ULONG cb, const ENTRYID* id, const MAPIUID& logonUid);
// Parsed when `classify` gives neither root-by-absence nor foreign.
bool parseOwn(ULONG cb, const ENTRYID* id, const MAPIUID& logonUid, EntryId& out);
// At least 40 readable bytes carrying the logon's UID.
bool validForComparison(ULONG cb, const ENTRYID* id, const MAPIUID& logonUid);

// The 4-byte instance key value of a record.
std::array<uint8_t, 4> instanceKey(int32_t record);

} // namespace vqfax
