#pragma once
// The component's entry identifiers. Every identifier is 40 bytes: four zero
// flag bytes, the component's 16-byte UID, the kind of object (32-bit
// little-endian) and a 16-byte key. A one-off address carries its name,
// address type and address after those 40 bytes.
//
// Keys of contacts and lists come from the card (its UID, or its content when
// it has none), so the same card has the same identifier in every session
// and process.

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "pdx/types.h"

namespace wab32 {

enum class EntryKind : uint32_t {
    Root = 1,
    Container = 2,
    MailUser = 3,
    DistList = 4,
    OneOff = 5,
    MailUserTemplate = 6,
    DistListTemplate = 7,
};

using Key = std::array<uint8_t, 16>;

struct OneOffAddress {
    std::string name;     // system code page
    std::string addrType;
    std::string address;
};

struct EntryRef {
    EntryKind kind = EntryKind::Root;
    Key key{};
    OneOffAddress oneOff; // kind OneOff only
};

constexpr size_t kEntryIdSize = 40;

std::string makeEntryId(EntryKind kind, const Key& key = {});
std::string makeOneOffId(const OneOffAddress& address);
// False for anything that is not one of ours (an empty identifier included).
bool parseEntryId(const void* bytes, pdx::ULONG cb, EntryRef& out);

// 128-bit FNV-1a of the text.
Key hashKey(std::string_view text);
// A key from a card UID: a UUID (with or without "urn:uuid:") gives its own
// 16 bytes, so a UID written from a key reads back as the same key; any
// other UID is hashed.
Key keyFromUid(std::string_view uid);
// The key as a UUID text (lower-case 8-4-4-4-12).
std::string keyToUuid(const Key& key);
// A new random version 4 UUID key.
Key randomKey();

} // namespace wab32
