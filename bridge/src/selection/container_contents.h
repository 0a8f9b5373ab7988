#pragma once
// The entry rows of a container: one row per address of a mail user (a mail
// user without any address gives one row without address), one row per
// distribution list.

#include <vector>

#include "selection/entry_row.h"
#include "selection/selection_labels.h"

namespace vqbridge {

// Appends the rows of the container's contents table; `nextId` numbers them.
// A container or table that cannot be opened or read leaves fewer rows.
pdx::HRESULT readContainerRows(const PdxAccess& pdx, const EntryId& container, const SelectionLabels& labels,
                               uint32_t& nextId, std::vector<EntryRow>& rows);

// The display names of a distribution list's members, in table order.
std::vector<std::string> listMemberNames(const PdxAccess& pdx, const EntryId& list);

} // namespace vqbridge
