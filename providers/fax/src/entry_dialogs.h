#pragma once
// Where NewEntry and Details reach the record type, person and group
// dialogs. Without a Qt widget application none of them can be shown, and the
// request fails rather than passing for a cancelled dialog.

#include <vector>

#include "pdx/interfaces.h"

namespace vqfax {

using namespace pdx;

// What NewEntry and Details hand a person or group dialog.
struct EntryDialogContext {
    void* module = nullptr;
    IAddrBook* logon = nullptr;
    ULONG_PTR ulUIParam = 0;
    // Both null when editing; a saved new entry's identifier goes through them
    // (allocated with the allocate routine).
    ULONG* cbNewEntryId = nullptr;
    ENTRYID** newEntryId = nullptr;
    std::vector<uint8_t> entryId;     // the entry being edited (empty for a new one)
    std::vector<uint8_t> containerId; // the container a new entry goes into
    std::vector<uint8_t> templateId;  // its creation template
};

// The status of a request for a dialog that cannot be shown.
constexpr HRESULT kDialogUnavailable = static_cast<HRESULT>(0x80004005); // E_FAIL

class EntryDialogs {
public:
    virtual ~EntryDialogs() = default;
    // The record type dialog: the chosen template property
    // (PR_DEF_CREATE_MAILUSER or PR_DEF_CREATE_DL), or MAPI_E_USER_CANCEL.
    virtual HRESULT chooseRecordType(ULONG_PTR ulUIParam, ULONG& templateTag);
    // The person and group dialogs; 0 when the dialog ran (saved or cancelled).
    virtual HRESULT editPerson(const EntryDialogContext& context);
    virtual HRESULT editGroup(const EntryDialogContext& context);
};

// The dialogs in use (never null); tests put their own in place.
EntryDialogs& entryDialogs();
void setEntryDialogs(EntryDialogs* dialogs); // null: the built-in ones

} // namespace vqfax
