// New, open, save and close of the native book file (.abu).

#include "files/book_header.h"
#include "files/entry_record.h"
#include "files/file_messages.h"
#include "model/document.h"
#include "settings/preferences.h"
#include "strings/strings.h"

#include <cerrno>
#include <new>
#include <sys/stat.h>
#include <unistd.h>

namespace lisotrex {

namespace {

// One read into a buffer of the file's size (falls back to reading to the end).
platform::FileCause readWhole(platform::File& file, std::string& out) {
    struct stat st{};
    if (fstat(file.fd(), &st) != 0 || st.st_size <= 0) return file.readAll(out);
    out.resize(static_cast<size_t>(st.st_size));
    size_t got = 0;
    while (got < out.size()) {
        ssize_t n = ::read(file.fd(), out.data() + got, out.size() - got);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return platform::causeFromErrno(errno);
        if (n == 0) break;
        got += static_cast<size_t>(n);
    }
    out.resize(got);
    if (got == static_cast<size_t>(st.st_size)) {
        std::string rest;
        platform::FileCause c = file.readAll(rest);
        out += rest;
        return c;
    }
    return platform::FileCause::None;
}

} // namespace

std::string CLisotrexDoc::title() const {
    if (path_.empty()) return systemText(ids::IDS_UNTITLED_BOOK);
    auto slash = path_.rfind('/');
    return slash == std::string::npos ? path_ : path_.substr(slash + 1);
}

std::string CLisotrexDoc::displayName() const {
    if (!path_.empty()) return title();
    // The template's parts are separated by line breaks; the second is the
    // name of a document that has none yet.
    const std::string parts = systemText(ids::IDS_DOC_TEMPLATE);
    const size_t first = parts.find('\n');
    if (first == std::string::npos) return std::string();
    const size_t second = parts.find('\n', first + 1);
    return parts.substr(first + 1, second == std::string::npos ? std::string::npos : second - first - 1);
}

void CLisotrexDoc::fileError(platform::FileCause cause, const std::string& path) {
    showFileError(prompter_, cause, path);
}

bool CLisotrexDoc::newBook() {
    // The book's file and entries go first; a cancelled question leaves an
    // empty, untitled book that cannot overwrite the old file by mistake.
    m_file.close();
    path_.clear();
    deleteContents();
    modified_ = false;
    view_->rebuilt();
    if (m_bSkipKindDialog) {
        m_bSkipKindDialog = false;
    } else {
        std::optional<int32_t> kind = prompter_.chooseBookKind(m_nBookType);
        if (!kind) return false;
        m_nBookType = *kind == kOneTouchBook ? kOneTouchBook : kPlainBook;
    }
    m_nMaxOneTouch = prefs_.env.oneTouchNumber;
    view_->bookKindChanged(m_nBookType);
    return true;
}

bool CLisotrexDoc::readBook(std::string_view data, std::vector<std::unique_ptr<CAddrUserDataObj>>& spare) {
    FieldReader r(data, true);
    BookHeader header;
    if (!readBookHeader(r, header)) return false;
    int32_t kind = header.kind;
    std::vector<std::unique_ptr<CAddrUserDataObj>> list;
    list.reserve(std::min(kMaxEntries, data.size() / 16 + 1));
    EntryLine line;
    for (;;) {
        LineRead got = readEntryLine(r, line, kind);
        if (got == LineRead::End) break;
        if (got == LineRead::Bad || list.size() >= kMaxEntries) return false;
        if (spare.empty()) {
            list.push_back(makeEntry(line));
        } else {
            CAddrUserDataObj& e = *spare.back();
            e = CAddrUserDataObj(line.type, line.nameView(), {}, line.destinationView(), line.departmentView(),
                                 line.accessCode, line.oneTouch, false);
            list.push_back(std::move(spare.back()));
            spare.pop_back();
        }
    }
    m_nBookType = kind;
    m_nMaxOneTouch = header.maxOneTouch;
    m_list = std::move(list);
    // The book's export settings replace the program's, in memory only.
    prefs_.exports = std::move(header.exports);
    return true;
}

bool CLisotrexDoc::openBook(const std::string& path) {
    m_file.close();
    platform::File file;
    platform::FileCause cause = platform::FileCause::None;
    try {
        cause = file.open(path, {platform::FileAccess::ReadWrite, /*create*/ false, /*truncate*/ false, /*denyWrite*/ true});
    } catch (const std::bad_alloc&) {
        // Nothing was read yet: the book stays as it is.
        showOpenFailed(prompter_);
        return false;
    }
    if (cause != platform::FileCause::None) {
        fileError(cause, path);
        return false;
    }
    BusyScope busy(prompter_);
    // The old entries' memory is reused for the new ones.
    std::vector<std::unique_ptr<CAddrUserDataObj>> spare = std::move(m_list);
    deleteContents();
    modified_ = true;
    // The view lets go of the old entries before any message can be shown.
    view_->rebuilt();
    enum class Failure { None, File, Format, Memory } failure = Failure::None;
    std::string newPath;
    m_bStatusRefresh = false;
    try {
        newPath = path;
        std::string data;
        cause = readWhole(file, data);
        if (cause != platform::FileCause::None) failure = Failure::File;
        else if (!readBook(data, spare)) failure = Failure::Format;
    } catch (const std::bad_alloc&) {
        failure = Failure::Memory;
    }
    m_bStatusRefresh = true;
    if (failure != Failure::None) {
        spare.clear();
        if (failure == Failure::File) fileError(cause, path);
        else if (failure == Failure::Format) prompter_.message(ids::IDS_FORMAT_ERROR, Icon::Stop);
        else showOpenFailed(prompter_);
        // The old contents are gone: an empty book of the same kind replaces
        // them without asking for the kind.
        m_bSkipKindDialog = true;
        newBook();
        return false;
    }
    m_file = std::move(file);
    path_.swap(newPath);
    modified_ = false;
    recountChecked();
    view_->bookKindChanged(m_nBookType);
    view_->rebuilt();
    return true;
}

std::string CLisotrexDoc::bookBytes() const {
    std::string out;
    out.reserve(128 + m_list.size() * 96);
    appendBookHeader(out, BookHeader{m_nBookType, m_nMaxOneTouch, prefs_.exports});
    for (const auto& e : m_list) appendEntryLine(out, *e, m_nBookType, "\r\n");
    return out;
}

bool CLisotrexDoc::saveBook(const std::string& path) {
    BusyScope busy(prompter_);
    // Written beside the target and renamed over it, so a failure or a crash
    // leaves the old book whole; the new file stays held and write-locked.
    platform::AtomicFile out;
    platform::FileCause cause = platform::FileCause::None;
    std::string newPath;
    try {
        newPath = path;
        cause = out.begin(path, &m_file);
        if (cause == platform::FileCause::None) cause = out.write(bookBytes());
        if (cause == platform::FileCause::None) cause = out.commit(&m_file);
    } catch (const std::bad_alloc&) {
        out.abandon();
        showOpenFailed(prompter_);
        return false;
    }
    if (cause != platform::FileCause::None) {
        fileError(cause, path);
        return false;
    }
    path_.swap(newPath);
    modified_ = false;
    return true;
}

void CLisotrexDoc::closeBook() {
    m_file.close();
    path_.clear();
    deleteContents();
    modified_ = false;
    view_->rebuilt();
}

bool CLisotrexDoc::save() {
    std::string target = path_;
    if (target.empty()) {
        std::optional<std::string> chosen = prompter_.askSavePath(title());
        if (!chosen) return false;
        target = *chosen;
    }
    return saveBook(target);
}

bool CLisotrexDoc::saveModified() {
    if (!modified_) return true;
    switch (prompter_.ask(ids::IDS_ASK_SAVE_CHANGES, Buttons::YesNoCancel, Icon::Question, {title()})) {
    case Answer::Yes: return save();
    case Answer::No: return true;
    case Answer::Cancel: return false;
    }
    return false;
}

} // namespace lisotrex
