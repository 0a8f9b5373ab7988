#pragma once
// The program's side of the address book bridge (vqbridge): loaded only for
// one import or one press of the preferences' address book button.

#include "convert/importer.h"

#include <string>

class QWidget;

namespace lisotrex::ui {

// The "通訊錄" import source.
ImportResult importFromAddressBook(ImportContext& ctx, QWidget* owner);
// The address book page's button: create the program's profile and let the
// user configure it. Does nothing when the bridge cannot be loaded.
void configureAddressBooks(QWidget* owner);
// Where the bridge is loaded from: the program's own folder, unless another
// installation folder is named (a test installation).
void setBridgeFolder(std::string folder);

} // namespace lisotrex::ui
