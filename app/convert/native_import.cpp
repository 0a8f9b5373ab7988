#include "convert/native_import.h"

#include "files/book_header.h"
#include "files/entry_record.h"
#include "model/prompter.h"
#include "strings/strings.h"

namespace lisotrex {

ImportResult importNativeBook(const std::string& path, ImportContext& ctx) {
    ImportRun run(path, ctx);
    ImportResult& result = run.result;
    if (!run.ready()) return result;
    const std::string& text = run.text;
    Conversion& conv = ctx.conversion;
    conv.useFax1 = conv.importFax;
    conv.useFax2 = false;

    FieldReader reader(text, true);
    BookHeader header;
    if (!readBookHeader(reader, header)) {
        ctx.prompter.message(ids::IDS_MSG_BOOK_DATA_INVALID, Icon::Stop);
        result.formatError = true;
        return result;
    }
    EntryLine line;
    for (;;) {
        LineRead read = readEntryLine(reader, line, ctx.bookType);
        if (read == LineRead::End) break;
        if (read == LineRead::Bad) {
            ctx.prompter.message(ids::IDS_MSG_BOOK_DATA_INVALID, Icon::Stop);
            result.formatError = true;
            break;
        }
        if (ctx.out.size() >= kImportRoom) {
            ctx.log.writeLine(static_cast<int>(ctx.out.size()) + 1, ids::IDS_LOG_READ_LIMIT);
            result.code = kImportRoomExhausted;
            break;
        }
        const bool fax = line.type == kEntryFax;
        if (fax ? !conv.importFax : !conv.importEmail) {
            ++conv.recordCounter; // numbers in the log stay the entry's place in the file
            continue;
        }
        std::string name(line.nameView());
        std::string destination =
            fax ? conv.convertFax(line.destinationView()) : conv.convertEmail(line.destinationView());
        std::string department(line.departmentView());
        for (std::string* text : {&name, &destination, &department}) blankControlCharacters(*text);
        CheckVerdict verdict = fax ? conv.checkRecord(&name, &destination, nullptr, nullptr, ctx.out.size(), ctx.log)
                                   : conv.checkRecord(&name, nullptr, nullptr, &destination, ctx.out.size(), ctx.log);
        if (verdict == CheckVerdict::LogFailed) break;
        if (name.empty() || destination.empty()) continue;
        ctx.out.push_back(CAddrUserDataObj::makeFromCleanTexts(line.type, name, destination, department,
                                                               line.accessCode, line.oneTouch, false));
    }
    return result;
}

} // namespace lisotrex
