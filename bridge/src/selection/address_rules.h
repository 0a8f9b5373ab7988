#pragma once
// How an entry's fax numbers and e-mail address are found, by its address
// type: one-off fax entries carry their number in the e-mail address and say
// which number it is by a name suffix; directory entries carry their
// internet address among their proxy addresses.

#include "selection/entry_row.h"
#include "selection/selection_labels.h"

namespace vqbridge {

struct EntryAddresses {
    std::string displayName;
    std::string primaryFax, homeFax, businessFax, otherFax, email;
    FaxTexts homeTexts, businessTexts;
    std::string oneOffFax; // the number of a one-off fax entry, whichever kind it is

    bool anyFax() const { return !primaryFax.empty() || !homeFax.empty() || !businessFax.empty() || !otherFax.empty(); }
};

EntryAddresses readAddresses(const PropView& props, const SelectionLabels& labels);

} // namespace vqbridge
