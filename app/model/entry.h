#pragma once
// One address book entry: a fax or e-mail destination with its name and the
// flags the editor and the import merge work with. Texts are NUL-terminated
// bytes in the system code page, cut to the byte limits of their fields.

#include <cstddef>
#include <cstdint>
#include <memory>
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

// One text of an entry: NUL-terminated bytes held in the entry's text block,
// read like the character array it stands for. Set through the entry, which
// keeps the text within Capacity - 1 bytes.
template <size_t Capacity>
class EntryText {
public:
    static constexpr size_t kCapacity = Capacity;
    operator const char*() const noexcept { return p_; }
    operator std::string_view() const noexcept { return p_; }
    const char* c_str() const noexcept { return p_; }
    std::string_view view() const noexcept { return p_; }
    bool empty() const noexcept { return !*p_; }

private:
    friend class CAddrUserDataObj;
    const char* p_ = "";
};

class CAddrUserDataObj {
public:
    static constexpr int kSchema = 1;

    explicit CAddrUserDataObj(int32_t oneTouch = 0) noexcept;
    CAddrUserDataObj(int32_t type, std::string_view name, std::string_view reading, std::string_view destination,
                     std::string_view department, int32_t accessCode, int32_t oneTouch, bool updated);
    CAddrUserDataObj(const CAddrUserDataObj& other);
    CAddrUserDataObj(CAddrUserDataObj&& other) noexcept;
    // Either every field is taken or (memory running out) none.
    CAddrUserDataObj& operator=(const CAddrUserDataObj& other);
    CAddrUserDataObj& operator=(CAddrUserDataObj&& other) noexcept;
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

    // Each text is cut to its field's capacity - 1 bytes (and at a NUL). A
    // setter either changes its text or (memory running out) nothing.
    void setName(std::string_view s) { setTexts(s, m_szReading, m_szDestination, m_szDepartment); }
    void setReading(std::string_view s) { setTexts(m_szName, s, m_szDestination, m_szDepartment); }
    void setDestination(std::string_view s) { setTexts(m_szName, m_szReading, s, m_szDepartment); }
    void setDepartment(std::string_view s) { setTexts(m_szName, m_szReading, m_szDestination, s); }
    void setTexts(std::string_view name, std::string_view reading, std::string_view destination,
                  std::string_view department);

    int32_t m_nType = kEntryFax;
    EntryText<128> m_szName;
    EntryText<64> m_szReading;
    EntryText<256> m_szDestination;
    EntryText<256> m_szDepartment;
    int32_t m_nAccessCode = 0;
    int32_t m_nOneTouch = 0;
    uint32_t m_bChecked = 1;
    uint32_t m_bMatched = 0;
    uint32_t m_bUpdated = 0;

private:
    // The four texts one after another, each with its NUL, in one block
    // sized to them (none while all are empty): a book of short entries
    // takes little memory, and a change allocates before it touches anything.
    std::unique_ptr<char[]> texts_;
    uint32_t textBytes_ = 0;
};

// The order the list shows: true when a comes before b. Equal entries, and two
// texts equal but for nothing, keep no particular order.
bool sortsBefore(const CAddrUserDataObj& a, const CAddrUserDataObj& b, int key, int direction);

} // namespace lisotrex
