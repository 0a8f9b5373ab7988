#include "convert/importer.h"

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

ImportRun::ImportRun(const std::string& path, ImportContext& ctx) : log_(ctx.log) {
    logStarted_ = log_.startImport(path);
    if (!logStarted_) {
        result.code = kImportLogFailed;
        return;
    }
    ctx.conversion.reset();
    result.fileError = readImportFile(path, text);
}

ImportRun::~ImportRun() {
    if (logStarted_) log_.end();
}

} // namespace lisotrex
