#pragma once
// vqfaxsp's string table.

#include <string>

namespace vqfax {

enum StringId {
    kMsgNoName = 2,
    kMsgRegisterFailed = 3,
    kStrMessageCaption = 94,
    kStrModuleName = 95,
    kStrHelpFile = 96,
    kStrConfigCaption = 105,
    kStrNameLabel = 2002,
    kStrOk = 2101,
    kStrCancel = 2102,
    kStrNameHelp = 3841,

    // The entry dialogs.
    kStrEntryCaption = 10, // caption of their message boxes
    kStrEditPerson = 11,
    kStrEditGroup = 12,
    kStrHonorificFirst = 21, // 21-23: honorifics after the name
    kStrHonorificLast = 23,
    kStrTitleFirst = 31, // 31-34: titles before the name
    kStrTitleLast = 34,
    kMsgFaxTooLong = 41,
    kMsgNoFaxNumber = 42,
    kMsgTooManyPersons = 44,
    kMsgNoRecipientName = 45,
    kMsgFaxInvalidCharacter = 46,
    kMsgFaxNoDigits = 48,
    kMsgNoMembers = 51,
    kMsgTooManyMembers = 52,
    kMsgTooManyGroups = 53,
    kMsgNoGroupName = 56,
    kMsgSelectItems = 57,
    kMsgGroupContainsItself = 58,
    kMsgTooManyDestinations = 59,
    kMsgParentGroupTooLarge = 60,
    kStrColumnFirst = 71, // 71-76: columns of the available recipients
    kStrRecordContact = 81,
    kStrRecordGroup = 82,
    kStrRecordTypeCaption = 101,
    kStrNewPerson = 102,
    kStrNewGroup = 104,
    kStrRecordTypeLabel = 1003,
    kStrHelpKey = 2000,
    kStrHelpValue = 2001,
};

// UTF-8 text of a string-table entry.
const std::string& loadString(int id);

} // namespace vqfax
