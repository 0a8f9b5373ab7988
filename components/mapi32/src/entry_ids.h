#pragma once
// The component's entry identifiers: four zero flag bytes, the UID of the
// service the entry belongs to (so every service has its own UID in bytes
// 4-19), then what the service needs to find the entry again. A service's
// container is the header and the kind 2; the address book's root has the
// component's own UID.

#include <cstdint>
#include <string>
#include <string_view>

#include "pdx/types.h"

namespace mapi32 {

enum class IdKind : uint32_t { Root = 1, Container = 2, MailUser = 3, DistList = 4 };

constexpr size_t kIdHeader = 20;
constexpr size_t kIdFixed = kIdHeader + 4; // header and kind

std::string makeId(const pdx::MAPIUID& uid, IdKind kind, std::string_view rest = {});
std::string rootId();
// The UID in bytes 4-19; false for an identifier too short or with flags set.
bool idUid(std::string_view id, pdx::MAPIUID& uid);
// The kind after the header; false when the identifier has none.
bool idKind(std::string_view id, IdKind& kind);
inline std::string_view idRest(std::string_view id) { return id.size() > kIdFixed ? id.substr(kIdFixed) : std::string_view(); }

bool sameUid(const pdx::MAPIUID& a, const pdx::MAPIUID& b);

} // namespace mapi32
