// The scripted contacts component (see fake_wab.h). Built twice, with the
// file versions FAKE_WAB_VERSION_HIGH/LOW.

#include "fake_wab.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "pdx/restriction.h"

using namespace pdx;

#define FAKE_EXPORT extern "C" __attribute__((visibility("default")))

FAKE_EXPORT const uint32_t VelmoFileVersion[2] = {FAKE_WAB_VERSION_HIGH, FAKE_WAB_VERSION_LOW};

namespace wabtest {
namespace {

// Destroyed when the module is unloaded; every load starts with the default book.
FakeWab& world() {
    static struct World {
        FakeWab wab;
        World() { wab.reset(); }
    } w;
    return w.wab;
}

void log(const std::string& line) { world().calls.push_back(line); }

std::string idText(ULONG cb, const void* id) {
    return cb && id ? std::to_string(cb) + ":" + hexOf(Bytes(static_cast<const BYTE*>(id), static_cast<const BYTE*>(id) + cb))
                    : "-";
}

Bytes bytesOf(ULONG cb, const void* id) {
    return cb && id ? Bytes(static_cast<const BYTE*>(id), static_cast<const BYTE*>(id) + cb) : Bytes();
}

template <class T> HRESULT more(size_t cb, void* root, T** out) {
    return world().heap.allocateMore(ULONG(cb), root, reinterpret_cast<void**>(out));
}

// One stored value into `v`, data chained to `root`.
void valueOut(const FakeValue& f, SPropValue& v, void* root) {
    v = {};
    v.ulPropTag = f.tag;
    switch (PROP_TYPE(f.tag)) {
    case PT_STRING8:
        more(f.text.size() + 1, root, &v.Value.lpszA);
        std::memcpy(v.Value.lpszA, f.text.c_str(), f.text.size() + 1);
        break;
    case PT_BINARY:
        v.Value.bin.cb = ULONG(f.binary.size());
        more(f.binary.size() + 1, root, &v.Value.bin.lpb);
        std::memcpy(v.Value.bin.lpb, f.binary.data(), f.binary.size());
        break;
    case PT_MV_BINARY:
        v.Value.MVbin.cValues = ULONG(f.binaries.size());
        more(sizeof(SBinary) * (f.binaries.size() + 1), root, &v.Value.MVbin.lpbin);
        for (size_t i = 0; i < f.binaries.size(); ++i) {
            v.Value.MVbin.lpbin[i].cb = ULONG(f.binaries[i].size());
            more(f.binaries[i].size() + 1, root, &v.Value.MVbin.lpbin[i].lpb);
            std::memcpy(v.Value.MVbin.lpbin[i].lpb, f.binaries[i].data(), f.binaries[i].size());
        }
        break;
    default: v.Value.l = f.number;
    }
}

// Values of `e` for `tags` (all when null): one root of the fake heap.
HRESULT propsOut(const FakeEntry& e, const SPropTagArray* tags, ULONG* count, SPropValue** values) {
    const ULONG n = tags ? tags->cValues : ULONG(e.props.size());
    SPropValue* v = nullptr;
    if (HRESULT h = world().heap.allocate(ULONG(sizeof(SPropValue) * (n + 1)), reinterpret_cast<void**>(&v));
        FAILED(h))
        return h;
    bool missing = false;
    for (ULONG i = 0; i < n; ++i) {
        const FakeValue* f = tags ? e.find(tags->aulPropTag[i]) : &e.props[i];
        if (f) {
            valueOut(*f, v[i], v);
        } else {
            v[i] = {};
            v[i].ulPropTag = CHANGE_PROP_TYPE(tags->aulPropTag[i], PT_ERROR);
            v[i].Value.err = MAPI_E_NOT_FOUND;
            missing = true;
        }
    }
    *count = n;
    *values = v;
    return missing ? MAPI_W_ERRORS_RETURNED : S_OK;
}

FakeValue valueIn(const SPropValue& v) {
    FakeValue f;
    f.tag = v.ulPropTag;
    switch (PROP_TYPE(v.ulPropTag)) {
    case PT_STRING8: f.text = v.Value.lpszA ? v.Value.lpszA : ""; break;
    case PT_BINARY: f.binary = bytesOf(v.Value.bin.cb, v.Value.bin.lpb); break;
    default: f.number = v.Value.l;
    }
    return f;
}

// A list of values, each row its own root: what a table or a list holds.
HRESULT rowOut(const Bytes& id, const std::vector<ULONG>& columns, SRow& row) {
    const FakeEntry* e = world().entry(id);
    if (!e) return MAPI_E_NOT_FOUND;
    struct {
        ULONG c;
        ULONG t[32];
    } tags{ULONG(columns.size()), {}};
    std::copy(columns.begin(), columns.end(), tags.t);
    ULONG n = 0;
    SPropValue* v = nullptr;
    HRESULT h = propsOut(*e, reinterpret_cast<SPropTagArray*>(&tags), &n, &v);
    if (FAILED(h)) return h;
    row.cValues = n;
    row.lpProps = v;
    return S_OK;
}

class Counted {
protected:
    Counted() { ++world().liveObjects; }
    ~Counted() { --world().liveObjects; }
};

// ---- tables

class FakeTable final : public IMAPITable, Counted {
public:
    explicit FakeTable(std::vector<Bytes> rows) : rows_(std::move(rows)) {}
    HRESULT QueryInterface(LPCIID, void**) override { return E_NOINTERFACE; }
    ULONG AddRef() override { return ++refs_; }
    ULONG Release() override {
        if (--refs_) return refs_;
        delete this;
        return 0;
    }
    HRESULT GetLastError(HRESULT, ULONG, MAPIERROR**) override { return MAPI_E_NO_SUPPORT; }
    HRESULT Advise(ULONG, IMAPIAdviseSink*, ULONG_PTR* c) override {
        log("Table.Advise");
        *c = 3;
        return S_OK;
    }
    HRESULT Unadvise(ULONG_PTR c) override {
        log("Table.Unadvise " + std::to_string(c));
        return S_OK;
    }
    HRESULT GetStatus(ULONG* s, ULONG* t) override {
        *s = 0;
        *t = 1;
        return S_OK;
    }
    HRESULT SetColumns(const SPropTagArray* columns, ULONG) override {
        columns_.assign(columns->aulPropTag, columns->aulPropTag + columns->cValues);
        return S_OK;
    }
    HRESULT QueryColumns(ULONG, SPropTagArray** out) override {
        SPropTagArray* t = nullptr;
        world().heap.allocate(ULONG(cbTagArray(ULONG(columns_.size()))), reinterpret_cast<void**>(&t));
        t->cValues = ULONG(columns_.size());
        std::copy(columns_.begin(), columns_.end(), t->aulPropTag);
        *out = t;
        return S_OK;
    }
    HRESULT GetRowCount(ULONG, ULONG* n) override {
        *n = ULONG(rows_.size());
        return S_OK;
    }
    HRESULT SeekRow(BOOKMARK origin, LONG count, LONG* sought) override {
        const LONG base = origin == BOOKMARK_BEGINNING ? 0 : origin == BOOKMARK_END ? LONG(rows_.size()) : position_;
        position_ = std::clamp<LONG>(base + count, 0, LONG(rows_.size()));
        if (sought) *sought = position_ - base;
        return S_OK;
    }
    HRESULT SeekRowApprox(ULONG, ULONG) override { return MAPI_E_NO_SUPPORT; }
    HRESULT QueryPosition(ULONG* row, ULONG* num, ULONG* den) override {
        *row = ULONG(position_);
        *num = ULONG(position_);
        *den = ULONG(rows_.size());
        return S_OK;
    }
    HRESULT FindRow(SRestriction* r, BOOKMARK, ULONG) override {
        char line[64];
        std::snprintf(line, sizeof line, "Table.FindRow %p", static_cast<void*>(r));
        log(line);
        return MAPI_E_NOT_FOUND;
    }
    HRESULT Restrict(SRestriction* r, ULONG) override {
        char line[64];
        std::snprintf(line, sizeof line, "Table.Restrict %p", static_cast<void*>(r));
        log(line);
        return S_OK;
    }
    HRESULT CreateBookmark(BOOKMARK* b) override {
        *b = 100 + BOOKMARK(position_);
        return S_OK;
    }
    HRESULT FreeBookmark(BOOKMARK b) override {
        log("Table.FreeBookmark " + std::to_string(b));
        return S_OK;
    }
    HRESULT SortTable(SSortOrderSet*, ULONG) override { return S_OK; }
    HRESULT QuerySortOrder(SSortOrderSet** out) override {
        SSortOrderSet* s = nullptr;
        world().heap.allocate(ULONG(cbSortOrderSet(1)), reinterpret_cast<void**>(&s));
        *s = {1, 0, 0, {{PR_DISPLAY_NAME, 0}}};
        *out = s;
        return S_OK;
    }
    HRESULT QueryRows(LONG count, ULONG, SRowSet** out) override {
        const LONG n = std::clamp<LONG>(count, 0, LONG(rows_.size()) - position_);
        SRowSet* set = nullptr;
        if (HRESULT h = world().heap.allocate(ULONG(cbRowSet(ULONG(n))), reinterpret_cast<void**>(&set)); FAILED(h))
            return h;
        set->cRows = 0;
        for (LONG i = 0; i < n; ++i) {
            if (HRESULT h = rowOut(rows_[size_t(position_ + i)], columns_, set->aRow[i]); FAILED(h)) return h;
            set->aRow[i].ulAdrEntryPad = 0;
            set->cRows = ULONG(i + 1);
        }
        position_ += n;
        *out = set;
        return S_OK;
    }
    HRESULT Abort() override { return S_OK; }
    HRESULT ExpandRow(BOOKMARK, ULONG count, ULONG flags, SRowSet** rows, ULONG* more) override {
        if (more) *more = 0;
        const LONG keep = position_;
        position_ = 0;
        HRESULT h = QueryRows(LONG(count), flags, rows);
        position_ = keep;
        return h;
    }
    HRESULT CollapseRow(BOOKMARK, ULONG, ULONG* n) override {
        *n = 0;
        return S_OK;
    }
    HRESULT WaitForCompletion(ULONG, ULONG, ULONG*) override { return S_OK; }
    HRESULT GetCollapseState(ULONG, ULONG, BYTE*, ULONG* cb, BYTE** state) override {
        world().heap.allocate(3, reinterpret_cast<void**>(state));
        std::memcpy(*state, "abc", 3);
        *cb = 3;
        return S_OK;
    }
    HRESULT SetCollapseState(ULONG, ULONG cb, BYTE*, BOOKMARK* location) override {
        log("Table.SetCollapseState " + std::to_string(cb));
        *location = 0;
        return S_OK;
    }

private:
    ~FakeTable() = default;
    ULONG refs_ = 1;
    std::vector<Bytes> rows_;
    std::vector<ULONG> columns_{PR_DISPLAY_NAME, PR_ENTRYID, PR_OBJECT_TYPE};
    LONG position_ = 0;
};

HRESULT openObject(ULONG cb, ENTRYID* id, ULONG* type, IUnknown** out);

// ---- containers, lists and mail users

IUnknown* makeObject(const Bytes& id, ULONG type);
HRESULT resolveEntries(ADRLIST* list);

template <class Iface>
class FakeProp : public Iface, Counted {
public:
    explicit FakeProp(Bytes id) : id_(std::move(id)) {}
    HRESULT QueryInterface(LPCIID, void**) override { return E_NOINTERFACE; }
    ULONG AddRef() override { return ++refs_; }
    ULONG Release() override {
        if (--refs_) return refs_;
        delete this;
        return 0;
    }
    virtual ~FakeProp() = default;
    FakeEntry& entry() { return id_.empty() ? world().root : *world().entry(id_); }
    std::string name() { return id_.empty() ? "root" : hexOf(id_).substr(0, 8); }

    HRESULT GetLastError(HRESULT, ULONG, MAPIERROR**) override { return MAPI_E_NO_SUPPORT; }
    HRESULT SaveChanges(ULONG flags) override {
        log("SaveChanges " + name() + " " + std::to_string(flags));
        return S_OK;
    }
    HRESULT GetProps(const SPropTagArray* tags, ULONG, ULONG* count, SPropValue** values) override {
        return propsOut(entry(), tags, count, values);
    }
    HRESULT GetPropList(ULONG, SPropTagArray** out) override {
        const auto& props = entry().props;
        SPropTagArray* t = nullptr;
        world().heap.allocate(ULONG(cbTagArray(ULONG(props.size()))), reinterpret_cast<void**>(&t));
        t->cValues = ULONG(props.size());
        for (size_t i = 0; i < props.size(); ++i) t->aulPropTag[i] = props[i].tag;
        *out = t;
        return S_OK;
    }
    HRESULT OpenProperty(ULONG tag, LPCIID, ULONG, ULONG, IUnknown** out) override {
        if (tag != PR_CONTAINER_CONTENTS) return MAPI_E_NO_SUPPORT;
        *out = new FakeTable(entry().members);
        return S_OK;
    }
    HRESULT SetProps(ULONG count, const SPropValue* values, SPropProblemArray** problems) override {
        std::string line = "SetProps " + name();
        std::vector<SPropProblem> refused;
        for (ULONG i = 0; i < count; ++i) {
            char t[16];
            std::snprintf(t, sizeof t, " %08x", values[i].ulPropTag);
            line += t;
            if (PROP_TYPE(values[i].ulPropTag) == PT_OBJECT) refused.push_back({i, values[i].ulPropTag, E_ACCESSDENIED});
            else if (values[i].ulPropTag == PR_DISPLAY_NAME) line += std::string("=") + values[i].Value.lpszA;
            if (PROP_TYPE(values[i].ulPropTag) != PT_OBJECT) entry().set(valueIn(values[i]));
        }
        log(line);
        if (problems) {
            SPropProblemArray* p = nullptr;
            world().heap.allocate(ULONG(cbProblemArray(ULONG(refused.size()))), reinterpret_cast<void**>(&p));
            p->cProblem = ULONG(refused.size());
            std::copy(refused.begin(), refused.end(), p->aProblem);
            *problems = p;
        }
        return S_OK;
    }
    HRESULT DeleteProps(const SPropTagArray* tags, SPropProblemArray** problems) override {
        auto& props = entry().props;
        for (ULONG i = 0; i < tags->cValues; ++i)
            props.erase(std::remove_if(props.begin(), props.end(),
                                       [&](const FakeValue& v) { return v.tag == tags->aulPropTag[i]; }),
                        props.end());
        if (problems) *problems = nullptr;
        return S_OK;
    }
    HRESULT CopyTo(ULONG, LPCIID, const SPropTagArray*, ULONG_PTR, IMAPIProgress*, LPCIID, void*, ULONG,
                   SPropProblemArray**) override {
        log("CopyTo " + name());
        return S_OK;
    }
    HRESULT CopyProps(const SPropTagArray*, ULONG_PTR, IMAPIProgress*, LPCIID, void*, ULONG,
                      SPropProblemArray**) override {
        log("CopyProps " + name());
        return S_OK;
    }
    HRESULT GetNamesFromIDs(SPropTagArray** tags, GUID*, ULONG, ULONG* count, MAPINAMEID*** names) override {
        static GUID set = {0x12345678, 1, 2, {3, 4, 5, 6, 7, 8, 9, 10}};
        if (!*tags) {
            world().heap.allocate(ULONG(cbTagArray(2)), reinterpret_cast<void**>(tags));
            **tags = {2, {0x80010003}};
            (*tags)->aulPropTag[1] = 0x8002001F;
        }
        const ULONG n = (*tags)->cValues;
        MAPINAMEID** list = nullptr;
        world().heap.allocate(ULONG(sizeof(void*) * n), reinterpret_cast<void**>(&list));
        for (ULONG i = 0; i < n; ++i) {
            more(sizeof(MAPINAMEID), list, &list[i]);
            more(sizeof(GUID), list, &list[i]->lpguid);
            *list[i]->lpguid = set;
            if (PROP_TYPE((*tags)->aulPropTag[i]) == PT_UNICODE) {
                list[i]->ulKind = MNID_STRING;
                more(sizeof(u"Kind"), list, &list[i]->Kind.lpwstrName);
                std::memcpy(list[i]->Kind.lpwstrName, u"Kind", sizeof(u"Kind"));
            } else {
                list[i]->ulKind = MNID_ID;
                list[i]->Kind.lID = LONG(0x8000 + i);
            }
        }
        *count = n;
        *names = list;
        return S_OK;
    }
    HRESULT GetIDsFromNames(ULONG count, MAPINAMEID**, ULONG, SPropTagArray** tags) override {
        world().heap.allocate(ULONG(cbTagArray(count)), reinterpret_cast<void**>(tags));
        (*tags)->cValues = count;
        for (ULONG i = 0; i < count; ++i) (*tags)->aulPropTag[i] = PROP_TAG(PT_LONG, 0x8000 + i);
        return S_OK;
    }


protected:
    ULONG refs_ = 1;
    Bytes id_;
};

template <class Iface>
class FakeContainer final : public FakeProp<Iface> {
public:
    using FakeProp<Iface>::FakeProp;
    using FakeProp<Iface>::entry;
    using FakeProp<Iface>::name;

    HRESULT GetContentsTable(ULONG flags, IMAPITable** out) override {
        char line[64];
        std::snprintf(line, sizeof line, "GetContentsTable %s 0x%08x", name().c_str(), flags);
        log(line);
        *out = new FakeTable(entry().members);
        return S_OK;
    }
    HRESULT GetHierarchyTable(ULONG flags, IMAPITable** out) override {
        char line[64];
        std::snprintf(line, sizeof line, "GetHierarchyTable %s 0x%08x", name().c_str(), flags);
        log(line);
        *out = new FakeTable(this->id_.empty() ? world().hierarchy : std::vector<Bytes>{});
        return S_OK;
    }
    HRESULT OpenEntry(ULONG cb, ENTRYID* id, LPCIID, ULONG, ULONG* type, IUnknown** out) override {
        log("Container.OpenEntry " + idText(cb, id));
        return openObject(cb, id, type, out);
    }
    HRESULT SetSearchCriteria(SRestriction*, ENTRYLIST*, ULONG) override { return MAPI_E_NO_SUPPORT; }
    HRESULT GetSearchCriteria(ULONG, SRestriction**, ENTRYLIST**, ULONG*) override { return MAPI_E_NO_SUPPORT; }
    HRESULT CreateEntry(ULONG cb, ENTRYID* id, ULONG, IMAPIProp** out) override {
        log("CreateEntry " + name() + " " + idText(cb, id));
        const Bytes from = bytesOf(cb, id);
        FakeWab& w = world();
        if (entry().type == 8) {
            // A list adds an existing entry as a member.
            if (!w.entry(from) || std::find(w.refusedMembers.begin(), w.refusedMembers.end(), from) !=
                                      w.refusedMembers.end())
                return MAPI_E_INVALID_ENTRYID;
            entry().members.push_back(from);
            *out = reinterpret_cast<IMAPIProp*>(makeObject(from, w.entry(from)->type));
            return S_OK;
        }
        const bool user = from == w.mailUserTemplate;
        if (!user && from != w.listTemplate) return MAPI_E_INVALID_ENTRYID;
        const Bytes made = w.newId(user ? 'U' : 'L');
        FakeEntry e;
        e.type = user ? 6 : 8;
        e.setBinary(PR_ENTRYID, made);
        e.setNumber(PR_OBJECT_TYPE, LONG(e.type));
        w.entries[made] = e;
        entry().members.push_back(made);
        *out = reinterpret_cast<IMAPIProp*>(makeObject(made, e.type));
        return S_OK;
    }
    HRESULT CopyEntries(ENTRYLIST* list, ULONG_PTR, IMAPIProgress*, ULONG) override {
        std::string line = "CopyEntries " + name();
        for (ULONG i = 0; i < list->cValues; ++i) line += " " + idText(list->lpbin[i].cb, list->lpbin[i].lpb);
        log(line);
        return S_OK;
    }
    HRESULT DeleteEntries(ENTRYLIST* list, ULONG) override {
        std::string line = "DeleteEntries " + name();
        auto& members = entry().members;
        for (ULONG i = 0; i < list->cValues; ++i) {
            line += " " + idText(list->lpbin[i].cb, list->lpbin[i].lpb);
            members.erase(std::remove(members.begin(), members.end(), bytesOf(list->lpbin[i].cb, list->lpbin[i].lpb)),
                          members.end());
        }
        log(line);
        return S_OK;
    }
    // Resolves every entry by display name: its values are replaced (the old
    // array freed in this heap) by the name, the identifier and the type.
    HRESULT ResolveNames(const SPropTagArray*, ULONG, ADRLIST* list, SFlagList*) override {
        log("ResolveNames " + name());
        return resolveEntries(list);
    }
};

// Each object is of the interface its type names, as a real component's would be.
IUnknown* makeObject(const Bytes& id, ULONG type) {
    switch (type) {
    case 6: return new FakeProp<IMailUser>(id);
    case 8: return new FakeContainer<IDistList>(id);
    case 4: return new FakeContainer<IABContainer>(id);
    default: return new FakeProp<IMailUser>(id); // what an odd object is, the proxy must not care
    }
}


HRESULT resolveEntries(ADRLIST* list) {
    FakeWab& w = world();
    for (ULONG i = 0; i < list->cEntries; ++i) {
        ADRENTRY& e = list->aEntries[i];
        std::string name;
        for (ULONG k = 0; k < e.cValues; ++k)
            if (e.rgPropVals[k].ulPropTag == PR_DISPLAY_NAME) name = e.rgPropVals[k].Value.lpszA;
        for (const auto& [id, entry] : w.entries) {
            const FakeValue* n = entry.find(PR_DISPLAY_NAME);
            if (!n || n->text != name) continue;
            const std::vector<ULONG> columns{PR_DISPLAY_NAME, PR_ENTRYID, PR_OBJECT_TYPE};
            SRow row{};
            if (HRESULT h = rowOut(id, columns, row); FAILED(h)) return h;
            if (w.heap.free(e.rgPropVals) != S_OK) log("foreign values in the address list");
            e.rgPropVals = row.lpProps;
            e.cValues = row.cValues;
        }
    }
    return S_OK;
}

HRESULT openObject(ULONG cb, ENTRYID* id, ULONG* type, IUnknown** out) {
    *out = nullptr;
    if (!cb) {
        *type = 4;
        *out = makeObject({}, 4);
        return S_OK;
    }
    const Bytes key = bytesOf(cb, id);
    FakeEntry* e = world().entry(key);
    if (!e) return MAPI_E_NOT_FOUND;
    *type = e->type;
    *out = makeObject(key, e->type);
    return S_OK;
}

HRESULT idOut(const Bytes& id, ULONG* cb, ENTRYID** out) {
    world().heap.allocate(ULONG(id.size()), reinterpret_cast<void**>(out));
    std::memcpy(*out, id.data(), id.size());
    *cb = ULONG(id.size());
    return S_OK;
}

// ---- the address book

class FakeBook final : public IAddrBook, Counted {
public:
    HRESULT QueryInterface(LPCIID, void**) override { return E_NOINTERFACE; }
    ULONG AddRef() override { return ++refs_; }
    ULONG Release() override {
        if (--refs_) return refs_;
        delete this;
        return 0;
    }
    HRESULT GetLastError(HRESULT, ULONG, MAPIERROR**) override { return MAPI_E_NO_SUPPORT; }
    HRESULT SaveChanges(ULONG flags) override {
        log("Book.SaveChanges " + std::to_string(flags));
        return S_OK;
    }
    HRESULT GetProps(const SPropTagArray* tags, ULONG, ULONG* count, SPropValue** values) override {
        return propsOut(world().root, tags, count, values);
    }
    HRESULT GetPropList(ULONG, SPropTagArray**) override { return MAPI_E_NO_SUPPORT; }
    HRESULT OpenProperty(ULONG tag, LPCIID, ULONG, ULONG, IUnknown** out) override {
        log("Book.OpenProperty " + std::to_string(tag));
        *out = new FakeTable({world().contacts});
        return S_OK;
    }
    HRESULT SetProps(ULONG count, const SPropValue*, SPropProblemArray** problems) override {
        log("Book.SetProps " + std::to_string(count));
        if (problems) {
            world().heap.allocate(ULONG(cbProblemArray(1)), reinterpret_cast<void**>(problems));
            **problems = {1, {{0, PR_DISPLAY_NAME, E_ACCESSDENIED}}};
        }
        return MAPI_W_ERRORS_RETURNED;
    }
    HRESULT DeleteProps(const SPropTagArray*, SPropProblemArray** problems) override {
        if (problems) *problems = nullptr;
        return S_OK;
    }
    HRESULT CopyTo(ULONG, LPCIID, const SPropTagArray*, ULONG_PTR, IMAPIProgress*, LPCIID, void*, ULONG,
                   SPropProblemArray**) override {
        log("Book.CopyTo");
        return S_OK;
    }
    HRESULT CopyProps(const SPropTagArray*, ULONG_PTR, IMAPIProgress*, LPCIID, void*, ULONG,
                      SPropProblemArray**) override {
        log("Book.CopyProps");
        return S_OK;
    }
    HRESULT GetNamesFromIDs(SPropTagArray**, GUID*, ULONG, ULONG*, MAPINAMEID***) override { return MAPI_E_NO_SUPPORT; }
    HRESULT GetIDsFromNames(ULONG, MAPINAMEID**, ULONG, SPropTagArray**) override { return MAPI_E_NO_SUPPORT; }

    HRESULT OpenEntry(ULONG cb, ENTRYID* id, LPCIID, ULONG, ULONG* type, IUnknown** out) override {
        log("OpenEntry " + idText(cb, id));
        return openObject(cb, id, type, out);
    }
    HRESULT CompareEntryIDs(ULONG cb1, ENTRYID* id1, ULONG cb2, ENTRYID* id2, ULONG, ULONG* result) override {
        log("CompareEntryIDs " + idText(cb1, id1) + " " + idText(cb2, id2));
        *result = bytesOf(cb1, id1) == bytesOf(cb2, id2);
        return S_OK;
    }
    HRESULT Advise(ULONG cb, ENTRYID* id, ULONG, IMAPIAdviseSink* sink, ULONG_PTR* connection) override {
        log("Advise " + idText(cb, id) + (sink ? " sink" : " nosink"));
        *connection = 42;
        return S_OK;
    }
    HRESULT Unadvise(ULONG_PTR connection) override {
        log("Unadvise " + std::to_string(connection));
        return S_OK;
    }
    HRESULT CreateOneOff(char*, char*, char*, ULONG, ULONG*, ENTRYID**) override {
        log("CreateOneOff");
        return S_OK;
    }
    HRESULT NewEntry(ULONG_PTR, ULONG, ULONG cbContainer, ENTRYID* container, ULONG cbTemplate, ENTRYID* templ,
                     ULONG* cbNew, ENTRYID** newId) override {
        log("NewEntry " + idText(cbContainer, container) + " " + idText(cbTemplate, templ));
        FakeWab& w = world();
        const Bytes made = w.newId('N');
        FakeEntry e;
        e.type = 6;
        e.setBinary(PR_ENTRYID, made);
        e.setNumber(PR_OBJECT_TYPE, 6);
        w.entries[made] = e;
        return idOut(made, cbNew, newId);
    }
    HRESULT ResolveName(ULONG_PTR, ULONG, char*, ADRLIST*) override {
        log("ResolveName");
        return S_OK;
    }
    // Replaces the list it is given by one of its own (freeing the old one here).
    HRESULT Address(ULONG_PTR*, ADRPARM*, ADRLIST** list) override {
        log("Address");
        FakeWab& w = world();
        if (*list) {
            for (ULONG i = 0; i < (*list)->cEntries; ++i)
                if (w.heap.free((*list)->aEntries[i].rgPropVals) != S_OK) log("foreign values in the address list");
            if (w.heap.free(*list) != S_OK) log("foreign address list");
        }
        ADRLIST* fresh = nullptr;
        w.heap.allocate(ULONG(cbAdrList(1)), reinterpret_cast<void**>(&fresh));
        fresh->cEntries = 1;
        SRow row{};
        rowOut(w.bob, {PR_DISPLAY_NAME, PR_ENTRYID}, row);
        fresh->aEntries[0] = {0, row.cValues, row.lpProps};
        *list = fresh;
        return S_OK;
    }
    HRESULT Details(ULONG_PTR*, DismissFn, void*, ULONG cb, ENTRYID* id, ButtonFn, void*, char*, ULONG) override {
        log("Details " + idText(cb, id));
        return S_OK;
    }
    HRESULT RecipOptions(ULONG_PTR, ULONG, ADRENTRY*) override {
        log("RecipOptions");
        return S_OK;
    }
    HRESULT QueryDefaultRecipOpt(char*, ULONG, ULONG*, SPropValue**) override {
        log("QueryDefaultRecipOpt");
        return S_OK;
    }
    HRESULT GetPAB(ULONG* cb, ENTRYID** id) override {
        log("GetPAB");
        return idOut(world().contacts, cb, id);
    }
    HRESULT SetPAB(ULONG cb, ENTRYID* id) override {
        log("SetPAB " + idText(cb, id));
        return S_OK;
    }
    HRESULT GetDefaultDir(ULONG* cb, ENTRYID** id) override {
        log("GetDefaultDir");
        *cb = 0;
        *id = nullptr;
        return S_OK;
    }
    HRESULT SetDefaultDir(ULONG cb, ENTRYID* id) override {
        log("SetDefaultDir " + idText(cb, id));
        return S_OK;
    }
    HRESULT GetSearchPath(ULONG, SRowSet** path) override {
        FakeWab& w = world();
        w.heap.allocate(ULONG(cbRowSet(1)), reinterpret_cast<void**>(path));
        (*path)->cRows = 1;
        (*path)->aRow[0].ulAdrEntryPad = 0;
        return rowOut(w.contacts, {PR_ENTRYID}, (*path)->aRow[0]);
    }
    HRESULT SetSearchPath(ULONG, SRowSet* path) override {
        std::string line = "SetSearchPath";
        for (ULONG i = 0; path && i < path->cRows; ++i)
            for (ULONG k = 0; k < path->aRow[i].cValues; ++k)
                if (path->aRow[i].lpProps[k].ulPropTag == PR_ENTRYID)
                    line += " " + idText(path->aRow[i].lpProps[k].Value.bin.cb, path->aRow[i].lpProps[k].Value.bin.lpb);
        log(line);
        return S_OK;
    }
    HRESULT PrepareRecips(ULONG, const SPropTagArray*, ADRLIST* list) override {
        log("PrepareRecips");
        return resolveEntries(list);
    }

private:
    ~FakeBook() = default;
    ULONG refs_ = 1;
};

class FakeWabObject final : public IWABObject, Counted {
public:
    HRESULT QueryInterface(LPCIID, void**) override { return E_NOINTERFACE; }
    ULONG AddRef() override { return ++refs_; }
    ULONG Release() override {
        if (--refs_) return refs_;
        delete this;
        return 0;
    }
    HRESULT GetLastError(HRESULT, ULONG, MAPIERROR**) override { return MAPI_E_NO_SUPPORT; }
    HRESULT AllocateBuffer(ULONG cb, void** out) override { return world().heap.allocate(cb, out); }
    HRESULT AllocateMore(ULONG cb, void* parent, void** out) override {
        return world().heap.allocateMore(cb, parent, out);
    }
    HRESULT FreeBuffer(void* p) override { return world().heap.free(p); }
    HRESULT Backup(char*) override { return MAPI_E_NO_SUPPORT; }
    HRESULT Import(char*) override { return MAPI_E_NO_SUPPORT; }
    HRESULT Find(IAddrBook*, ULONG_PTR) override { return MAPI_E_NO_SUPPORT; }
    HRESULT VCardDisplay(IAddrBook*, ULONG_PTR, char*) override { return MAPI_E_NO_SUPPORT; }
    HRESULT LDAPUrl(IAddrBook*, ULONG_PTR, ULONG, char*, IMailUser**) override { return MAPI_E_NO_SUPPORT; }
    HRESULT VCardCreate(IAddrBook*, ULONG, char*, IMailUser*) override { return MAPI_E_NO_SUPPORT; }
    HRESULT VCardRetrieve(IAddrBook*, ULONG, char*, IMailUser**) override { return MAPI_E_NO_SUPPORT; }
    HRESULT GetMe(IAddrBook*, ULONG, DWORD*, SBinary*, ULONG_PTR) override { return MAPI_E_NO_SUPPORT; }
    HRESULT SetMe(IAddrBook*, ULONG, SBinary, ULONG_PTR) override { return MAPI_E_NO_SUPPORT; }

private:
    ~FakeWabObject() = default;
    ULONG refs_ = 1;
};

} // namespace

} // namespace wabtest

FAKE_EXPORT wabtest::FakeWab* fakeWab() { return &wabtest::world(); }

FAKE_EXPORT HRESULT WABOpen(IAddrBook** book, IWABObject** wab, WAB_PARAM* params, DWORD) {
    using namespace wabtest;
    FakeWab& w = world();
    w.paramSize = params->cbSize;
    w.paramFlags = params->ulFlags;
    w.fileGiven = params->szFileName != nullptr;
    w.file = params->szFileName ? params->szFileName : "";
    w.hwnd = params->hwnd;
    if (!w.listKnowsParent)
        if (FakeEntry* t = w.entry(w.team)) {
            auto& props = t->props;
            props.erase(std::remove_if(props.begin(), props.end(),
                                       [](const FakeValue& v) { return v.tag == PR_WAB_DL_PARENTS; }),
                        props.end());
        }
    if (FAILED(w.openResult)) return w.openResult;
    *book = new FakeBook;
    *wab = new FakeWabObject;
    return S_OK;
}
