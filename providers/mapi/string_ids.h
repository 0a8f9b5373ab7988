#pragma once
// vqmapisp's string table.

#include <string>

namespace pdx::mapi {

enum StringId {
    kMsgNoName = 2,
    kMsgSaveFailed = 4,
    kMsgSetFailed = 5,
    kMsgNoProfile = 6,
    kStrMessageCaption = 7,
    kStrModuleName = 8,
    kStrHelpFile = 9,
    kMsgNameTooLong = 10,
    kStrDialogCaption = 101,
    kStrUseDefault = 1004,
    kStrChooseProfile = 1005,
    kStrProfileLabel = 1006,
    kStrServicesLabel = 1007,
    kStrNameLabel = 2002,
    kStrProfileChoiceLabel = 2003,
    kStrOk = 2101,
    kStrCancel = 2102,
};

// UTF-8 text of a string-table entry.
const std::string& loadString(int id);

} // namespace pdx::mapi
