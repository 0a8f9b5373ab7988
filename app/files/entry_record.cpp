#include "files/entry_record.h"

#include "model/book_kind.h"

#include <algorithm>
#include <charconv>
#include <cstring>

namespace lisotrex {

LineRead readEntryLine(FieldReader& reader, EntryLine& line, int32_t bookType) {
    // Only what a shorter line leaves unread is reset: the text buffers
    // are written by their reads.
    line.departmentLength = 0;
    line.department[0] = '\0';
    line.accessCode = 0;
    line.oneTouch = 0;
    char type[2];
    bool more = reader.readField(type, sizeof type);
    if (!type[0] && !more) return LineRead::End;
    if (std::strcmp(type, "0") != 0 && std::strcmp(type, "1") != 0) return LineRead::Bad;
    line.type = type[0] - '0';
    // Name, reading (discarded) and destination must each be followed by more.
    if (!more || !reader.readField(line.name, sizeof line.name)) return LineRead::Bad;
    line.nameLength = reader.keptLength();
    if (!reader.readField(nullptr, 0)) return LineRead::Bad;
    if (!reader.readField(line.destination, sizeof line.destination)) return LineRead::Bad;
    line.destinationLength = reader.keptLength();
    more = reader.readField(line.department, sizeof line.department);
    line.departmentLength = reader.keptLength();
    if (!more) return LineRead::Entry;
    char number[8];
    more = reader.readField(number, sizeof number);
    line.accessCode = parseDecimal(number);
    if (!more) return LineRead::Entry;
    if (bookType == kOneTouchBook) {
        char oneTouch[5];
        more = reader.readField(oneTouch, sizeof oneTouch);
        // 0 is "none"; a negative number is none as well (it would be
        // written back as none, and exported as a negative dn).
        line.oneTouch = std::max(0, parseDecimal(oneTouch));
    }
    if (more) reader.skipLine();
    return LineRead::Entry;
}

std::unique_ptr<CAddrUserDataObj> makeEntry(const EntryLine& line) {
    // A NUL ends a field for the reader: none is ever in a text read.
    return CAddrUserDataObj::makeFromCleanTexts(line.type, line.nameView(), line.destinationView(),
                                                line.departmentView(), line.accessCode, line.oneTouch, false);
}

void appendEntryLine(std::string& out, const CAddrUserDataObj& e, int32_t bookType, std::string_view lineEnd) {
    char num[16];
    out.push_back(e.m_nType == kEntryEmail ? '1' : '0');
    out.push_back(',');
    appendField(out, e.m_szName);
    out.push_back(',');
    appendField(out, e.m_szReading);
    out.push_back(',');
    appendField(out, e.m_szDestination);
    out.push_back(',');
    appendField(out, e.m_szDepartment);
    out.push_back(',');
    out.append(num, std::to_chars(num, num + sizeof num, e.m_nAccessCode).ptr);
    if (bookType == kOneTouchBook) {
        out.push_back(',');
        if (e.m_nOneTouch > 0) out.append(num, std::to_chars(num, num + sizeof num, e.m_nOneTouch).ptr);
    }
    out.append(lineEnd);
}

std::string clipboardBlock(const std::vector<const CAddrUserDataObj*>& entries, int32_t bookType) {
    std::string block;
    block.reserve(entries.size() * 64 + 1);
    for (const CAddrUserDataObj* e : entries) appendEntryLine(block, *e, bookType, "\n");
    block.push_back('\0');
    return block;
}

} // namespace lisotrex
