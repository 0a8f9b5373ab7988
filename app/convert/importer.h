#pragma once
// What every importer receives and returns.

#include "convert/conversion.h"
#include "convert/record_log.h"
#include "platform/file.h"

#include <memory>
#include <string>
#include <vector>

namespace lisotrex {

class Prompter;

// The import's log: one run between start and end.
class ImportLog : public RecordLog {
public:
    // False when the log cannot be started (it has shown its message).
    virtual bool startImport(const std::string& path) = 0;
    virtual void end() = 0;
};

enum ImportResultCode : int {
    kImportFinished = 0,
    kImportRoomExhausted = 4,
    kImportLogFailed = 5,
};

struct ImportResult {
    int code = kImportFinished;
    // Set when the import file could not be opened or read; the caller shows
    // the file message and merges nothing.
    platform::FileCause fileError = platform::FileCause::None;
    // The source did not have the expected form (6012 or 6018 was shown).
    bool formatError = false;
    bool fileFailed() const { return fileError != platform::FileCause::None; }
};

struct ImportContext {
    Conversion& conversion;
    ImportedEntries& out;
    int32_t bookType;
    Prompter& prompter;
    ImportLog& log;
};

// Reads a whole import file as the original text-mode reads did: CR LF
// becomes LF. The file is opened read-only with others kept from writing.
platform::FileCause readImportFile(const std::string& path, std::string& text);

// One run of a file importer: starts the log for the file (and ends it on
// every way out), resets the record counter and opens the file: a whole-text
// run reads all of it into `text`, a streamed run leaves `file` open for a
// reader that takes it block by block.
class ImportRun {
public:
    enum Reading { WholeText, Streamed };
    ImportRun(const std::string& path, ImportContext& ctx, Reading reading = WholeText);
    ~ImportRun();
    ImportRun(const ImportRun&) = delete;
    ImportRun& operator=(const ImportRun&) = delete;

    // False when the log could not be started or the file not read; `result` says which.
    bool ready() const { return logStarted_ && !result.fileFailed(); }
    ImportResult result;
    std::string text;
    platform::File file;

private:
    ImportLog& log_;
    bool logStarted_ = false;
};

} // namespace lisotrex
