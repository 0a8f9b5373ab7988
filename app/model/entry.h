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

class CAddrUserDataObj;

// One text of an entry: NUL-terminated bytes held in the entry's text block,
// read like the character array it stands for. Set through the entry, which
// keeps the text within Capacity - 1 bytes. It holds only its place in the
// block (two bytes rather than a pointer): a book of ten thousand entries
// is that much smaller.
template <size_t Capacity, int Field>
class EntryText {
public:
    static constexpr size_t kCapacity = Capacity;
    operator const char*() const noexcept { return c_str(); }
    operator std::string_view() const noexcept { return view(); }
    inline const char* c_str() const noexcept;
    inline std::string_view view() const noexcept;
    bool empty() const noexcept { return at_ == 0; }

private:
    friend class CAddrUserDataObj;
    uint16_t at_ = 0; // 1 + the text's offset in the block; 0 for an empty text
};

class CAddrUserDataObj {
public:
    static constexpr int kSchema = 1;

    explicit CAddrUserDataObj(int32_t oneTouch = 0) noexcept;
    CAddrUserDataObj(int32_t type, std::string_view name, std::string_view reading, std::string_view destination,
                     std::string_view department, int32_t accessCode, int32_t oneTouch, bool updated);
    CAddrUserDataObj(const CAddrUserDataObj& other);
    // Takes the other's texts, or copies them when they share the other's
    // own allocation (an entry made by make), which can run out of memory.
    CAddrUserDataObj(CAddrUserDataObj&& other);
    // Either every field is taken or (memory running out) none.
    CAddrUserDataObj& operator=(const CAddrUserDataObj& other);
    CAddrUserDataObj& operator=(CAddrUserDataObj&& other);
    virtual ~CAddrUserDataObj();

    // An entry on the heap with its texts in the same allocation, as the book
    // and the importers make them by the thousand: one allocation an entry
    // instead of two. It behaves as any other; a text changed later gets a
    // block of its own.
    static std::unique_ptr<CAddrUserDataObj> make(int32_t type, std::string_view name, std::string_view reading,
                                                  std::string_view destination, std::string_view department,
                                                  int32_t accessCode, int32_t oneTouch, bool updated);
    static std::unique_ptr<CAddrUserDataObj> make(const CAddrUserDataObj& from);
    // The same, without a reading, for texts that hold no NUL, as the file
    // readers and the import conversion give them: they are only cut to
    // their fields' limits, never searched for a NUL.
    static std::unique_ptr<CAddrUserDataObj> makeFromCleanTexts(int32_t type, std::string_view name,
                                                                std::string_view destination,
                                                                std::string_view department, int32_t accessCode,
                                                                int32_t oneTouch, bool updated);
    // Every entry goes back the way it came, whatever its size was.
    static void operator delete(void* p) noexcept { ::operator delete(p); }

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
    EntryText<128, 0> m_szName;
    EntryText<64, 1> m_szReading;
    EntryText<256, 2> m_szDestination;
    EntryText<256, 3> m_szDepartment;
    int32_t m_nAccessCode = 0;
    int32_t m_nOneTouch = 0;
    uint32_t m_bChecked = 1;
    uint32_t m_bMatched = 0;
    uint32_t m_bUpdated = 0;

private:
    template <size_t, int>
    friend class EntryText;
    // Where the text of a field sits in the entry, for EntryText to find
    // its block.
    static size_t textMemberOffset(int field) noexcept;
    // The bytes the block holds: up to the end of its last text.
    size_t textBytes() const noexcept;
    // The place of the first non-empty text after field (0 when none): the
    // texts lie one after another in field order, each with its NUL.
    uint16_t nextTextAt(int field) const noexcept {
        if (field < 1 && m_szReading.at_) return m_szReading.at_;
        if (field < 2 && m_szDestination.at_) return m_szDestination.at_;
        if (field < 3 && m_szDepartment.at_) return m_szDepartment.at_;
        return 0;
    }

    static std::unique_ptr<CAddrUserDataObj> makeWith(const CAddrUserDataObj& fields, const std::string_view (&parts)[4]);
    // Lays the parts out in block (room for each with its NUL) and points the texts at them.
    void placeTexts(char* block, const std::string_view (&parts)[4]) noexcept;
    void releaseTexts() noexcept;

    // The four texts one after another, each with its NUL, in one block
    // sized to them (none while all are empty): a book of short entries
    // takes little memory, and a change allocates before it touches anything.
    // The block is the entry's own (ownsTexts_) or lies right after it in the
    // allocation make made.
    char* texts_ = nullptr;
    bool ownsTexts_ = false;
};

inline size_t CAddrUserDataObj::textMemberOffset(int field) noexcept {
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Winvalid-offsetof"
    // The entry is polymorphic, so not standard-layout; its members still
    // sit at fixed offsets (no virtual bases), which both compilers give.
    switch (field) {
    case 0: return offsetof(CAddrUserDataObj, m_szName);
    case 1: return offsetof(CAddrUserDataObj, m_szReading);
    case 2: return offsetof(CAddrUserDataObj, m_szDestination);
    default: return offsetof(CAddrUserDataObj, m_szDepartment);
    }
#pragma GCC diagnostic pop
}

template <size_t Capacity, int Field>
inline const char* EntryText<Capacity, Field>::c_str() const noexcept {
    if (at_ == 0) return "";
    const auto* owner = reinterpret_cast<const CAddrUserDataObj*>(reinterpret_cast<const char*>(this) -
                                                                  CAddrUserDataObj::textMemberOffset(Field));
    return owner->texts_ + (at_ - 1);
}

template <size_t Capacity, int Field>
inline std::string_view EntryText<Capacity, Field>::view() const noexcept {
    if (at_ == 0) return {};
    const auto* owner = reinterpret_cast<const CAddrUserDataObj*>(reinterpret_cast<const char*>(this) -
                                                                  CAddrUserDataObj::textMemberOffset(Field));
    const char* text = owner->texts_ + (at_ - 1);
    // A text followed by another ends where that one starts: no scan for its NUL.
    const uint16_t next = owner->nextTextAt(Field);
    return next ? std::string_view(text, static_cast<size_t>(next - at_ - 1)) : std::string_view(text);
}

// The order the list shows: true when a comes before b. Equal entries, and two
// texts equal but for nothing, keep no particular order.
bool sortsBefore(const CAddrUserDataObj& a, const CAddrUserDataObj& b, int key, int direction);

} // namespace lisotrex
