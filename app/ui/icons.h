#pragma once
// The program's small pictures. Tool bar and dialog pictures come from the
// desktop's freedesktop icon theme by their standard names (Breeze when the
// desktop names none); the program's own ones (entry types, update mark,
// application) are SVG drawings of its own resources.

#include <QIcon>
#include <QPixmap>
#include <QString>
#include <cstdint>

namespace lisotrex::ui {

// The theme the package depends on.
inline constexpr char kIconTheme[] = "breeze";

// Start-up: a desktop that names an icon theme keeps it, with Breeze for the
// names it lacks; anywhere else (no desktop, offscreen) Breeze itself.
void useIconTheme();

QIcon entryTypeIcon(int32_t type); // fax 134 / e-mail 132
QIcon updateMarkIcon(bool marked); // 136 marked / 135 not
// Tool bar pictures by command id (16x16, or 16x15 for the filter buttons).
QIcon commandIcon(int commandId);
// The standard icon name of a tool bar command; empty for the program's own pictures.
QString commandIconName(int commandId);
QIcon applicationIcon();
QPixmap splashPixmap(); // bitmap 102

} // namespace lisotrex::ui
