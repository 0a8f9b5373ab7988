#pragma once
// Records of the fax store as the provider's objects see them: resolving an
// entry, loading its fields and members, writing it back and deleting it.
// Every function works inside one open book.

#include "entry_id.h"
#include "member_list.h"
#include "prop_list.h"
#include "store_library.h"

namespace vqfax {

enum class ResolveMode { MustExist, Create, Other };

// Checks (or, in create mode, creates) the record of the pair; on creation the
// pair becomes the new record id with its plain kind.
HRESULT resolveEntry(OpenBook& book, int32_t& record, ULONG& kind, ResolveMode mode);

// Appends the record's fields to `props`. Seen through a group (parent kind 8),
// the numbers the group does not select for this record are put as empty
// strings. `knownCount`: the record's element count, when just asked.
HRESULT loadFields(OpenBook& book, int32_t record, ULONG kind, int32_t parentRecord, ULONG parentKind,
                   PropList& props, const int32_t* knownCount = nullptr);

// The field elements with a known code, appended as PT_STRING8 properties.
void appendFields(const std::vector<struct Element>& elements, PropList& props);
// The numbers a group's member element does not select for `record`, put as
// empty strings.
void maskUnselected(const std::vector<struct Element>& group, int32_t record, PropList& props);

// Every record of the store (root) or the members of a group.
HRESULT loadMembers(OpenBook& book, int32_t record, ULONG kind, MemberList& members);

// SaveChanges of a dirty object: `id` is updated when a record is created.
// `members` is the member list of a group (null for a contact or the root).
HRESULT writeEntry(OpenBook& book, EntryId& id, const PropList& props, const MemberList* members);

// Deletes a record of the store.
HRESULT deleteRecord(OpenBook& book, int32_t record, ULONG kind);

} // namespace vqfax
