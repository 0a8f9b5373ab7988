#include "entry_id.h"

#include <cstring>

#include "platform/system.h"

namespace wab32 {
namespace {

// {6B8A3E21-54C0-4F0B-9D5E-3A1C7F2B9E44}: the UID bytes 4-19 of every identifier.
constexpr uint8_t kComponentUid[16] = {0x21, 0x3E, 0x8A, 0x6B, 0xC0, 0x54, 0x0B, 0x4F,
                                       0x9D, 0x5E, 0x3A, 0x1C, 0x7F, 0x2B, 0x9E, 0x44};

int hexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

bool parseUuid(std::string_view s, Key& out) {
    if (s.size() > 9 && (s.substr(0, 9) == "urn:uuid:" || s.substr(0, 9) == "URN:UUID:")) s.remove_prefix(9);
    if (s.size() != 36) return false;
    size_t k = 0;
    for (size_t i = 0; i < s.size(); ++i) {
        if (i == 8 || i == 13 || i == 18 || i == 23) {
            if (s[i] != '-') return false;
            continue;
        }
        const int hi = hexDigit(s[i]);
        const int lo = i + 1 < s.size() ? hexDigit(s[i + 1]) : -1;
        if (hi < 0 || lo < 0) return false;
        out[k++] = uint8_t(hi * 16 + lo);
        ++i;
    }
    return k == 16;
}

void putU32(std::string& s, uint32_t v) {
    for (int i = 0; i < 4; ++i) s += char((v >> (8 * i)) & 0xFF);
}

} // namespace

std::string makeEntryId(EntryKind kind, const Key& key) {
    std::string id(4, '\0');
    id.append(reinterpret_cast<const char*>(kComponentUid), 16);
    putU32(id, uint32_t(kind));
    id.append(reinterpret_cast<const char*>(key.data()), key.size());
    return id;
}

std::string makeOneOffId(const OneOffAddress& a) {
    std::string payload = a.name + '\0' + a.addrType + '\0' + a.address + '\0';
    std::string id = makeEntryId(EntryKind::OneOff, hashKey(payload));
    return id + payload;
}

bool parseEntryId(const void* bytes, pdx::ULONG cb, EntryRef& out) {
    if (!bytes || cb < kEntryIdSize) return false;
    const auto* b = static_cast<const uint8_t*>(bytes);
    if (b[0] || b[1] || b[2] || b[3] || std::memcmp(b + 4, kComponentUid, 16) != 0) return false;
    const uint32_t kind = uint32_t(b[20]) | uint32_t(b[21]) << 8 | uint32_t(b[22]) << 16 | uint32_t(b[23]) << 24;
    if (kind < uint32_t(EntryKind::Root) || kind > uint32_t(EntryKind::DistListTemplate)) return false;
    out.kind = EntryKind(kind);
    std::memcpy(out.key.data(), b + 24, 16);
    if (out.kind != EntryKind::OneOff) return cb == kEntryIdSize;
    // name NUL type NUL address NUL, and the key must be their hash.
    std::string_view payload(reinterpret_cast<const char*>(b + kEntryIdSize), cb - kEntryIdSize);
    if (payload.empty() || payload.back() != '\0' || hashKey(payload) != out.key) return false;
    const size_t a = payload.find('\0');
    const size_t t = payload.find('\0', a + 1);
    if (t == std::string_view::npos || t + 1 >= payload.size()) return false;
    out.oneOff.name = std::string(payload.substr(0, a));
    out.oneOff.addrType = std::string(payload.substr(a + 1, t - a - 1));
    out.oneOff.address = std::string(payload.substr(t + 1, payload.size() - t - 2));
    return out.oneOff.address.find('\0') == std::string::npos;
}

Key hashKey(std::string_view text) {
    // FNV-1a, 128-bit: offset basis and prime of the published parameters.
    unsigned __int128 h = (unsigned __int128)0x6c62272e07bb0142ULL << 64 | 0x62b821756295c58dULL;
    const unsigned __int128 prime = (unsigned __int128)0x0000000001000000ULL << 64 | 0x000000000000013BULL;
    for (unsigned char c : text) {
        h ^= c;
        h *= prime;
    }
    Key k;
    for (int i = 0; i < 16; ++i) k[size_t(i)] = uint8_t(h >> (8 * (15 - i)));
    return k;
}

Key keyFromUid(std::string_view uid) {
    Key k;
    if (parseUuid(uid, k)) return k;
    return hashKey(std::string("uid:") + std::string(uid));
}

std::string keyToUuid(const Key& key) {
    static const char* digits = "0123456789abcdef";
    std::string s;
    for (size_t i = 0; i < 16; ++i) {
        if (i == 4 || i == 6 || i == 8 || i == 10) s += '-';
        s += digits[key[i] >> 4];
        s += digits[key[i] & 0xF];
    }
    return s;
}

Key randomKey() {
    const std::array<uint8_t, 16> g = platform::newGuid();
    Key k;
    std::memcpy(k.data(), g.data(), 16);
    return k;
}

} // namespace wab32
