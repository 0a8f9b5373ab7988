#pragma once
// One address book entry: a fax or e-mail destination with its name and the
// flags the editor and the import merge work with. Texts are NUL-terminated
// bytes in the system code page, truncated to their buffers, never overrun.

#include <cstdint>
#include <string_view>

namespace lisotrex {

inline constexpr int32_t kEntryFax = 0;
inline constexpr int32_t kEntryEmail = 1;

// Sort keys of compareByKey.
enum SortKey : int {
    kSortName = 1,
    kSortReading = 2,
    kSortDestination = 3,
    kSortDepartment = 4,
    kSortAccessCode = 5,
    kSortOneTouch = 6,
    kSortUpdated = 7,
};

class CAddrUserDataObj {
public:
    static constexpr int kSchema = 1;

    explicit CAddrUserDataObj(int32_t oneTouch = 0);
    CAddrUserDataObj(int32_t type, std::string_view name, std::string_view reading, std::string_view destination,
                     std::string_view department, int32_t accessCode, int32_t oneTouch, bool updated);
    CAddrUserDataObj(const CAddrUserDataObj&) = default;
    CAddrUserDataObj& operator=(const CAddrUserDataObj&) = default;
    virtual ~CAddrUserDataObj() = default;

    // Both the file and the clipboard use the entry's text record instead.
    virtual void Serialize() {}

    // Same name (byte for byte) and same type.
    bool isSameEntry(const CAddrUserDataObj& other) const;
    // Copies destination and department when either differs, marking the entry.
    void takeDestination(const CAddrUserDataObj& other);
    void setOneTouch(int32_t number);
    // The values the entry dialog edits: name, reading, destination,
    // department, access code and one-touch number.
    bool sameValues(const CAddrUserDataObj& other) const;
    void copyValues(const CAddrUserDataObj& other);
    // Negative, zero or positive, for direction 0 (ascending) or 1
    // (descending). In ascending order a positive result puts this entry after
    // the other, in descending order a negative one does (see sortsBefore).
    int compareByKey(const CAddrUserDataObj& other, int key, int direction) const;

    void setName(std::string_view s) { copyText(m_szName, sizeof m_szName, s); }
    void setReading(std::string_view s) { copyText(m_szReading, sizeof m_szReading, s); }
    void setDestination(std::string_view s) { copyText(m_szDestination, sizeof m_szDestination, s); }
    void setDepartment(std::string_view s) { copyText(m_szDepartment, sizeof m_szDepartment, s); }

    int32_t m_nType = kEntryFax;
    char m_szName[128] = {};
    char m_szReading[64] = {};
    char m_szDestination[256] = {};
    char m_szDepartment[256] = {};
    int32_t m_nAccessCode = 0;
    int32_t m_nOneTouch = 0;
    uint32_t m_bChecked = 1;
    uint32_t m_bMatched = 0;
    uint32_t m_bUpdated = 0;

private:
    static void copyText(char* dst, size_t capacity, std::string_view s);
};

// The order the list shows: true when a comes before b. Equal entries, and two
// texts equal but for nothing, keep no particular order.
bool sortsBefore(const CAddrUserDataObj& a, const CAddrUserDataObj& b, int key, int direction);

} // namespace lisotrex
