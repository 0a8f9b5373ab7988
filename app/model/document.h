#pragma once
// The open address book: its kind, its entries, the file it holds and the
// one-level undo, with the list operations the editor commands call.
// Selections are list positions in the order the view shows them.
// Memory running out (std::bad_alloc) leaves every list operation either done
// or not started; paste keeps what it pasted, open and save report 6023.

#include "model/book_kind.h"
#include "model/document_view.h"
#include "model/entry.h"
#include "model/prompter.h"
#include "model/undo_record.h"
#include "platform/file.h"

#include <memory>
#include <string>
#include <vector>

namespace lisotrex {

struct Preferences;

class CLisotrexDoc {
public:
    CLisotrexDoc(Prompter& prompter, Preferences& prefs, ClipboardPort& clipboard);
    ~CLisotrexDoc();
    CLisotrexDoc(const CLisotrexDoc&) = delete;
    CLisotrexDoc& operator=(const CLisotrexDoc&) = delete;

    void setView(DocumentView* view) { view_ = view ? view : &noView_; }

    // List operations; false when nothing changed.
    bool addEntry();
    bool modifyEntry(const std::vector<size_t>& selection);
    bool deleteEntries(const std::vector<size_t>& selection);
    bool cutEntries(const std::vector<size_t>& selection);
    bool copyEntries(const std::vector<size_t>& selection);
    bool pasteEntries();
    // viewOrder: the positions the view shows, in its order; every other
    // entry is hidden and loses its number.
    bool renumberOneTouch(const std::vector<size_t>& viewOrder);
    bool undo();
    bool canUndo() const { return m_pUndo != nullptr; }
    void deleteContents();
    // 0 when every number up to the maximum is taken.
    int32_t lowestFreeOneTouch() const;
    // Room for `more` entries to be appended without allocating, so that an
    // append after the last check cannot fail half-way.
    void reserveEntries(size_t more);

    // Book files (book_file.cpp).
    bool newBook();
    // As File > Open: a format error leaves an empty book of the same kind.
    bool openBook(const std::string& path);
    bool saveBook(const std::string& path);
    void closeBook();
    // Save-modified question before new, open and exit; false stops the command.
    bool saveModified();
    // Saves to the book's path, asking for one when it has none.
    bool save();

    size_t count() const { return m_list.size(); }
    const CAddrUserDataObj& entry(size_t i) const { return *m_list[i]; }
    CAddrUserDataObj& entry(size_t i) { return *m_list[i]; }
    const std::string& path() const { return path_; }
    const std::string& clipboardFormat() const { return m_clipboardFormat; }
    bool isModified() const { return modified_; }
    void setModified(bool m) { modified_ = m; }
    const platform::File& heldFile() const { return m_file; }
    // Title for the save question: the file name, or "Untitled.abu".
    std::string title() const;
    // The document's name in the window title: the file name, or the
    // default document name of the document template ("Untitled").
    std::string displayName() const;
    void recountChecked();
    // For commands outside the document that change the list (the importers).
    void notifyRowsChanged(const std::vector<size_t>& positions) {
        if (!positions.empty()) view_->rowsChanged(positions);
    }
    void notifyRowsAdded(size_t first, size_t count) {
        if (count) view_->rowsAdded(first, count);
    }
    void notifyRebuilt() { view_->rebuilt(); }

    int32_t m_nBookType = kPlainBook;
    std::vector<std::unique_ptr<CAddrUserDataObj>> m_list;
    int32_t m_nMaxOneTouch;
    size_t m_nCheckedCount = 0;
    bool m_bStatusRefresh = true;
    std::unique_ptr<UndoRecord> m_pUndo;
    bool m_bSkipKindDialog = false;

private:
    // Gives the new entry's number up or takes it from the first other entry
    // holding it, as the user answers.
    void resolveOneTouchConflict(CAddrUserDataObj& fresh, const CAddrUserDataObj* self, UndoRecord& undo,
                                 std::vector<size_t>& changed);
    // Removes the selected entries (ascending, duplicates dropped) into a delete undo.
    void removeEntries(std::vector<size_t> positions);
    // Reads the book; false on a format error. Entries of `spare` are reused
    // before new ones are allocated.
    bool readBook(std::string_view data, std::vector<std::unique_ptr<CAddrUserDataObj>>& spare);
    std::string bookBytes() const;
    void fileError(platform::FileCause cause, const std::string& path);

    Prompter& prompter_;
    Preferences& prefs_;
    ClipboardPort& clipboard_;
    DocumentView noView_;
    DocumentView* view_ = &noView_;
    platform::File m_file;
    std::string path_;
    bool modified_ = false;
    std::string m_clipboardFormat = "CF_PRIVATE_VARNISTEL";
};

} // namespace lisotrex
