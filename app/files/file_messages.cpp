#include "files/file_messages.h"

#include "strings/strings.h"

namespace lisotrex {

int fileErrorMessageId(platform::FileCause cause) {
    using platform::FileCause;
    switch (cause) {
    case FileCause::None: return ids::IDS_FILE_ERR_NONE;
    case FileCause::Generic: return ids::IDS_FILE_ERR_GENERIC;
    case FileCause::FileNotFound: return ids::IDS_FILE_ERR_NOT_FOUND;
    case FileCause::BadPath: return ids::IDS_FILE_ERR_BAD_PATH;
    case FileCause::TooManyOpenFiles: return ids::IDS_FILE_ERR_TOO_MANY_OPEN;
    case FileCause::AccessDenied: return ids::IDS_FILE_ERR_ACCESS_DENIED;
    case FileCause::InvalidFile: return ids::IDS_FILE_ERR_INVALID_FILE;
    case FileCause::RemoveCurrentDir: return ids::IDS_FILE_ERR_REMOVE_CURRENT_DIR;
    case FileCause::DirectoryFull: return ids::IDS_FILE_ERR_DIRECTORY_FULL;
    case FileCause::BadSeek: return ids::IDS_FILE_ERR_BAD_SEEK;
    case FileCause::HardIO: return ids::IDS_FILE_ERR_HARD_IO;
    case FileCause::SharingViolation: return ids::IDS_FILE_ERR_SHARING;
    case FileCause::LockViolation: return ids::IDS_FILE_ERR_LOCK;
    case FileCause::DiskFull: return ids::IDS_FILE_ERR_DISK_FULL;
    case FileCause::EndOfFile: return ids::IDS_FILE_ERR_END_OF_FILE;
    }
    return ids::IDS_MSG_FILE_OPEN_FAILED;
}

void showFileError(Prompter& prompter, platform::FileCause cause, const std::string& path) {
    prompter.message(fileErrorMessageId(cause), Icon::Stop, {path});
}

void showOpenFailed(Prompter& prompter) { prompter.message(ids::IDS_MSG_FILE_OPEN_FAILED, Icon::Stop); }

} // namespace lisotrex
