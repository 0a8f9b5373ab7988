#pragma once
// Tells the desktop that .abu files are Lisotrex books and open with this
// program: a .desktop entry, a shared-mime-info package and the icons (hicolor
// theme) in the user's data folder, each rewritten only when it changes, then
// the desktop's MIME and application databases rebuilt when needed
// (update-mime-database, update-desktop-database). Failures are ignored.
// An installed program leaves the user's folder alone: its package put the
// same entries into the system's share/ folder.

#include <QString>

namespace lisotrex::ui {

void registerFileType();
// The same for the program file `program` (what the entry starts).
void registerFileTypeFor(const QString& program);

} // namespace lisotrex::ui
