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

// The values of one entry line, each text cut to its field's capacity.
struct EntryLine {
    int32_t type = kEntryFax;
    char name[decltype(CAddrUserDataObj::m_szName)::kCapacity];
    char destination[decltype(CAddrUserDataObj::m_szDestination)::kCapacity];
    char department[decltype(CAddrUserDataObj::m_szDepartment)::kCapacity];
    size_t nameLength = 0, destinationLength = 0, departmentLength = 0;
    int32_t accessCode = 0;
    int32_t oneTouch = 0;

    std::string_view nameView() const { return {name, nameLength}; }
    std::string_view destinationView() const { return {destination, destinationLength}; }
    std::string_view departmentView() const { return {department, departmentLength}; }
};

// Reads one entry line. End: an empty first field that ends its line (an empty
// line or the end of the data). The reading column is skipped; the one-touch
// column is read only for a one-touch book.
LineRead readEntryLine(FieldReader& reader, EntryLine& line, int32_t bookType);

// The line's entry, checked, unmarked and without reading, in one allocation.
std::unique_ptr<CAddrUserDataObj> makeEntry(const EntryLine& line);

// Appends one entry line with the given line end.
void appendEntryLine(std::string& out, const CAddrUserDataObj& entry, int32_t bookType, std::string_view lineEnd);

// The clipboard block: the lines ended by LF, then one NUL.
std::string clipboardBlock(const std::vector<const CAddrUserDataObj*>& entries, int32_t bookType);

} // namespace lisotrex
