#pragma once
// Merging imported entries into the open book: same names (and types) update
// the book's entries, the rest are added or dropped by the import mode, and
// the user settles names that are ambiguous.

#include "convert/conversion.h"
#include "convert/import_prompter.h"
#include "model/undo_record.h"

#include <vector>

namespace lisotrex {

class CLisotrexDoc;
class Prompter;

struct MergeResult {
    bool finished = true;            // false when the book became full (6001 shown) or memory ran out
    bool outOfMemory = false;        // memory ran out: what was merged until then stays
    std::vector<size_t> changedRows; // book entries updated, ascending
    size_t firstAdded = 0;           // appended entries start here ...
    size_t addedCount = 0;           // ... and are this many
    bool anyChange() const { return !changedRows.empty() || addedCount > 0; }
};

// Merges `imported` (in delivery order) into doc; every change goes into `undo`
// (an add record). Imported entries' matched flags are used and left set.
// Entries that go into the book leave `imported` (their places become null).
MergeResult mergeImported(CLisotrexDoc& doc, ImportedEntries& imported, int mode, UndoRecord& undo,
                          Prompter& prompter, ImportPrompter& importPrompter);

} // namespace lisotrex
