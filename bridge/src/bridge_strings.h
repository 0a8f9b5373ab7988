#pragma once
// vqbridge's string table.

#include <string>

namespace vqbridge {

enum StringId {
    kStrCaption = 1,
    kMsgTooManyRecipients = 10,
    kStrColumnName = 12,
    kStrColumnAddress = 13,
    kStrColumnCompany = 15,
    kStrColumnDepartment = 16,
    kStrFaxAddressType = 27,
    kStrItemFormat = 28,
    kStrLineSeparator = 29,
    kStrRegisteredRecipient = 31,
    kStrExchangeAddressType = 32,
    kStrLabelGap = 33,
    kStrFaxServiceName = 35,
    kMsgNoAddressBooks = 55,
    kStrSmtp = 60,
    kStrCoreModule = 63,
    kStrHelpFile = 64,
    kStrBridgeModule = 65,
    kDlgRecipientSelect = 103,
    kStrCount = 1041,
    kStrAddButton = 1043,
    kStrRemoveButton = 1044,
    kStrTreeLabel = 2001,
    kStrImportListLabel = 2002,
    kStrSearchLabel = 2003,
    kStrOk = 2101,
    kStrCancel = 2102,
};

// UTF-8 text of a string-table entry.
const std::string& loadString(int id);
// The text in the system code page, where it meets PDX data.
std::string systemString(int id);

} // namespace vqbridge
