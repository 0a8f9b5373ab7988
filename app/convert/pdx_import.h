#pragma once
// The "通訊錄" import source: recipients chosen in an address book reached
// through the bridge, converted by the conversion rules.

#include "convert/importer.h"

#include <cstdint>
#include <optional>
#include <string>

namespace lisotrex {

struct PdxImportRequest {
    // Owner of the address book's opening (the main window), 0 for none.
    uintptr_t mainWindow = 0;
    // Where the bridge is looked for; empty: the program's folder.
    std::string bridgeFolder;
    // Another profile than the program's own (which is created when missing).
    std::optional<std::string> profile;
    // Without a window: every row of this container (display names from a
    // top-level container, joined by "/"; empty: the default directory)
    // instead of the recipient selection dialog.
    std::optional<std::string> container;

    // Filled by the run.
    bool opened = false;
    int32_t selectionStatus = 0; // the headless selection's status
};

ImportResult importFromPdx(ImportContext& ctx, PdxImportRequest& request);

} // namespace lisotrex
