#include "contact_store.h"

#include <algorithm>
#include <cerrno>
#include <filesystem>
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

HRESULT ContactStore::open(const std::string& path, std::shared_ptr<ContactStore>& out) {
    std::string bytes;
    bool exists = false;
    HRESULT h = readBytes(path, bytes, exists);
    if (FAILED(h)) return h;
    std::shared_ptr<ContactStore> store(new ContactStore(path));
    store->load(std::move(bytes), exists);
    // Not vCard text at all (e.g. a Windows .wab file): not ours to read or overwrite.
    const bool anyCard = std::any_of(store->doc_.segments.begin(), store->doc_.segments.end(),
                                     [](const vcard::Segment& s) { return s.isCard; });
    if (store->doc_.damaged && !anyCard) return MAPI_E_CORRUPT_DATA;
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

void ContactStore::load(std::string bytes, bool exists) {
    bytes_ = std::move(bytes);
    doc_ = vcard::parse(bytes_);
    state_ = diskState();
    state_.exists = exists;
    index();
}

void ContactStore::index() {
    entries_.clear();
    byKey_.clear();
    std::vector<std::vector<std::string>> members;
    const std::string container = containerId();
    for (size_t i = 0; i < doc_.segments.size(); ++i) {
        const vcard::Segment& seg = doc_.segments[i];
        if (!seg.isCard || !seg.card.complete) continue;
        auto props = std::make_shared<PropArray>();
        CardFacts facts;
        readCard(seg.card, *props, facts);
        const std::string text = seg.card.text();
        const Key first = facts.uid.empty() ? hashKey("card:" + text) : keyFromUid(facts.uid);
        Key key = first;
        // Two cards with the same UID (or the same bytes) still get ids of their own.
        for (int n = 1; byKey_.count(key); ++n) key = hashKey(keyToUuid(first) + "#" + std::to_string(n));
        Entry e;
        e.kind = facts.isList ? EntryKind::DistList : EntryKind::MailUser;
        e.key = key;
        e.segment = i;
        e.cardHash = hash64(text);
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
        byKey_[key] = entries_.size();
        entries_.push_back(std::move(e));
        members.push_back(std::move(facts.members));
    }
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

HRESULT ContactStore::writable() const {
    return doc_.damaged ? MAPI_E_CORRUPT_DATA : S_OK;
}

std::string ContactStore::newCardVersion() const {
    for (const vcard::Segment& s : doc_.segments)
        if (s.isCard && s.card.complete) return s.card.version();
    return "3.0";
}

std::string ContactStore::newCardEol() const {
    for (const vcard::Segment& s : doc_.segments)
        if (s.isCard) return s.card.eol;
    return "\r\n";
}

void ContactStore::appendCard(vcard::Document& doc, vcard::Card card) {
    const std::string text = doc.segments.empty() ? std::string() : doc.segments.back().isCard
                                                                         ? doc.segments.back().card.text()
                                                                         : doc.segments.back().text;
    if (!text.empty() && text.back() != '\n') doc.segments.push_back({false, card.eol, {}});
    doc.segments.push_back({true, {}, std::move(card)});
}

vcard::Card* ContactStore::cardOf(vcard::Document& doc, const Key& key) {
    const Entry* e = find(key);
    return e ? &doc.segments[e->segment].card : nullptr;
}

std::optional<std::string> ContactStore::referenceFor(vcard::Document& doc, const std::string& memberId) {
    EntryRef ref;
    if (!parseEntryId(memberId.data(), ULONG(memberId.size()), ref)) return std::nullopt;
    if (ref.kind == EntryKind::OneOff) return "mailto:" + platform::systemToUtf8(ref.oneOff.address);
    if (ref.kind != EntryKind::MailUser && ref.kind != EntryKind::DistList) return std::nullopt;
    const Entry* e = find(ref.key);
    if (!e || e->kind != ref.kind) return std::nullopt;
    if (!e->uid.empty()) return memberRef(e->uid);
    // A member needs a UID to be named by; it gets the one its key already stands for.
    vcard::Card* card = cardOf(doc, ref.key);
    ensureUid(*card, ref.key);
    return memberRef(keyToUuid(ref.key));
}

HRESULT ContactStore::save(const SaveRequest& request, Key* savedKey) {
    HRESULT h = writable();
    if (FAILED(h)) return h;
    vcard::Document doc = doc_;
    Key key;
    if (request.key) {
        const Entry* e = find(*request.key);
        if (!e) return MAPI_E_OBJECT_DELETED;
        if (e->cardHash != request.expectedHash) return MAPI_E_OBJECT_CHANGED;
        key = e->key;
        vcard::Card& card = doc.segments[e->segment].card;
        writeProps(card, request.values, request.deleted);
        if (card.changed && e->uid.empty()) ensureUid(card, key);
    } else {
        key = randomKey();
        vcard::Card card = newCard(newCardVersion(), key, request.list, newCardEol());
        writeProps(card, request.values, request.deleted);
        for (const std::string& member : request.members)
            if (auto ref = referenceFor(doc, member)) addMember(card, *ref);
        appendCard(doc, std::move(card));
    }
    if (request.memberOf) {
        vcard::Card* list = cardOf(doc, *request.memberOf);
        if (!list || find(*request.memberOf)->kind != EntryKind::DistList) return MAPI_E_NOT_FOUND;
        std::string ref = memberRef(keyToUuid(key));
        if (request.key) {
            const std::string id = makeEntryId(find(key)->kind, key);
            if (auto r = referenceFor(doc, id)) ref = *r;
        }
        const std::vector<std::string> refs = memberRefs(*list);
        if (std::find(refs.begin(), refs.end(), ref) == refs.end()) addMember(*list, ref);
    }
    h = commit(doc);
    if (SUCCEEDED(h) && savedKey) *savedKey = key;
    return h;
}

HRESULT ContactStore::deleteEntries(const std::vector<Key>& keys, size_t* deleted) {
    *deleted = 0;
    HRESULT h = writable();
    if (FAILED(h)) return h;
    std::set<Key> gone;
    std::vector<size_t> segments;
    for (const Key& k : keys)
        if (const Entry* e = find(k); e && gone.insert(k).second) segments.push_back(e->segment);
    if (segments.empty()) return S_OK;
    vcard::Document doc = doc_;
    // Lists no longer name what is gone.
    for (const Entry& e : entries_)
        if (e.kind == EntryKind::DistList && !gone.count(e.key))
            wab32::removeMembers(doc.segments[e.segment].card, [&](std::string_view ref) {
                return !mailtoMember(ref) && gone.count(keyOfMemberRef(ref));
            });
    std::sort(segments.rbegin(), segments.rend());
    for (size_t s : segments) doc.segments.erase(doc.segments.begin() + long(s));
    h = commit(doc);
    if (SUCCEEDED(h)) *deleted = segments.size();
    return h;
}

HRESULT ContactStore::addMembers(const Key& listKey, const std::vector<std::string>& memberIds, size_t* added) {
    *added = 0;
    HRESULT h = writable();
    if (FAILED(h)) return h;
    const Entry* list = find(listKey);
    if (!list || list->kind != EntryKind::DistList) return MAPI_E_NOT_FOUND;
    vcard::Document doc = doc_;
    vcard::Card& card = doc.segments[list->segment].card;
    std::vector<std::string> refs = memberRefs(card);
    const std::string self = makeEntryId(EntryKind::DistList, listKey);
    for (const std::string& id : memberIds) {
        auto ref = id == self ? std::nullopt : referenceFor(doc, id);
        if (!ref) continue;
        ++*added;
        if (std::find(refs.begin(), refs.end(), *ref) != refs.end()) continue;
        addMember(card, *ref);
        refs.push_back(*ref);
    }
    if (!card.changed) return S_OK;
    h = commit(doc);
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
    vcard::Document doc = doc_;
    const size_t n = wab32::removeMembers(doc.segments[list->segment].card, [&](std::string_view ref) {
        if (auto a = mailtoMember(ref)) return addresses.count(a->address) != 0;
        return keys.count(keyOfMemberRef(ref)) != 0;
    });
    if (n == 0) return S_OK;
    h = commit(doc);
    if (SUCCEEDED(h)) *removed = n;
    return h;
}

HRESULT ContactStore::duplicate(const Key& source, Key* copy) {
    HRESULT h = writable();
    if (FAILED(h)) return h;
    const Entry* e = find(source);
    if (!e) return MAPI_E_NOT_FOUND;
    vcard::Document doc = doc_;
    vcard::Card card = doc.segments[e->segment].card;
    for (size_t i = card.lines.size(); i-- > 0;)
        if (card.lines[i].isNamed("UID")) card.remove(&card.lines[i]);
    const Key key = randomKey();
    ensureUid(card, key);
    appendCard(doc, std::move(card));
    h = commit(doc);
    if (SUCCEEDED(h)) *copy = key;
    return h;
}

HRESULT ContactStore::commit(const vcard::Document& edited) {
    // Another program's change is never overwritten.
    std::string onDisk;
    bool exists = false;
    HRESULT h = readBytes(path_, onDisk, exists);
    if (FAILED(h)) return h;
    if (exists != state_.exists || onDisk != bytes_) return MAPI_E_OBJECT_CHANGED;
    std::string text = edited.text();
    std::error_code ec;
    const std::filesystem::path folder = std::filesystem::path(path_).parent_path();
    if (!folder.empty()) std::filesystem::create_directories(folder, ec);
    h = statusOf(platform::writeFileAtomically(path_, text));
    if (FAILED(h)) return h;
    load(std::move(text), true);
    return S_OK;
}

} // namespace wab32
