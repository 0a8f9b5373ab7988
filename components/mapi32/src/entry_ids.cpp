#include "entry_ids.h"

#include <cstring>

namespace mapi32 {

using namespace pdx;

namespace {
// {5C3D0E7A-9B14-4E62-A8F1-2D7B6C40E913}: the address book's own root.
constexpr MAPIUID kRootUid = {{0x7A, 0x0E, 0x3D, 0x5C, 0x14, 0x9B, 0x62, 0x4E, 0xA8, 0xF1, 0x2D, 0x7B, 0x6C, 0x40,
                               0xE9, 0x13}};
} // namespace

std::string makeId(const MAPIUID& uid, IdKind kind, std::string_view rest) {
    std::string id(kIdFixed, '\0');
    std::memcpy(id.data() + 4, uid.ab, 16);
    const auto k = static_cast<uint32_t>(kind);
    for (int i = 0; i < 4; ++i) id[kIdHeader + i] = char((k >> (8 * i)) & 0xFF);
    id.append(rest);
    return id;
}

std::string rootId() { return makeId(kRootUid, IdKind::Root); }

bool idUid(std::string_view id, MAPIUID& uid) {
    if (id.size() < kIdHeader || id[0] || id[1] || id[2] || id[3]) return false;
    std::memcpy(uid.ab, id.data() + 4, 16);
    return true;
}

bool idKind(std::string_view id, IdKind& kind) {
    if (id.size() < kIdFixed) return false;
    uint32_t k = 0;
    for (int i = 0; i < 4; ++i) k |= uint32_t(static_cast<unsigned char>(id[kIdHeader + i])) << (8 * i);
    kind = static_cast<IdKind>(k);
    return true;
}

bool sameUid(const MAPIUID& a, const MAPIUID& b) { return std::memcmp(a.ab, b.ab, 16) == 0; }

} // namespace mapi32
