#pragma once
// Everything the model asks of the user goes through this port: the window
// program answers with real dialogs, the headless tool with command-line
// policies, tests with scripted answers.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace lisotrex {

class CAddrUserDataObj;

enum class Icon { Stop, Exclamation, Question, Information };
enum class Buttons { YesNo, YesNoCancel };
enum class Answer { Yes, No, Cancel };
enum class EntryDialogMode { Add, Modify };

// What the export dialog shows and returns.
struct ExportDialogValues {
    std::string path; // system code page
    int32_t fax = 1;
    int32_t email = 1;
};

class Prompter {
public:
    virtual ~Prompter() = default;

    // Message box with an OK button. Arguments are in the system code page and
    // fill the text's placeholders in order.
    virtual void message(int id, Icon icon, const std::vector<std::string>& args = {}) = 0;
    virtual Answer ask(int id, Buttons buttons, Icon icon, const std::vector<std::string>& args = {}) = 0;

    // The entry dialog on a working copy; true on OK (the values then meet the
    // entry value rules).
    virtual bool editEntry(CAddrUserDataObj& working, EntryDialogMode mode, int32_t bookType,
                           int32_t maxOneTouch) = 0;
    // "新增通訊錄": the kind of a new book, nothing on Cancel.
    virtual std::optional<int32_t> chooseBookKind(int32_t current) = 0;
    // "匯出設定": true on OK. The 6105 question is asked by the caller, unless
    // the dialog asks it itself before closing (exportDialogAsksReplace).
    virtual bool exportDialog(ExportDialogValues& values) = 0;
    virtual bool exportDialogAsksReplace() const { return false; }
    // Save dialog for a book that has no path yet; nothing on Cancel.
    virtual std::optional<std::string> askSavePath(const std::string& suggestedName) = 0;

    // Wait cursor around long operations.
    virtual void setBusy(bool busy) {}
};

// Holds the wait cursor for one scope.
class BusyScope {
public:
    explicit BusyScope(Prompter& p) : p_(p) { p_.setBusy(true); }
    ~BusyScope() { p_.setBusy(false); }
    BusyScope(const BusyScope&) = delete;
    BusyScope& operator=(const BusyScope&) = delete;

private:
    Prompter& p_;
};

// The private clipboard format "CF_PRIVATE_VARNISTEL": one byte block.
class ClipboardPort {
public:
    virtual ~ClipboardPort() = default;
    virtual void put(std::string block) = 0;
    // Nothing when the clipboard holds no block of the private format.
    virtual std::optional<std::string> get() const = 0;
};

class MemoryClipboard : public ClipboardPort {
public:
    void put(std::string block) override { block_ = std::move(block); }
    std::optional<std::string> get() const override { return block_; }

private:
    std::optional<std::string> block_;
};

// Text of a message with its placeholders ("%1".."%9", "%s", "%d") filled,
// as UTF-8 for display.
std::string formatMessage(int id, const std::vector<std::string>& args);

} // namespace lisotrex
