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
};

// UTF-8 text of a string-table entry.
const std::string& loadString(int id);

} // namespace vqfax
