#pragma once
// Tells the desktop that .abu files are Lisotrex books and open with this
// program: a .desktop entry, a shared-mime-info package and the icons (hicolor
// theme) in the user's data folder, each rewritten only when it changes, then
// the desktop's MIME and application databases rebuilt when needed
// (update-mime-database, update-desktop-database). Failures are ignored.

namespace lisotrex::ui {

void registerFileType();

} // namespace lisotrex::ui
