#pragma once
// File > Import run the way the program runs it, on one fuzz input, into a
// book that may already hold entries; then the book is checked: whole
// entries, one-touch numbers given once, one undo step that restores the book
// exactly, and a save that reopens to the same entries.
//
// Input layout: four option bytes, then the import file.
//   1: bit 0 one-touch book, bit 1 book starts with entries, bits 2-3 import
//      mode, bit 4 fax, bit 5 e-mail, bit 6 with a log file, bit 7 answers Yes
//   2: conversion settings (name order, fax and e-mail conversion, department)
//   3: duplicate answer, outside-line prefix, bit 7 a one-touch maximum of 4
//   4: handed to the importer's own settings

#include "app_ports.h"
#include "convert/import_command.h"
#include "files/log_file.h"
#include "settings/field_maps.h"
#include "settings/preferences.h"
#include "strings/string_ids.h"

#include <cstdio>
#include <functional>

namespace velmo::fuzz {

inline std::vector<std::string> storedForms(const lisotrex::CLisotrexDoc& doc) {
    std::vector<std::string> out;
    for (size_t i = 0; i < doc.count(); ++i) out.push_back(storedForm(doc.entry(i), doc.m_nBookType));
    return out;
}

// Saves the book and opens the file in a second document: same kind, maximum
// and entries.
inline void checkSavedBookReopens(lisotrex::CLisotrexDoc& doc, lisotrex::Preferences& prefs) {
    using namespace lisotrex;
    const std::string path = sandbox() + "/roundtrip.abu";
    FUZZ_CHECK(doc.saveBook(path), "the book could not be saved");
    // The saved file stays held and write-locked by the document; the second
    // document opens a copy.
    const std::string copy = writeFile("roundtrip-copy.abu", readFile(path));
    FuzzPrompter quiet;
    Preferences prefs2 = prefs;
    MemoryClipboard clip;
    CLisotrexDoc again(quiet, prefs2, clip);
    FUZZ_CHECK(again.openBook(copy), "a saved book does not open: " + escaped(readFile(copy)));
    FUZZ_CHECK(quiet.shown.empty(), "opening a saved book showed message " + std::to_string(quiet.shown.front()));
    FUZZ_CHECK(again.m_nBookType == doc.m_nBookType && again.m_nMaxOneTouch == doc.m_nMaxOneTouch, "header changed");
    FUZZ_CHECK(prefs2.exports.maxExport == prefs.exports.maxExport && prefs2.exports.fax == prefs.exports.fax &&
                   prefs2.exports.email == prefs.exports.email &&
                   prefs2.exports.ldifFilePath == prefs.exports.ldifFilePath,
               "export settings changed in the header");
    std::vector<std::string> before = storedForms(doc), after = storedForms(again);
    FUZZ_CHECK(before.size() == after.size(),
               std::to_string(before.size()) + " entries saved, " + std::to_string(after.size()) + " read back");
    for (size_t i = 0; i < before.size(); ++i)
        FUZZ_CHECK(before[i] == after[i], "entry " + std::to_string(i) + ": " + escaped(before[i]) + " came back as " +
                                              escaped(after[i]));
}

inline const lisotrex::FieldMaps& defaultFieldMaps() {
    static const lisotrex::FieldMaps maps = lisotrex::FieldMaps::load(sandbox() + "/no-such-Lisotrex.inf");
    return maps;
}

// Entries a book starts with: two of one name (the duplicate dialog) and one
// name in both types.
inline void preloadBook(lisotrex::CLisotrexDoc& doc) {
    using lisotrex::CAddrUserDataObj;
    const bool oneTouch = doc.m_nBookType == lisotrex::kOneTouchBook;
    int number = 0;
    auto add = [&](int32_t type, const char* name, const char* destination) {
        ++number;
        doc.m_list.push_back(std::make_unique<CAddrUserDataObj>(type, name, "", destination, "", 0,
                                                                oneTouch ? number : 0, false));
    };
    add(lisotrex::kEntryFax, "Ann Lee", "0223456789");
    add(lisotrex::kEntryEmail, "Ann Lee", "ann@example.com");
    add(lisotrex::kEntryFax, "Bo Chen", "0287654321");
    add(lisotrex::kEntryFax, "Bo Chen", "0311112222");
    add(lisotrex::kEntryEmail, "Lee, Ann", "lee@example.org");
    doc.recountChecked();
}

using ImporterOptions = std::function<void(lisotrex::Preferences&, uint8_t)>;

// One import of `fileBytes` with the four option bytes described above.
inline void runImportFile(int32_t source, const uint8_t (&options)[4], std::string_view fileBytes,
                          const ImporterOptions& importerOptions) {
    using namespace lisotrex;
    const uint8_t book = options[0], conversion = options[1], answers = options[2], own = options[3];

    FuzzPrompter ui;
    ui.answer = book & 0x80 ? Answer::Yes : Answer::No;
    ui.importMode = (book >> 2) & 3;
    if (ui.importMode > kModeAddAll) ui.importMode = kModeAddAll;
    static constexpr DuplicateAnswer kAnswers[] = {DuplicateAnswer::Update, DuplicateAnswer::Delete,
                                                   DuplicateAnswer::AddNew};
    ui.duplicateAnswer = kAnswers[answers % 3];

    Preferences prefs;
    prefs.env.oneTouchNumber = answers & 0x80 ? 4 : 200;
    prefs.conversion.nameSeq = conversion % 3;
    prefs.conversion.faxConvertType = (conversion / 3) % 3;
    prefs.conversion.emailConvertType = (conversion / 9) % 2;
    prefs.conversion.deptConvertType = (conversion / 18) % 4;
    static const char* const kPrefixes[] = {"", "9", "0,"};
    prefs.conversion.outsideWireCode = kPrefixes[(answers / 3) % 3];
    importerOptions(prefs, own);

    const std::string file = writeFile("import.in", fileBytes);
    ui.importValues = ImportDialogValues{file, source, book & 0x10 ? 1 : 0, book & 0x20 ? 1 : 0};
    const std::string logPath = book & 0x40 ? sandbox() + "/import.log" : std::string();
    if (!logPath.empty()) std::remove(logPath.c_str());

    MemoryClipboard clip;
    CLisotrexDoc doc(ui, prefs, clip);
    doc.m_nBookType = book & 1 ? kOneTouchBook : kPlainBook;
    if (book & 2) preloadBook(doc);
    const std::vector<std::string> before = storedForms(doc);

    Log log(ui, logPath);
    Conversion conv;
    ImportServices services{doc, prefs, defaultFieldMaps(), conv, log, ui, ui, {}};
    ImportOutcome outcome = importCommand(services);
    FUZZ_CHECK(ui.busy == 0, "the wait cursor stayed up");
    FUZZ_CHECK(!outcome.cancelled, "the import was cancelled without a cancel");
    FUZZ_CHECK(!log.running(), "the log was left running");
    checkBook(doc, true);
    if (!outcome.changed) {
        FUZZ_CHECK(storedForms(doc) == before, "an import that changed nothing changed the book");
    } else {
        FUZZ_CHECK(doc.canUndo() && doc.isModified(), "an import that changed the book left no undo step");
        checkSavedBookReopens(doc, prefs);
        ui.answer = Answer::Yes;
        FUZZ_CHECK(doc.undo(), "undo of the import did not run");
        FUZZ_CHECK(storedForms(doc) == before, "undo of the import did not restore the book");
    }
}

// The input: the four option bytes, then the file.
inline void runImportInput(int32_t source, const uint8_t* data, size_t size, const ImporterOptions& importerOptions) {
    Input in(data, size);
    const uint8_t options[4] = {in.byte(), in.byte(), in.byte(), in.byte()};
    runImportFile(source, options, in.rest(), importerOptions);
}

} // namespace velmo::fuzz
