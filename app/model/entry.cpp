#include "model/entry.h"

#include "platform/codepage.h"

#include <algorithm>
#include <cstring>

namespace lisotrex {

namespace {

// The text as stored: up to the first NUL, at most capacity - 1 bytes.
std::string_view bounded(std::string_view s, size_t capacity) {
    s = s.substr(0, std::min(s.find('\0'), capacity - 1));
    return s;
}

} // namespace

CAddrUserDataObj::CAddrUserDataObj(int32_t oneTouch) noexcept : m_nOneTouch(oneTouch) {}

CAddrUserDataObj::CAddrUserDataObj(int32_t type, std::string_view name, std::string_view reading,
                                   std::string_view destination, std::string_view department, int32_t accessCode,
                                   int32_t oneTouch, bool updated)
    : m_nType(type), m_nAccessCode(accessCode), m_nOneTouch(oneTouch), m_bUpdated(updated ? 1 : 0) {
    setTexts(name, reading, destination, department);
}

void CAddrUserDataObj::setTexts(std::string_view name, std::string_view reading, std::string_view destination,
                                std::string_view department) {
    const std::string_view parts[4] = {bounded(name, decltype(m_szName)::kCapacity),
                                       bounded(reading, decltype(m_szReading)::kCapacity),
                                       bounded(destination, decltype(m_szDestination)::kCapacity),
                                       bounded(department, decltype(m_szDepartment)::kCapacity)};
    size_t total = 0;
    for (auto p : parts)
        if (!p.empty()) total += p.size() + 1;
    // The new block is filled before the old one goes: the parts may lie in it.
    std::unique_ptr<char[]> block(total ? new char[total] : nullptr);
    const char* at[4];
    char* w = block.get();
    for (int i = 0; i < 4; ++i) {
        if (parts[i].empty()) {
            at[i] = "";
            continue;
        }
        std::memcpy(w, parts[i].data(), parts[i].size());
        w[parts[i].size()] = '\0';
        at[i] = w;
        w += parts[i].size() + 1;
    }
    texts_ = std::move(block);
    textBytes_ = static_cast<uint32_t>(total);
    m_szName.p_ = at[0];
    m_szReading.p_ = at[1];
    m_szDestination.p_ = at[2];
    m_szDepartment.p_ = at[3];
}

CAddrUserDataObj::CAddrUserDataObj(const CAddrUserDataObj& o)
    : m_nType(o.m_nType), m_nAccessCode(o.m_nAccessCode), m_nOneTouch(o.m_nOneTouch), m_bChecked(o.m_bChecked),
      m_bMatched(o.m_bMatched), m_bUpdated(o.m_bUpdated) {
    if (!o.textBytes_) return;
    texts_.reset(new char[o.textBytes_]);
    std::memcpy(texts_.get(), o.texts_.get(), o.textBytes_);
    textBytes_ = o.textBytes_;
    // Same places in the copied block; empty texts stay on the shared "".
    auto rebase = [&](const char* p) { return *p ? texts_.get() + (p - o.texts_.get()) : p; };
    m_szName.p_ = rebase(o.m_szName.p_);
    m_szReading.p_ = rebase(o.m_szReading.p_);
    m_szDestination.p_ = rebase(o.m_szDestination.p_);
    m_szDepartment.p_ = rebase(o.m_szDepartment.p_);
}

CAddrUserDataObj::CAddrUserDataObj(CAddrUserDataObj&& o) noexcept
    : m_nType(o.m_nType), m_szName(o.m_szName), m_szReading(o.m_szReading), m_szDestination(o.m_szDestination),
      m_szDepartment(o.m_szDepartment), m_nAccessCode(o.m_nAccessCode), m_nOneTouch(o.m_nOneTouch),
      m_bChecked(o.m_bChecked), m_bMatched(o.m_bMatched), m_bUpdated(o.m_bUpdated), texts_(std::move(o.texts_)),
      textBytes_(o.textBytes_) {
    o.m_szName.p_ = o.m_szReading.p_ = o.m_szDestination.p_ = o.m_szDepartment.p_ = "";
    o.textBytes_ = 0;
}

CAddrUserDataObj& CAddrUserDataObj::operator=(const CAddrUserDataObj& o) {
    if (this != &o) *this = CAddrUserDataObj(o);
    return *this;
}

CAddrUserDataObj& CAddrUserDataObj::operator=(CAddrUserDataObj&& o) noexcept {
    if (this == &o) return *this;
    m_nType = o.m_nType;
    m_nAccessCode = o.m_nAccessCode;
    m_nOneTouch = o.m_nOneTouch;
    m_bChecked = o.m_bChecked;
    m_bMatched = o.m_bMatched;
    m_bUpdated = o.m_bUpdated;
    texts_ = std::move(o.texts_);
    textBytes_ = o.textBytes_;
    m_szName = o.m_szName;
    m_szReading = o.m_szReading;
    m_szDestination = o.m_szDestination;
    m_szDepartment = o.m_szDepartment;
    o.m_szName.p_ = o.m_szReading.p_ = o.m_szDestination.p_ = o.m_szDepartment.p_ = "";
    o.textBytes_ = 0;
    return *this;
}

bool CAddrUserDataObj::isSameEntry(const CAddrUserDataObj& other) const {
    return m_nType == other.m_nType && std::strcmp(m_szName, other.m_szName) == 0;
}

void CAddrUserDataObj::takeDestination(const CAddrUserDataObj& other) {
    if (std::strcmp(m_szDestination, other.m_szDestination) == 0 &&
        std::strcmp(m_szDepartment, other.m_szDepartment) == 0)
        return;
    setTexts(m_szName, m_szReading, other.m_szDestination, other.m_szDepartment);
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
    setTexts(other.m_szName, other.m_szReading, other.m_szDestination, other.m_szDepartment);
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
