#include "files/log_file.h"

#include "settings/preferences.h"
#include "strings/strings.h"
#include "platform/system.h"

#include <cstdio>
#include <ctime>
#include <fcntl.h>
#include <new>
#include <unistd.h>

namespace lisotrex {

int logErrorMessageId(platform::FileCause cause) {
    using platform::FileCause;
    switch (cause) {
    case FileCause::Generic:
    case FileCause::FileNotFound:
    case FileCause::BadPath: return ids::IDS_LOG_ERR_SETTING;
    case FileCause::AccessDenied: return ids::IDS_LOG_ERR_NOT_WRITABLE;
    case FileCause::DiskFull: return ids::IDS_LOG_ERR_DISK_FULL;
    case FileCause::SharingViolation: return ids::IDS_LOG_ERR_IN_USE;
    default: return ids::IDS_LOG_ERR_UNKNOWN;
    }
}

namespace {

// Fills "%s" placeholders in order.
std::string fillStrings(const std::string& format, std::initializer_list<std::string> args) {
    std::string out;
    auto arg = args.begin();
    for (size_t i = 0; i < format.size(); ++i) {
        if (format[i] == '%' && i + 1 < format.size() && format[i + 1] == 's') {
            if (arg != args.end()) out += *arg++;
            ++i;
        } else {
            out.push_back(format[i]);
        }
    }
    return out;
}

// Text mode: every line break becomes CR LF on disk.
void appendTextMode(std::string& out, const std::string& text) {
    for (char c : text) {
        if (c == '\n') out.push_back('\r');
        out.push_back(c);
    }
}

// Moves to the end of the log. A run killed while it wrote a line can leave
// that line cut short; the line is ended first, so the new run starts on a
// line of its own and nothing the log held is lost.
platform::FileCause seekToFreshLine(platform::File& file) {
    platform::FileCause cause = file.seekToEnd();
    if (cause != platform::FileCause::None) return cause;
    off_t size = lseek(file.fd(), 0, SEEK_CUR);
    if (size <= 0) return cause;
    char last = '\n';
    int reader = ::open(file.path().c_str(), O_RDONLY | O_CLOEXEC);
    if (reader >= 0) {
        if (pread(reader, &last, 1, size - 1) != 1) last = '\n';
        ::close(reader);
    }
    return last == '\n' ? cause : file.write("\r\n");
}

} // namespace

void Log::resetIfFirstInstance(platform::SingleInstanceLock& lock, const std::string& name) {
    if (!lock.claim(name) || path_.empty()) return;
    platform::File f;
    f.open(path_, {platform::FileAccess::Write, /*create*/ true, /*truncate*/ true, /*denyWrite*/ true});
}

void Log::fail(platform::FileCause cause) {
    lastCause_ = cause;
    file_.close();
    running_ = false;
    prompter_.message(logErrorMessageId(cause), Icon::Stop);
}

bool Log::start(LogOperation op, const std::string& filePath) {
    lastCause_ = platform::FileCause::None;
    if (path_.empty()) {
        running_ = true;
        return true;
    }
    file_.close();
    platform::FileCause cause =
        file_.open(path_, {platform::FileAccess::Write, /*create*/ true, /*truncate*/ false, /*denyWrite*/ true});
    if (cause == platform::FileCause::None) cause = seekToFreshLine(file_);
    if (cause != platform::FileCause::None) {
        fail(cause);
        return false;
    }
    running_ = true;
    try {
        std::time_t now = std::time(nullptr);
        std::string when = platform::formatShortDate(now) + " " + platform::formatTime(now);
        std::string opText = systemText(op == LogOperation::Import ? ids::IDS_LOG_OP_IMPORT : ids::IDS_LOG_OP_EXPORT);
        return put(fillStrings(systemText(ids::IDS_LOG_HEADER), {when, opText, filePath}));
    } catch (const std::bad_alloc&) {
        // Memory ran out: the run never started, so nobody will end it.
        end();
        throw;
    }
}

bool Log::put(const std::string& line) {
    std::string bytes;
    bytes.reserve(line.size() + 8);
    appendTextMode(bytes, line);
    bytes.append("\r\n");
    platform::FileCause cause = file_.write(bytes);
    if (cause != platform::FileCause::None) {
        fail(cause);
        return false;
    }
    return true;
}

bool Log::writeLine(int number, const std::string& text) {
    if (!file_.isOpen()) return true;
    char prefix[24];
    std::snprintf(prefix, sizeof prefix, "%04d: ", number);
    return put(prefix + text);
}

bool Log::writeLine(int number, int stringId) {
    if (!file_.isOpen()) return true;
    return writeLine(number, systemText(stringId));
}

void Log::end() {
    file_.close();
    running_ = false;
}

void Log::setPath(const std::string& path, Preferences& prefs) {
    if (path != path_) {
        file_.close();
        running_ = false;
        path_ = path;
    }
    prefs.env.logFilePath = path_;
    savePreference(prefs, PrefSection::Env, ids::IDS_KEY_LOG_FILE_PATH);
}

} // namespace lisotrex
