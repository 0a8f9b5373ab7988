#pragma once
// The process-wide log of imports and exports: one header line per run and
// one numbered line per record that was skipped or incomplete.

#include "model/prompter.h"
#include "platform/file.h"

#include <string>

namespace platform { class SingleInstanceLock; }

namespace lisotrex {

struct Preferences;

enum class LogOperation { Import, Export };

class Log {
public:
    Log(Prompter& prompter, std::string path) : prompter_(prompter), path_(std::move(path)) {}

    // Start-up: the first instance (the one that now owns `lock` under `name`)
    // empties the log. Failures are ignored.
    void resetIfFirstInstance(platform::SingleInstanceLock& lock, const std::string& name);

    // Opens the log for appending and writes the run's header line. Without a
    // path it succeeds without a file. False (after its message) on failure.
    bool start(LogOperation op, const std::string& filePath);
    // "%04d: " and the text; nothing without an open log. False (after its
    // message) when the line could not be written; the log is then closed.
    bool writeLine(int number, int stringId);
    bool writeLine(int number, const std::string& text);
    void end();

    // The log page's new path: a different one closes an open log first; the
    // path is then stored.
    void setPath(const std::string& path, Preferences& prefs);
    const std::string& path() const { return path_; }
    bool isOpen() const { return file_.isOpen(); }
    bool running() const { return running_; }
    platform::FileCause lastCause() const { return lastCause_; }

private:
    void fail(platform::FileCause cause);
    bool put(const std::string& line);

    Prompter& prompter_;
    std::string path_;
    platform::File file_;
    bool running_ = false;
    platform::FileCause lastCause_ = platform::FileCause::None;
};

// Message id (7015..7019) for a log failure cause.
int logErrorMessageId(platform::FileCause cause);

} // namespace lisotrex
