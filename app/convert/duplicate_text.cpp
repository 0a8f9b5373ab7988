#include "convert/import_prompter.h"

#include "model/book_kind.h"
#include "platform/codepage.h"
#include "strings/strings.h"



namespace lisotrex {
using namespace ids;

namespace {

std::string printfInt(int id, long value) {
    const std::string& format = text(id);
    size_t at = format.find("%d");
    if (at == std::string::npos) return format;
    return format.substr(0, at) + std::to_string(value) + format.substr(at + 2);
}

} // namespace

std::string duplicateCountText(size_t groupSize) { return printfInt(IDS_DUP_COUNT, static_cast<long>(groupSize)); }

std::string duplicateDescription(const CAddrUserDataObj& m, size_t index, int32_t bookType) {
    const std::string crlf = "\r\n";
    const bool fax = m.m_nType == kEntryFax;
    std::string out = printfInt(IDS_DUP_NUMBER, static_cast<long>(index));
    out += text(IDS_DUP_LABEL_TYPE) + text(fax ? IDS_DUP_TYPE_FAX : IDS_DUP_TYPE_EMAIL) + crlf;
    out += text(IDS_DUP_LABEL_NAME) + platform::systemToUtf8(m.m_szName) + crlf;
    out += text(fax ? IDS_DUP_LABEL_FAX_DESTINATION : IDS_DUP_LABEL_EMAIL_DESTINATION) + platform::systemToUtf8(m.m_szDestination) + crlf;
    out += text(IDS_DUP_LABEL_DEPARTMENT) + platform::systemToUtf8(m.m_szDepartment) + crlf;
    out += text(IDS_DUP_LABEL_ACCESS_CODE) + (m.m_nAccessCode > 0 ? std::to_string(m.m_nAccessCode) : "") + crlf;
    if (bookType == kOneTouchBook)
        out += text(IDS_DUP_LABEL_ONE_TOUCH) + (m.m_nOneTouch > 0 ? std::to_string(m.m_nOneTouch) : "") + crlf;
    return out;
}

} // namespace lisotrex
