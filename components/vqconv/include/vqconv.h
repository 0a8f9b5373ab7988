#pragma once
// The fax driver's address book library as the fax provider calls it: nine
// functions looked up by name, the store elements they exchange, and the
// error words they report. Shared at build time by the library and the
// provider; neither links the other.

#include <cstddef>
#include <cstdint>

namespace vqconv {

// A book handle; -1 is the failure answer of OpenAddressBook.
using Handle = intptr_t;
constexpr Handle kBadHandle = -1;

// Error words written on failure.
enum ErrorWord : uint32_t {
    kErrNone = 0,
    kErrInvalidArg = 1,   // a bad argument or handle
    kErrDiskRead = 2,     // the store cannot be opened or read
    kErrDiskWrite = 3,    // the store cannot be written
    kErrNotFound = 4,     // no such record
    kErrNotAvailable = 5, // the record or book is gone
    kErrDiskFull = 6,     // no room left
};

// Field codes of a field element.
constexpr uint32_t kMemberCode = 48;

#pragma pack(push, 1)
struct FieldElement {
    uint32_t code;       // never kMemberCode
    char text[256];      // at most 255 bytes, zero-terminated
};
struct MemberElement {
    uint32_t code;       // kMemberCode
    int32_t recordId;    // contact (positive) or group (bit 31 set)
    uint32_t flags;      // bit 0 primary fax, bit 1 secondary fax; 0 for a group
    uint8_t reserved[128];
};
#pragma pack(pop)
static_assert(sizeof(FieldElement) == 260 && sizeof(MemberElement) == 140);
constexpr size_t kElementSlot = 260; // a buffer is sized at this many bytes per element

// Selector of GetRecordId: every record.
constexpr uint32_t kAllRecords = 3;

// GetRecordId: with count 0 the number of records is written into count;
// otherwise at most count ids are written to ids and count says how many.
struct RecordIdList {
    uint32_t count;
    int32_t* ids;
};
// GetProps writes at most count elements, each in its own size (260 or 140
// bytes) back to back, and answers how many it wrote; SetProps reads count
// elements the same way.
struct ElementBuffer {
    uint32_t count;     // capacity in elements (GetProps) or elements given (SetProps)
    uint8_t* elements;  // elements back to back
};

// Record ids: contacts 1, 2, 3, ...; groups have bit 31 set. Templates and the root:
constexpr int32_t kNewContactId = 0;
constexpr int32_t kNewGroupId = INT32_MIN; // 0x80000000
constexpr int32_t kRootId = -1;

using OpenAddressBookFn = Handle (*)(const char* path, uint32_t* error);
using CloseAddressBookFn = void (*)(Handle book);
using GetRecordIdFn = int32_t (*)(Handle book, uint32_t selector, uint32_t* error, RecordIdList* list);
using CreateContactEntryFn = int32_t (*)(Handle book, uint32_t* error);
using CreateGroupEntryFn = int32_t (*)(Handle book, uint32_t* error);
using GetPropsFn = int32_t (*)(Handle book, int32_t recordId, uint32_t* error, ElementBuffer* buffer);
using SetPropsFn = int32_t (*)(Handle book, int32_t recordId, uint32_t* error, ElementBuffer* buffer);
using DeletePropsFn = int32_t (*)(Handle book, uint32_t reserved, uint32_t* error, int32_t recordId);
using CnvAddressBookFn = int32_t (*)(uint32_t* error);

} // namespace vqconv
