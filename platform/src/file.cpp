#include "platform/file.h"

#include <cerrno>
#include <ctime>
#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <atomic>
#include <sys/random.h>

namespace platform {

FileCause causeFromErrno(int err, bool lockFailed) {
    if (lockFailed && (err == EWOULDBLOCK || err == EAGAIN)) return FileCause::SharingViolation;
    switch (err) {
    case 0: return FileCause::None;
    case ENOENT: return FileCause::FileNotFound;
    case ENOTDIR:
    case ENAMETOOLONG:
    case EINVAL: return FileCause::BadPath;
    case EMFILE:
    case ENFILE: return FileCause::TooManyOpenFiles;
    case EACCES:
    case EPERM:
    case EROFS:
    case EISDIR: return FileCause::AccessDenied;
    case ENOSPC:
    case EDQUOT: return FileCause::DiskFull;
    case EIO: return FileCause::HardIO;
    case EBADF: return FileCause::InvalidFile;
    default: return FileCause::Generic;
    }
}

namespace {

// Creating a file fails with ENOENT only when a folder on its path is
// missing: a bad path, as Windows reports it, not a missing file.
FileCause causeOfFailedCreate(int err) { return err == ENOENT ? FileCause::BadPath : causeFromErrno(err); }

} // namespace

File::File(File&& other) noexcept : fd_(other.fd_), path_(std::move(other.path_)) { other.fd_ = -1; }

File& File::operator=(File&& other) noexcept {
    if (this != &other) {
        close();
        fd_ = other.fd_;
        path_ = std::move(other.path_);
        other.fd_ = -1;
    }
    return *this;
}

FileCause File::open(const std::string& path, const FileOpen& how) {
    close();
    if (path.empty()) return FileCause::BadPath;
    int flags = O_CLOEXEC;
    flags |= how.access == FileAccess::Read ? O_RDONLY : how.access == FileAccess::Write ? O_WRONLY : O_RDWR;
    if (how.create) flags |= O_CREAT;
    // Truncate only after the lock is ours, so a refused open leaves the file intact.
    int fd = ::open(path.c_str(), flags, 0666);
    if (fd < 0) return how.create ? causeOfFailedCreate(errno) : causeFromErrno(errno);
    struct stat st{};
    if (fstat(fd, &st) == 0 && S_ISDIR(st.st_mode)) {
        ::close(fd);
        return FileCause::AccessDenied;
    }
    if (how.denyWrite) {
        int op = (how.access == FileAccess::Read ? LOCK_SH : LOCK_EX) | LOCK_NB;
        if (flock(fd, op) != 0) {
            int e = errno;
            ::close(fd);
            return causeFromErrno(e, true);
        }
    }
    if (how.truncate && ftruncate(fd, 0) != 0) {
        int e = errno;
        ::close(fd);
        return causeFromErrno(e);
    }
    fd_ = fd;
    path_ = path;
    return FileCause::None;
}

void File::close() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
    path_.clear();
}

FileCause File::readAll(std::string& out) {
    out.clear();
    if (fd_ < 0) return FileCause::InvalidFile;
    char buf[65536];
    for (;;) {
        ssize_t n = ::read(fd_, buf, sizeof buf);
        if (n < 0) {
            if (errno == EINTR) continue;
            return causeFromErrno(errno);
        }
        if (n == 0) return FileCause::None;
        out.append(buf, static_cast<size_t>(n));
    }
}

FileCause File::write(std::string_view data) {
    if (fd_ < 0) return FileCause::InvalidFile;
    while (!data.empty()) {
        ssize_t n = ::write(fd_, data.data(), data.size());
        if (n < 0) {
            if (errno == EINTR) continue;
            return causeFromErrno(errno);
        }
        data.remove_prefix(static_cast<size_t>(n));
    }
    return FileCause::None;
}

FileCause File::seekToEnd() {
    if (fd_ < 0) return FileCause::InvalidFile;
    return lseek(fd_, 0, SEEK_END) < 0 ? FileCause::BadSeek : FileCause::None;
}

FileCause File::sync() {
    if (fd_ < 0) return FileCause::InvalidFile;
    return fsync(fd_) == 0 ? FileCause::None : causeFromErrno(errno);
}

namespace {

std::string folderOf(const std::string& path) {
    auto slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

std::string baseOf(const std::string& path) {
    auto slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// A write killed before its rename leaves its temporary file behind, and
// every further kill would add one. A temporary of the same target that no
// writer holds locked any more, and that is older than a minute (a writer
// locks its file right after making it), is removed.
void removeStaleTemporaries(const std::string& path) {
    const std::string folder = folderOf(path), prefix = "." + baseOf(path) + ".";
    DIR* dir = ::opendir(folder.c_str());
    if (!dir) return;
    const time_t now = ::time(nullptr);
    while (const dirent* entry = ::readdir(dir)) {
        std::string_view name(entry->d_name);
        if (name.size() <= prefix.size() + 4 || name.substr(0, prefix.size()) != prefix || !name.ends_with(".tmp"))
            continue;
        std::string_view number = name.substr(prefix.size(), name.size() - prefix.size() - 4);
        if (number.find_first_not_of("0123456789") != std::string_view::npos) continue;
        const std::string full = folder + "/" + std::string(name);
        int fd = ::open(full.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
        if (fd < 0) continue;
        struct stat st{};
        if (fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && now - st.st_mtime > 60 && flock(fd, LOCK_EX | LOCK_NB) == 0)
            ::unlink(full.c_str());
        ::close(fd);
    }
    ::closedir(dir);
}

// The number in a temporary file's name: random, so that two writers of one
// folder seldom pick the same (the creation is exclusive, a clash only costs
// a second try). Taken from the kernel directly: a random_device is costly to
// set up each time, and a temporary is made for every save.
unsigned temporaryNumber() {
    static std::atomic<unsigned> fallback{static_cast<unsigned>(::getpid()) * 7919u};
    unsigned value = 0;
    if (getrandom(&value, sizeof value, GRND_NONBLOCK) != static_cast<ssize_t>(sizeof value))
        value = fallback.fetch_add(104729u) ^ static_cast<unsigned>(::time(nullptr));
    return value % 1000000;
}

} // namespace

FileCause AtomicFile::begin(const std::string& path, const File* ownHeld) {
    abandon();
    unflushed_ = 0;
    if (path.empty()) return FileCause::BadPath;
    struct stat st{};
    if (::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) return FileCause::AccessDenied;
    // A target that exists but may not be written is refused, as a direct
    // open for writing would be.
    if (::access(path.c_str(), F_OK) == 0 && ::access(path.c_str(), W_OK) != 0) return causeFromErrno(errno);
    // Another process holding the target write-locked keeps us out as well.
    bool ours = ownHeld && ownHeld->isOpen() && ownHeld->path() == path;
    int probe = ours ? -1 : ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (probe >= 0) {
        bool locked = flock(probe, LOCK_SH | LOCK_NB) != 0 && (errno == EWOULDBLOCK || errno == EAGAIN);
        ::close(probe);
        if (locked) return FileCause::SharingViolation;
    }
    removeStaleTemporaries(path);
    for (int attempt = 0; attempt < 16; ++attempt) {
        std::string candidate = folderOf(path) + "/." + baseOf(path) + "." + std::to_string(temporaryNumber()) + ".tmp";
        // Copies made before the file exists: nothing after it can fail and
        // leave the temporary behind.
        std::string heldPath = path, target = path;
        int fd = ::open(candidate.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0) {
            if (errno == EEXIST) continue;
            return causeOfFailedCreate(errno);
        }
        flock(fd, LOCK_EX | LOCK_NB);
        if (::stat(path.c_str(), &st) == 0) fchmod(fd, st.st_mode & 07777);
        temp_.fd_ = fd;
        temp_.path_ = std::move(heldPath);
        tempPath_ = std::move(candidate);
        target_ = std::move(target);
        return FileCause::None;
    }
    return FileCause::Generic;
}

FileCause AtomicFile::write(std::string_view data) {
    if (!temp_.isOpen()) return FileCause::InvalidFile;
    // Small pieces gather into one block; a block's worth goes straight out.
    constexpr size_t kBlock = 64 * 1024;
    if (buffer_.size() + data.size() < kBlock) {
        buffer_.append(data);
        return FileCause::None;
    }
    FileCause c = FileCause::None;
    if (!buffer_.empty()) c = temp_.write(buffer_);
    unflushed_ += buffer_.size();
    buffer_.clear();
    if (c == FileCause::None) c = temp_.write(data);
    unflushed_ += data.size();
    // A large file starts going to the disk while the rest is still being
    // made, so that the flush at the commit has less left to wait for.
    if (c == FileCause::None && unflushed_ >= kStartWriteBack) {
        ::sync_file_range(temp_.fd(), 0, 0, SYNC_FILE_RANGE_WRITE);
        unflushed_ = 0;
    }
    return c;
}

FileCause AtomicFile::commit(File* held) {
    if (!temp_.isOpen()) return FileCause::InvalidFile;
    const std::string folder = folderOf(target_); // before the rename, which nothing may follow that can fail
    FileCause c = temp_.write(buffer_);
    buffer_.clear();
    if (c == FileCause::None) c = temp_.sync();
    if (c == FileCause::None && ::rename(tempPath_.c_str(), target_.c_str()) != 0) c = causeFromErrno(errno);
    if (c != FileCause::None) {
        abandon();
        return c;
    }
    tempPath_.clear();
    int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        fsync(dir);
        ::close(dir);
    }
    if (held) *held = std::move(temp_);
    else temp_.close();
    return FileCause::None;
}

void AtomicFile::abandon() {
    temp_.close();
    if (!tempPath_.empty()) ::unlink(tempPath_.c_str());
    tempPath_.clear();
    buffer_.clear();
}

FileCause writeFileAtomically(const std::string& path, std::string_view data) {
    AtomicFile f;
    FileCause c = f.begin(path);
    if (c == FileCause::None) c = f.write(data);
    if (c == FileCause::None) c = f.commit();
    return c;
}

bool fileExists(const std::string& path) {
    struct stat st{};
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

} // namespace platform
