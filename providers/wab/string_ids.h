#pragma once
// vqwabsp's string table.

#include <string>

namespace pdx::wab {

enum StringId {
    kMsgFileMissing = 1,
    kMsgNoName = 2,
    kStrDefaultExtension = 4,
    kMsgSaveFailed = 5,
    kMsgSetFailed = 6,
    kStrContact = 7,
    kStrDistList = 8,
    kStrNewMemberName = 9,
    kMsgNameTooLong = 10,
    kStrBrowseTitle = 50,
    kStrBrowseFilter = 51,
    kStrBrowseExtension = 52,
    kStrMessageCaption = 53,
    kStrModuleName = 54,
    kStrHelpFile = 55,
    kStrConfigCaption = 101,
    kStrRecordTypeCaption = 102,
    kStrBrowse = 1000,
    kStrNameLabel = 2001,
    kStrPathLabel = 2002,
    kStrRecordTypeLabel = 2003,
    kStrOk = 2101,
    kStrCancel = 2102,
};

// UTF-8 text of a string-table entry.
const std::string& loadString(int id);

} // namespace pdx::wab
