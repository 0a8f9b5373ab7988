#pragma once
// Scripted answers for the import command's questions, recording what was asked.

#include "convert/import_prompter.h"
#include "model/document.h"

#include <deque>
#include <gtest/gtest.h>

namespace lisotrex::test {

struct AskedDuplicate {
    size_t index, groupSize;
    std::vector<size_t> candidates;
    std::string description;
};

class ScriptedImportPrompter : public ImportPrompter {
public:
    std::optional<int> mode = kModeUpdateAdd;
    bool modeZeroOffered = true;
    std::optional<ImportDialogValues> dialog;
    // Answers in order; when they run out, Update with the first candidate not
    // yet updated in this import, else add it (what "match" answers in the
    // headless tool).
    std::deque<DuplicateChoice> duplicates;
    std::vector<AskedDuplicate> asked;

    std::optional<int> chooseImportMode(bool bookIsEmpty) override {
        modeZeroOffered = !bookIsEmpty;
        return mode;
    }
    bool importDialog(ImportDialogValues& v) override {
        if (!dialog) return false;
        v = *dialog;
        return true;
    }
    DuplicateChoice chooseDuplicate(const DuplicateQuestion& q) override {
        asked.push_back({q.index, q.groupSize, q.candidates,
                         duplicateDescription(q.member, q.index, q.doc.m_nBookType)});
        if (!duplicates.empty()) {
            DuplicateChoice c = duplicates.front();
            duplicates.pop_front();
            return c;
        }
        if (q.firstUnmatched) return {DuplicateAnswer::Update, *q.firstUnmatched};
        return {q.mode == kModeUpdateAdd ? DuplicateAnswer::AddNew : DuplicateAnswer::Delete, 0};
    }
};

} // namespace lisotrex::test
