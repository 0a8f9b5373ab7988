#include "vcard/vcard_text.h"

#include <algorithm>

#include "platform/codepage.h"

namespace wab32::vcard {
namespace {

int hexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

bool sameName(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return (x >= 'a' && x <= 'z' ? x - 32 : x) == (y >= 'a' && y <= 'z' ? y - 32 : y);
           });
}

// Splits at unescaped `sep` and resolves the escapes of each piece.
std::vector<std::string> splitUnescape(std::string_view s, char sep, std::string_view version) {
    const bool modern = version != "2.1";
    std::vector<std::string> parts(1);
    for (size_t i = 0; i < s.size(); ++i) {
        const char c = s[i];
        if (c == '\\' && i + 1 < s.size()) {
            const char n = s[i + 1];
            if (n == ';' || n == ',' || n == '\\' || n == ':') {
                parts.back() += n;
                ++i;
                continue;
            }
            if (modern && (n == 'n' || n == 'N')) {
                parts.back() += '\n';
                ++i;
                continue;
            }
        }
        if (sep && c == sep) {
            parts.emplace_back();
            continue;
        }
        parts.back() += c;
    }
    return parts;
}

bool isAscii(std::string_view s) {
    return std::all_of(s.begin(), s.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

} // namespace

std::string decodeQuotedPrintable(std::string_view in) {
    std::string out;
    out.reserve(in.size());
    for (size_t i = 0; i < in.size(); ++i) {
        if (in[i] == '=' && i + 2 < in.size()) {
            const int hi = hexValue(in[i + 1]);
            const int lo = hexValue(in[i + 2]);
            if (hi >= 0 && lo >= 0) {
                out += char(hi * 16 + lo);
                i += 2;
                continue;
            }
        }
        out += in[i];
    }
    return out;
}

std::string encodeQuotedPrintable(std::string_view in) {
    static const char* digits = "0123456789ABCDEF";
    std::string out;
    for (size_t i = 0; i < in.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(in[i]);
        const bool trailingSpace = (c == ' ' || c == '\t') && (i + 1 == in.size() || in[i + 1] == '\n');
        if (c == '\n') {
            out += "=0D=0A";
        } else if (c < 0x20 || c >= 0x7F || c == '=' || trailingSpace) {
            out += '=';
            out += digits[c >> 4];
            out += digits[c & 0xF];
        } else {
            out += char(c);
        }
    }
    return out;
}

bool isValidUtf8(std::string_view s) {
    size_t i = 0;
    while (i < s.size()) {
        const unsigned char c = static_cast<unsigned char>(s[i]);
        if (c < 0x80) {
            ++i;
            continue;
        }
        const size_t len = (c >> 5) == 0x6 ? 2 : (c >> 4) == 0xE ? 3 : (c >> 3) == 0x1E ? 4 : 0;
        if (len == 0 || i + len > s.size()) return false;
        for (size_t k = 1; k < len; ++k)
            if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80) return false;
        i += len;
    }
    return true;
}

std::string toUtf8(std::string_view bytes, std::string_view charset) {
    const bool utf8 = charset.empty() || sameName(charset, "UTF-8") || sameName(charset, "UTF8");
    // Most text is valid UTF-8 already; only the rest goes through iconv.
    if (utf8 && isValidUtf8(bytes)) return std::string(bytes);
    std::string from = charset.empty() ? std::string("UTF-8") : std::string(charset);
    bool lossless = true;
    std::string out = platform::convertCodePage(bytes, from, "UTF-8", '?', &lossless);
    // An unknown character set leaves the bytes as they were: read them as UTF-8.
    if (!lossless && out == bytes && from != "UTF-8") out = platform::convertCodePage(bytes, "UTF-8", "UTF-8", '?');
    return out;
}

std::string decodedBytes(const Property& p) {
    return p.isQuotedPrintable() ? decodeQuotedPrintable(p.value) : p.value;
}

// A value with no escapes, encoding or carriage returns reads as it stands.
static bool isPlain(const Property& p) {
    return p.value.find_first_of("\\\r") == std::string::npos && !p.isQuotedPrintable();
}

std::vector<std::string> components(const Property& p, std::string_view version) {
    if (isPlain(p)) {
        const std::string cs = p.charset();
        std::vector<std::string> parts;
        std::string_view rest = p.value;
        for (;;) {
            const size_t semi = rest.find(';');
            parts.push_back(toUtf8(rest.substr(0, semi), cs));
            if (semi == std::string_view::npos) break;
            rest.remove_prefix(semi + 1);
        }
        return parts;
    }
    std::vector<std::string> parts = splitUnescape(decodedBytes(p), ';', version);
    const std::string cs = p.charset();
    for (std::string& part : parts) {
        // Quoted-printable line ends are CR LF; a text holds LF only.
        part.erase(std::remove(part.begin(), part.end(), '\r'), part.end());
        part = toUtf8(part, cs);
    }
    return parts;
}

std::string text(const Property& p, std::string_view version) {
    if (isPlain(p)) return toUtf8(p.value, p.charset());
    std::vector<std::string> parts = splitUnescape(decodedBytes(p), 0, version);
    std::string& t = parts.front();
    t.erase(std::remove(t.begin(), t.end(), '\r'), t.end());
    return toUtf8(t, p.charset());
}

std::string escape(std::string_view utf8, std::string_view version) {
    std::string out;
    for (char c : utf8) {
        // A NUL anywhere makes the whole file read as binary data, every
        // other card with it; a decoded "=00" must not be written back.
        if (c == '\r' || c == '\0') continue;
        if (version == "2.1") {
            if (c == ';' || c == '\\') out += '\\';
            out += c;
            continue;
        }
        if (c == '\n') out += "\\n";
        else if (c == '\\' || c == ',' || c == ';') (out += '\\') += c;
        else out += c;
    }
    return out;
}

void setComponents(Property& p, const std::vector<std::string>& parts, std::string_view version) {
    std::string value;
    for (size_t i = 0; i < parts.size(); ++i) {
        if (i) value += ';';
        value += escape(parts[i], version);
    }
    p.raw.clear();
    // The character set and encoding of the old value no longer apply.
    std::erase_if(p.params, [](const Param& param) {
        if (sameName(param.name, "CHARSET") || sameName(param.name, "ENCODING")) return true;
        return param.name.empty() && param.values.size() == 1 &&
               (sameName(param.values[0], "QUOTED-PRINTABLE") || sameName(param.values[0], "QP"));
    });
    if (version == "2.1" && (!isAscii(value) || value.find('\n') != std::string::npos)) {
        p.params.push_back({"CHARSET", {"UTF-8"}});
        p.params.push_back({"ENCODING", {"QUOTED-PRINTABLE"}});
        value = encodeQuotedPrintable(value);
    }
    p.value = value;
}

void setText(Property& p, std::string_view utf8, std::string_view version) {
    setComponents(p, {std::string(utf8)}, version);
}

} // namespace wab32::vcard
