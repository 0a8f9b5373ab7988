#include "convert/importer.h"

#include <new>

namespace lisotrex {

platform::FileCause readImportFile(const std::string& path, std::string& text) {
    platform::File file;
    platform::FileCause cause = file.open(path, {platform::FileAccess::Read, false, false, true});
    if (cause != platform::FileCause::None) return cause;
    std::string raw;
    cause = file.readAll(raw);
    if (cause != platform::FileCause::None) return cause;
    text.clear();
    text.reserve(raw.size());
    for (size_t i = 0; i < raw.size(); ++i) {
        if (raw[i] == '\r' && i + 1 < raw.size() && raw[i + 1] == '\n') continue;
        text.push_back(raw[i]);
    }
    return platform::FileCause::None;
}

ImportRun::ImportRun(const std::string& path, ImportContext& ctx, Reading reading) : log_(ctx.log) {
    logStarted_ = log_.startImport(path);
    if (!logStarted_) {
        result.code = kImportLogFailed;
        return;
    }
    ctx.conversion.reset();
    try {
        if (reading == Streamed) result.fileError = file.open(path, {platform::FileAccess::Read, false, false, true});
        else result.fileError = readImportFile(path, text);
    } catch (const std::bad_alloc&) {
        // The destructor of a run that never finished starting does not run.
        log_.end();
        throw;
    }
}

ImportRun::~ImportRun() {
    if (logStarted_) log_.end();
}

} // namespace lisotrex
