#include "entry_book.h"

#include <cstring>

#include "entry_id.h"
#include "fax_memory.h"
#include "fax_tags.h"
#include "pdx/memory.h"
#include "pdx/status.h"

namespace vqfax {
namespace {

// The columns the dialogs read from every contents table, in this order.
struct Columns {
    ULONG cValues;
    ULONG tags[10];
};
constexpr Columns kRowColumns = {
    10,
    {PR_DISPLAY_NAME, PR_ENTRYID, PR_OBJECT_TYPE, PR_COMPANY_NAME, PR_DEPARTMENT_NAME, PR_BUSINESS_FAX_NUMBER,
     PR_PRIMARY_FAX_DESCRIPTION, PR_HOME_FAX_NUMBER, PR_SECONDARY_FAX_DESCRIPTION, PR_COMMENT}};

// The properties that go with each number when a group does not take it.
constexpr ULONG kPrimaryNumberTags[] = {PR_BUSINESS_FAX_NUMBER, PR_PRIMARY_FAX_DESCRIPTION, PR_PRIMARY_FAX_EXTRA1,
                                        PR_PRIMARY_FAX_EXTRA2};
constexpr ULONG kSecondaryNumberTags[] = {PR_HOME_FAX_NUMBER, PR_SECONDARY_FAX_DESCRIPTION, PR_SECONDARY_FAX_EXTRA1,
                                          PR_SECONDARY_FAX_EXTRA2};

ENTRYID* raw(Bytes& id) { return id.empty() ? nullptr : reinterpret_cast<ENTRYID*>(id.data()); }

// A row set of the provider's tables: the set and each row's values are
// separate buffers.
struct RowsHolder {
    SRowSet* rows = nullptr;
    ~RowsHolder() {
        if (!rows) return;
        for (ULONG i = 0; i < rows->cRows; ++i) freeBuffer(rows->aRow[i].lpProps);
        freeBuffer(rows);
    }
};

std::string textOf(const SPropValue& v, ULONG tag) {
    return v.ulPropTag == tag && v.Value.lpszA ? std::string(v.Value.lpszA) : std::string();
}

BookRow rowOf(const SRow& row) {
    BookRow out;
    auto column = [&](ULONG i) -> const SPropValue* { return i < row.cValues ? &row.lpProps[i] : nullptr; };
    auto text = [&](ULONG i) { return column(i) ? textOf(*column(i), kRowColumns.tags[i]) : std::string(); };
    out.name = text(0);
    if (const SPropValue* id = column(1); id && id->ulPropTag == PR_ENTRYID && id->Value.bin.lpb)
        out.entryId.assign(id->Value.bin.lpb, id->Value.bin.lpb + id->Value.bin.cb);
    if (const SPropValue* type = column(2); type && type->ulPropTag == PR_OBJECT_TYPE)
        out.objectType = type->Value.ul;
    out.company = text(3);
    out.department = text(4);
    out.primaryFax = text(5);
    out.primaryDescription = text(6);
    out.secondaryFax = text(7);
    out.secondaryDescription = text(8);
    out.comment = text(9);
    return out;
}

HRESULT openAs(IAddrBook* logon, Bytes id, const IID& iid, object_ptr<IUnknown>& out) {
    ULONG type = 0;
    return logon->OpenEntry(ULONG(id.size()), raw(id), &iid, kBestAccess, &type, out.out());
}

template <class T>
HRESULT queryAs(IUnknown* object, const IID& iid, object_ptr<T>& out) {
    return object->QueryInterface(&iid, reinterpret_cast<void**>(out.out()));
}

// A new entry made in its container from its template (nothing saved yet).
HRESULT createEntry(IAddrBook* logon, const EntryTarget& target, object_ptr<IMAPIProp>& out) {
    object_ptr<IUnknown> opened;
    if (HRESULT h = openAs(logon, target.containerId, IID_IABContainer, opened); FAILED(h)) return h;
    object_ptr<IABContainer> container;
    if (HRESULT h = queryAs(opened.get(), IID_IABContainer, container); FAILED(h)) return h;
    Bytes templateId = target.templateId;
    return container->CreateEntry(ULONG(templateId.size()), raw(templateId), 0, out.out());
}

HRESULT entryIdOf(IMAPIProp* object, Bytes& id) {
    SPropTagArray tag{1, {PR_ENTRYID}};
    ULONG n = 0;
    Owned<SPropValue> value;
    if (HRESULT h = object->GetProps(&tag, 0, &n, value.out()); FAILED(h)) return h;
    if (n != 1 || value[0].ulPropTag != PR_ENTRYID || !value[0].Value.bin.lpb) return MAPI_E_NOT_FOUND;
    id.assign(value[0].Value.bin.lpb, value[0].Value.bin.lpb + value[0].Value.bin.cb);
    return S_OK;
}

SPropValue stringValue(ULONG tag, const std::string& text) {
    SPropValue v{};
    v.ulPropTag = tag;
    v.Value.lpszA = const_cast<char*>(text.c_str());
    return v;
}

// Strings of `tags` read from an object into `out` (absent values stay absent).
template <size_t N>
HRESULT readStrings(IMAPIProp* object, const ULONG (&tags)[N], std::array<std::optional<std::string>, N>& out) {
    struct {
        ULONG cValues;
        ULONG tags[N];
    } wanted{N, {}};
    std::memcpy(wanted.tags, tags, sizeof tags);
    ULONG n = 0;
    Owned<SPropValue> values;
    HRESULT h = object->GetProps(reinterpret_cast<SPropTagArray*>(&wanted), 0, &n, values.out());
    if (FAILED(h)) return h;
    for (ULONG i = 0; i < n && i < N; ++i)
        if (values[i].ulPropTag == tags[i] && values[i].Value.lpszA) out[i] = std::string(values[i].Value.lpszA);
    return S_OK;
}

} // namespace

const ULONG kPersonTags[kPersonFieldCount] = {
    PR_GIVEN_NAME,        PR_SURNAME,          PR_COURTESY_TITLE,          PR_DISPLAY_NAME_PREFIX,
    PR_DISPLAY_NAME,      PR_COMPANY_NAME,     PR_DEPARTMENT_NAME,         PR_BUSINESS_FAX_NUMBER,
    PR_PRIMARY_FAX_DESCRIPTION, PR_HOME_FAX_NUMBER, PR_SECONDARY_FAX_DESCRIPTION, PR_COMMENT};

std::optional<RecordKey> recordKeyOf(const Bytes& entryId) {
    if (entryId.size() < kEntryIdSize) return std::nullopt;
    const EntryId id = EntryId::parse(entryId.data());
    RecordKey key;
    std::memcpy(key.uid.data(), id.uid.ab, 16);
    key.record = id.record;
    key.kind = id.kind;
    return key;
}

Bytes asRootMember(const Bytes& entryId) {
    if (entryId.size() < kEntryIdSize) return entryId;
    EntryId id = EntryId::parse(entryId.data());
    id.parentRecord = kRootRecord;
    id.parentKind = kKindRoot;
    Bytes out = entryId;
    const auto bytes = id.bytes();
    std::memcpy(out.data(), bytes.data(), bytes.size());
    return out;
}

HRESULT readContents(IAddrBook* logon, const Bytes& containerId, std::vector<BookRow>& rows) {
    rows.clear();
    object_ptr<IUnknown> opened;
    const IID& iid = containerId.empty() ? IID_IABContainer : IID_IDistList;
    if (HRESULT h = openAs(logon, containerId, iid, opened); FAILED(h)) return h;
    auto* container = reinterpret_cast<IMAPIContainer*>(opened.get());
    object_ptr<IMAPITable> table;
    if (HRESULT h = container->GetContentsTable(0, table.out()); FAILED(h)) return h;
    if (HRESULT h = table->SetColumns(reinterpret_cast<const SPropTagArray*>(&kRowColumns), 0); FAILED(h)) return h;
    if (HRESULT h = table->SeekRow(BOOKMARK_BEGINNING, 0, nullptr); FAILED(h)) return h;
    ULONG count = 0;
    if (HRESULT h = table->GetRowCount(0, &count); FAILED(h)) return h;
    if (count == 0) return S_OK;
    RowsHolder held;
    if (HRESULT h = table->QueryRows(LONG(count), 0, &held.rows); FAILED(h)) return h;
    rows.reserve(held.rows->cRows);
    for (ULONG i = 0; i < held.rows->cRows; ++i) rows.push_back(rowOf(held.rows->aRow[i]));
    return S_OK;
}

HRESULT loadPerson(IAddrBook* logon, const Bytes& entryId, PersonValues& values) {
    values = {};
    object_ptr<IUnknown> opened;
    if (HRESULT h = openAs(logon, asRootMember(entryId), IID_IMailUser, opened); FAILED(h)) return h;
    return readStrings(reinterpret_cast<IMAPIProp*>(opened.get()), kPersonTags, values);
}

HRESULT savePerson(IAddrBook* logon, EntryTarget& target, const PersonValues& values, Bytes& createdId) {
    object_ptr<IMAPIProp> entry;
    const bool creating = !target.editing();
    if (creating) {
        if (HRESULT h = createEntry(logon, target, entry); FAILED(h)) return h;
    } else {
        object_ptr<IUnknown> opened;
        if (HRESULT h = openAs(logon, asRootMember(target.entryId), IID_IMailUser, opened); FAILED(h)) return h;
        if (HRESULT h = queryAs(opened.get(), IID_IMailUser, entry); FAILED(h)) return h;
    }
    std::array<std::string, kPersonFieldCount> texts;
    SPropValue props[kPersonFieldCount];
    for (int i = 0; i < kPersonFieldCount; ++i) {
        texts[i] = values[i].value_or(std::string());
        props[i] = stringValue(kPersonTags[i], texts[i]);
    }
    if (HRESULT h = entry->SetProps(kPersonFieldCount, props, nullptr); FAILED(h)) return h;
    if (HRESULT h = entry->SaveChanges(0); FAILED(h)) return h;
    if (creating) {
        if (HRESULT h = entryIdOf(entry.get(), createdId); FAILED(h)) return h;
        target.entryId = createdId; // a second save edits it rather than making another
    }
    return S_OK;
}

HRESULT loadGroupHeader(IAddrBook* logon, const Bytes& entryId, GroupHeader& header) {
    header = {};
    object_ptr<IUnknown> opened;
    if (HRESULT h = openAs(logon, asRootMember(entryId), IID_IDistList, opened); FAILED(h)) return h;
    constexpr ULONG tags[] = {PR_DISPLAY_NAME, PR_COMMENT};
    std::array<std::optional<std::string>, 2> texts;
    HRESULT h = readStrings(reinterpret_cast<IMAPIProp*>(opened.get()), tags, texts);
    header.name = texts[0];
    header.comment = texts[1];
    return h;
}

HRESULT saveGroup(IAddrBook* logon, EntryTarget& target, const std::string& name, const std::string& comment,
                  const std::vector<MemberNode>& original, const std::vector<MemberNode>& current,
                  Bytes& createdId) {
    object_ptr<IMAPIProp> made;
    object_ptr<IUnknown> opened;
    const bool creating = !target.editing();
    if (creating) {
        if (HRESULT h = createEntry(logon, target, made); FAILED(h)) return h;
    } else if (HRESULT h = openAs(logon, asRootMember(target.entryId), IID_IDistList, opened); FAILED(h)) {
        return h;
    }
    // Groups answer IID_IDistList with their IABContainer, whose slots are the same.
    object_ptr<IABContainer> group;
    if (HRESULT h = queryAs(creating ? static_cast<IUnknown*>(made.get()) : opened.get(), IID_IDistList, group);
        FAILED(h))
        return h;

    SPropValue header[2] = {stringValue(PR_DISPLAY_NAME, name), stringValue(PR_COMMENT, comment)};
    if (HRESULT h = group->SetProps(2, header, nullptr); FAILED(h)) return h;
    if (HRESULT h = group->SaveChanges(0); FAILED(h)) return h;
    if (creating) {
        if (HRESULT h = entryIdOf(group.get(), createdId); FAILED(h)) return h;
        target.entryId = createdId; // a second save edits it rather than making another
    }

    // The members: all the old ones out, all the current ones in. A partial
    // completion left members unsaved, so it counts as a failure here.
    auto listOf = [](std::vector<Bytes>& ids, std::vector<SBinary>& bins) {
        for (Bytes& id : ids) bins.push_back(SBinary{ULONG(id.size()), id.data()});
        return ENTRYLIST{ULONG(bins.size()), bins.data()};
    };
    if (!original.empty()) {
        std::vector<Bytes> ids;
        for (const MemberNode& m : original) ids.push_back(m.entryId);
        std::vector<SBinary> bins;
        ENTRYLIST list = listOf(ids, bins);
        if (HRESULT h = group->DeleteEntries(&list, 0); h != S_OK) return FAILED(h) ? h : E_FAIL;
    }
    std::vector<Bytes> ids;
    for (const MemberNode& m : current) ids.push_back(m.entryId);
    std::vector<SBinary> bins;
    ENTRYLIST list = listOf(ids, bins);
    if (HRESULT h = group->CopyEntries(&list, 0, nullptr, 3); h != S_OK) return FAILED(h) ? h : E_FAIL;

    // Numbers a member does not contribute are blanked as seen through the
    // group; saving that records the member's flags in the group.
    const std::string empty;
    for (const MemberNode& m : current) {
        if ((m.flags & kPrimarySelected) && (m.flags & kSecondarySelected)) continue;
        std::vector<SPropValue> blanks;
        if (!(m.flags & kPrimarySelected))
            for (ULONG tag : kPrimaryNumberTags) blanks.push_back(stringValue(tag, empty));
        if (!(m.flags & kSecondarySelected))
            for (ULONG tag : kSecondaryNumberTags) blanks.push_back(stringValue(tag, empty));
        Bytes id = m.entryId;
        ULONG type = 0;
        object_ptr<IUnknown> member;
        if (HRESULT h = group->OpenEntry(ULONG(id.size()), raw(id), nullptr, kBestAccess, &type, member.out());
            FAILED(h))
            return h;
        auto* prop = reinterpret_cast<IMAPIProp*>(member.get());
        if (HRESULT h = prop->SetProps(ULONG(blanks.size()), blanks.data(), nullptr); FAILED(h)) return h;
        if (HRESULT h = prop->SaveChanges(0); FAILED(h)) return h;
    }
    return S_OK;
}

size_t personDestinations(const BookRow& row) {
    return (row.primaryFax.empty() ? 0 : 1) + (row.secondaryFax.empty() ? 0 : 1);
}

const std::vector<BookRow>& GroupWalker::rowsOf(const Bytes& groupId, const RecordKey& key) {
    auto found = cache_.find(key);
    if (found != cache_.end()) return found->second;
    std::vector<BookRow> rows;
    if (HRESULT h = readContents(logon_, groupId, rows); FAILED(h) && SUCCEEDED(status_)) status_ = h;
    return cache_.emplace(key, std::move(rows)).first->second;
}

size_t GroupWalker::destinations(const Bytes& groupId, const std::map<RecordKey, size_t>& totals) {
    std::set<RecordKey> path;
    return count(groupId, totals, path);
}

size_t GroupWalker::count(const Bytes& groupId, const std::map<RecordKey, size_t>& totals,
                          std::set<RecordKey>& path) {
    const auto key = recordKeyOf(groupId);
    if (!key) return 0;
    if (auto total = totals.find(*key); total != totals.end()) return total->second;
    if (!path.insert(*key).second) return 0; // a group inside itself
    size_t sum = 0;
    for (const BookRow& row : rowsOf(groupId, *key)) {
        if (row.entryId.empty()) continue;
        sum += row.isGroup() ? count(row.entryId, totals, path) : personDestinations(row);
    }
    path.erase(*key);
    return sum;
}

bool GroupWalker::contains(const Bytes& groupId, const RecordKey& target) {
    std::set<RecordKey> seen;
    return find(groupId, target, seen);
}

bool GroupWalker::find(const Bytes& groupId, const RecordKey& target, std::set<RecordKey>& seen) {
    const auto key = recordKeyOf(groupId);
    if (!key || !seen.insert(*key).second) return false;
    for (const BookRow& row : rowsOf(groupId, *key)) {
        const auto member = recordKeyOf(row.entryId);
        if (!member) continue;
        if (*member == target) return true;
        if (row.isGroup() && find(row.entryId, target, seen)) return true;
    }
    return false;
}

} // namespace vqfax
