#include "convert/import_merge.h"

#include "model/document.h"
#include "model/one_touch_tally.h"
#include "model/room_ahead.h"
#include "strings/strings.h"

#include <algorithm>
#include <cstdint>
#include <new>
#include <string>
#include <string_view>
#include <optional>
#include <unordered_map>
#include <unordered_set>

namespace lisotrex {
namespace {

constexpr size_t kEntryLimit = 9999;

// Same entry = same name bytes and same type.
struct EntryKey {
    std::string_view name;
    int32_t type;
    bool operator==(const EntryKey&) const = default;
};

struct EntryKeyHash {
    size_t operator()(const EntryKey& k) const {
        return std::hash<std::string_view>()(k.name) * 31u + static_cast<size_t>(k.type);
    }
};

EntryKey keyOf(const CAddrUserDataObj& e) { return {e.m_szName.view(), e.m_nType}; }

// A key that keeps its own copy of the name: an update gives a book entry a
// new text block, so views into book entries do not last the merge.
struct OwnedKey {
    std::string name;
    int32_t type;
};

struct OwnedKeyHash {
    using is_transparent = void;
    size_t operator()(const EntryKey& k) const { return EntryKeyHash()(k); }
    size_t operator()(const OwnedKey& k) const { return EntryKeyHash()({k.name, k.type}); }
};

struct OwnedKeyEqual {
    using is_transparent = void;
    static EntryKey view(const EntryKey& k) { return k; }
    static EntryKey view(const OwnedKey& k) { return {k.name, k.type}; }
    template <class A, class B>
    bool operator()(const A& a, const B& b) const { return view(a) == view(b); }
};

// The entries the book held when the merge began, by key, in book order,
// with a cursor past those already matched; keeps the search for "the first
// unmatched same entry" linear overall. Entries the merge appends are never
// indexed: they are not candidates for the import that brought them.
class BookIndex {
public:
    explicit BookIndex(const CLisotrexDoc& doc) : doc_(doc) {
        slots_.reserve(doc.count());
        for (size_t i = 0; i < doc.count(); ++i) {
            EntryKey k = keyOf(doc.entry(i));
            auto it = slots_.find(k);
            if (it == slots_.end()) it = slots_.emplace(OwnedKey{std::string(k.name), k.type}, Slot{}).first;
            it->second.positions.push_back(i);
        }
    }

    const std::vector<size_t>* sameAs(const CAddrUserDataObj& e) const {
        if (slots_.empty()) return nullptr; // an empty book: nothing to hash
        auto it = slots_.find(keyOf(e));
        return it == slots_.end() ? nullptr : &it->second.positions;
    }
    // First unmatched book entry that is the same entry as e; -1 when none.
    long firstUnmatched(const CAddrUserDataObj& e) {
        if (slots_.empty()) return -1;
        auto it = slots_.find(keyOf(e));
        if (it == slots_.end()) return -1;
        Slot& s = it->second;
        while (s.cursor < s.positions.size() && doc_.entry(s.positions[s.cursor]).m_bMatched) ++s.cursor;
        return s.cursor < s.positions.size() ? static_cast<long>(s.positions[s.cursor]) : -1;
    }

private:
    struct Slot {
        std::vector<size_t> positions;
        size_t cursor = 0;
    };
    const CLisotrexDoc& doc_;
    std::unordered_map<OwnedKey, Slot, OwnedKeyHash, OwnedKeyEqual> slots_;
};

class Merger {
public:
    Merger(CLisotrexDoc& doc, int mode, UndoRecord& undo, Prompter& prompter, ImportPrompter& ip)
        : doc_(doc), mode_(mode), undo_(undo), prompter_(prompter), ip_(ip) {
        result_.firstAdded = doc.count();
    }

    MergeResult run(ImportedEntries& imported) {
        try {
            return merge(imported);
        } catch (const std::bad_alloc&) {
            // Every change made so far is in the undo record and the result.
            result_.finished = false;
            result_.outOfMemory = true;
            return done();
        }
    }

private:
    MergeResult merge(ImportedEntries& imported) {
        for (auto& e : doc_.m_list) e->m_bMatched = 0;
        // Room for every entry the import may add, taken before anything
        // changes: the book's list and the undo positions grow once.
        const size_t mayAdd =
            mode_ == kModeUpdate ? 0 : std::min(imported.size(), kEntryLimit - std::min(kEntryLimit, doc_.count()));
        if (mode_ != kModeUpdate) {
            doc_.reserveEntries(mayAdd);
            reserveAhead(undo_.added, mayAdd);
        }
        if (doc_.m_nBookType == kOneTouchBook) oneTouch_.emplace(doc_, mayAdd);
        if (mode_ == kModeAddAll) {
            for (auto& m : imported)
                if (!append(m)) return full();
            return done();
        }
        index_.emplace(doc_);
        // Groups of same entries, each in delivery order, groups in order of
        // first appearance: each entry links to the next of its group. The
        // entries are chained from the last back, so that the table ends up
        // holding each group's first member.
        const size_t n = imported.size();
        constexpr uint32_t kNone = UINT32_MAX;
        std::vector<uint32_t> next(n, kNone);
        std::vector<uint8_t> first(n, 0);
        {
            // Open addressing over positions (+ 1, 0 = free): no node per entry.
            size_t capacity = 16;
            while (capacity < n + n / 2) capacity <<= 1;
            std::vector<uint32_t> table(capacity, 0);
            for (size_t i = n; i-- > 0;) {
                const EntryKey key = keyOf(*imported[i]);
                size_t slot = EntryKeyHash()(key) & (capacity - 1);
                while (table[slot] && keyOf(*imported[table[slot] - 1]) != key) slot = (slot + 1) & (capacity - 1);
                if (table[slot]) next[i] = table[slot] - 1;
                table[slot] = static_cast<uint32_t>(i + 1);
            }
            for (uint32_t t : table)
                if (t) first[t - 1] = 1;
        }
        for (size_t g = 0; g < n; ++g) {
            if (!first[g]) continue;
            size_t size = 0;
            for (uint32_t j = static_cast<uint32_t>(g); j != kNone; j = next[j]) ++size;
            size_t k = 0;
            for (uint32_t j = static_cast<uint32_t>(g); j != kNone; j = next[j]) {
                ++k;
                if (imported[j]->m_bMatched) continue;
                if (!settle(imported[j], k, size)) return full();
            }
        }
        return done();
    }

    // Everything an update needs is allocated before the entry changes.
    void remember(size_t position) {
        reserveAhead(changed_);
        if (touched_.count(position)) return;
        reserveAhead(undo_.previous);
        touched_.insert(position);
        undo_.previous.emplace_back(position, doc_.entry(position));
    }

    // The imported entry is settled by this: it moves into the book as it is.
    bool append(std::unique_ptr<CAddrUserDataObj>& member) {
        if (doc_.count() >= kEntryLimit) return false;
        // Room first: once the entry moves, nothing can fail.
        reserveAhead(undo_.added);
        doc_.reserveEntries(1);
        const int32_t oneTouch = oneTouch_ ? oneTouch_->take() : 0;
        member->m_bUpdated = 1;
        member->m_bMatched = 1;
        member->m_bChecked = 1;
        member->m_nOneTouch = oneTouch;
        doc_.m_list.push_back(std::move(member));
        undo_.added.push_back(static_cast<uint32_t>(doc_.count() - 1));
        ++result_.addedCount;
        return true;
    }

    void update(size_t position, const CAddrUserDataObj& member, bool alwaysMark) {
        CAddrUserDataObj& book = doc_.entry(position);
        remember(position);
        CAddrUserDataObj before = book;
        book.takeDestination(member);
        if (alwaysMark) book.m_bUpdated = 1;
        book.m_bMatched = 1;
        if (book.m_bUpdated != before.m_bUpdated || !book.sameValues(before)) changed_.push_back(position);
    }

    bool settle(std::unique_ptr<CAddrUserDataObj>& slot, size_t k, size_t n) {
        CAddrUserDataObj& member = *slot;
        long found = index_->firstUnmatched(member);
        const std::vector<size_t>* same = index_->sameAs(member);
        // Names the book has more than once, or that the import brings more
        // than once, are for the user to settle, even when every book entry
        // of the name is already taken.
        if (same && (n > 1 || same->size() > 1)) {
            const std::vector<size_t> candidates = *same;
            DuplicateQuestion question{doc_, mode_, member, k, n, candidates,
                                       found < 0 ? std::nullopt : std::optional<size_t>(static_cast<size_t>(found))};
            DuplicateChoice choice = ip_.chooseDuplicate(question);
            if (choice.answer == DuplicateAnswer::Update &&
                std::find(candidates.begin(), candidates.end(), choice.candidate) != candidates.end()) {
                update(choice.candidate, member, true);
                member.m_bMatched = 1;
                return true;
            }
            if (choice.answer == DuplicateAnswer::AddNew && mode_ == kModeUpdateAdd) return append(slot);
            member.m_bMatched = 1; // "刪除" (or a choice that does not fit): dropped
            return true;
        }
        if (found >= 0) {
            update(static_cast<size_t>(found), member, false);
            member.m_bMatched = 1;
            return true;
        }
        if (mode_ == kModeUpdateAdd) return append(slot);
        member.m_bMatched = 1; // dropped
        return true;
    }

    MergeResult full() {
        prompter_.message(ids::IDS_MSG_BOOK_FULL, Icon::Exclamation);
        result_.finished = false;
        return done();
    }

    MergeResult done() {
        std::sort(changed_.begin(), changed_.end());
        changed_.erase(std::unique(changed_.begin(), changed_.end()), changed_.end());
        result_.changedRows = std::move(changed_);
        return result_;
    }

    CLisotrexDoc& doc_;
    int mode_;
    UndoRecord& undo_;
    Prompter& prompter_;
    ImportPrompter& ip_;
    std::optional<BookIndex> index_;
    std::optional<OneTouchTally> oneTouch_;
    std::unordered_set<size_t> touched_;
    std::vector<size_t> changed_;
    MergeResult result_;
};

} // namespace

MergeResult mergeImported(CLisotrexDoc& doc, ImportedEntries& imported, int mode, UndoRecord& undo,
                          Prompter& prompter, ImportPrompter& importPrompter) {
    return Merger(doc, mode, undo, prompter, importPrompter).run(imported);
}

} // namespace lisotrex
