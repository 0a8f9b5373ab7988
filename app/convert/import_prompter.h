#pragma once
// The import command's own questions: how to merge, from where, and which
// book entry an imported name with duplicates should update.

#include "model/entry.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace lisotrex {

class CLisotrexDoc;

enum ImportMode : int {
    kModeUpdate = 0,    // update entries with the same name; drop the rest
    kModeUpdateAdd = 1, // update, and add the others
    kModeAddAll = 2,    // add everything as new entries
};

enum ImportSource : int32_t {
    kSourceExchange = 0,
    kSourceNotes = 1,
    kSourceNativeBook = 2,
    kSourcePdx = 3,
};

// What the import dialog shows and returns.
struct ImportDialogValues {
    std::string path; // system code page
    int32_t source = kSourceExchange;
    int32_t fax = 1;
    int32_t email = 1;
};

struct DuplicateQuestion {
    const CLisotrexDoc& doc;
    int mode;
    const CAddrUserDataObj& member;
    size_t index;                  // k, from 1
    size_t groupSize;              // n
    std::vector<size_t> candidates; // book positions, in book order
    // The first candidate not yet updated by this import, if any: what the
    // merge itself would update.
    std::optional<size_t> firstUnmatched;
};

enum class DuplicateAnswer { Update, Delete, AddNew };

struct DuplicateChoice {
    DuplicateAnswer answer = DuplicateAnswer::Delete;
    size_t candidate = 0; // the chosen book position, for Update
};

class ImportPrompter {
public:
    virtual ~ImportPrompter() = default;
    // "選擇匯入方式"; mode 0 is offered only for a book with entries.
    virtual std::optional<int> chooseImportMode(bool bookIsEmpty) = 0;
    // "匯入設定"; true on OK.
    virtual bool importDialog(ImportDialogValues& values) = 0;
    // "選擇重覆資料"; closing the dialog answers Delete.
    virtual DuplicateChoice chooseDuplicate(const DuplicateQuestion& question) = 0;
};

// The dialog's texts, as UTF-8: "重覆名稱數:%d", and the member's description
// (No.k and its values, each line ended by CR LF).
std::string duplicateCountText(size_t groupSize);
std::string duplicateDescription(const CAddrUserDataObj& member, size_t index, int32_t bookType);

} // namespace lisotrex
