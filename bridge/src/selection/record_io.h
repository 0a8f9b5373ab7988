#pragma once
// Recipients in and out of the caller's records.

#include <string>
#include <vector>

#include "selection/entry_row.h"
#include "vqbridge.h"

namespace vqbridge {

// At most `limit` bytes of `text`, cut before a character that would not fit
// whole (when the text is valid in the system code page).
std::string boundedText(const std::string& text, size_t limit);

// Zero-fills the record and writes the recipient into it.
void fillRecord(RecipientRecord& record, const Recipient& recipient);
Recipient recipientOfRecord(const RecipientRecord& record);

// The caller's array can be read: its capacity word and its pointers.
bool arrayUsable(const RecipientArray* array);

// The first `count` records of the array (never more than its capacity).
std::vector<Recipient> readRecords(const RecipientArray& array, uint32_t count);

// The result of an OK: the records filled on input are cleared, the count
// starts at 0 and the recipients are written in order until the list or the
// capacity ends.
void writeRecords(RecipientArray& array, uint32_t& count, uint32_t filledOnInput, const std::vector<Recipient>& list);

} // namespace vqbridge
