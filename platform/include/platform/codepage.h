#pragma once
// The system code page (the "ANSI" code page of the original system) and
// conversions between it, UTF-8 and UTF-16, all through iconv.

#include <string>
#include <string_view>

namespace platform {

// iconv name of the system code page: $VELMO_CODEPAGE when set (e.g. "CP950",
// "CP932", "UTF-8"), else the codeset of the user's locale; the C/POSIX locale
// counts as UTF-8. Read anew on each call.
std::string systemCodePage();
bool systemCodePageIsUtf8();

// Converts between named code pages. A character the target cannot hold, or an
// input byte sequence that is not valid in the source, becomes `replacement`
// (one byte; 0 drops it). lossless reports whether that happened.
std::string convertCodePage(std::string_view in, const std::string& from, const std::string& to,
                            char replacement, bool* lossless = nullptr);

std::string systemToUtf8(std::string_view bytes);
std::string utf8ToSystem(std::string_view utf8, char replacement = '?', bool* lossless = nullptr);
std::string utf16ToSystem(std::u16string_view text, char replacement = '?', bool* lossless = nullptr);
std::u16string systemToUtf16(std::string_view bytes);

// UTF-8 <-> code points (invalid sequences decode as U+FFFD).
std::u32string utf8ToUtf32(std::string_view utf8);
std::string utf32ToUtf8(std::u32string_view text);

// lstrcmpA: both sides decoded from the system code page and compared with the
// user's collation. Negative, zero or positive.
int compareLocale(std::string_view a, std::string_view b);
// A key whose plain comparison orders texts as compareLocale does (equal keys
// for texts it calls equal); for sorting many texts without repeating the
// conversion for every comparison.
std::wstring collationKey(std::string_view text);

// Case folding used for registry and INI names: Unicode upper case of each
// character (ASCII-only when the C.UTF-8 locale is missing).
std::string foldCaseUtf8(std::string_view utf8);
// The same, appended to `out`.
void appendFoldedUtf8(std::string& out, std::string_view utf8);
// Byte-wise ASCII case-insensitive equality (lstrcmpiA on the names we use).
bool equalsIgnoreAsciiCase(std::string_view a, std::string_view b);

} // namespace platform
