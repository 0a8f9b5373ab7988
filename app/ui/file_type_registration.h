#pragma once
// Tells the desktop that .abu files are Lisotrex books and open with this
// program: a .desktop entry and a shared-mime-info package in the user's data
// folder, rewritten only when they change. Failures are ignored.

namespace lisotrex::ui {

void registerFileType();

} // namespace lisotrex::ui
