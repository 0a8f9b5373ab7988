#pragma once
// vqcore's string table.

#include <string>

namespace pdx::core {

enum StringId {
    kMsgServiceExists = 4,
    kMsgAddServiceFailed = 5,
    kMsgRegisterNoMemory = 8,
    kMsgSupportFileMissing = 11,
    kMsgNoSupportFiles = 12,
    kMsgEmptySupportFiles = 13,
    kStrMessageCaption = 53,
    kStrModuleName = 54,
    kStrHelpFile = 55,
    kStrServiceInf = 56,
};

// UTF-8 text of a string-table entry.
const std::string& loadString(int id);

} // namespace pdx::core
