#pragma once
// The recipients of distribution lists: the lists are expanded together by
// the session and their members prepared with the entry columns, then every
// member gives its fax and e-mail recipients.

#include <vector>

#include "selection/entry_row.h"
#include "selection/selection_labels.h"

namespace vqbridge {

// Nothing when the lists cannot be expanded.
std::vector<Recipient> expandLists(const PdxAccess& pdx, const std::vector<const EntryRow*>& lists,
                                   const SelectionLabels& labels);

// The recipients one expanded member gives: a fax recipient for its primary
// (or one-off) number, else one for its business and one for its home
// number; and an e-mail recipient.
void memberRecipients(const PropView& member, const SelectionLabels& labels, std::vector<Recipient>& out);

} // namespace vqbridge
