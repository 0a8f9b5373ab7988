#include "files/abk_export.h"

#include "files/file_messages.h"
#include "model/document.h"
#include "settings/preferences.h"
#include "strings/strings.h"

#include <charconv>
#include <cstring>
#include <new>

namespace lisotrex {

namespace {

// One entry's block, written straight into the buffer: its size is bounded
// before a byte is written, so the buffer grows at most once, and each piece
// is a plain copy rather than an append that checks the room again.
void appendBlock(std::string& out, const CAddrUserDataObj& e, int32_t dn, bool oneTouch) {
    constexpr size_t kNumber = 11; // "-2147483648"
    const bool fax = e.m_nType != kEntryEmail;
    const std::string_view name = e.m_szName;
    const std::string_view destination = e.m_szDestination.view();
    const std::string_view kind = fax ? "protocol: t30\r\ndialdata: " : "protocol: smtp\r\nmailaddress: ";
    const std::string_view classes = fax ? "objectclass: top\r\nobjectclass: extensibleobject\r\nobjectclass: g3fax\r\n"
                                         : "objectclass: top\r\nobjectclass: extensibleobject\r\nobjectclass: email\r\n";
    const size_t most = 64 + kNumber * 2 + name.size() * 3 + kind.size() + destination.size() + classes.size();
    const size_t start = out.size();
    out.resize(start + most);
    char* w = out.data() + start;
    auto put = [&w](std::string_view piece) {
        std::memcpy(w, piece.data(), piece.size());
        w += piece.size();
    };
    auto number = [&w](int32_t n) { w = std::to_chars(w, w + kNumber, n).ptr; };
    put("\r\ndn: ");
    number(dn);
    put("\r\ncn: ");
    put(name);
    if (oneTouch) {
        put("\r\ncnshort: ");
        put(name);
    }
    put("\r\ncnread: ");
    put(name);
    put("\r\n");
    put(kind);
    put(destination);
    put("\r\n");
    if (e.m_nAccessCode > 0) {
        put("accesscode: ");
        number(e.m_nAccessCode);
        put("\r\n");
    }
    put(classes);
    out.resize(static_cast<size_t>(w - out.data()));
}

// The dialog, then the replace question; No to it returns to the dialog.
bool runDialog(ExportDialogValues& values, Prompter& prompter) {
    for (;;) {
        if (!prompter.exportDialog(values)) return false;
        if (values.path.empty() || (!values.fax && !values.email)) return false;
        if (!platform::fileExists(values.path) || prompter.exportDialogAsksReplace()) return true;
        if (prompter.ask(ids::IDS_ASK_REPLACE_FILE, Buttons::YesNo, Icon::Exclamation, {values.path}) == Answer::Yes)
            return true;
    }
}

void takeChoices(Preferences& prefs, const ExportDialogValues& v, bool store) {
    ExportSettings& s = prefs.exports;
    bool pathChanged = s.ldifFilePath != v.path, emailChanged = s.email != v.email, faxChanged = s.fax != v.fax;
    s.ldifFilePath = v.path;
    s.email = v.email;
    s.fax = v.fax;
    if (!store) return;
    if (pathChanged) savePreference(prefs, PrefSection::Export, ids::IDS_KEY_LDIF_FILE_PATH);
    if (emailChanged) savePreference(prefs, PrefSection::Export, ids::IDS_KEY_EMAIL);
    if (faxChanged) savePreference(prefs, PrefSection::Export, ids::IDS_KEY_FAX);
}

ExportResult writeExport(const CLisotrexDoc& doc, Preferences& prefs, Log& log, Prompter& prompter,
                         bool storeChoices) {
    ExportDialogValues values{prefs.exports.ldifFilePath, prefs.exports.fax ? 1 : 0, prefs.exports.email ? 1 : 0};
    if (!runDialog(values, prompter)) return ExportResult::Cancelled;
    takeChoices(prefs, values, storeChoices);

    BusyScope busy(prompter);
    bool oneTouch = doc.m_nBookType == kOneTouchBook;
    // The entries to export are counted here and taken again as they are
    // written, rather than listed once more.
    auto isChosen = [&](const CAddrUserDataObj& e) {
        return e.m_bChecked && (e.m_nType == kEntryEmail ? values.email : values.fax);
    };
    size_t chosenCount = 0;
    for (const auto& e : doc.m_list) chosenCount += isChosen(*e) ? 1 : 0;
    if (!oneTouch && chosenCount > static_cast<size_t>(std::max(prefs.exports.maxExport, 0)) &&
        prompter.ask(ids::IDS_ASK_EXPORT_OVER_MAX, Buttons::YesNo, Icon::Question) != Answer::Yes)
        return ExportResult::Cancelled;

    const std::string& path = values.path;
    if (!log.start(LogOperation::Export, path)) return ExportResult::Failed;

    // Written beside the target and renamed over it: a failure leaves the
    // previous file as it was instead of a torn one.
    platform::AtomicFile out;
    platform::FileCause cause = out.begin(path);
    if (cause != platform::FileCause::None) {
        showFileError(prompter, cause, path);
        log.end();
        return ExportResult::Failed;
    }
    // Written through one small buffer rather than one string of the whole file.
    constexpr size_t kChunk = 64 * 1024;
    std::string text;
    text.reserve(kChunk + 4096);
    text.append("# Velmo AddressBook version: 1\r\n");
    if (oneTouch) text.append("# dn: fixed\r\n");
    int32_t written = 0;
    bool logged = true;
    size_t i = 0;
    // A failed write ends the walk: no more lines are logged for entries the
    // file will not hold.
    for (auto next = doc.m_list.begin(); next != doc.m_list.end() && logged && cause == platform::FileCause::None;
         ++next) {
        const CAddrUserDataObj& e = **next;
        if (!isChosen(e)) continue;
        int position = static_cast<int>(++i);
        if (written >= static_cast<int32_t>(kMaxEntries)) {
            logged = log.writeLine(position - 1, ids::IDS_LOG_READ_LIMIT);
            break;
        }
        if (oneTouch && e.m_nOneTouch == 0) {
            logged = log.writeLine(position, ids::IDS_LOG_NO_ONE_TOUCH);
            continue;
        }
        if (!e.m_szDestination[0]) {
            logged = log.writeLine(position, ids::IDS_LOG_NO_DESTINATION);
            continue;
        }
        ++written;
        appendBlock(text, e, oneTouch ? e.m_nOneTouch : written, oneTouch);
        if (text.size() >= kChunk) {
            cause = out.write(text);
            text.clear();
        }
    }
    if (!logged) {
        // The log has shown its message; the export file counts as failed too
        // and the previous file stays as it was.
        showFileError(prompter, log.lastCause(), path);
        return ExportResult::Failed;
    }
    if (cause == platform::FileCause::None) cause = out.write(text);
    if (cause == platform::FileCause::None) cause = out.commit();
    log.end();
    if (cause != platform::FileCause::None) {
        showFileError(prompter, cause, path);
        return ExportResult::Failed;
    }
    return ExportResult::Written;
}

} // namespace

ExportResult exportBook(const CLisotrexDoc& doc, Preferences& prefs, Log& log, Prompter& prompter,
                        bool storeChoices) {
    try {
        return writeExport(doc, prefs, log, prompter, storeChoices);
    } catch (const std::bad_alloc&) {
        // Memory ran out: the export ends like one whose file failed without
        // a cause; the previous file stays as it was.
        if (log.running()) log.end();
        showOpenFailed(prompter);
        return ExportResult::Failed;
    }
}

} // namespace lisotrex
