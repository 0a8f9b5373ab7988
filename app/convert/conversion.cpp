#include "convert/conversion.h"

#include "strings/strings.h"

#include <algorithm>

namespace lisotrex {
namespace {

constexpr size_t kNameLimit = 127;
constexpr size_t kTextLimit = 255;

std::string bounded(std::string_view s, size_t limit) { return std::string(s.substr(0, std::min(s.size(), limit))); }

// first, separator, second: the separator only between two non-empty parts,
// each piece appended only while there is room.
std::string joinBounded(std::string_view first, std::string_view separator, std::string_view second, size_t limit) {
    if (first.empty()) return bounded(second, limit);
    std::string out = bounded(first, limit);
    if (second.empty()) return out;
    if (out.size() < limit) out += bounded(separator, limit - out.size());
    if (out.size() < limit) out += bounded(second, limit - out.size());
    return out;
}

bool isPrintableAscii(unsigned char c) { return c >= 0x20 && c <= 0x7E; }

} // namespace

void blankControlCharacters(std::string& text) {
    for (char& c : text)
        if (static_cast<unsigned char>(c) < 0x20) c = ' ';
}

std::string Conversion::buildName(std::string_view given, std::string_view surname) const {
    switch (settings.nameSeq) {
    case 0: return joinBounded(surname, " ", given, kNameLimit);
    case 1: return joinBounded(surname, ",", given, kNameLimit);
    default: return joinBounded(given, " ", surname, kNameLimit);
    }
}

std::string Conversion::nameFromDisplay(std::string_view display) const { return bounded(display, kNameLimit); }

std::string Conversion::convertFax(std::string_view text) const {
    std::string fax = bounded(text, kTextLimit);
    if (settings.faxConvertType == 1) {
        std::erase_if(fax, [](char c) {
            return !((c >= '0' && c <= '9') || c == '#' || c == '*' || c == 'P' || c == 'R' || c == 'p' || c == 'r');
        });
    } else if (settings.faxConvertType == 2) {
        std::erase_if(fax, [](char c) { return !(c >= '0' && c <= '9'); });
    }
    if (!fax.empty() && !settings.outsideWireCode.empty()) fax = bounded(settings.outsideWireCode + fax, kTextLimit);
    return fax;
}

std::string Conversion::convertEmail(std::string_view text) const {
    std::string mail = bounded(text, kTextLimit);
    if (settings.emailConvertType != 1) return mail;
    std::erase_if(mail, [](char c) { return !isPrintableAscii(static_cast<unsigned char>(c)); });
    if (mail.find('@') == std::string::npos || mail.find('.') == std::string::npos) mail.clear();
    return mail;
}

std::string Conversion::buildDepartment(std::string_view company, std::string_view department) const {
    switch (settings.deptConvertType) {
    case 1: return joinBounded(department, " ", company, kTextLimit);
    case 2: return bounded(company, kTextLimit);
    case 3: return bounded(department, kTextLimit);
    default: return joinBounded(company, " ", department, kTextLimit);
    }
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

RecordOutcome Conversion::recordToEntries(const ImportRecord& rec, std::vector<CAddrUserDataObj>& out,
                                          RecordLog& log) {
    std::string name = rec.givenName.empty() && rec.surname.empty() ? nameFromDisplay(rec.displayName.str())
                                                                     : buildName(rec.givenName.str(), rec.surname.str());
    std::string fax1 = convertFax(rec.fax1.str());
    std::string fax2 = convertFax(rec.fax2.str());
    std::string mail = convertEmail(rec.email.str());
    std::string dept = buildDepartment(rec.company.str(), rec.department.str());
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
        out.emplace_back(type, name, "", destination, dept, 0, 0, false);
    };
    add(kEntryFax, fax1);
    add(kEntryFax, fax2);
    add(kEntryEmail, mail);
    return lacked ? RecordOutcome::NoRoom : RecordOutcome::Done;
}

} // namespace lisotrex
