#pragma once
// The program's small pictures: entry types, the update mark, tool bar
// buttons and the splash. A desktop theme's icon is used where one exists;
// otherwise a simple drawn one.

#include <QIcon>
#include <QPixmap>
#include <cstdint>

namespace lisotrex::ui {

QIcon entryTypeIcon(int32_t type); // fax 134 / e-mail 132
QIcon updateMarkIcon(bool marked); // 136 marked / 135 not
// Tool bar pictures by command id (16x16, or 16x15 for the filter buttons).
QIcon commandIcon(int commandId);
QIcon applicationIcon();
QPixmap splashPixmap(); // bitmap 102

} // namespace lisotrex::ui
