#pragma once
// A prompter for tests: answers from a script and records every message and
// question by its string id, in order.

#include "model/entry.h"
#include "model/prompter.h"

#include <deque>
#include <functional>
#include <gtest/gtest.h>

namespace lisotrex::test {

class RecordingPrompter : public Prompter {
public:
    std::vector<int> shown;                     // message and question ids in order
    std::vector<std::vector<std::string>> args; // their arguments
    std::vector<Icon> icons;                    // their icons
    std::deque<Answer> answers;                 // for ask(), in order
    // The entry dialog: edits the working copy; returns OK (true) or Cancel.
    std::function<bool(CAddrUserDataObj&, EntryDialogMode)> onEdit;
    std::deque<std::optional<int32_t>> kinds;
    std::deque<std::optional<ExportDialogValues>> exportDialogs;
    std::optional<std::string> savePath;
    int busy = 0;
    // Called with the id of every message and question as it is shown.
    std::function<void(int)> onShow;

    void message(int id, Icon icon, const std::vector<std::string>& a) override {
        shown.push_back(id);
        args.push_back(a);
        icons.push_back(icon);
        if (onShow) onShow(id);
    }
    Answer ask(int id, Buttons, Icon icon, const std::vector<std::string>& a) override {
        shown.push_back(id);
        args.push_back(a);
        icons.push_back(icon);
        if (onShow) onShow(id);
        if (answers.empty()) {
            ADD_FAILURE() << "unexpected question " << id;
            return Answer::Cancel;
        }
        Answer r = answers.front();
        answers.pop_front();
        return r;
    }
    bool editEntry(CAddrUserDataObj& working, EntryDialogMode mode, int32_t, int32_t) override {
        if (!onEdit) {
            ADD_FAILURE() << "unexpected entry dialog";
            return false;
        }
        return onEdit(working, mode);
    }
    std::optional<int32_t> chooseBookKind(int32_t) override {
        if (kinds.empty()) {
            ADD_FAILURE() << "unexpected book kind question";
            return std::nullopt;
        }
        auto k = kinds.front();
        kinds.pop_front();
        return k;
    }
    bool exportDialog(ExportDialogValues& v) override {
        if (exportDialogs.empty()) return false;
        auto next = exportDialogs.front();
        exportDialogs.pop_front();
        if (!next) return false;
        v = *next;
        return true;
    }
    std::optional<std::string> askSavePath(const std::string&) override { return savePath; }
    void setBusy(bool on) override { busy += on ? 1 : -1; }

    std::vector<int> take() { return std::exchange(shown, {}); }
};

} // namespace lisotrex::test
