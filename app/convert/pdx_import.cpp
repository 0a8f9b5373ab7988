#include "convert/pdx_import.h"

#include "convert/bridge_library.h"
#include "model/prompter.h"
#include "strings/strings.h"

namespace lisotrex {

ImportResult importFromPdx(ImportContext& ctx, PdxImportRequest& request) {
    ImportResult result;
    if (!ctx.log.startImport("")) {
        result.code = kImportLogFailed;
        return result;
    }
    ctx.conversion.reset();
    BridgeClient bridge(&ctx.prompter, request.bridgeFolder);
    bridge.load();
    request.opened = request.profile ? bridge.open(request.mainWindow, *request.profile)
                                     : bridge.openWithProfileCreation(request.mainWindow);
    if (!request.opened) {
        ctx.prompter.message(ids::IDS_MSG_PDX_OPEN_FAILED, Icon::Exclamation);
        bridge.unload();
        ctx.log.end();
        return result;
    }
    std::vector<ImportRecord> records;
    const uint32_t capacity = uint32_t(ctx.conversion.room);
    if (request.container) request.selectionStatus = bridge.selectContainer(records, capacity, *request.container);
    else bridge.select(records, capacity, 0);

    // The records carry one fax number at most, in fax field 1.
    Conversion& conv = ctx.conversion;
    conv.useFax1 = conv.importFax;
    conv.useFax2 = false;
    for (const ImportRecord& record : records) {
        const bool full = ctx.out.size() >= conv.room;
        const RecordOutcome outcome = conv.recordToEntries(record, ctx.out, ctx.log);
        if (outcome == RecordOutcome::LogFailed) break;
        if (full || outcome == RecordOutcome::NoRoom) result.code = kImportRoomExhausted;
    }
    bridge.close(request.mainWindow);
    bridge.unload();
    ctx.log.end();
    return result;
}

} // namespace lisotrex
