#include "model/entry.h"

#include "platform/codepage.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace lisotrex {

namespace {

// The text as stored: up to the first NUL, at most capacity - 1 bytes.
std::string_view bounded(std::string_view s, size_t capacity) {
    s = s.substr(0, std::min(s.find('\0'), capacity - 1));
    return s;
}

} // namespace

CAddrUserDataObj::CAddrUserDataObj(int32_t oneTouch) noexcept : m_nOneTouch(oneTouch) {}

namespace {

// The block four texts take, each with its NUL; empty ones take none.
size_t blockBytes(const std::string_view (&parts)[4]) {
    size_t bytes = 0;
    for (auto p : parts)
        if (!p.empty()) bytes += p.size() + 1;
    return bytes;
}

struct BoundedParts {
    std::string_view parts[4];
};

// An entry without texts holding the numbers and marks a new entry is made with.
CAddrUserDataObj numbersOnly(int32_t type, int32_t accessCode, int32_t oneTouch, bool updated) {
    CAddrUserDataObj fields(oneTouch);
    fields.m_nType = type;
    fields.m_nAccessCode = accessCode;
    fields.m_bUpdated = updated ? 1 : 0;
    return fields;
}

BoundedParts boundedParts(std::string_view name, std::string_view reading, std::string_view destination,
                          std::string_view department) {
    return {{bounded(name, 128), bounded(reading, 64), bounded(destination, 256), bounded(department, 256)}};
}

} // namespace

CAddrUserDataObj::CAddrUserDataObj(int32_t type, std::string_view name, std::string_view reading,
                                   std::string_view destination, std::string_view department, int32_t accessCode,
                                   int32_t oneTouch, bool updated)
    : m_nType(type), m_nAccessCode(accessCode), m_nOneTouch(oneTouch), m_bUpdated(updated ? 1 : 0) {
    setTexts(name, reading, destination, department);
}

CAddrUserDataObj::~CAddrUserDataObj() { releaseTexts(); }

void CAddrUserDataObj::releaseTexts() noexcept {
    if (ownsTexts_) delete[] texts_;
    texts_ = nullptr;
    ownsTexts_ = false;
    m_szName.at_ = m_szReading.at_ = m_szDestination.at_ = m_szDepartment.at_ = 0;
}

void CAddrUserDataObj::placeTexts(char* block, const std::string_view (&parts)[4]) noexcept {
    uint16_t at[4];
    size_t w = 0;
    for (int i = 0; i < 4; ++i) {
        if (parts[i].empty()) {
            at[i] = 0;
            continue;
        }
        std::memcpy(block + w, parts[i].data(), parts[i].size());
        block[w + parts[i].size()] = '\0';
        at[i] = static_cast<uint16_t>(w + 1);
        w += parts[i].size() + 1;
    }
    texts_ = w ? block : nullptr;
    m_szName.at_ = at[0];
    m_szReading.at_ = at[1];
    m_szDestination.at_ = at[2];
    m_szDepartment.at_ = at[3];
}

void CAddrUserDataObj::setTexts(std::string_view name, std::string_view reading, std::string_view destination,
                                std::string_view department) {
    static_assert(decltype(m_szName)::kCapacity == 128 && decltype(m_szReading)::kCapacity == 64 &&
                  decltype(m_szDestination)::kCapacity == 256 && decltype(m_szDepartment)::kCapacity == 256);
    const BoundedParts b = boundedParts(name, reading, destination, department);
    const size_t bytes = blockBytes(b.parts);
    // The new block is filled before the old one goes: the parts may lie in it.
    std::unique_ptr<char[]> block(bytes ? new char[bytes] : nullptr);
    char* old = ownsTexts_ ? texts_ : nullptr;
    placeTexts(block.get(), b.parts);
    ownsTexts_ = texts_ != nullptr;
    block.release();
    delete[] old;
}

std::unique_ptr<CAddrUserDataObj> CAddrUserDataObj::makeWith(const CAddrUserDataObj& fields,
                                                             const std::string_view (&parts)[4]) {
    void* memory = ::operator new(sizeof(CAddrUserDataObj) + blockBytes(parts));
    auto* e = new (memory) CAddrUserDataObj(fields.m_nOneTouch);
    e->m_nType = fields.m_nType;
    e->m_nAccessCode = fields.m_nAccessCode;
    e->m_bChecked = fields.m_bChecked;
    e->m_bMatched = fields.m_bMatched;
    e->m_bUpdated = fields.m_bUpdated;
    e->placeTexts(static_cast<char*>(memory) + sizeof(CAddrUserDataObj), parts);
    return std::unique_ptr<CAddrUserDataObj>(e);
}

std::unique_ptr<CAddrUserDataObj> CAddrUserDataObj::make(int32_t type, std::string_view name,
                                                         std::string_view reading, std::string_view destination,
                                                         std::string_view department, int32_t accessCode,
                                                         int32_t oneTouch, bool updated) {
    return makeWith(numbersOnly(type, accessCode, oneTouch, updated),
                    boundedParts(name, reading, destination, department).parts);
}

std::unique_ptr<CAddrUserDataObj> CAddrUserDataObj::makeFromCleanTexts(int32_t type, std::string_view name,
                                                                       std::string_view destination,
                                                                       std::string_view department,
                                                                       int32_t accessCode, int32_t oneTouch,
                                                                       bool updated) {
    auto cut = [](std::string_view s, size_t capacity) { return s.substr(0, std::min(s.size(), capacity - 1)); };
    const std::string_view parts[4] = {cut(name, decltype(m_szName)::kCapacity), {},
                                       cut(destination, decltype(m_szDestination)::kCapacity),
                                       cut(department, decltype(m_szDepartment)::kCapacity)};
    return makeWith(numbersOnly(type, accessCode, oneTouch, updated), parts);
}

std::unique_ptr<CAddrUserDataObj> CAddrUserDataObj::make(const CAddrUserDataObj& from) {
    const std::string_view parts[4] = {from.m_szName.view(), from.m_szReading.view(), from.m_szDestination.view(),
                                       from.m_szDepartment.view()};
    return makeWith(from, parts);
}

size_t CAddrUserDataObj::textBytes() const noexcept {
    size_t end = 0;
    auto reach = [&](uint16_t at) {
        if (at) end = std::max(end, at - 1 + std::strlen(texts_ + (at - 1)) + 1);
    };
    reach(m_szName.at_);
    reach(m_szReading.at_);
    reach(m_szDestination.at_);
    reach(m_szDepartment.at_);
    return end;
}

// Texts keep their places: the block is copied as it is.
CAddrUserDataObj::CAddrUserDataObj(const CAddrUserDataObj& o)
    : m_nType(o.m_nType), m_szName(o.m_szName), m_szReading(o.m_szReading), m_szDestination(o.m_szDestination),
      m_szDepartment(o.m_szDepartment), m_nAccessCode(o.m_nAccessCode), m_nOneTouch(o.m_nOneTouch),
      m_bChecked(o.m_bChecked), m_bMatched(o.m_bMatched), m_bUpdated(o.m_bUpdated) {
    if (const size_t bytes = o.textBytes()) {
        texts_ = new char[bytes];
        ownsTexts_ = true;
        std::memcpy(texts_, o.texts_, bytes);
    }
}

CAddrUserDataObj::CAddrUserDataObj(CAddrUserDataObj&& o)
    : m_nType(o.m_nType), m_szName(o.m_szName), m_szReading(o.m_szReading), m_szDestination(o.m_szDestination),
      m_szDepartment(o.m_szDepartment), m_nAccessCode(o.m_nAccessCode), m_nOneTouch(o.m_nOneTouch),
      m_bChecked(o.m_bChecked), m_bMatched(o.m_bMatched), m_bUpdated(o.m_bUpdated) {
    if (o.ownsTexts_) {
        texts_ = std::exchange(o.texts_, nullptr);
        ownsTexts_ = true;
        o.releaseTexts();
    } else if (const size_t bytes = o.textBytes()) {
        // The other's block is part of its own allocation: copied, not taken.
        texts_ = new char[bytes];
        ownsTexts_ = true;
        std::memcpy(texts_, o.texts_, bytes);
    }
}

CAddrUserDataObj& CAddrUserDataObj::operator=(const CAddrUserDataObj& o) {
    if (this != &o) *this = CAddrUserDataObj(o);
    return *this;
}

CAddrUserDataObj& CAddrUserDataObj::operator=(CAddrUserDataObj&& o) {
    if (this == &o) return *this;
    if (!o.ownsTexts_ && o.texts_) return *this = CAddrUserDataObj(o); // its block cannot be taken
    releaseTexts();
    m_nType = o.m_nType;
    m_nAccessCode = o.m_nAccessCode;
    m_nOneTouch = o.m_nOneTouch;
    m_bChecked = o.m_bChecked;
    m_bMatched = o.m_bMatched;
    m_bUpdated = o.m_bUpdated;
    texts_ = o.texts_;
    ownsTexts_ = o.ownsTexts_;
    m_szName = o.m_szName;
    m_szReading = o.m_szReading;
    m_szDestination = o.m_szDestination;
    m_szDepartment = o.m_szDepartment;
    o.texts_ = nullptr;
    o.ownsTexts_ = false;
    o.releaseTexts();
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
