#pragma once
// Scalable pictures for the desktop: the program's icon and the icon of its
// book files, as SVG documents.

#include <QByteArray>

namespace lisotrex::ui {

QByteArray applicationIconSvg();
QByteArray bookFileIconSvg();

} // namespace lisotrex::ui
