#pragma once
// File > Import: the mode and settings questions, the chosen importer, the
// merge into the open book, and the one undo step that covers it all.

#include "convert/conversion.h"
#include "convert/import_prompter.h"
#include "convert/importer.h"

#include <functional>

namespace lisotrex {

class CLisotrexDoc;
class Log;
class Prompter;
class FieldMaps;
struct Preferences;

// The address book source reached through the bridge; the window program
// supplies it. Without one, the import says the address book cannot be opened.
using PdxImportFunction = std::function<ImportResult(ImportContext&)>;

struct ImportServices {
    CLisotrexDoc& doc;
    Preferences& prefs;
    const FieldMaps& maps;
    Conversion& conversion;
    Log& log;
    Prompter& prompter;
    ImportPrompter& importPrompter;
    PdxImportFunction pdxImport;
};

// Log adapter for the importers.
class ImportLogAdapter : public ImportLog {
public:
    explicit ImportLogAdapter(Log& log) : log_(log) {}
    bool startImport(const std::string& path) override;
    bool writeLine(int number, int stringId) override;
    void end() override;

private:
    Log& log_;
};

// Runs the importer of values.source into out (the conversion's choices set).
ImportResult runImporter(ImportServices& s, const ImportDialogValues& values, ImportedEntries& out, ImportLog& log);

struct ImportOutcome {
    bool cancelled = false; // a dialog was cancelled
    bool failed = false;    // the log, the file or its form failed (the message was shown)
    bool changed = false;   // the book took entries or changes (one undo step)
};

// The whole command.
ImportOutcome importCommand(ImportServices& s);

} // namespace lisotrex
