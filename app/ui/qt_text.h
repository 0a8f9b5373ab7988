#pragma once
// Text crossing between the model (system code page bytes, UTF-8 string
// table) and Qt (UTF-16).

#include <QString>
#include <string>
#include <string_view>

namespace lisotrex::ui {

QString fromUtf8(std::string_view utf8);
// Entry texts, paths and settings: bytes in the system code page.
QString fromSystem(std::string_view bytes);
std::string toSystem(const QString& text);
// A field's value after its dialog: `original` as it was when the field
// still shows what it was filled with, else the text in the system code page.
// Bytes the code page cannot show survive a dialog that did not touch them.
std::string editedOrOriginal(const QString& text, std::string_view original);
// Byte length of the text in the system code page (the limits count bytes).
size_t systemLength(const QString& text);
// A string-table text.
QString qtText(int id);

} // namespace lisotrex::ui
