#include "model/entry.h"

#include "platform/codepage.h"

#include <algorithm>
#include <cstring>

namespace lisotrex {

CAddrUserDataObj::CAddrUserDataObj(int32_t oneTouch) : m_nOneTouch(oneTouch) {}

CAddrUserDataObj::CAddrUserDataObj(int32_t type, std::string_view name, std::string_view reading,
                                   std::string_view destination, std::string_view department, int32_t accessCode,
                                   int32_t oneTouch, bool updated)
    : m_nType(type), m_nAccessCode(accessCode), m_nOneTouch(oneTouch), m_bUpdated(updated ? 1 : 0) {
    setName(name);
    setReading(reading);
    setDestination(destination);
    setDepartment(department);
}

void CAddrUserDataObj::copyText(char* dst, size_t capacity, std::string_view s) {
    size_t n = std::min(s.size(), capacity - 1);
    std::memcpy(dst, s.data(), n);
    std::memset(dst + n, 0, capacity - n);
}

bool CAddrUserDataObj::isSameEntry(const CAddrUserDataObj& other) const {
    return m_nType == other.m_nType && std::strcmp(m_szName, other.m_szName) == 0;
}

void CAddrUserDataObj::takeDestination(const CAddrUserDataObj& other) {
    if (std::strcmp(m_szDestination, other.m_szDestination) == 0 &&
        std::strcmp(m_szDepartment, other.m_szDepartment) == 0)
        return;
    setDestination(other.m_szDestination);
    setDepartment(other.m_szDepartment);
    m_bUpdated = 1;
}

void CAddrUserDataObj::setOneTouch(int32_t number) {
    if (number == m_nOneTouch) return;
    m_nOneTouch = number;
    m_bUpdated = 1;
}

bool CAddrUserDataObj::sameValues(const CAddrUserDataObj& other) const {
    return std::strcmp(m_szName, other.m_szName) == 0 && std::strcmp(m_szReading, other.m_szReading) == 0 &&
           std::strcmp(m_szDestination, other.m_szDestination) == 0 &&
           std::strcmp(m_szDepartment, other.m_szDepartment) == 0 && m_nAccessCode == other.m_nAccessCode &&
           m_nOneTouch == other.m_nOneTouch;
}

void CAddrUserDataObj::copyValues(const CAddrUserDataObj& other) {
    setName(other.m_szName);
    setReading(other.m_szReading);
    setDestination(other.m_szDestination);
    setDepartment(other.m_szDepartment);
    m_nAccessCode = other.m_nAccessCode;
    m_nOneTouch = other.m_nOneTouch;
}

namespace {

// An empty text (or a missing number) goes after a present one; the sign is
// turned for the descending direction so that the order step, which reverses
// descending results, still puts it last. Two texts the locale calls equal
// never compare equal: the shorter one leads, equal lengths count as greater.
int missingFirstOrLast(bool aMissing, bool bMissing, int direction) {
    int r = aMissing && bMissing ? 0 : aMissing ? 1 : -1;
    return direction ? -r : r;
}

int compareTexts(const char* a, const char* b, int direction) {
    if (!*a || !*b) return missingFirstOrLast(!*a, !*b, direction);
    int r = platform::compareLocale(a, b);
    if (r == 0) r = std::strlen(a) < std::strlen(b) ? -1 : 1;
    return r;
}

int compareNumbers(int32_t a, int32_t b, int direction) {
    if (a == 0 || b == 0) return missingFirstOrLast(a == 0, b == 0, direction);
    return a < b ? -1 : a > b ? 1 : 0;
}

} // namespace

int CAddrUserDataObj::compareByKey(const CAddrUserDataObj& other, int key, int direction) const {
    switch (key) {
    case kSortName: return compareTexts(m_szName, other.m_szName, direction);
    case kSortReading: return compareTexts(m_szReading, other.m_szReading, direction);
    case kSortDestination: return compareTexts(m_szDestination, other.m_szDestination, direction);
    case kSortDepartment: return compareTexts(m_szDepartment, other.m_szDepartment, direction);
    case kSortAccessCode: return compareNumbers(m_nAccessCode, other.m_nAccessCode, direction);
    case kSortOneTouch: return compareNumbers(m_nOneTouch, other.m_nOneTouch, direction);
    case kSortUpdated: return (m_bUpdated != 0) == (other.m_bUpdated != 0) ? 0 : m_bUpdated ? -1 : 1;
    default: return 0;
    }
}

bool sortsBefore(const CAddrUserDataObj& a, const CAddrUserDataObj& b, int key, int direction) {
    int r = a.compareByKey(b, key, direction);
    return direction ? r > 0 : r < 0;
}

} // namespace lisotrex
