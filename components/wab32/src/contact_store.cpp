#include "contact_store.h"

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <deque>
#include <set>
#include <sys/stat.h>

#include "card_mapping.h"
#include "pdx/status.h"
#include "platform/codepage.h"
#include "platform/file.h"
#include "wab_tags.h"

namespace wab32 {

using namespace pdx;
using common::PropArray;
using common::TableRow;

namespace {

bool startsWithNoCase(std::string_view s, std::string_view prefix) {
    if (s.size() < prefix.size()) return false;
    for (size_t i = 0; i < prefix.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(s[i])) != std::tolower(static_cast<unsigned char>(prefix[i])))
            return false;
    return true;
}

HRESULT statusOf(platform::FileCause c) {
    switch (c) {
    case platform::FileCause::None: return S_OK;
    case platform::FileCause::DiskFull: return MAPI_E_NOT_ENOUGH_DISK;
    case platform::FileCause::AccessDenied: return E_ACCESSDENIED;
    case platform::FileCause::SharingViolation: return MAPI_E_BUSY;
    case platform::FileCause::FileNotFound:
    case platform::FileCause::BadPath: return MAPI_E_NOT_FOUND;
    default: return MAPI_E_DISK_ERROR;
    }
}

// Reads the whole file; a missing file is empty and not there.
HRESULT readBytes(const std::string& path, std::string& bytes, bool& exists) {
    bytes.clear();
    exists = false;
    platform::File f;
    platform::FileOpen how;
    how.denyWrite = false;
    const platform::FileCause c = f.open(path, how);
    if (c == platform::FileCause::FileNotFound) return S_OK;
    if (c != platform::FileCause::None) return statusOf(c);
    exists = true;
    return statusOf(f.readAll(bytes));
}

PropArray oneOffProps(const OneOffAddress& a) {
    PropArray p;
    const std::string id = makeOneOffId(a);
    p.setBinary(PR_ENTRYID, id.data(), ULONG(id.size()));
    p.setBinary(PR_RECORD_KEY, id.data(), ULONG(id.size()));
    p.setBinary(PR_INSTANCE_KEY, id.data(), ULONG(id.size()));
    p.setLong(PR_OBJECT_TYPE, LONG(MAPI_MAILUSER));
    p.setLong(PR_DISPLAY_TYPE, LONG(DT_MAILUSER));
    p.setString(PR_DISPLAY_NAME, a.name);
    p.setString(PR_ADDRTYPE, a.addrType);
    p.setString(PR_EMAIL_ADDRESS, a.address);
    std::string key = a.addrType + ":" + a.address;
    for (char& c : key) c = char(std::toupper(static_cast<unsigned char>(c)));
    p.setBinary(PR_SEARCH_KEY, key.c_str(), ULONG(key.size() + 1));
    return p;
}

// A list member given as an address rather than a card.
std::optional<OneOffAddress> mailtoMember(std::string_view ref) {
    if (!startsWithNoCase(ref, "mailto:")) return std::nullopt;
    const std::string address = platform::utf8ToSystem(ref.substr(7), '?');
    return OneOffAddress{address, "SMTP", address};
}

} // namespace

// The changes of one write: cards read anew from their bytes and edited,
// cards removed, cards appended. Untouched segments keep their bytes.
class ContactStore::Edit {
public:
    explicit Edit(const ContactStore& store) : store_(store) {}

    vcard::Card& card(size_t segment) {
        auto it = cards_.find(segment);
        if (it == cards_.end()) {
            vcard::Document d = vcard::parse(store_.spanText(segment));
            it = cards_.emplace(segment, std::move(d.segments.front().card)).first;
        }
        return it->second;
    }
    void remove(size_t segment) { removed_.insert(segment); }
    vcard::Card& append(vcard::Card card) { return appended_.emplace_back(std::move(card)); }
    bool changed() const {
        if (!removed_.empty() || !appended_.empty()) return true;
        for (const auto& [segment, card] : cards_)
            if (card.changed) return true;
        return false;
    }

    std::string text() const {
        std::string out;
        out.reserve(store_.bytes_.size() + 1024);
        for (size_t i = 0; i < store_.spans_.size(); ++i) {
            if (removed_.count(i)) continue;
            auto it = cards_.find(i);
            if (it != cards_.end() && it->second.changed) out += it->second.text();
            else out += store_.spanText(i);
        }
        for (const vcard::Card& c : appended_) {
            // The last line of the file stays whole.
            if (!out.empty() && out.back() != '\n') out += c.eol;
            out += c.text();
        }
        return out;
    }

private:
    const ContactStore& store_;
    std::map<size_t, vcard::Card> cards_;
    std::set<size_t> removed_;
    std::deque<vcard::Card> appended_;
};

HRESULT ContactStore::open(const std::string& path, std::shared_ptr<ContactStore>& out) {
    std::string bytes;
    bool exists = false;
    HRESULT h = readBytes(path, bytes, exists);
    if (FAILED(h)) return h;
    std::shared_ptr<ContactStore> store(new ContactStore(path));
    store->load(std::move(bytes), exists);
    // Not vCard text at all (e.g. a Windows .wab file): not ours to read or overwrite.
    const bool anyCard = std::any_of(store->spans_.begin(), store->spans_.end(),
                                     [](const vcard::Span& s) { return s.isCard; });
    if (store->damaged_ && !anyCard) return MAPI_E_CORRUPT_DATA;
    out = std::move(store);
    return S_OK;
}

std::string ContactStore::displayName() const {
    const size_t slash = path_.rfind('/');
    return platform::utf8ToSystem(slash == std::string::npos ? path_ : path_.substr(slash + 1), '?');
}

ContactStore::DiskState ContactStore::diskState() const {
    DiskState s;
    struct stat st {};
    if (::stat(path_.c_str(), &st) != 0) return s;
    s.exists = true;
    s.size = st.st_size;
    s.mtimeNs = int64_t(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
    s.inode = st.st_ino;
    return s;
}

std::string_view ContactStore::spanText(size_t segment) const {
    const vcard::Span& s = spans_[segment];
    return std::string_view(bytes_).substr(s.offset, s.length);
}

// Reads the file one card at a time, keeping only where each card lies and
// what its entry shows.
void ContactStore::load(std::string bytes, bool exists) {
    bytes_ = std::move(bytes);
    state_ = diskState();
    state_.exists = exists;
    spans_.clear();
    entries_.clear();
    byKey_.clear();
    firstVersion_.clear();
    firstEol_.clear();
    me_.reset();
    std::vector<std::vector<std::string>> members;
    const std::string container = containerId();
    const vcard::ScanResult scanned = vcard::scan(bytes_, [&](const vcard::Span& span, vcard::Card* card) {
        spans_.push_back(span);
        if (!card) return;
        if (firstEol_.empty()) firstEol_ = card->eol;
        if (!card->complete) return;
        if (firstVersion_.empty()) firstVersion_ = card->version();
        auto props = std::make_shared<PropArray>();
        CardFacts facts;
        readCard(*card, *props, facts);
        const std::string_view text = std::string_view(bytes_).substr(span.offset, span.length);
        const Key first = facts.uid.empty() ? hashKey(std::string("card:").append(text)) : keyFromUid(facts.uid);
        Key key = first;
        // Two cards with the same UID (or the same bytes) still get ids of their own.
        for (int n = 1; byKey_.count(key); ++n) key = hashKey(keyToUuid(first) + "#" + std::to_string(n));
        Entry e;
        e.kind = facts.isList ? EntryKind::DistList : EntryKind::MailUser;
        e.key = key;
        e.segment = spans_.size() - 1;
        e.cardHash = std::hash<std::string_view>()(text);
        e.uid = facts.uid;
        const std::string id = makeEntryId(e.kind, key);
        props->setBinary(PR_ENTRYID, id.data(), ULONG(id.size()));
        props->setBinary(PR_RECORD_KEY, id.data(), ULONG(id.size()));
        props->setBinary(PR_INSTANCE_KEY, id.data(), ULONG(id.size()));
        props->setLong(PR_OBJECT_TYPE, LONG(facts.isList ? MAPI_DISTLIST : MAPI_MAILUSER));
        props->setLong(PR_DISPLAY_TYPE, LONG(facts.isList ? DT_PRIVATE_DISTLIST : DT_MAILUSER));
        if (facts.isList) {
            if (!props->find(PR_ADDRTYPE)) props->setString(PR_ADDRTYPE, "MAPIPDL");
            SBinary parent{ULONG(container.size()), reinterpret_cast<BYTE*>(const_cast<char*>(container.data()))};
            SPropValue parents{};
            parents.ulPropTag = PR_WAB_PARENT_IDS;
            parents.Value.MVbin = {1, &parent};
            props->set(parents);
        }
        e.props = std::move(props);
        if (!me_ && !facts.isList && card->find(kMeLine)) me_ = key;
        byKey_[key] = entries_.size();
        entries_.push_back(std::move(e));
        members.push_back(std::move(facts.members));
    });
    damaged_ = scanned.damaged;
    if (firstVersion_.empty()) firstVersion_ = "3.0";
    if (firstEol_.empty()) firstEol_ = "\r\n";
    for (size_t i = 0; i < entries_.size(); ++i) {
        for (const std::string& ref : members[i]) {
            if (auto address = mailtoMember(ref)) {
                entries_[i].memberIds.push_back(makeOneOffId(*address));
            } else if (const Entry* m = find(keyOfMemberRef(ref)); m && m != &entries_[i]) {
                entries_[i].memberIds.push_back(makeEntryId(m->kind, m->key));
            }
        }
    }
}

HRESULT ContactStore::refresh() {
    const DiskState now = diskState();
    if (now.exists == state_.exists && now.size == state_.size && now.mtimeNs == state_.mtimeNs &&
        now.inode == state_.inode)
        return S_OK;
    std::string bytes;
    bool exists = false;
    HRESULT h = readBytes(path_, bytes, exists);
    if (FAILED(h)) return h;
    if (exists == state_.exists && bytes == bytes_) {
        state_ = diskState();
        return S_OK;
    }
    load(std::move(bytes), exists);
    return S_OK;
}

const Entry* ContactStore::find(const Key& key) const {
    auto it = byKey_.find(key);
    return it == byKey_.end() ? nullptr : &entries_[it->second];
}

std::vector<TableRow> ContactStore::rows() const {
    std::vector<TableRow> rows;
    rows.reserve(entries_.size());
    for (const Entry& e : entries_) rows.push_back(e.props);
    return rows;
}

std::shared_ptr<const PropArray> ContactStore::propsOf(const EntryRef& ref) const {
    if (ref.kind == EntryKind::OneOff) return std::make_shared<PropArray>(oneOffProps(ref.oneOff));
    const Entry* e = find(ref.key);
    if (!e || e->kind != ref.kind) return nullptr;
    return e->props;
}

std::vector<TableRow> ContactStore::memberRows(const Entry& list) const {
    std::vector<TableRow> rows;
    for (const std::string& id : list.memberIds) {
        EntryRef ref;
        if (!parseEntryId(id.data(), ULONG(id.size()), ref)) continue;
        if (auto p = propsOf(ref)) rows.push_back(std::move(p));
    }
    return rows;
}

HRESULT ContactStore::writable() const { return damaged_ ? MAPI_E_CORRUPT_DATA : S_OK; }

std::string ContactStore::newCardVersion() const { return firstVersion_; }
std::string ContactStore::newCardEol() const { return firstEol_; }

std::optional<std::string> ContactStore::referenceFor(Edit& edit, const std::string& memberId) {
    EntryRef ref;
    if (!parseEntryId(memberId.data(), ULONG(memberId.size()), ref)) return std::nullopt;
    if (ref.kind == EntryKind::OneOff) return "mailto:" + platform::systemToUtf8(ref.oneOff.address);
    if (ref.kind != EntryKind::MailUser && ref.kind != EntryKind::DistList) return std::nullopt;
    const Entry* e = find(ref.key);
    if (!e || e->kind != ref.kind) return std::nullopt;
    if (!e->uid.empty()) return memberRef(e->uid);
    // A member needs a UID to be named by; it gets the one its key already stands for.
    ensureUid(edit.card(e->segment), ref.key);
    return memberRef(keyToUuid(ref.key));
}

HRESULT ContactStore::save(const SaveRequest& request, Key* savedKey) {
    HRESULT h = writable();
    if (FAILED(h)) return h;
    Edit edit(*this);
    Key key;
    if (request.key) {
        const Entry* e = find(*request.key);
        if (!e) return MAPI_E_OBJECT_DELETED;
        if (e->cardHash != request.expectedHash) return MAPI_E_OBJECT_CHANGED;
        key = e->key;
        vcard::Card& card = edit.card(e->segment);
        writeProps(card, request.values, request.deleted);
        if (card.changed && e->uid.empty()) ensureUid(card, key);
    } else {
        key = randomKey();
        vcard::Card card = newCard(newCardVersion(), key, request.list, newCardEol());
        writeProps(card, request.values, request.deleted);
        for (const std::string& member : request.members)
            if (auto ref = referenceFor(edit, member)) addMember(card, *ref);
        edit.append(std::move(card));
    }
    if (request.memberOf) {
        const Entry* list = find(*request.memberOf);
        if (!list || list->kind != EntryKind::DistList) return MAPI_E_NOT_FOUND;
        std::string ref = memberRef(keyToUuid(key));
        if (request.key)
            if (auto r = referenceFor(edit, makeEntryId(find(key)->kind, key))) ref = *r;
        vcard::Card& card = edit.card(list->segment);
        const std::vector<std::string> refs = memberRefs(card);
        if (std::find(refs.begin(), refs.end(), ref) == refs.end()) addMember(card, ref);
    }
    if (!edit.changed()) {
        if (savedKey) *savedKey = key;
        return S_OK;
    }
    h = commit(edit);
    if (SUCCEEDED(h) && savedKey) *savedKey = key;
    return h;
}

HRESULT ContactStore::deleteEntries(const std::vector<Key>& keys, size_t* deleted) {
    *deleted = 0;
    HRESULT h = writable();
    if (FAILED(h)) return h;
    std::set<Key> gone;
    Edit edit(*this);
    for (const Key& k : keys)
        if (const Entry* e = find(k); e && gone.insert(k).second) edit.remove(e->segment);
    if (gone.empty()) return S_OK;
    // Lists no longer name what is gone.
    for (const Entry& e : entries_) {
        if (e.kind != EntryKind::DistList || gone.count(e.key)) continue;
        const bool names = std::any_of(e.memberIds.begin(), e.memberIds.end(), [&](const std::string& id) {
            EntryRef ref;
            return parseEntryId(id.data(), ULONG(id.size()), ref) && ref.kind != EntryKind::OneOff && gone.count(ref.key);
        });
        if (!names) continue;
        wab32::removeMembers(edit.card(e.segment), [&](std::string_view ref) {
            return !mailtoMember(ref) && gone.count(keyOfMemberRef(ref));
        });
    }
    h = commit(edit);
    if (SUCCEEDED(h)) *deleted = gone.size();
    return h;
}

HRESULT ContactStore::addMembers(const Key& listKey, const std::vector<std::string>& memberIds, size_t* added) {
    *added = 0;
    HRESULT h = writable();
    if (FAILED(h)) return h;
    const Entry* list = find(listKey);
    if (!list || list->kind != EntryKind::DistList) return MAPI_E_NOT_FOUND;
    Edit edit(*this);
    vcard::Card& card = edit.card(list->segment);
    std::vector<std::string> refs = memberRefs(card);
    const std::string self = makeEntryId(EntryKind::DistList, listKey);
    for (const std::string& id : memberIds) {
        auto ref = id == self ? std::nullopt : referenceFor(edit, id);
        if (!ref) continue;
        ++*added;
        if (std::find(refs.begin(), refs.end(), *ref) != refs.end()) continue;
        addMember(card, *ref);
        refs.push_back(*ref);
    }
    if (!edit.changed()) return S_OK;
    h = commit(edit);
    if (FAILED(h)) *added = 0;
    return h;
}

HRESULT ContactStore::removeMembers(const Key& listKey, const std::vector<std::string>& memberIds, size_t* removed) {
    *removed = 0;
    HRESULT h = writable();
    if (FAILED(h)) return h;
    const Entry* list = find(listKey);
    if (!list || list->kind != EntryKind::DistList) return MAPI_E_NOT_FOUND;
    std::set<Key> keys;
    std::set<std::string> addresses;
    for (const std::string& id : memberIds) {
        EntryRef ref;
        if (!parseEntryId(id.data(), ULONG(id.size()), ref)) continue;
        if (ref.kind == EntryKind::OneOff) addresses.insert(ref.oneOff.address);
        else keys.insert(ref.key);
    }
    Edit edit(*this);
    const size_t n = wab32::removeMembers(edit.card(list->segment), [&](std::string_view ref) {
        if (auto a = mailtoMember(ref)) return addresses.count(a->address) != 0;
        return keys.count(keyOfMemberRef(ref)) != 0;
    });
    if (n == 0) return S_OK;
    h = commit(edit);
    if (SUCCEEDED(h)) *removed = n;
    return h;
}

HRESULT ContactStore::duplicate(const Key& source, Key* copy) {
    HRESULT h = writable();
    if (FAILED(h)) return h;
    const Entry* e = find(source);
    if (!e) return MAPI_E_NOT_FOUND;
    Edit edit(*this);
    vcard::Card card = edit.card(e->segment);
    for (size_t i = card.lines.size(); i-- > 0;)
        if (card.lines[i].isNamed("UID")) card.remove(&card.lines[i]);
    const Key key = randomKey();
    ensureUid(card, key);
    edit.append(std::move(card));
    h = commit(edit);
    if (SUCCEEDED(h)) *copy = key;
    return h;
}

std::optional<vcard::Card> ContactStore::cardOf(const Key& key) const {
    const Entry* e = find(key);
    if (!e) return std::nullopt;
    vcard::Document d = vcard::parse(spanText(e->segment));
    if (d.segments.empty() || !d.segments.front().isCard) return std::nullopt;
    return std::move(d.segments.front().card);
}

HRESULT ContactStore::setMe(const Key& key) {
    HRESULT h = writable();
    if (FAILED(h)) return h;
    const Entry* target = find(key);
    if (!target || target->kind != EntryKind::MailUser) return MAPI_E_NOT_FOUND;
    Edit edit(*this);
    for (const Entry& e : entries_) {
        if (e.key == key) continue;
        // Only cards that carry the mark are read again.
        if (spanText(e.segment).find(kMeLine) == std::string_view::npos) continue;
        vcard::Card& card = edit.card(e.segment);
        while (const vcard::Property* mark = card.find(kMeLine)) card.remove(mark);
    }
    vcard::Card& card = edit.card(target->segment);
    if (!card.find(kMeLine)) {
        vcard::Property mark;
        mark.name = kMeLine;
        mark.value = "TRUE";
        card.add(std::move(mark));
        if (target->uid.empty()) ensureUid(card, key); // the key survives the edit
    }
    if (!edit.changed()) return S_OK;
    return commit(edit);
}

HRESULT ContactStore::importCards(std::vector<vcard::Card> cards, size_t* added) {
    *added = 0;
    HRESULT h = writable();
    if (FAILED(h)) return h;
    // Compared as keys: "urn:uuid:X" and "X" name the same card.
    std::set<Key> uids;
    for (const Entry& e : entries_)
        if (!e.uid.empty()) uids.insert(keyFromUid(e.uid));
    Edit edit(*this);
    for (vcard::Card& card : cards) {
        if (!card.complete) continue;
        PropArray props;
        CardFacts facts;
        readCard(card, props, facts);
        if (!facts.uid.empty() && !uids.insert(keyFromUid(facts.uid)).second) continue;
        // Someone else's "me" is not the user's.
        while (const vcard::Property* mark = card.find(kMeLine)) card.remove(mark);
        edit.append(std::move(card));
        ++*added;
    }
    if (*added == 0) return S_OK;
    h = commit(edit);
    if (FAILED(h)) *added = 0;
    return h;
}

HRESULT ContactStore::commit(const Edit& edit) {
    // Another program's change is never overwritten.
    std::string onDisk;
    bool exists = false;
    HRESULT h = readBytes(path_, onDisk, exists);
    if (FAILED(h)) return h;
    if (exists != state_.exists || onDisk != bytes_) return MAPI_E_OBJECT_CHANGED;
    std::string text = edit.text();
    std::error_code ec;
    const std::filesystem::path folder = std::filesystem::path(path_).parent_path();
    if (!folder.empty()) std::filesystem::create_directories(folder, ec);
    h = statusOf(platform::writeFileAtomically(path_, text));
    if (FAILED(h)) return h;
    load(std::move(text), true);
    return S_OK;
}

} // namespace wab32
