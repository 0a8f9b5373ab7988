#pragma once
// The program's user-interaction ports answered without a window, for the
// fuzz targets of the address book program: every message is counted, every
// question gets the answer the input chose.

#include "convert/import_prompter.h"
#include "model/document.h"
#include "model/prompter.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "fuzz_support.h"

namespace velmo::fuzz {

class FuzzPrompter : public lisotrex::Prompter, public lisotrex::ImportPrompter {
public:
    std::vector<int> shown;
    lisotrex::Answer answer = lisotrex::Answer::No;
    lisotrex::DuplicateAnswer duplicateAnswer = lisotrex::DuplicateAnswer::Delete;
    int busy = 0;

    void message(int id, lisotrex::Icon, const std::vector<std::string>&) override { shown.push_back(id); }
    lisotrex::Answer ask(int id, lisotrex::Buttons, lisotrex::Icon, const std::vector<std::string>&) override {
        shown.push_back(id);
        return answer;
    }
    bool editEntry(lisotrex::CAddrUserDataObj&, lisotrex::EntryDialogMode, int32_t, int32_t) override { return false; }
    std::optional<int32_t> chooseBookKind(int32_t current) override { return current; }
    bool exportDialog(lisotrex::ExportDialogValues&) override { return false; }
    std::optional<std::string> askSavePath(const std::string&) override { return std::nullopt; }
    void setBusy(bool on) override { busy += on ? 1 : -1; }

    int importMode = lisotrex::kModeUpdateAdd;
    lisotrex::ImportDialogValues importValues;
    std::optional<int> chooseImportMode(bool bookIsEmpty) override {
        // Mode 0 is offered only for a book with entries.
        return bookIsEmpty && importMode == lisotrex::kModeUpdate ? lisotrex::kModeUpdateAdd : importMode;
    }
    bool importDialog(lisotrex::ImportDialogValues& values) override {
        values = importValues;
        return true;
    }
    lisotrex::DuplicateChoice chooseDuplicate(const lisotrex::DuplicateQuestion& q) override {
        lisotrex::DuplicateChoice c;
        c.answer = duplicateAnswer;
        if (c.answer == lisotrex::DuplicateAnswer::Update) {
            FUZZ_CHECK(!q.candidates.empty(), "the duplicate dialog offers no candidate");
            c.candidate = q.candidates.front();
        }
        return c;
    }
};

// The texts of an entry stay inside their buffers, and its type is one of two.
inline void checkEntry(const lisotrex::CAddrUserDataObj& e) {
    FUZZ_CHECK(e.m_nType == lisotrex::kEntryFax || e.m_nType == lisotrex::kEntryEmail, std::to_string(e.m_nType));
    FUZZ_CHECK(e.m_szName.view().size() < e.m_szName.kCapacity, "name longer than its field");
    FUZZ_CHECK(e.m_szReading.view().size() < e.m_szReading.kCapacity, "reading longer than its field");
    FUZZ_CHECK(e.m_szDestination.view().size() < e.m_szDestination.kCapacity, "destination longer than its field");
    FUZZ_CHECK(e.m_szDepartment.view().size() < e.m_szDepartment.kCapacity, "department longer than its field");
}

// What the book file keeps of an entry, as one comparable text.
inline std::string storedForm(const lisotrex::CAddrUserDataObj& e, int32_t bookType) {
    std::string s = std::to_string(e.m_nType) + "|" + e.m_szName.c_str() + "|" + e.m_szDestination.c_str() + "|" +
                    e.m_szDepartment.c_str() +
                    "|" + std::to_string(e.m_nAccessCode);
    if (bookType == lisotrex::kOneTouchBook) s += "|" + std::to_string(e.m_nOneTouch);
    return s;
}

// The book's invariants after any operation: within the entry limit, every
// entry whole, the checked count right and, unless the book came from a file
// that had them, no one-touch number given twice.
inline void checkBook(const lisotrex::CLisotrexDoc& doc, bool numbersUnique) {
    FUZZ_CHECK(doc.count() <= lisotrex::kMaxEntries, std::to_string(doc.count()));
    std::vector<int32_t> numbers;
    size_t checked = 0;
    for (size_t i = 0; i < doc.count(); ++i) {
        const lisotrex::CAddrUserDataObj& e = doc.entry(i);
        checkEntry(e);
        if (e.m_bChecked) ++checked;
        if (doc.m_nBookType == lisotrex::kOneTouchBook && e.m_nOneTouch != 0) numbers.push_back(e.m_nOneTouch);
    }
    FUZZ_CHECK(checked == doc.m_nCheckedCount, "checked count " + std::to_string(doc.m_nCheckedCount));
    if (!numbersUnique) return;
    std::sort(numbers.begin(), numbers.end());
    FUZZ_CHECK(std::adjacent_find(numbers.begin(), numbers.end()) == numbers.end(), "a one-touch number given twice");
}

} // namespace velmo::fuzz
