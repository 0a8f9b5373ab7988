#pragma once
// An entry as one text record: the line form of the native book file and of
// the private clipboard block.

#include "files/field_codec.h"
#include "model/entry.h"

#include <memory>
#include <string>
#include <vector>

namespace lisotrex {

enum class LineRead { Entry, End, Bad };

// Reads one entry line. End: an empty first field that ends its line (an empty
// line or the end of the data). The entry comes out checked, unmarked and
// without reading; the one-touch column is read only for a one-touch book.
LineRead readEntryLine(FieldReader& reader, CAddrUserDataObj& entry, int32_t bookType);

// Appends one entry line with the given line end.
void appendEntryLine(std::string& out, const CAddrUserDataObj& entry, int32_t bookType, std::string_view lineEnd);

// The clipboard block: the lines ended by LF, then one NUL.
std::string clipboardBlock(const std::vector<const CAddrUserDataObj*>& entries, int32_t bookType);

} // namespace lisotrex
