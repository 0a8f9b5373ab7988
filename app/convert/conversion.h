#pragma once
// The conversion object every importer hands its records to: builds entry
// names, normalises fax numbers and e-mail addresses, builds the department
// text, checks each record (logging what it lacks) and makes the entries.

#include "convert/import_record.h"
#include "convert/record_log.h"
#include "model/entry.h"
#include "settings/preferences.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace lisotrex {

inline constexpr size_t kImportRoom = 9999;

// What an import brings, in delivery order: each entry is made once, on the
// heap, and the merge hands it to the book as it is.
using ImportedEntries = std::vector<std::unique_ptr<CAddrUserDataObj>>;

// Control characters (CR, LF, NUL and the other C0 codes) become blanks: an
// entry's texts never carry them, whatever the source held.
void blankControlCharacters(std::string& text);

enum class CheckVerdict { Accept, Reject, LogFailed };

enum class RecordOutcome {
    Done,       // entries made (or none, for a record without name)
    NoRoom,     // a destination could not be added: the output is full
    LogFailed,  // the log failed; the importer stops
};

class Conversion {
public:
    Conversion() = default;
    explicit Conversion(const ConversionSettings& s) : settings(s) {}

    // Import choices, set before each import.
    bool importFax = true;
    bool importEmail = true;
    bool useFax1 = true;
    bool useFax2 = false;
    int32_t bookType = 0;
    size_t room = kImportRoom;
    int recordCounter = 0;

    ConversionSettings settings;

    void reset() { recordCounter = 0; }
    // Fax fields are used only when fax import is chosen.
    void setFaxFields(bool office, bool home) {
        useFax1 = importFax && office;
        useFax2 = importFax && home;
    }

    // Each conversion also writes into a given text, reusing its room.
    void buildNameInto(std::string& out, std::string_view given, std::string_view surname) const;
    void convertFaxInto(std::string& out, std::string_view text) const;
    void convertEmailInto(std::string& out, std::string_view text) const;
    void buildDepartmentInto(std::string& out, std::string_view company, std::string_view department) const;

    std::string buildName(std::string_view given, std::string_view surname) const;
    std::string nameFromDisplay(std::string_view display) const;
    std::string convertFax(std::string_view text) const;
    std::string convertEmail(std::string_view text) const;
    std::string buildDepartment(std::string_view company, std::string_view department) const;

    // A null pointer is a field the source does not have. Clears the
    // destinations that are not wanted.
    CheckVerdict checkRecord(const std::string* name, std::string* fax1, std::string* fax2, std::string* email,
                             size_t currentCount, RecordLog& log);

    // Turns one source record into up to three entries appended to out.
    RecordOutcome recordToEntries(const ImportRecordView& record, ImportedEntries& out, RecordLog& log);
    RecordOutcome recordToEntries(const ImportRecord& record, ImportedEntries& out, RecordLog& log) {
        return recordToEntries(record.view(), out, log);
    }

private:
    struct Scratch {
        std::string name, fax1, fax2, mail, dept;
    } scratch_;
};

} // namespace lisotrex
