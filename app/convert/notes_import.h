#pragma once
// Lotus Notes structured-text exports: documents of "Field:  value" lines,
// separated by a line holding only the separator character.

#include "convert/importer.h"
#include "settings/field_maps.h"
#include "settings/preferences.h"

#include <string>
#include <string_view>

namespace lisotrex {

struct NotesFormat {
    char separator = '\f';
    bool useInternetAddress = false;
};

NotesFormat notesFormat(const NotesSettings& settings);

// Reads one document after another from the export text.
class NotesDocumentReader {
public:
    static constexpr size_t kLineLimit = 277;

    NotesDocumentReader(std::string_view text, const NotesFormat& format, const FieldMap& map)
        : text_(text), format_(format), map_(map) {}

    // Fills record; false at the end of the data.
    bool readDocument(ImportRecord& record);

private:
    std::string_view text_;
    NotesFormat format_;
    const FieldMap& map_;
    size_t pos_ = 0;
};

// The import run: 0, 4 or 5 (or a file failure); 6018 when nothing was read.
ImportResult importNotes(const std::string& path, const NotesSettings& settings, const FieldMaps& maps,
                         ImportContext& ctx);

} // namespace lisotrex
