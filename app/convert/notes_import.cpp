#include "convert/notes_import.h"

#include "model/prompter.h"
#include "strings/strings.h"

namespace lisotrex {

NotesFormat notesFormat(const NotesSettings& s) {
    NotesFormat f;
    f.separator = static_cast<char>(static_cast<unsigned char>(s.sectionCode & 0xFF));
    f.useInternetAddress = s.version == 1 && s.emailField == 1;
    return f;
}

bool NotesDocumentReader::readDocument(ImportRecord& record) {
    record.clear();
    std::string mail, internet;
    bool matched = false;
    const std::string* prefixes[] = {&map_.value(FieldKey::FirstName),  &map_.value(FieldKey::LastName),
                                     &map_.value(FieldKey::AltFullNameSort), &map_.value(FieldKey::FaxNumber1),
                                     &map_.value(FieldKey::FaxNumber2), &map_.value(FieldKey::Email1),
                                     &map_.value(FieldKey::Email2),     &map_.value(FieldKey::Department),
                                     &map_.value(FieldKey::Company)};
    auto finish = [&] {
        record.email.assign(format_.useInternetAddress ? internet : mail);
    };
    while (pos_ < text_.size()) {
        size_t end = text_.find('\n', pos_);
        if (end == std::string_view::npos) end = text_.size();
        std::string_view line = text_.substr(pos_, std::min(end - pos_, kLineLimit));
        pos_ = end + 1;
        // With separator code 0 an empty line is a separator line as well.
        if ((line.size() == 1 && line[0] == format_.separator) || (line.empty() && format_.separator == '\0')) {
            finish();
            return true;
        }
        if (line.empty()) continue;
        for (size_t p = 0; p < 9; ++p) {
            const std::string& prefix = *prefixes[p];
            if (line.size() < prefix.size() || line.compare(0, prefix.size(), prefix) != 0) continue;
            matched = true;
            std::string_view value = line.substr(prefix.size());
            switch (p) {
            case 0: record.givenName.assign(value); break;
            case 1: record.surname.assign(value); break;
            case 2: record.furtherName.assign(value); break;
            case 3: record.fax1.assign(value); break;
            case 4: record.fax2.assign(value); break;
            case 5: mail.assign(value.substr(0, std::min<size_t>(value.size(), 255))); break;
            case 6: internet.assign(value.substr(0, std::min<size_t>(value.size(), 255))); break;
            case 7: record.department.assign(value); break;
            case 8: record.company.assign(value); break;
            }
        }
    }
    finish();
    return matched;
}

ImportResult importNotes(const std::string& path, const NotesSettings& settings, const FieldMaps& maps,
                         ImportContext& ctx) {
    ImportRun run(path, ctx);
    ImportResult& result = run.result;
    if (!run.ready()) return result;
    const std::string& text = run.text;
    ctx.conversion.setFaxFields(settings.officeFax == 1, settings.homeFax == 1);

    const FieldMap* map = maps.find(kNotesSection);
    static const FieldMap kEmptyMap{};
    NotesDocumentReader reader(text, notesFormat(settings), map ? *map : kEmptyMap);
    ImportRecord record;
    bool anyDocument = false;
    while (reader.readDocument(record)) {
        anyDocument = true;
        RecordOutcome outcome = ctx.conversion.recordToEntries(record, ctx.out, ctx.log);
        if (outcome == RecordOutcome::LogFailed) break;
        if (outcome == RecordOutcome::NoRoom) {
            // This document's own destinations did not all fit.
            result.code = kImportRoomExhausted;
            break;
        }
        if (ctx.out.size() >= ctx.conversion.room) {
            // Full: only a further document makes this a cut import.
            NotesDocumentReader probe = reader;
            ImportRecord scratch;
            if (probe.readDocument(scratch)) result.code = kImportRoomExhausted;
            break;
        }
    }
    if (!anyDocument) {
        ctx.prompter.message(ids::IDS_MSG_BOOK_DATA_INVALID, Icon::Stop);
        result.formatError = true;
    }
    return result;
}

} // namespace lisotrex
