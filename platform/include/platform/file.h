#pragma once
// Files opened the way the program's framework opened them: share modes become
// flock locks ("sharing denied for writing"), and every failure carries a cause
// from which the program picks its message.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace platform {

enum class FileCause {
    None,
    Generic,
    FileNotFound,
    BadPath,
    TooManyOpenFiles,
    AccessDenied,
    InvalidFile,
    RemoveCurrentDir,
    DirectoryFull,
    BadSeek,
    HardIO,
    SharingViolation,
    LockViolation,
    DiskFull,
    EndOfFile,
};

// errno of a failed call -> cause; lockFailed marks the errno of a refused lock.
FileCause causeFromErrno(int err, bool lockFailed = false);

enum class FileAccess { Read, Write, ReadWrite };

struct FileOpen {
    FileAccess access = FileAccess::Read;
    bool create = false;          // create when missing
    bool truncate = false;        // empty an existing file
    bool denyWrite = true;        // others may not write while we hold it
};

// An open file that owns its descriptor and lock.
class File {
public:
    File() = default;
    ~File() { close(); }
    File(File&& other) noexcept;
    File& operator=(File&& other) noexcept;
    File(const File&) = delete;
    File& operator=(const File&) = delete;

    FileCause open(const std::string& path, const FileOpen& how);
    void close();
    bool isOpen() const { return fd_ >= 0; }
    const std::string& path() const { return path_; }
    int fd() const { return fd_; }

    // Whole content from the current position to the end.
    FileCause readAll(std::string& out);
    FileCause write(std::string_view data);
    FileCause seekToEnd();
    FileCause sync();

private:
    friend class AtomicFile;
    int fd_ = -1;
    std::string path_;
};

// Replaces a file without ever leaving a torn one: the content goes into a
// temporary file in the same folder, which is flushed, renamed over the target
// and the folder flushed. The written file stays open (and write-locked) when
// keepOpen is set, so a document can go on holding it.
class AtomicFile {
public:
    // Starts the replacement; the temporary file is write-locked. A target
    // write-locked by another holder is refused (sharing violation), unless
    // that holder is `ownHeld`, the caller's own open file of the same path.
    FileCause begin(const std::string& path, const File* ownHeld = nullptr);
    FileCause write(std::string_view data);
    // Flush, rename over the target, flush the folder. On success the open
    // temporary becomes `held` (when given) or is closed.
    FileCause commit(File* held = nullptr);
    // Drops the temporary file (also done by the destructor).
    void abandon();
    ~AtomicFile() { abandon(); }

private:
    File temp_;
    std::string target_;
    std::string tempPath_;
    std::string buffer_;
    static constexpr size_t kStartWriteBack = 256 * 1024;
    size_t unflushed_ = 0; // bytes written since the disk was last asked to start on them
};

// Convenience for a whole file written at once.
FileCause writeFileAtomically(const std::string& path, std::string_view data);

bool fileExists(const std::string& path);

} // namespace platform
