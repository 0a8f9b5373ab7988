#pragma once
// The duplicate check of CreateEntry's flags: which entry of the store a new
// entry would duplicate.

#include "contact_store.h"
#include "pdx/types.h"
#include "pdx_common/prop_array.h"

namespace wab32 {

constexpr pdx::ULONG CREATE_CHECK_DUP_STRICT = 0x00000001;
constexpr pdx::ULONG CREATE_CHECK_DUP_LOOSE = 0x00000002;
constexpr pdx::ULONG CREATE_REPLACE = 0x00000004;

// Loose: an entry of the same kind with the same display name (compared
// without regard to case). Strict, and a replace asked for without a level:
// the same display name and the same e-mail address (an entry without one
// matches only another without one). Null when there is none, when no check
// is asked for, or when the new entry has no display name to compare.
// Caller holds the store's lock.
const Entry* findDuplicate(const ContactStore& store, EntryKind kind, const pdx::common::PropArray& props,
                           pdx::ULONG createFlags);

} // namespace wab32
