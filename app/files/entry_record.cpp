#include "files/entry_record.h"

#include "model/book_kind.h"

#include <charconv>
#include <cstring>

namespace lisotrex {

LineRead readEntryLine(FieldReader& reader, CAddrUserDataObj& entry, int32_t bookType) {
    entry = CAddrUserDataObj();
    char type[2];
    bool more = reader.readField(type, sizeof type);
    if (!type[0] && !more) return LineRead::End;
    if (std::strcmp(type, "0") != 0 && std::strcmp(type, "1") != 0) return LineRead::Bad;
    entry.m_nType = type[0] - '0';
    // Each text is read into a buffer of its field's capacity, then stored.
    char name[decltype(entry.m_szName)::kCapacity];
    char destination[decltype(entry.m_szDestination)::kCapacity];
    char department[decltype(entry.m_szDepartment)::kCapacity];
    department[0] = '\0';
    // Name, reading (discarded) and destination must each be followed by more.
    if (!more || !reader.readField(name, sizeof name)) return LineRead::Bad;
    if (!reader.readField(nullptr, 0)) return LineRead::Bad;
    if (!reader.readField(destination, sizeof destination)) return LineRead::Bad;
    more = reader.readField(department, sizeof department);
    entry.setTexts(name, "", destination, department);
    if (!more) return LineRead::Entry;
    char number[8];
    more = reader.readField(number, sizeof number);
    entry.m_nAccessCode = parseDecimal(number);
    if (!more) return LineRead::Entry;
    if (bookType == kOneTouchBook) {
        char oneTouch[5];
        more = reader.readField(oneTouch, sizeof oneTouch);
        entry.m_nOneTouch = parseDecimal(oneTouch);
    }
    if (more) reader.skipLine();
    return LineRead::Entry;
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
