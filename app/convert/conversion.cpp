#include "convert/conversion.h"

#include "files/byte_set.h"
#include "strings/strings.h"

#include <algorithm>
#include <array>

namespace lisotrex {
namespace {

constexpr size_t kNameLimit = 127;
constexpr size_t kTextLimit = 255;

void boundedInto(std::string& out, std::string_view s, size_t limit) { out.assign(s.substr(0, std::min(s.size(), limit))); }

// first, separator, second: the separator only between two non-empty parts,
// each piece appended only while there is room.
void joinBoundedInto(std::string& out, std::string_view first, std::string_view separator, std::string_view second,
                     size_t limit) {
    if (first.empty()) return boundedInto(out, second, limit);
    boundedInto(out, first, limit);
    if (second.empty()) return;
    if (out.size() < limit) out.append(separator.substr(0, std::min(separator.size(), limit - out.size())));
    if (out.size() < limit) out.append(second.substr(0, std::min(second.size(), limit - out.size())));
}

bool isPrintableAscii(unsigned char c) { return c >= 0x20 && c <= 0x7E; }

// The characters FaxConvertType 1 keeps: digits and the dial characters.
constexpr std::array<bool, 256> kDialCharacters = [] {
    std::array<bool, 256> keep{};
    for (unsigned char c : std::string_view("0123456789#*PRpr")) keep[c] = true;
    return keep;
}();

} // namespace

void blankControlCharacters(std::string& text) {
    // Most texts have none: they are only looked at, sixteen bytes at a time.
    // A string always holds at least sixteen bytes (fifteen and the NUL), so
    // a short text is looked at in one load, the bytes past it masked off.
#if defined(__SSE2__)
    if (text.size() < 16 && text.capacity() >= 15) {
        const __m128i chunk = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text.data()));
        const __m128i low = _mm_cmpeq_epi8(_mm_min_epu8(chunk, _mm_set1_epi8(0x1F)), chunk);
        if ((_mm_movemask_epi8(low) & ((1 << text.size()) - 1)) == 0) return;
    }
#endif
    for (size_t i = findControlByte(text.data(), text.size()); i < text.size();
         i += 1 + findControlByte(text.data() + i + 1, text.size() - i - 1))
        text[i] = ' ';
}

void Conversion::buildNameInto(std::string& out, std::string_view given, std::string_view surname) const {
    switch (settings.nameSeq) {
    case 0: return joinBoundedInto(out, surname, " ", given, kNameLimit);
    case 1: return joinBoundedInto(out, surname, ",", given, kNameLimit);
    default: return joinBoundedInto(out, given, " ", surname, kNameLimit);
    }
}

// Copies the bytes of text that keep() keeps into out, in one pass: each
// byte is written and the end moves on only past a kept one.
template <typename Keep>
void keptInto(std::string& out, std::string_view text, Keep keep) {
    out.resize(text.size());
    char* w = out.data();
    for (const char c : text) {
        *w = c;
        w += keep(static_cast<unsigned char>(c)) ? 1 : 0;
    }
    out.resize(static_cast<size_t>(w - out.data()));
}

void Conversion::convertFaxInto(std::string& fax, std::string_view text) const {
    text = text.substr(0, std::min(text.size(), kTextLimit));
    if (settings.faxConvertType == 1) keptInto(fax, text, [](unsigned char c) { return kDialCharacters[c]; });
    else if (settings.faxConvertType == 2) keptInto(fax, text, [](unsigned char c) { return c >= '0' && c <= '9'; });
    else fax.assign(text);
    if (!fax.empty() && !settings.outsideWireCode.empty()) {
        fax.insert(0, settings.outsideWireCode);
        if (fax.size() > kTextLimit) fax.resize(kTextLimit);
    }
}

void Conversion::convertEmailInto(std::string& mail, std::string_view text) const {
    text = text.substr(0, std::min(text.size(), kTextLimit));
    if (settings.emailConvertType != 1) {
        mail.assign(text);
        return;
    }
    keptInto(mail, text, isPrintableAscii);
    if (mail.find('@') == std::string::npos || mail.find('.') == std::string::npos) mail.clear();
}

void Conversion::buildDepartmentInto(std::string& out, std::string_view company, std::string_view department) const {
    switch (settings.deptConvertType) {
    case 1: return joinBoundedInto(out, department, " ", company, kTextLimit);
    case 2: return boundedInto(out, company, kTextLimit);
    case 3: return boundedInto(out, department, kTextLimit);
    default: return joinBoundedInto(out, company, " ", department, kTextLimit);
    }
}

std::string Conversion::buildName(std::string_view given, std::string_view surname) const {
    std::string out;
    buildNameInto(out, given, surname);
    return out;
}

std::string Conversion::nameFromDisplay(std::string_view display) const {
    std::string out;
    boundedInto(out, display, kNameLimit);
    return out;
}

std::string Conversion::convertFax(std::string_view text) const {
    std::string out;
    convertFaxInto(out, text);
    return out;
}

std::string Conversion::convertEmail(std::string_view text) const {
    std::string out;
    convertEmailInto(out, text);
    return out;
}

std::string Conversion::buildDepartment(std::string_view company, std::string_view department) const {
    std::string out;
    buildDepartmentInto(out, company, department);
    return out;
}

CheckVerdict Conversion::checkRecord(const std::string* name, std::string* fax1, std::string* fax2, std::string* email,
                                     size_t currentCount, RecordLog& log) {
    const int r = ++recordCounter;
    enum : unsigned { kNoName = 1, kNoFax1 = 2, kNoFax2 = 4, kNoEmail = 8 };
    unsigned reasons = 0;
    size_t planned = 0;
    auto roomFull = [&]() -> CheckVerdict {
        return log.writeLine(r, ids::IDS_LOG_READ_LIMIT) ? CheckVerdict::Reject : CheckVerdict::LogFailed;
    };
    if (name) {
        if (!name->empty() && currentCount >= room) return roomFull();
        if (name->empty()) reasons |= kNoName;
    }
    auto checkFax = [&](std::string* fax, bool used, unsigned reason) -> bool {
        if (!fax) return true;
        if (!importFax || !used) {
            fax->clear(); // not wanted: neither counted nor missed
            return true;
        }
        if (fax->empty()) {
            reasons |= reason;
            return true;
        }
        if (currentCount + planned + 1 > room) return false;
        ++planned;
        return true;
    };
    if (!checkFax(fax1, useFax1, kNoFax1)) return roomFull();
    if (!checkFax(fax2, useFax2, kNoFax2)) return roomFull();
    if (email) {
        if (!importEmail) email->clear();
        if (email->empty()) reasons |= kNoEmail;
        else if (currentCount + planned + 1 > room) return roomFull();
    }
    if (reasons == 0) return CheckVerdict::Accept;
    bool logged = true;
    if (reasons & kNoName) {
        logged = log.writeLine(r, ids::IDS_LOG_NO_NAME);
    } else {
        if (logged && (reasons & kNoFax1)) logged = log.writeLine(r, ids::IDS_LOG_NO_FAX1);
        if (logged && (reasons & kNoFax2)) logged = log.writeLine(r, ids::IDS_LOG_NO_FAX2);
        if (logged && (reasons & kNoEmail)) logged = log.writeLine(r, ids::IDS_LOG_NO_EMAIL);
    }
    if (!logged) return CheckVerdict::LogFailed;
    bool anyDestination = (fax1 && !fax1->empty()) || (fax2 && !fax2->empty()) || (email && !email->empty());
    return (reasons & kNoName) || !anyDestination ? CheckVerdict::Reject : CheckVerdict::Accept;
}

RecordOutcome Conversion::recordToEntries(const ImportRecordView& rec, ImportedEntries& out, RecordLog& log) {
    // Scratch texts of the conversion object: a run of records allocates them once.
    std::string& name = scratch_.name;
    std::string& fax1 = scratch_.fax1;
    std::string& fax2 = scratch_.fax2;
    std::string& mail = scratch_.mail;
    std::string& dept = scratch_.dept;
    if (rec.givenName.empty() && rec.surname.empty()) boundedInto(name, rec.displayName, kNameLimit);
    else buildNameInto(name, rec.givenName, rec.surname);
    convertFaxInto(fax1, rec.fax1);
    convertFaxInto(fax2, rec.fax2);
    convertEmailInto(mail, rec.email);
    buildDepartmentInto(dept, rec.company, rec.department);
    for (std::string* text : {&name, &fax1, &fax2, &mail, &dept}) blankControlCharacters(*text);
    if (checkRecord(&name, &fax1, &fax2, &mail, out.size(), log) == CheckVerdict::LogFailed)
        return RecordOutcome::LogFailed;
    if (name.empty()) return RecordOutcome::Done;
    bool lacked = false;
    auto add = [&](int32_t type, const std::string& destination) {
        if (destination.empty()) return;
        if (out.size() >= room) {
            lacked = true;
            return;
        }
        // Every text was blanked of control characters above: no NUL is left.
        out.push_back(CAddrUserDataObj::makeFromCleanTexts(type, name, destination, dept, 0, 0, false));
    };
    add(kEntryFax, fax1);
    add(kEntryFax, fax2);
    add(kEntryEmail, mail);
    return lacked ? RecordOutcome::NoRoom : RecordOutcome::Done;
}

} // namespace lisotrex
