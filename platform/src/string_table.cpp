#include "platform/string_table.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <cstdlib>

namespace platform {

StringTable StringTable::parse(std::string_view data, std::vector<std::string>* errors) {
    StringTable table;
    size_t lineNo = 0;
    while (!data.empty()) {
        size_t end = data.find('\n');
        std::string_view line = data.substr(0, end);
        data = end == std::string_view::npos ? std::string_view() : data.substr(end + 1);
        ++lineNo;
        if (line.empty() || line.front() == '#') continue;
        size_t tab = line.find('\t');
        int id = 0;
        auto [ptr, ec] = std::from_chars(line.data(), line.data() + (tab == std::string_view::npos ? line.size() : tab), id);
        if (tab == std::string_view::npos || ec != std::errc() || ptr != line.data() + tab) {
            if (errors) errors->push_back("line " + std::to_string(lineNo) + ": no id and tab");
            continue;
        }
        std::string text;
        std::string_view raw = line.substr(tab + 1);
        for (size_t i = 0; i < raw.size(); ++i) {
            if (raw[i] != '\\' || i + 1 == raw.size()) {
                text.push_back(raw[i]);
                continue;
            }
            char e = raw[++i];
            text.push_back(e == 'n' ? '\n' : e == 'r' ? '\r' : e == 't' ? '\t' : e);
            if (e != 'n' && e != 'r' && e != 't' && e != '\\' && errors)
                errors->push_back("line " + std::to_string(lineNo) + ": unknown escape");
        }
        if (!table.texts_.emplace(id, std::move(text)).second && errors)
            errors->push_back("line " + std::to_string(lineNo) + ": id " + std::to_string(id) + " twice");
    }
    return table;
}

const std::string& StringTable::text(int id) const {
    static const std::string empty;
    auto it = texts_.find(id);
    if (it != texts_.end()) return it->second;
    if (const char* strict = std::getenv("VELMO_STRICT_STRINGS"); strict && *strict && *strict != '0') {
        std::fprintf(stderr, "string table lacks id %d\n", id);
        std::abort();
    }
    return empty;
}

std::vector<int> StringTable::ids() const {
    std::vector<int> out;
    out.reserve(texts_.size());
    for (const auto& [id, text] : texts_) out.push_back(id);
    std::sort(out.begin(), out.end());
    return out;
}

} // namespace platform
