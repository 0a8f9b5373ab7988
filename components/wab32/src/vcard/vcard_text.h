#pragma once
// Values of vCard lines as text: quoted-printable, character sets, escapes
// and the ";"-separated components of structured values.

#include <string>
#include <string_view>
#include <vector>

#include "vcard/vcard_document.h"

namespace wab32::vcard {

std::string decodeQuotedPrintable(std::string_view in);
// Every byte outside printable ASCII, "=" and line ends become "=XX".
std::string encodeQuotedPrintable(std::string_view in);

bool isValidUtf8(std::string_view bytes);
// Bytes in `charset` (empty: UTF-8) to valid UTF-8; undecodable bytes become "?".
std::string toUtf8(std::string_view bytes, std::string_view charset);

// The line's value as raw bytes of its character set: quoted-printable decoded.
std::string decodedBytes(const Property& p);

// Structured value components, split at unescaped ";" and unescaped, as UTF-8.
std::vector<std::string> components(const Property& p, std::string_view version);
// The whole value as UTF-8 text, unescaped.
std::string text(const Property& p, std::string_view version);

// Escapes one text (or one component) for `version`.
std::string escape(std::string_view utf8, std::string_view version);

// Sets the value of a line from UTF-8 components (one for plain text), for
// `version`: 3.0/4.0 write UTF-8 and drop CHARSET/ENCODING; 2.1 writes ASCII
// as it is and anything else as UTF-8 quoted-printable.
void setComponents(Property& p, const std::vector<std::string>& parts, std::string_view version);
void setText(Property& p, std::string_view utf8, std::string_view version);

} // namespace wab32::vcard
