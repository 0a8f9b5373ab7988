#include "model/document.h"

#include "files/entry_record.h"
#include "model/one_touch_tally.h"
#include "model/room_ahead.h"
#include "settings/preferences.h"
#include "strings/strings.h"

#include <algorithm>
#include <new>
#include <optional>

namespace lisotrex {

CLisotrexDoc::CLisotrexDoc(Prompter& prompter, Preferences& prefs, ClipboardPort& clipboard)
    : m_nMaxOneTouch(prefs.env.oneTouchNumber), prompter_(prompter), prefs_(prefs), clipboard_(clipboard) {}

CLisotrexDoc::~CLisotrexDoc() = default;

void CLisotrexDoc::recountChecked() {
    m_nCheckedCount = static_cast<size_t>(
        std::count_if(m_list.begin(), m_list.end(), [](const auto& e) { return e->m_bChecked != 0; }));
}

int32_t CLisotrexDoc::lowestFreeOneTouch() const {
    if (m_nMaxOneTouch < 1)
        return std::any_of(m_list.begin(), m_list.end(), [](const auto& e) { return e->m_nOneTouch == 1; }) ? 0 : 1;
    // n entries hold at most n numbers, so one of 1..n+1 is free unless the
    // maximum comes first: the marks never need more room than the list,
    // whatever maximum a file or the registry brought.
    const size_t last = std::min(static_cast<size_t>(m_nMaxOneTouch), m_list.size() + 1);
    std::vector<bool> used(last + 1, false);
    for (const auto& e : m_list)
        if (e->m_nOneTouch >= 1 && static_cast<size_t>(e->m_nOneTouch) <= last)
            used[static_cast<size_t>(e->m_nOneTouch)] = true;
    for (size_t n = 1; n <= last; ++n)
        if (!used[n]) return static_cast<int32_t>(n);
    return 0;
}

void CLisotrexDoc::reserveEntries(size_t more) { reserveAhead(m_list, more); }

void CLisotrexDoc::resolveOneTouchConflict(CAddrUserDataObj& fresh, const CAddrUserDataObj* self, UndoRecord& undo,
                                           std::vector<size_t>& changed) {
    if (fresh.m_nOneTouch == 0) return;
    for (size_t i = 0; i < m_list.size(); ++i) {
        CAddrUserDataObj& other = *m_list[i];
        if (&other == self || other.m_nOneTouch != fresh.m_nOneTouch) continue;
        Answer a = prompter_.ask(ids::IDS_ASK_ONE_TOUCH_TAKEN, Buttons::YesNo, Icon::Question,
                                 {std::to_string(fresh.m_nOneTouch)});
        if (a == Answer::Yes) {
            undo.previous.emplace_back(i, other);
            other.setOneTouch(0);
            changed.push_back(i);
        } else {
            fresh.m_nOneTouch = 0;
        }
        return;
    }
}

bool CLisotrexDoc::addEntry() {
    if (m_list.size() >= kMaxEntries) {
        prompter_.message(ids::IDS_MSG_BOOK_FULL, Icon::Exclamation);
        return false;
    }
    auto fresh = std::make_unique<CAddrUserDataObj>(m_nBookType == kOneTouchBook ? lowestFreeOneTouch() : 0);
    if (!prompter_.editEntry(*fresh, EntryDialogMode::Add, m_nBookType, m_nMaxOneTouch)) return false;
    BusyScope busy(prompter_);
    fresh->m_bUpdated = 1;
    // Everything is allocated before the list changes.
    auto undo = std::make_unique<UndoRecord>(UndoRecord::Add);
    undo->added.reserve(1);
    undo->previous.reserve(1);
    std::vector<size_t> changed;
    changed.reserve(1);
    reserveEntries(1);
    resolveOneTouchConflict(*fresh, nullptr, *undo, changed);
    undo->added.push_back(static_cast<uint32_t>(m_list.size()));
    m_list.push_back(std::move(fresh));
    m_pUndo = std::move(undo);
    modified_ = true;
    recountChecked();
    if (!changed.empty()) view_->rowsChanged(changed);
    view_->rowsAdded(m_list.size() - 1, 1);
    return true;
}

bool CLisotrexDoc::modifyEntry(const std::vector<size_t>& selection) {
    if (selection.size() != 1 || selection[0] >= m_list.size()) {
        prompter_.message(ids::IDS_MSG_MODIFY_SELECT_ONE, Icon::Exclamation);
        return false;
    }
    size_t pos = selection[0];
    CAddrUserDataObj& target = *m_list[pos];
    CAddrUserDataObj working(target);
    if (!prompter_.editEntry(working, EntryDialogMode::Modify, m_nBookType, m_nMaxOneTouch)) return false;
    if (working.sameValues(target)) return false;
    BusyScope busy(prompter_);
    // Everything is allocated, and the conflict settled on the working copy,
    // before any entry changes.
    auto undo = std::make_unique<UndoRecord>(UndoRecord::Modify);
    undo->previous.reserve(2);
    undo->previous.emplace_back(pos, target);
    std::vector<size_t> changed;
    changed.reserve(2);
    changed.push_back(pos);
    resolveOneTouchConflict(working, &target, *undo, changed);
    target.copyValues(working);
    target.m_bUpdated = 1;
    m_pUndo = std::move(undo);
    modified_ = true;
    recountChecked();
    view_->rowsChanged(changed);
    return true;
}

void CLisotrexDoc::removeEntries(std::vector<size_t> positions) {
    std::sort(positions.begin(), positions.end());
    positions.erase(std::unique(positions.begin(), positions.end()), positions.end());
    auto undo = std::make_unique<UndoRecord>(UndoRecord::Delete);
    undo->removed.reserve(positions.size());
    for (size_t p : positions) undo->removed.emplace_back(p, std::move(m_list[p]));
    // One pass closes the gaps left by the moved-out entries.
    m_list.erase(std::remove(m_list.begin(), m_list.end(), nullptr), m_list.end());
    m_pUndo = std::move(undo);
    modified_ = true;
    recountChecked();
    view_->rowsRemoved(positions);
}

namespace {

std::vector<size_t> validSelection(const std::vector<size_t>& selection, size_t size) {
    std::vector<size_t> out;
    out.reserve(selection.size());
    for (size_t p : selection)
        if (p < size) out.push_back(p);
    return out;
}

} // namespace

bool CLisotrexDoc::deleteEntries(const std::vector<size_t>& selection) {
    std::vector<size_t> sel = validSelection(selection, m_list.size());
    if (sel.empty()) {
        prompter_.message(ids::IDS_MSG_DELETE_SELECT, Icon::Exclamation);
        return false;
    }
    if (prompter_.ask(ids::IDS_ASK_DELETE_ENTRIES, Buttons::YesNo, Icon::Question) != Answer::Yes) return false;
    BusyScope busy(prompter_);
    removeEntries(std::move(sel));
    return true;
}

bool CLisotrexDoc::cutEntries(const std::vector<size_t>& selection) {
    std::vector<size_t> sel = validSelection(selection, m_list.size());
    if (sel.empty()) {
        prompter_.message(ids::IDS_MSG_CUT_SELECT, Icon::Exclamation);
        return false;
    }
    if (prompter_.ask(ids::IDS_ASK_DELETE_ENTRIES, Buttons::YesNo, Icon::Question) != Answer::Yes) return false;
    BusyScope busy(prompter_);
    std::sort(sel.begin(), sel.end());
    sel.erase(std::unique(sel.begin(), sel.end()), sel.end());
    std::vector<const CAddrUserDataObj*> cut;
    cut.reserve(sel.size());
    for (size_t p : sel) cut.push_back(m_list[p].get());
    clipboard_.put(clipboardBlock(cut, m_nBookType));
    removeEntries(std::move(sel));
    return true;
}

bool CLisotrexDoc::copyEntries(const std::vector<size_t>& selection) {
    std::vector<size_t> sel = validSelection(selection, m_list.size());
    if (sel.empty()) {
        prompter_.message(ids::IDS_MSG_COPY_SELECT, Icon::Exclamation);
        return false;
    }
    BusyScope busy(prompter_);
    std::vector<const CAddrUserDataObj*> copied;
    copied.reserve(sel.size());
    for (size_t p : sel) copied.push_back(m_list[p].get());
    clipboard_.put(clipboardBlock(copied, m_nBookType));
    return true;
}

bool CLisotrexDoc::pasteEntries() {
    std::optional<std::string> block = clipboard_.get();
    if (!block) return false;
    BusyScope busy(prompter_);
    FieldReader reader(*block, false);
    auto undo = std::make_unique<UndoRecord>(UndoRecord::Add);
    size_t first = m_list.size();
    m_bStatusRefresh = false;
    std::optional<OneTouchTally> oneTouch;
    try {
        if (m_nBookType == kOneTouchBook) oneTouch.emplace(*this, kMaxEntries - std::min(kMaxEntries, m_list.size()));
        EntryLine line;
        for (;;) {
            if (readEntryLine(reader, line, m_nBookType) != LineRead::Entry) break;
            auto fresh = makeEntry(line);
            if (m_list.size() >= kMaxEntries) {
                prompter_.message(ids::IDS_MSG_BOOK_FULL, Icon::Exclamation);
                break;
            }
            fresh->m_bUpdated = 1;
            reserveAhead(undo->added);
            reserveEntries(1);
            // A number from the tally is free: no other entry holds it.
            fresh->m_nOneTouch = oneTouch ? oneTouch->take() : 0;
            undo->added.push_back(static_cast<uint32_t>(m_list.size()));
            m_list.push_back(std::move(fresh));
        }
    } catch (const std::bad_alloc&) {
        // Memory ran out: the paste ends, and what it pasted stays.
    }
    m_bStatusRefresh = true;
    if (undo->added.empty()) return false;
    m_pUndo = std::move(undo);
    modified_ = true;
    recountChecked();
    view_->rowsAdded(first, m_list.size() - first);
    return true;
}

bool CLisotrexDoc::renumberOneTouch(const std::vector<size_t>& viewOrder) {
    if (m_nBookType != kOneTouchBook) return false;
    BusyScope busy(prompter_);
    std::vector<int32_t> number(m_list.size(), 0);
    int64_t i = 0;
    for (size_t p : viewOrder) {
        if (p >= m_list.size()) continue;
        number[p] = i < m_nMaxOneTouch ? static_cast<int32_t>(i + 1) : 0;
        ++i;
    }
    std::vector<size_t> changed;
    for (size_t p = 0; p < m_list.size(); ++p)
        if (m_list[p]->m_nOneTouch != number[p]) changed.push_back(p);
    if (changed.empty()) return false;
    auto undo = std::make_unique<UndoRecord>(UndoRecord::Modify);
    undo->previous.reserve(changed.size());
    for (size_t p : changed) undo->previous.emplace_back(p, *m_list[p]);
    for (size_t p : changed) m_list[p]->setOneTouch(number[p]);
    m_pUndo = std::move(undo);
    modified_ = true;
    view_->rowsChanged(changed);
    return true;
}

bool CLisotrexDoc::undo() {
    if (!m_pUndo) return false;
    if (m_pUndo->kind != UndoRecord::Delete &&
        prompter_.ask(ids::IDS_ASK_UNDO, Buttons::YesNo, Icon::Question) != Answer::Yes)
        return false;
    BusyScope busy(prompter_);
    // Room for the deleted entries first: putting them back allocates nothing.
    if (m_pUndo->kind == UndoRecord::Delete) reserveEntries(m_pUndo->removed.size());
    std::unique_ptr<UndoRecord> u = std::move(m_pUndo);
    // Latest first, so an entry recorded twice ends with its oldest values.
    for (auto it = u->previous.rbegin(); it != u->previous.rend(); ++it)
        if (it->first < m_list.size()) *m_list[it->first] = it->second;
    if (u->kind == UndoRecord::Add) {
        for (auto it = u->added.rbegin(); it != u->added.rend(); ++it)
            if (*it < m_list.size()) m_list.erase(m_list.begin() + static_cast<std::ptrdiff_t>(*it));
    } else if (u->kind == UndoRecord::Delete) {
        for (auto& [pos, removed] : u->removed) {
            size_t at = std::min(pos, m_list.size());
            m_list.insert(m_list.begin() + static_cast<std::ptrdiff_t>(at), std::move(removed));
        }
    }
    modified_ = true;
    recountChecked();
    view_->rebuilt();
    return true;
}

void CLisotrexDoc::deleteContents() {
    m_list.clear();
    m_pUndo.reset();
    m_nCheckedCount = 0;
}

} // namespace lisotrex
