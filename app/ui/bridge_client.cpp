#include "ui/bridge_client.h"

#include "model/prompter.h"
#include "platform/module.h"
#include "strings/strings.h"

namespace lisotrex::ui {

namespace {

// The bridge library, named by the string table, beside the program.
bool loadBridge(platform::Module& module) { return module.load(systemText(ids::IDS_BRIDGE_LIBRARY)); }

} // namespace

ImportResult importFromAddressBook(ImportContext& ctx, QWidget*) {
    ImportResult result;
    if (!ctx.log.startImport("")) {
        result.code = kImportLogFailed;
        return result;
    }
    ctx.conversion.reset();
    platform::Module bridge;
    loadBridge(bridge);
    // No address book can be opened without the bridge (and this program does
    // not yet drive the bridge's recipient selection): say so, import nothing.
    ctx.prompter.message(ids::IDS_MSG_PDX_OPEN_FAILED, Icon::Exclamation);
    ctx.log.end();
    return result;
}

void configureAddressBooks(QWidget*) {
    platform::Module bridge;
    if (!loadBridge(bridge)) return;
}

} // namespace lisotrex::ui
