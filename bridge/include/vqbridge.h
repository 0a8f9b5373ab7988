#pragma once
// The address book bridge's call contract: the exports of vqbridge.so, looked
// up by name, and the byte layouts that cross between the program and the
// bridge. Texts are bytes in the system code page.

#include <cstddef>
#include <cstdint>

namespace vqbridge {

using HRESULT = int32_t;

// One chosen recipient, 364 bytes, little-endian. Every text field is
// NUL-padded and holds at most the number of bytes noted beside it.
struct RecipientRecord {
    char displayName[88];  // at most 85 bytes of text
    char address[48];      // fax number or e-mail address, at most 45
    char company[44];      // at most 40
    char department[44];   // at most 40
    char faxText1[24];     // first auxiliary fax text, at most 20; empty for e-mail
    char faxText2[24];     // second auxiliary fax text, at most 20; empty for e-mail
    uint32_t kind;         // kFaxRecipient or kEmailRecipient
    char givenName[44];    // at most 40
    char surname[44];      // at most 40
};
inline constexpr uint32_t kFaxRecipient = 0;
inline constexpr uint32_t kEmailRecipient = 1;

static_assert(sizeof(RecipientRecord) == 364);
static_assert(offsetof(RecipientRecord, address) == 88);
static_assert(offsetof(RecipientRecord, company) == 136);
static_assert(offsetof(RecipientRecord, department) == 180);
static_assert(offsetof(RecipientRecord, faxText1) == 224);
static_assert(offsetof(RecipientRecord, faxText2) == 248);
static_assert(offsetof(RecipientRecord, kind) == 272);
static_assert(offsetof(RecipientRecord, givenName) == 276);
static_assert(offsetof(RecipientRecord, surname) == 320);

// Text limits of the record fields (bytes of text, without the NUL).
inline constexpr size_t kDisplayNameLimit = 85;
inline constexpr size_t kAddressLimit = 45;
inline constexpr size_t kCompanyLimit = 40;
inline constexpr size_t kFaxTextLimit = 20;

// The caller's block of records: a 32-bit capacity, then (at the next
// pointer-aligned offset) that many pointers to records. The caller owns the
// block and the records.
struct RecipientArray {
    uint32_t capacity;
    RecipientRecord* records[1]; // really `capacity` of them
};
static_assert(offsetof(RecipientArray, records) == 8);
constexpr size_t recipientArraySize(uint32_t capacity) {
    return offsetof(RecipientArray, records) + sizeof(RecipientRecord*) * (capacity ? capacity : 1);
}

// A service to create with a profile, 44 bytes.
struct ServiceDescriptor {
    char serviceName[32]; // NUL-terminated, e.g. "WAB"
    uint32_t flags;       // kServiceNoDelete / kServiceNoEdit; other bits ignored
    uint8_t reserved[8];  // zero
};
inline constexpr uint32_t kServiceNoDelete = 0x1; // becomes resource flag 0x10000
inline constexpr uint32_t kServiceNoEdit = 0x2;   // becomes resource flag 0x20000
static_assert(sizeof(ServiceDescriptor) == 44);
static_assert(offsetof(ServiceDescriptor, flags) == 32);

// PDX open flags the program uses.
inline constexpr uint32_t kOpenProgramProfile = 0x10;

// Exports, by name.
using OpenAddressBookFn = void* (*)(uintptr_t window, const char* profile, uint32_t flags);
using CloseAddressBookFn = int32_t (*)(void* handle);
// 1 when the dialog ran (OK or Cancel), 0 when it could not be shown, -1
// without a usable handle. On OK the chosen recipients replace the records.
using DisplayRecipSelectFn = int32_t (*)(void* handle, uintptr_t window, uint32_t* count, RecipientArray* records);
using DisplayAdminProfilesFn = int32_t (*)(uintptr_t window, const char* profile);
using GetLastPDXErrorFn = HRESULT (*)(void* handle);
using CreateProfileFn = int32_t (*)(const char* profile, uint32_t count, const ServiceDescriptor* services);
// `displayName` receives at most 63 bytes and the NUL (64-byte buffer).
using DeleteVABServiceFn = HRESULT (*)(void* handle, uintptr_t window, const char* profile, uint32_t flags,
                                       char* displayName);
using AddVABServiceFn = HRESULT (*)(void* handle, uintptr_t window, const char* profile, uint32_t flags,
                                    const char* displayName);
// The selection without a window: every row of the container named by
// `containerPath` (display names from a top-level container down, joined by
// "/"; null or empty: the default directory) is chosen and added, as the
// dialog adds them, and the result replaces the records. A null handle opens
// the default profile for the call. S_OK; E_INVALIDARG for an unusable
// handle, count or array; MAPI_E_NOT_FOUND (0x8004010F) when the path names
// no container; MAPI_E_TABLE_TOO_BIG (0x80040403) when the recipients would
// not fit the array (nothing is written); else the failing PDX status.
using SelectRecipientsFn = HRESULT (*)(void* handle, const char* containerPath, uint32_t* count,
                                       RecipientArray* records);

inline constexpr const char* kOpenAddressBook = "OpenAddressBook";
inline constexpr const char* kCloseAddressBook = "CloseAddressBook";
inline constexpr const char* kDisplayRecipSelect = "DisplayRecipSelect";
inline constexpr const char* kDisplayAdminProfiles = "DisplayAdminProfiles";
inline constexpr const char* kGetLastPDXError = "GetLastPDXError";
inline constexpr const char* kCreateProfile = "CreateProfile";
inline constexpr const char* kDeleteVABService = "DeleteVABService";
inline constexpr const char* kAddVABService = "AddVABService";
inline constexpr const char* kSelectRecipients = "SelectRecipients";

} // namespace vqbridge
