#pragma once
// Reading INI files the way GetPrivateProfileStringA / GetPrivateProfileSectionA do:
// section and key names compare without regard to ASCII case, the first match
// wins, a value is the rest of its line with surrounding blanks trimmed (and
// one pair of matching enclosing quotes removed), and the default stands in
// for anything missing, including a missing file.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

// bufferSize, when non-zero, is the caller's buffer including the NUL: the
// answer is cut to bufferSize - 1 bytes, as the Windows call does.
std::string getPrivateProfileString(std::string_view section, std::string_view key,
                                    std::string_view defaultValue, const std::string& path,
                                    size_t bufferSize = 0);

// The lines of a section in file order: "key=value" with both sides trimmed,
// or the trimmed line itself when it has no "="; blank and ";" comment lines
// are left out. Empty when the file or section is missing.
std::vector<std::string> getPrivateProfileSection(std::string_view section, const std::string& path);

// The same rules over text already in memory (the file's bytes).
class IniText {
public:
    explicit IniText(std::string text) : text_(std::move(text)) {}
    static IniText load(const std::string& path, bool* found = nullptr);
    std::string value(std::string_view section, std::string_view key, std::string_view defaultValue,
                      size_t bufferSize = 0) const;
    std::vector<std::string> section(std::string_view section) const;

private:
    std::string text_;
};

} // namespace platform
