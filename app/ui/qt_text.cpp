#include "ui/qt_text.h"

#include "platform/codepage.h"
#include "strings/strings.h"

namespace lisotrex::ui {

QString fromUtf8(std::string_view utf8) { return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size())); }

QString fromSystem(std::string_view bytes) { return fromUtf8(platform::systemToUtf8(bytes)); }

std::string toSystem(const QString& text) {
    QByteArray utf8 = text.toUtf8();
    return platform::utf8ToSystem(std::string_view(utf8.constData(), static_cast<size_t>(utf8.size())));
}

std::string editedOrOriginal(const QString& text, std::string_view original) {
    if (text == fromSystem(original)) return std::string(original);
    return toSystem(text);
}

size_t systemLength(const QString& text) { return toSystem(text).size(); }

QString qtText(int id) { return fromUtf8(text(id)); }

} // namespace lisotrex::ui
