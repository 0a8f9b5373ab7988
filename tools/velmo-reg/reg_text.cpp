#include "reg_text.h"

#include "platform/registry.h"

#include <cstdio>
#include <optional>
#include <vector>

namespace velmoreg {
using namespace platform;

namespace {

std::string quote(const std::string& s) {
    std::string out = "\"";
    for (char c : s) {
        if (c == '\\' || c == '"') out.push_back('\\');
        out.push_back(c);
    }
    return out + "\"";
}

std::string hexBytes(const std::vector<uint8_t>& data) {
    std::string out;
    char buf[4];
    for (size_t i = 0; i < data.size(); ++i) {
        std::snprintf(buf, sizeof buf, "%s%02x", i ? "," : "", data[i]);
        out += buf;
    }
    return out;
}

void exportKey(const RegKey& key, const std::string& fullName, std::string& out) {
    out += "[" + fullName + "]\n";
    std::vector<RegValue> values;
    key.values(values);
    for (const auto& [name, type, data] : values) {
        out += name.empty() ? std::string("@") : quote(name);
        out += "=";
        std::string text;
        if (type == REG_SZ) {
            text.assign(data.begin(), data.end());
            if (auto nul = text.find('\0'); nul != std::string::npos) text.resize(nul);
        }
        // A line end cannot stand inside a quoted text: such a string goes
        // out as its bytes, which read back as the same string.
        if (type == REG_SZ && text.find_first_of("\r\n") == std::string::npos) {
            out += quote(text);
        } else if (type == REG_DWORD && data.size() == 4) {
            char buf[16];
            uint32_t v = data[0] | (data[1] << 8) | (data[2] << 16) | (static_cast<uint32_t>(data[3]) << 24);
            std::snprintf(buf, sizeof buf, "dword:%08x", v);
            out += buf;
        } else if (type == REG_BINARY) {
            out += "hex:" + hexBytes(data);
        } else {
            // The type in hex, as regedit writes it and as the import reads it.
            char kind[16];
            std::snprintf(kind, sizeof kind, "hex(%x):", static_cast<unsigned>(type));
            out += kind + hexBytes(data);
        }
        out += "\n";
    }
    out += "\n";
    std::vector<std::string> subs;
    key.subKeyNames(subs);
    for (const auto& s : subs) {
        RegKey sub;
        if (key.openSubKey(s, sub) == kRegOk) exportKey(sub, fullName + "\\" + s, out);
    }
}

std::optional<RegRoot> parseRoot(const std::string& name) {
    if (name == "HKEY_CURRENT_USER" || name == "HKCU") return RegRoot::CurrentUser;
    if (name == "HKEY_LOCAL_MACHINE" || name == "HKLM") return RegRoot::LocalMachine;
    return std::nullopt;
}

bool splitKey(const std::string& full, RegRoot& root, std::string& sub) {
    auto slash = full.find('\\');
    auto r = parseRoot(full.substr(0, slash));
    if (!r) return false;
    root = *r;
    sub = slash == std::string::npos ? std::string() : full.substr(slash + 1);
    return true;
}

// Reads a quoted string starting at s[pos] == '"'; pos ends after the closing quote.
std::optional<std::string> readQuoted(const std::string& s, size_t& pos) {
    if (pos >= s.size() || s[pos] != '"') return std::nullopt;
    std::string out;
    for (++pos; pos < s.size(); ++pos) {
        char c = s[pos];
        if (c == '\\' && pos + 1 < s.size()) {
            out.push_back(s[++pos]);
        } else if (c == '"') {
            ++pos;
            return out;
        } else {
            out.push_back(c);
        }
    }
    return std::nullopt;
}

std::optional<std::vector<uint8_t>> parseHex(const std::string& s) {
    std::vector<uint8_t> out;
    size_t i = 0;
    while (i < s.size()) {
        while (i < s.size() && (s[i] == ',' || s[i] == ' ' || s[i] == '\t')) ++i;
        if (i >= s.size()) break;
        size_t used = 0;
        unsigned long v;
        try {
            v = std::stoul(s.substr(i, 2), &used, 16);
        } catch (...) {
            return std::nullopt;
        }
        if (used == 0 || v > 0xFF) return std::nullopt;
        out.push_back(static_cast<uint8_t>(v));
        i += used;
    }
    return out;
}

// Joins "\"-continued lines and drops CRs.
std::vector<std::string> logicalLines(const std::string& text) {
    std::vector<std::string> lines;
    std::string current;
    size_t pos = 0;
    while (pos <= text.size()) {
        size_t end = text.find('\n', pos);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(pos, end - pos);
        pos = end + 1;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (!current.empty()) {
            size_t first = line.find_first_not_of(" \t");
            line = first == std::string::npos ? std::string() : line.substr(first);
        }
        current += line;
        bool hexValue = current.find("=hex") != std::string::npos;
        if (hexValue && !current.empty() && current.back() == '\\') {
            current.pop_back();
        } else {
            lines.push_back(current);
            current.clear();
        }
        if (end == text.size()) break;
    }
    if (!current.empty()) lines.push_back(current);
    return lines;
}

} // namespace

bool exportTree(const std::string& fullKey, std::string& out, std::string& error) {
    // The whole tree from one state of the store, each key looked up once.
    RegReadSnapshot snapshot;
    out += "REGEDIT4\n\n";
    if (fullKey.empty()) {
        for (RegRoot root : {RegRoot::CurrentUser, RegRoot::LocalMachine}) {
            RegKey key;
            RegKey::open(root, "", key);
            std::vector<std::string> subs;
            std::string firstValue;
            if (key.subKeyNames(subs) != kRegOk) continue;
            if (subs.empty() && key.enumValue(0, firstValue) != kRegOk) continue;
            exportKey(key, std::string(regRootName(root)), out);
        }
        return true;
    }
    RegRoot root;
    std::string sub;
    if (!splitKey(fullKey, root, sub)) {
        error = "unknown root key in " + fullKey;
        return false;
    }
    RegKey key;
    if (RegKey::open(root, sub, key) != kRegOk) {
        error = "no such key: " + fullKey;
        return false;
    }
    std::string name = std::string(regRootName(root));
    if (!key.path().empty()) name += "\\" + key.path();
    exportKey(key, name, out);
    return true;
}

bool importText(const std::string& input, std::string& error) {
    std::string text = input;
    if (text.rfind("\xEF\xBB\xBF", 0) == 0) text.erase(0, 3);
    auto lines = logicalLines(text);
    size_t n = 0;
    while (n < lines.size() && lines[n].empty()) ++n;
    if (n == lines.size() || (lines[n] != "REGEDIT4" && lines[n] != "Windows Registry Editor Version 5.00")) {
        error = "not a REGEDIT4 file";
        return false;
    }
    RegTransaction tx;
    if (tx.status() != kRegOk) {
        error = "the registry store cannot be opened";
        return false;
    }
    std::optional<RegKey> current;
    for (size_t i = n + 1; i < lines.size(); ++i) {
        const std::string& line = lines[i];
        std::string where = "line " + std::to_string(i + 1) + ": ";
        if (line.empty() || line[0] == ';') continue;
        if (line[0] == '[') {
            if (line.back() != ']') {
                error = where + "unterminated key name";
                return false;
            }
            bool remove = line.size() > 2 && line[1] == '-';
            std::string full = line.substr(remove ? 2 : 1, line.size() - (remove ? 3 : 2));
            RegRoot root;
            std::string sub;
            if (!splitKey(full, root, sub)) {
                error = where + "unknown root key in " + full;
                return false;
            }
            current.reset();
            if (remove) {
                RegKey rootKey;
                RegKey::open(root, "", rootKey);
                if (!sub.empty()) rootKey.deleteSubTree(sub); // a missing key is no error
                continue;
            }
            RegKey key;
            if (RegKey::create(root, sub, key) != kRegOk) {
                error = where + "cannot create " + full;
                return false;
            }
            current = key;
            continue;
        }
        if (!current) {
            error = where + "value outside a key";
            return false;
        }
        size_t pos = 0;
        std::string name;
        if (line[0] == '@') {
            pos = 1;
        } else {
            auto q = readQuoted(line, pos);
            if (!q) {
                error = where + "bad value name";
                return false;
            }
            name = *q;
        }
        if (pos >= line.size() || line[pos] != '=') {
            error = where + "missing '='";
            return false;
        }
        std::string data = line.substr(pos + 1);
        RegStatus r = kRegOk;
        if (data == "-") {
            current->deleteValue(name);
        } else if (!data.empty() && data[0] == '"') {
            size_t p = 0;
            auto s = readQuoted(data, p);
            if (!s || p != data.size()) {
                error = where + "bad text value";
                return false;
            }
            r = current->setString(name, *s);
        } else if (data.rfind("dword:", 0) == 0) {
            std::string digits = data.substr(6);
            if (digits.empty() || digits.size() > 8 || digits.find_first_not_of("0123456789abcdefABCDEF") != std::string::npos) {
                error = where + "bad dword";
                return false;
            }
            r = current->setDword(name, static_cast<uint32_t>(std::stoul(digits, nullptr, 16)));
        } else if (data.rfind("hex", 0) == 0) {
            RegType type = REG_BINARY;
            size_t colon = data.find(':');
            if (colon == std::string::npos) {
                error = where + "bad hex value";
                return false;
            }
            if (data[3] == '(') {
                try {
                    type = static_cast<RegType>(std::stoul(data.substr(4, colon - 5), nullptr, 16));
                } catch (...) {
                    error = where + "bad hex type";
                    return false;
                }
            }
            auto bytes = parseHex(data.substr(colon + 1));
            if (!bytes) {
                error = where + "bad hex bytes";
                return false;
            }
            r = current->setValue(name, type, bytes->data(), bytes->size());
        } else {
            error = where + "unknown value form";
            return false;
        }
        if (r != kRegOk) {
            error = where + "write failed (" + std::to_string(r) + ")";
            return false;
        }
    }
    if (tx.commit() != kRegOk) {
        error = "the registry store refused the changes";
        return false;
    }
    return true;
}

} // namespace velmoreg
