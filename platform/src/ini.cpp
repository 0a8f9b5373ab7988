#include "platform/ini.h"

#include "platform/codepage.h"

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace platform {
namespace {

std::string_view trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t' || s.front() == '\r')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) s.remove_suffix(1);
    return s;
}

// Calls f(line) for each line of the named section (first matching section
// only); f returns false to stop.
template <class F>
void forEachSectionLine(const std::string& text, std::string_view section, F&& f) {
    bool inSection = false, seen = false;
    size_t pos = 0;
    while (pos <= text.size()) {
        size_t end = text.find('\n', pos);
        if (end == std::string::npos) end = text.size();
        std::string_view line = trim(std::string_view(text).substr(pos, end - pos));
        pos = end + 1;
        if (!line.empty() && line.front() == '[') {
            if (inSection) return;
            size_t close = line.find(']');
            std::string_view name = trim(line.substr(1, close == std::string_view::npos ? line.size() - 1 : close - 1));
            inSection = !seen && equalsIgnoreAsciiCase(name, section);
            seen = seen || inSection;
            continue;
        }
        if (inSection && !f(line)) return;
        if (end == text.size()) break;
    }
}

std::string cut(std::string v, size_t bufferSize) {
    if (bufferSize > 0 && v.size() > bufferSize - 1) v.resize(bufferSize - 1);
    return v;
}

} // namespace

// Plain reads rather than a stream: the headless tool then links no stream or
// locale code, which it would fault in at every start.
IniText IniText::load(const std::string& path, bool* found) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (found) *found = fd >= 0;
    if (fd < 0) return IniText("");
    std::string text;
    char block[16 * 1024];
    for (;;) {
        const ssize_t n = ::read(fd, block, sizeof block);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break; // a read error keeps what came before, as a stream read did
        text.append(block, static_cast<size_t>(n));
    }
    ::close(fd);
    return IniText(std::move(text));
}

std::string IniText::value(std::string_view section, std::string_view key, std::string_view defaultValue,
                           size_t bufferSize) const {
    std::string result(defaultValue);
    forEachSectionLine(text_, section, [&](std::string_view line) {
        size_t eq = line.find('=');
        if (eq == std::string_view::npos) return true;
        if (!equalsIgnoreAsciiCase(trim(line.substr(0, eq)), key)) return true;
        std::string_view v = trim(line.substr(eq + 1));
        if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front())
            v = v.substr(1, v.size() - 2);
        result = std::string(v);
        return false;
    });
    return cut(std::move(result), bufferSize);
}

std::vector<std::string> IniText::section(std::string_view section) const {
    std::vector<std::string> lines;
    forEachSectionLine(text_, section, [&](std::string_view line) {
        if (line.empty() || line.front() == ';') return true;
        size_t eq = line.find('=');
        if (eq == std::string_view::npos) lines.emplace_back(line);
        else lines.push_back(std::string(trim(line.substr(0, eq))) + "=" + std::string(trim(line.substr(eq + 1))));
        return true;
    });
    return lines;
}

std::string getPrivateProfileString(std::string_view section, std::string_view key,
                                    std::string_view defaultValue, const std::string& path, size_t bufferSize) {
    return IniText::load(path).value(section, key, defaultValue, bufferSize);
}

std::vector<std::string> getPrivateProfileSection(std::string_view section, const std::string& path) {
    return IniText::load(path).section(section);
}

} // namespace platform
