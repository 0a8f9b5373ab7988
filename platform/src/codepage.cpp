#include "platform/codepage.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <clocale>
#include <cstdlib>
#include <cwchar>
#include <cwctype>
#include <iconv.h>
#include <langinfo.h>
#include <locale.h>
#include <map>
#include <mutex>
#include <utility>

#include "owned_locale.h"

namespace platform {
namespace {

std::string upper(std::string s) {
    for (auto& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

bool isUtf8Name(const std::string& name) {
    std::string u = upper(name);
    return u == "UTF-8" || u == "UTF8" || u == "CP65001";
}

// The user's locale (as the environment names it) without touching the
// process-wide locale. Each module that links this code keeps its own,
// released when the module ends, so a plug-in that is unloaded gives it back.
// Only its character set and collation are used, so only those are loaded.
locale_t userLocale() {
    constexpr int kMask = LC_CTYPE_MASK | LC_COLLATE_MASK;
    static const OwnedLocale loc([] {
        locale_t l = newlocale(kMask, "", nullptr);
        if (!l) l = newlocale(kMask, "C.UTF-8", nullptr);
        if (!l) l = newlocale(kMask, "C", nullptr);
        return l;
    }());
    return loc.get();
}

locale_t unicodeCaseLocale() {
    static const OwnedLocale loc(newlocale(LC_CTYPE_MASK, "C.UTF-8", nullptr));
    return loc.get();
}

// One cached iconv descriptor per direction; iconv_open is costly and sorting
// compares many texts.
class IconvCache {
public:
    ~IconvCache() {
        for (auto& [key, cd] : cache_)
            if (cd != reinterpret_cast<iconv_t>(-1)) iconv_close(cd);
    }
    iconv_t get(const std::string& to, const std::string& from) {
        std::lock_guard lock(mutex_);
        auto key = std::make_pair(to, from);
        auto it = cache_.find(key);
        if (it != cache_.end()) {
            if (it->second == reinterpret_cast<iconv_t>(-1)) return it->second;
            iconv(it->second, nullptr, nullptr, nullptr, nullptr); // reset shift state
            return it->second;
        }
        // A pair iconv does not know is kept too: it will not learn it later,
        // and asking again for every text costs as much as a conversion.
        iconv_t cd = iconv_open(to.c_str(), from.c_str());
        cache_.emplace(key, cd);
        return cd;
    }

private:
    std::mutex mutex_;
    std::map<std::pair<std::string, std::string>, iconv_t> cache_;
};

// Released with the module, like the locales.
IconvCache& iconvCache() {
    static IconvCache cache;
    return cache;
}

} // namespace

std::string systemCodePage() {
    if (const char* env = std::getenv("VELMO_CODEPAGE"); env && *env) return env;
    const char* cs = nl_langinfo_l(CODESET, userLocale());
    std::string name = cs ? cs : "";
    std::string u = upper(name);
    if (u.empty() || u == "ANSI_X3.4-1968" || u == "ASCII" || u == "US-ASCII") return "UTF-8";
    return name;
}

bool systemCodePageIsUtf8() { return isUtf8Name(systemCodePage()); }

std::string convertCodePage(std::string_view in, const std::string& from, const std::string& to,
                            char replacement, bool* lossless) {
    if (lossless) *lossless = true;
    if (in.empty()) return {};
    iconv_t cd = iconvCache().get(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1)) {
        if (lossless) *lossless = false;
        return std::string(in);
    }
    std::string out;
    out.reserve(in.size() * 2);
    char* src = const_cast<char*>(in.data());
    size_t srcLeft = in.size();
    char buf[1024];
    while (srcLeft > 0) {
        char* dst = buf;
        size_t dstLeft = sizeof buf;
        size_t r = iconv(cd, &src, &srcLeft, &dst, &dstLeft);
        out.append(buf, static_cast<size_t>(dst - buf));
        if (r != static_cast<size_t>(-1)) continue;
        if (errno == E2BIG) continue;
        // EILSEQ: not representable in the target, or invalid in the source;
        // EINVAL: incomplete sequence at the end. Skip one source character.
        if (lossless) *lossless = false;
        if (replacement) out.push_back(replacement);
        size_t skip = 1;
        if (isUtf8Name(from)) {
            unsigned char c = static_cast<unsigned char>(*src);
            skip = c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : c >= 0xC0 ? 2 : 1;
        } else if (upper(from).rfind("UTF-16", 0) == 0 || upper(from) == "UCS-2LE") {
            skip = 2;
        } else if (upper(from).rfind("UTF-32", 0) == 0) {
            skip = 4;
        }
        if (skip > srcLeft) skip = srcLeft;
        src += skip;
        srcLeft -= skip;
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
    }
    // Flush any shift state.
    char* dst = buf;
    size_t dstLeft = sizeof buf;
    iconv(cd, nullptr, nullptr, &dst, &dstLeft);
    out.append(buf, static_cast<size_t>(dst - buf));
    return out;
}

std::string systemToUtf8(std::string_view bytes) {
    std::string cp = systemCodePage();
    if (isUtf8Name(cp)) return std::string(bytes);
    return convertCodePage(bytes, cp, "UTF-8", '?');
}

std::string utf8ToSystem(std::string_view utf8, char replacement, bool* lossless) {
    std::string cp = systemCodePage();
    if (isUtf8Name(cp)) {
        if (lossless) *lossless = true;
        return std::string(utf8);
    }
    return convertCodePage(utf8, "UTF-8", cp, replacement, lossless);
}

std::string utf16ToSystem(std::u16string_view text, char replacement, bool* lossless) {
    std::string_view raw(reinterpret_cast<const char*>(text.data()), text.size() * sizeof(char16_t));
    return convertCodePage(raw, "UTF-16LE", systemCodePage(), replacement, lossless);
}

std::u16string systemToUtf16(std::string_view bytes) {
    std::string raw = convertCodePage(bytes, systemCodePage(), "UTF-16LE", '?');
    std::u16string out(raw.size() / 2, u'\0');
    for (size_t i = 0; i < out.size(); ++i)
        out[i] = static_cast<char16_t>(static_cast<unsigned char>(raw[2 * i]) |
                                       (static_cast<unsigned char>(raw[2 * i + 1]) << 8));
    return out;
}

namespace {

// The code point of the UTF-8 sequence at s[i], and its length in bytes. A
// byte that starts no whole sequence is U+FFFD, one byte long.
char32_t decodeUtf8At(std::string_view s, size_t i, size_t& length) {
    unsigned char c = static_cast<unsigned char>(s[i]);
    int len = c < 0x80 ? 1 : (c >> 5) == 0x6 ? 2 : (c >> 4) == 0xE ? 3 : (c >> 3) == 0x1E ? 4 : 0;
    char32_t cp = len == 1 ? c : len == 2 ? (c & 0x1F) : len == 3 ? (c & 0x0F) : (c & 0x07);
    bool ok = len > 0 && i + len <= s.size();
    for (int k = 1; ok && k < len; ++k) {
        unsigned char cc = static_cast<unsigned char>(s[i + k]);
        if ((cc & 0xC0) != 0x80) ok = false;
        else cp = (cp << 6) | (cc & 0x3F);
    }
    length = ok ? static_cast<size_t>(len) : 1;
    return ok ? cp : U'\uFFFD';
}

void appendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out.push_back(static_cast<char>(c));
    } else if (c < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (c >> 6)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else if (c < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (c >> 12)));
        out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (c >> 18)));
        out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
}

} // namespace

std::u32string utf8ToUtf32(std::string_view s) {
    std::u32string out;
    out.reserve(s.size());
    for (size_t i = 0, len = 0; i < s.size(); i += len) out.push_back(decodeUtf8At(s, i, len));
    return out;
}

std::string utf32ToUtf8(std::u32string_view text) {
    std::string out;
    out.reserve(text.size());
    for (char32_t c : text) appendUtf8(out, c);
    return out;
}

namespace {

// Decoded straight into the wide string: sorting makes one per row.
std::wstring systemToWide(std::string_view s, const std::string& cp) {
    const bool utf8Page = isUtf8Name(cp);
    const std::string converted = utf8Page ? std::string() : convertCodePage(s, cp, "UTF-8", '?');
    const std::string_view utf8 = utf8Page ? s : std::string_view(converted);
    std::wstring out;
    out.reserve(utf8.size());
    for (size_t i = 0, len = 0; i < utf8.size(); i += len) out.push_back(static_cast<wchar_t>(decodeUtf8At(utf8, i, len)));
    return out;
}

} // namespace

int compareLocale(std::string_view a, std::string_view b) {
    std::string cp = systemCodePage();
    std::wstring wa = systemToWide(a, cp), wb = systemToWide(b, cp);
    int r = wcscoll_l(wa.c_str(), wb.c_str(), userLocale());
    return r < 0 ? -1 : r > 0 ? 1 : 0;
}

std::wstring collationKey(std::string_view text) {
    std::wstring wide = systemToWide(text, systemCodePage());
    size_t n = wcsxfrm_l(nullptr, wide.c_str(), 0, userLocale());
    std::wstring key(n + 1, L'\0');
    wcsxfrm_l(key.data(), wide.c_str(), n + 1, userLocale());
    key.resize(n);
    return key;
}

std::string foldCaseUtf8(std::string_view utf8) {
    std::string out;
    appendFoldedUtf8(out, utf8);
    return out;
}

void appendFoldedUtf8(std::string& out, std::string_view utf8) {
    // Key and value names are nearly always ASCII, and every lookup folds
    // one: those bytes fold in place, as the wide path below would fold them.
    if (std::all_of(utf8.begin(), utf8.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; })) {
        const size_t start = out.size();
        out += utf8;
        for (size_t i = start; i < out.size(); ++i)
            if (out[i] >= 'a' && out[i] <= 'z') out[i] = static_cast<char>(out[i] - 32);
        return;
    }
    locale_t loc = unicodeCaseLocale();
    out.reserve(out.size() + utf8.size());
    for (size_t i = 0, len = 0; i < utf8.size(); i += len) {
        char32_t c = decodeUtf8At(utf8, i, len);
        if (c < 0x80) {
            if (c >= 'a' && c <= 'z') c -= 32;
        } else if (loc) {
            c = static_cast<char32_t>(towupper_l(static_cast<wint_t>(c), loc));
        }
        appendUtf8(out, c);
    }
}

bool equalsIgnoreAsciiCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        unsigned char x = static_cast<unsigned char>(a[i]), y = static_cast<unsigned char>(b[i]);
        if (std::toupper(x) != std::toupper(y)) return false;
    }
    return true;
}

} // namespace platform
