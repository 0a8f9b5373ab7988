#include "ui/bridge_client.h"

#include "convert/bridge_library.h"
#include "convert/pdx_import.h"

#include <QWidget>

namespace lisotrex::ui {

namespace {
uintptr_t handleOf(QWidget* w) { return reinterpret_cast<uintptr_t>(w); }
std::string& bridgeFolder() {
    static std::string folder;
    return folder;
}
} // namespace

void setBridgeFolder(std::string folder) { bridgeFolder() = std::move(folder); }

ImportResult importFromAddressBook(ImportContext& ctx, QWidget* owner) {
    PdxImportRequest request;
    request.mainWindow = handleOf(owner);
    request.bridgeFolder = bridgeFolder();
    return importFromPdx(ctx, request);
}

void configureAddressBooks(QWidget* owner) {
    BridgeClient bridge(nullptr, bridgeFolder());
    if (!bridge.load()) return;
    // An existing profile is simply kept.
    bridge.createProfile();
    bridge.configureProfile(handleOf(owner));
    bridge.unload();
}

} // namespace lisotrex::ui
