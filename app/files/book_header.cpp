#include "files/book_header.h"

#include <charconv>
#include <cstring>

namespace lisotrex {

namespace {

constexpr char kSignature[] = "Velmo.Lisotrex.Document";

bool isFlag(const char* s) { return s[0] == '0' || s[0] == '1'; }

void appendNumber(std::string& out, int32_t n) {
    char buf[16];
    out.append(buf, std::to_chars(buf, buf + sizeof buf, n).ptr);
    out.push_back(',');
}

} // namespace

bool readBookHeader(FieldReader& r, BookHeader& h) {
    char buf[259];
    bool more = r.readField(buf, sizeof buf);
    if (!more || (std::strcmp(buf, "0") != 0 && std::strcmp(buf, "1") != 0)) return false;
    h.kind = buf[0] - '0';
    more = r.readField(buf, sizeof buf);
    if (!more || std::strcmp(buf, kSignature) != 0) return false;
    more = r.readField(buf, sizeof buf);
    if (!more || !buf[0]) return false;
    h.maxOneTouch = parseDecimal(buf);
    more = r.readField(buf, sizeof buf);
    if (!more || !buf[0]) return false;
    h.exports.maxExport = parseDecimal(buf);
    more = r.readField(buf, sizeof buf);
    if (!more || !isFlag(buf)) return false;
    h.exports.fax = buf[0] - '0';
    more = r.readField(buf, sizeof buf);
    if (!more || !isFlag(buf)) return false;
    h.exports.email = buf[0] - '0';
    // Anything after the path on the header line is not part of the book.
    if (r.readField(buf, sizeof buf)) r.skipLine();
    h.exports.ldifFilePath = buf;
    return true;
}

void appendBookHeader(std::string& out, const BookHeader& h) {
    out.push_back(h.kind == 1 ? '1' : '0');
    out.push_back(',');
    out.append(kSignature);
    out.push_back(',');
    appendNumber(out, h.maxOneTouch);
    appendNumber(out, h.exports.maxExport);
    // The reader takes only "0" or "1": any other choice that is on is "1".
    appendNumber(out, h.exports.fax ? 1 : 0);
    appendNumber(out, h.exports.email ? 1 : 0);
    appendField(out, h.exports.ldifFilePath);
    out.append("\r\n");
}

} // namespace lisotrex
