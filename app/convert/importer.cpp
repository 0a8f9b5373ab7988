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

} // namespace lisotrex
