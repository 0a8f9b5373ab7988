#include "entry_copy.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <optional>
#include <set>

#include "allocator.h"
#include "entry_id.h"
#include "pdx/memory.h"
#include "pdx/status.h"
#include "pdx/tags.h"
#include "prop_object.h"
#include "prop_ops.h"
#include "row_reader.h"

namespace pdx::core {
namespace {

bool copyableIface(LPCIID iid) {
    return isIid(iid, IID_IMAPIProp) || isIid(iid, IID_IProfSect) || isIid(iid, IID_IMailUser) ||
           isIid(iid, IID_IMAPIContainer) || isIid(iid, IID_IDistList) || isIid(iid, IID_IABContainer);
}
bool entryHolder(LPCIID iid) { return isIid(iid, IID_IDistList) || isIid(iid, IID_IABContainer); }
bool entrySource(LPCIID iid) { return entryHolder(iid) || isIid(iid, IID_IMAPIContainer); }

HRESULT readEntryId(IMAPIProp* object, EntryId& out) {
    SPropTagArray tag{1, {PR_ENTRYID}};
    ULONG n = 0;
    Buffer<SPropValue> v;
    HRESULT h = object->GetProps(&tag, 0, &n, v.out());
    if (FAILED(h)) return h;
    if (n != 1 || !v || v[0].ulPropTag != PR_ENTRYID) return MAPI_E_NOT_FOUND;
    out = entryIdOf(v[0].Value.bin);
    return S_OK;
}

ULONG objectTypeOf(IMAPIProp* object) {
    SPropTagArray tag{1, {PR_OBJECT_TYPE}};
    ULONG n = 0;
    Buffer<SPropValue> v;
    if (FAILED(object->GetProps(&tag, 0, &n, v.out())) || n != 1 || !v || v[0].ulPropTag != PR_OBJECT_TYPE) return 0;
    return v[0].Value.ul;
}

// Both objects' PR_ENTRYID must exist and differ.
HRESULT checkDistinct(IMAPIProp* source, IMAPIProp* dest) {
    EntryId a, b;
    if (HRESULT h = readEntryId(source, a); FAILED(h)) return h;
    if (HRESULT h = readEntryId(dest, b); FAILED(h)) return h;
    return a == b ? E_ACCESSDENIED : S_OK;
}

// Where entries are copied to: an address book container or a distribution
// list, asked for by interface (a list need not be a container). Plug-ins hand
// a list out either as their own list class or as their container class, the
// two interfaces sharing their slots, so CreateEntry goes through the slot
// without checking the C++ class behind it.
class Holder {
public:
    // Empty when the object answers neither interface.
    static std::optional<Holder> of(IUnknown* object) {
        Holder h;
        if (FAILED(object->QueryInterface(&IID_IABContainer, h.object_.vout())) || !h.object_) {
            h.list_ = true;
            if (FAILED(object->QueryInterface(&IID_IDistList, h.object_.vout())) || !h.object_) return std::nullopt;
        }
        h.distList_ = h.list_ || objectTypeOf(h.object_.get()) == MAPI_DISTLIST;
        return h;
    }
    IMAPIProp* prop() const { return object_.get(); }
    // A distribution list, whichever interface it answered.
    bool isList() const { return distList_; }
    __attribute__((no_sanitize("vptr"))) HRESULT createEntry(ULONG cb, ENTRYID* id, ULONG flags,
                                                             IMAPIProp** out) const {
        if (list_) return reinterpret_cast<IDistList*>(object_.get())->CreateEntry(cb, id, flags, out);
        return reinterpret_cast<IABContainer*>(object_.get())->CreateEntry(cb, id, flags, out);
    }

    // Makes an existing entry a member of the list.
    __attribute__((no_sanitize("vptr"))) HRESULT addMember(EntryId& id) const {
        SBinary bin{entrySize(id), id.data()};
        ENTRYLIST entries{1, &bin};
        return reinterpret_cast<IDistList*>(object_.get())->CopyEntries(&entries, 0, nullptr, 0);
    }

private:
    object_ptr<IMAPIProp> object_; // the interface asked for, seen through its property slots
    bool list_ = false;     // answered only IID_IDistList
    bool distList_ = false;
};

// The destination's templates: its default ones, else its template table.
class Templates {
public:
    explicit Templates(IMAPIProp* dest) : dest_(dest) {}

    std::optional<EntryId> forType(ULONG objectType) {
        if (!defaultsRead_) readDefaults();
        if (objectType == MAPI_MAILUSER && mailUser_) return mailUser_;
        if (objectType == MAPI_DISTLIST && distList_) return distList_;
        if (!tableRead_) readTable();
        for (const auto& [type, id] : table_)
            if (type == objectType) return id;
        return std::nullopt;
    }

private:
    void readDefaults() {
        defaultsRead_ = true;
        struct { ULONG c; ULONG t[2]; } tags = {2, {PR_DEF_CREATE_MAILUSER, PR_DEF_CREATE_DL}};
        ULONG n = 0;
        Buffer<SPropValue> v;
        if (FAILED(dest_->GetProps(reinterpret_cast<SPropTagArray*>(&tags), 0, &n, v.out())) || !v) return;
        for (ULONG i = 0; i < n; ++i) {
            if (v[i].ulPropTag == PR_DEF_CREATE_MAILUSER && v[i].Value.bin.cb) mailUser_ = entryIdOf(v[i].Value.bin);
            if (v[i].ulPropTag == PR_DEF_CREATE_DL && v[i].Value.bin.cb) distList_ = entryIdOf(v[i].Value.bin);
        }
    }
    void readTable() {
        tableRead_ = true;
        object_ptr<IUnknown> unknown;
        if (FAILED(dest_->OpenProperty(PR_CREATE_TEMPLATES, &IID_IMAPITable, 0, 0, unknown.out())) || !unknown) return;
        auto* table = reinterpret_cast<IMAPITable*>(unknown.get());
        struct { ULONG c; ULONG t[2]; } cols = {2, {PR_ENTRYID, PR_OBJECT_TYPE}};
        readRows(table, reinterpret_cast<SPropTagArray*>(&cols), [&](SRow& row) {
            const SPropValue* id = columnValue(row, 0, PR_ENTRYID);
            const SPropValue* type = columnValue(row, 1, PR_OBJECT_TYPE);
            if (id && type && id->Value.bin.cb) table_.emplace_back(type->Value.ul, entryIdOf(id->Value.bin));
            return S_OK;
        });
    }

    IMAPIProp* dest_;
    bool defaultsRead_ = false, tableRead_ = false;
    std::optional<EntryId> mailUser_, distList_;
    std::vector<std::pair<ULONG, EntryId>> table_;
};

// One copy operation. Every entry is copied once: a list member that was
// copied before (at the top level, or as a member of another list) is linked
// to its copy instead of being created again, so the destination never holds
// two contacts for one source entry.
class EntryCopier {
public:
    explicit EntryCopier(SameEntryFn same) : same_(std::move(same)) {}

    // `ancestors`: the lists being copied above this level; meeting one again
    // (a list that contains itself) does not copy it a second time.
    HRESULT copy(IMAPIContainer* source, const Holder& dest, std::vector<EntryId>& ancestors) {
        object_ptr<IMAPITable> table;
        HRESULT h = source->GetContentsTable(0, table.out());
        if (FAILED(h)) return h;
        Templates templates(dest.prop());
        std::vector<EntryId> handled; // sources met at this level
        struct { ULONG c; ULONG t[2]; } cols = {2, {PR_ENTRYID, PR_OBJECT_TYPE}};
        return readRows(table.get(), reinterpret_cast<SPropTagArray*>(&cols), [&](SRow& row) -> HRESULT {
            const SPropValue* idValue = columnValue(row, 0, PR_ENTRYID);
            const SPropValue* typeValue = columnValue(row, 1, PR_OBJECT_TYPE);
            if (!idValue || !idValue->Value.bin.cb || !typeValue) return S_OK;
            EntryId id = entryIdOf(idValue->Value.bin);
            // Entries made by this copy show up when the source is the destination itself.
            if (made_.count(id) || contains(handled, id) || contains(ancestors, id)) return S_OK;
            handled.push_back(id);
            if (EntryId* earlier = copyOf(id, depth_ > 0)) return link(dest, *earlier);
            const ULONG type = typeValue->Value.ul;
            std::optional<EntryId> templ = templates.forType(type);
            if (!templ) {
                partial_ = true;
                return S_OK;
            }
            return copyOne(source, id, type, dest, *templ, ancestors);
        });
    }
    bool partial() const { return partial_; }

private:
    static bool contains(const std::vector<EntryId>& ids, const EntryId& id) {
        return std::find(ids.begin(), ids.end(), id) != ids.end();
    }

    // The copy made earlier of this source entry, or null. An entry met at
    // the top and again inside a list may carry another identifier there, so
    // the provider is asked about entries first met at the other level
    // (sparing a question per pair where no list is copied).
    EntryId* copyOf(const EntryId& id, bool inList) {
        if (auto exact = copies_.find(id); exact != copies_.end()) return &exact->second;
        if (!same_) return nullptr;
        auto ask = [&](const std::vector<EntryId>& met) -> EntryId* {
            for (const EntryId& other : met)
                if (same_(id, other)) return &copies_.at(other);
            return nullptr;
        };
        if (EntryId* found = ask(metInLists_)) return found;
        return inList ? ask(metAtTop_) : nullptr;
    }

    // An entry copied earlier in this operation: a destination list gets it
    // as a member; a destination container holds it already.
    HRESULT link(const Holder& dest, EntryId& copied) {
        if (!dest.isList()) return S_OK;
        HRESULT h = dest.addMember(copied);
        if (h == MAPI_W_PARTIAL_COMPLETION) partial_ = true;
        return h;
    }

    HRESULT copyOne(IMAPIContainer* source, EntryId& id, ULONG type, const Holder& dest, EntryId& templ,
                    std::vector<EntryId>& ancestors) {
        ULONG openedType = 0;
        object_ptr<IUnknown> opened;
        HRESULT h = source->OpenEntry(entrySize(id), entryPtr(id), nullptr, 0, &openedType, opened.out());
        if (FAILED(h)) return h;
        auto* entry = reinterpret_cast<IMAPIProp*>(opened.get());
        object_ptr<IMAPIProp> created;
        h = dest.createEntry(entrySize(templ), entryPtr(templ), 0, created.out());
        if (FAILED(h)) return h;
        Buffer<SPropTagArray> tags;
        h = entry->GetPropList(0, tags.out());
        if (FAILED(h)) return h;
        if (tags->cValues) {
            Buffer<SPropProblemArray> problems;
            h = copyProps(entry, tags.get(), &IID_IMAPIProp, created.get(), 0, problems.out());
            if (FAILED(h)) return h;
        }
        h = created->SaveChanges(KEEP_OPEN_READWRITE);
        if (FAILED(h)) return h;
        // An entry without an identifier cannot be linked to later; a second
        // meeting copies it again rather than losing the member.
        EntryId made;
        if (SUCCEEDED(readEntryId(created.get(), made)) && !made.empty()) {
            made_.insert(made);
            if (copies_.emplace(id, std::move(made)).second) (depth_ > 0 ? metInLists_ : metAtTop_).push_back(id);
        }
        if (type != MAPI_DISTLIST) return S_OK;
        const std::optional<Holder> list = Holder::of(created.get());
        if (!list) return MAPI_E_INVALID_OBJECT;
        ancestors.push_back(id);
        ++depth_;
        h = copy(reinterpret_cast<IMAPIContainer*>(entry), *list, ancestors);
        --depth_;
        ancestors.pop_back();
        return h;
    }

    SameEntryFn same_;
    int depth_ = 0; // lists being copied above the entries now read
    std::map<EntryId, EntryId> copies_; // source identifier -> its copy
    std::vector<EntryId> metAtTop_, metInLists_; // the sources of copies_, by where they were first met
    std::set<EntryId> made_;            // the copies
    bool partial_ = false;
};

// Checks shared by both copies; `entries` tells whether the entry copy applies.
HRESULT prepare(LPCIID srcIface, void* source, LPCIID destIface, void* destination) {
    if (!srcIface || !source || !destIface || !destination) return E_INVALIDARG;
    if (!copyableIface(srcIface) || !copyableIface(destIface)) return E_NOINTERFACE;
    return checkDistinct(static_cast<IMAPIProp*>(source), static_cast<IMAPIProp*>(destination));
}

bool namesEntries(const SPropTagArray* tags) {
    return tagArrayContains(tags, PR_CONTAINER_CONTENTS) || tagArrayContains(tags, PR_CONTAINER_HIERARCHY);
}

HRESULT copyWithEntries(LPCIID srcIface, IMAPIProp* source, const SPropTagArray* tags, LPCIID destIface,
                        void* destination, ULONG flags, SPropProblemArray** problems, const SameEntryFn& same) {
    const bool entries = entryHolder(destIface) && namesEntries(tags);
    if (entries && !entrySource(srcIface)) return MAPI_E_NO_SUPPORT;
    Buffer<SPropProblemArray> found;
    HRESULT h = tags->cValues ? copyProps(source, tags, &IID_IMAPIProp, destination, flags, found.out()) : S_OK;
    if (FAILED(h)) return h;
    if (entries) {
        h = copyEntries(reinterpret_cast<IMAPIContainer*>(source), static_cast<IUnknown*>(destination), same);
        if (FAILED(h)) return h;
    }
    if (problems) *problems = found.release();
    return h;
}

} // namespace

HRESULT copyEntries(IMAPIContainer* source, IUnknown* destination, const SameEntryFn& same) {
    const std::optional<Holder> dest = Holder::of(destination);
    if (!dest) return E_NOINTERFACE;
    EntryCopier copier(same);
    std::vector<EntryId> ancestors;
    EntryId self;
    if (SUCCEEDED(readEntryId(source, self))) ancestors.push_back(self);
    HRESULT h = copier.copy(source, *dest, ancestors);
    if (FAILED(h)) return h;
    return copier.partial() ? MAPI_W_PARTIAL_COMPLETION : S_OK;
}

HRESULT doCopyTo(LPCIID srcIface, void* source, const SPropTagArray* excludeTags, LPCIID destIface,
                 void* destination, ULONG flags, SPropProblemArray** problems, const SameEntryFn& same) {
    if (HRESULT h = prepare(srcIface, source, destIface, destination); FAILED(h)) return h;
    auto* src = static_cast<IMAPIProp*>(source);
    Buffer<SPropTagArray> all, tags;
    HRESULT h = src->GetPropList(flags & MAPI_UNICODE, all.out());
    if (FAILED(h)) return h;
    h = filterTags(all.get(), excludeTags, tags.out());
    if (FAILED(h)) return h;
    return copyWithEntries(srcIface, src, tags.get(), destIface, destination, flags, problems, same);
}

HRESULT doCopyProps(LPCIID srcIface, void* source, const SPropTagArray* includeTags, LPCIID destIface,
                    void* destination, ULONG flags, SPropProblemArray** problems, const SameEntryFn& same) {
    if (!includeTags) return E_INVALIDARG;
    if (HRESULT h = prepare(srcIface, source, destIface, destination); FAILED(h)) return h;
    return copyWithEntries(srcIface, static_cast<IMAPIProp*>(source), includeTags, destIface, destination, flags,
                           problems, same);
}

} // namespace pdx::core
