#include "convert/import_command.h"

#include "convert/exchange_import.h"
#include "convert/import_merge.h"
#include "convert/native_import.h"
#include "convert/notes_import.h"
#include "files/file_messages.h"
#include "files/log_file.h"
#include "model/document.h"
#include "settings/field_maps.h"
#include "settings/preferences.h"
#include "strings/strings.h"

#include <new>

namespace lisotrex {

bool ImportLogAdapter::startImport(const std::string& path) { return log_.start(LogOperation::Import, path); }
bool ImportLogAdapter::writeLine(int number, int stringId) { return log_.writeLine(number, stringId); }
void ImportLogAdapter::end() { log_.end(); }

namespace {

// Without the bridge the address book cannot be opened: the import logs its
// (empty) run and says so.
ImportResult importWithoutBridge(ImportContext& ctx) {
    ImportResult result;
    if (!ctx.log.startImport("")) {
        result.code = kImportLogFailed;
        return result;
    }
    ctx.prompter.message(ids::IDS_MSG_PDX_OPEN_FAILED, Icon::Exclamation);
    ctx.log.end();
    return result;
}

} // namespace

ImportResult runImporter(ImportServices& s, const ImportDialogValues& values, ImportedEntries& out, ImportLog& log) {
    ImportContext ctx{s.conversion, out, s.doc.m_nBookType, s.prompter, log};
    switch (values.source) {
    case kSourceExchange:
        return importExchange(values.path, s.prefs.exchange.version == 1, s.prefs.exchange, s.maps, ctx);
    case kSourceNotes:
        return importNotes(values.path, s.prefs.notes, s.maps, ctx);
    case kSourceNativeBook:
        return importNativeBook(values.path, ctx);
    default:
        return s.pdxImport ? s.pdxImport(ctx) : importWithoutBridge(ctx);
    }
}

ImportOutcome importCommand(ImportServices& s) {
    CLisotrexDoc& doc = s.doc;
    ImportOutcome outcome;
    std::optional<int> mode = s.importPrompter.chooseImportMode(doc.count() == 0);
    if (!mode) {
        outcome.cancelled = true;
        return outcome;
    }
    ImportDialogValues values{s.prefs.import.path, s.prefs.import.source, s.prefs.import.fax, s.prefs.import.email};
    if (!s.importPrompter.importDialog(values)) {
        outcome.cancelled = true;
        return outcome;
    }
    s.prefs.import.path = values.path;
    s.prefs.import.source = values.source;
    s.prefs.import.fax = values.fax;
    s.prefs.import.email = values.email;
    saveImportSettings(s.prefs);

    BusyScope busy(s.prompter);
    Conversion& conv = s.conversion;
    conv.settings = s.prefs.conversion;
    conv.importFax = values.fax != 0;
    conv.importEmail = values.email != 0;
    conv.bookType = doc.m_nBookType;
    conv.room = kImportRoom;

    ImportedEntries imported;
    ImportLogAdapter log(s.log);
    ImportResult result;
    try {
        // Room for every entry an import may bring, taken once: pages are
        // only touched as entries come, and no pointer is moved twice.
        imported.reserve(conv.room);
        result = runImporter(s, values, imported, log);
    } catch (const std::bad_alloc&) {
        // As a file that could not be read (without a cause): nothing is merged.
        showOpenFailed(s.prompter);
        outcome.failed = true;
        return outcome;
    }
    outcome.failed = result.code == kImportLogFailed || result.formatError || s.log.lastCause() != platform::FileCause::None;
    if (result.fileFailed()) {
        showFileError(s.prompter, result.fileError, values.path);
        outcome.failed = true;
        return outcome;
    }
    if (imported.empty()) return outcome;

    auto undo = std::make_unique<UndoRecord>(UndoRecord::Add);
    doc.m_bStatusRefresh = false;
    MergeResult merged = mergeImported(doc, imported, *mode, *undo, s.prompter, s.importPrompter);
    doc.m_bStatusRefresh = true;
    if (merged.outOfMemory)
        showOpenFailed(s.prompter);
    else if (merged.finished && result.code == kImportRoomExhausted)
        s.prompter.message(ids::IDS_MSG_IMPORT_LIMIT, Icon::Exclamation);
    if (!merged.finished) outcome.failed = true;
    if (!merged.anyChange()) return outcome;
    outcome.changed = true;
    doc.m_pUndo = std::move(undo);
    doc.setModified(true);
    doc.recountChecked();
    doc.notifyRowsChanged(merged.changedRows);
    if (merged.addedCount) doc.notifyRowsAdded(merged.firstAdded, merged.addedCount);
    return outcome;
}

} // namespace lisotrex
