#pragma once
// The two kinds of address book and the entry limit.

#include <cstddef>
#include <cstdint>

namespace lisotrex {

inline constexpr int32_t kPlainBook = 0;    // fax and e-mail only
inline constexpr int32_t kOneTouchBook = 1; // with one-touch numbers
inline constexpr size_t kMaxEntries = 9999;

} // namespace lisotrex
