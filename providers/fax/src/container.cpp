#include "container.h"

#include <algorithm>
#include <new>
#include <vector>

#include "fax_tags.h"
#include "logon.h"
#include "mail_user.h"
#include "fax_memory.h"
#include "pdx/guard.h"
#include "pdx/status.h"
#include "store_elements.h"
#include "store_records.h"
#include "table_data.h"

namespace vqfax {
namespace {

struct ContentsColumns {
    ULONG cValues;
    ULONG tags[18];
};
constexpr ContentsColumns kContentsColumns = {
    18,
    {PR_DISPLAY_NAME, PR_ENTRYID, PR_ADDRTYPE, PR_COMPANY_NAME, PR_DEPARTMENT_NAME, PR_BUSINESS_FAX_NUMBER,
     PR_PRIMARY_FAX_DESCRIPTION, PR_PRIMARY_FAX_EXTRA1, PR_PRIMARY_FAX_EXTRA2, PR_HOME_FAX_NUMBER,
     PR_SECONDARY_FAX_DESCRIPTION, PR_SECONDARY_FAX_EXTRA1, PR_SECONDARY_FAX_EXTRA2, PR_COMMENT, PR_DISPLAY_TYPE,
     PR_SEARCH_KEY, PR_OBJECT_TYPE, PR_INSTANCE_KEY}};

struct HierarchyColumns {
    ULONG cValues;
    ULONG tags[6];
};
constexpr HierarchyColumns kHierarchyColumns = {
    6, {PR_DISPLAY_NAME, PR_ENTRYID, PR_OBJECT_TYPE, PR_CONTAINER_FLAGS, PR_DEPTH, PR_INSTANCE_KEY}};
const SPropTagArray* hierarchyColumns() { return reinterpret_cast<const SPropTagArray*>(&kHierarchyColumns); }

bool containerInterface(LPCIID iid) {
    return !iid || isIid(iid, IID_IMAPIContainer) || isIid(iid, IID_IABContainer) || isIid(iid, IID_IDistList);
}

} // namespace

const SPropTagArray* Container::contentsColumns() {
    return reinterpret_cast<const SPropTagArray*>(&kContentsColumns);
}

Container* Container::make(Logon* logon, const EntryId& id) {
    object_ptr<Container> c(new (std::nothrow) Container(logon, id));
    if (c) c->state_.putContainerDefaults(kindBase(id.kind) == kKindGroup ? MAPI_DISTLIST : MAPI_ABCONT);
    return c.release();
}

HRESULT Container::open(Logon* logon, const EntryId& id, Container** out) {
    *out = nullptr;
    object_ptr<Container> c(make(logon, id));
    if (!c) return E_OUTOFMEMORY;
    if (HRESULT h = c->state_.load(true); FAILED(h)) return h;
    *out = c.release();
    return S_OK;
}

Container::~Container() {
    if (table_) table_->Release();
}

HRESULT Container::QueryInterface(LPCIID iid, void** out) {
    if (!writableOut(out)) return E_INVALIDARG;
    if (!isIid(iid, IID_IUnknown) && !isIid(iid, IID_IMAPIContainer) && !isIid(iid, IID_IMAPIProp) &&
        !isIid(iid, IID_IABContainer) && !isIid(iid, IID_IDistList)) {
        *out = nullptr;
        return E_NOINTERFACE;
    }
    AddRef();
    *out = static_cast<IABContainer*>(this);
    return S_OK;
}

ULONG Container::AddRef() {
    std::lock_guard g(refLock_);
    return ++refs_;
}

ULONG Container::Release() {
    ULONG left;
    {
        std::lock_guard g(refLock_);
        left = --refs_;
    }
    if (!left) delete this;
    return left;
}

HRESULT Container::GetLastError(HRESULT, ULONG, MAPIERROR**) { return MAPI_E_NO_SUPPORT; }

HRESULT Container::SaveChanges(ULONG) {
    return guarded([&] { return state_.saveChanges(true); });
}

HRESULT Container::GetProps(const SPropTagArray* tags, ULONG flags, ULONG* count, SPropValue** values) {
    return guarded([&] { return state_.getProps(tags, flags, count, values); });
}

HRESULT Container::GetPropList(ULONG flags, SPropTagArray** tags) {
    return guarded([&] { return state_.getPropList(flags, tags); });
}

HRESULT Container::OpenProperty(ULONG, LPCIID, ULONG, ULONG, IUnknown**) { return MAPI_E_NO_SUPPORT; }

HRESULT Container::SetProps(ULONG count, const SPropValue* values, SPropProblemArray** problems) {
    return guarded([&] { return state_.setProps(count, values, problems); });
}

HRESULT Container::DeleteProps(const SPropTagArray*, SPropProblemArray**) { return MAPI_E_NO_SUPPORT; }

HRESULT Container::CopyTo(ULONG ciidExclude, LPCIID iidExclude, const SPropTagArray* excludeTags, ULONG_PTR ulUIParam,
                          IMAPIProgress* progress, LPCIID iface, void* destination, ULONG flags,
                          SPropProblemArray** problems) {
    return state_.logon().support()->DoCopyTo(&IID_IDistList, static_cast<IABContainer*>(this), ciidExclude,
                                              iidExclude, excludeTags, ulUIParam, progress, iface, destination, flags,
                                              problems);
}

HRESULT Container::CopyProps(const SPropTagArray* includeTags, ULONG_PTR ulUIParam, IMAPIProgress* progress,
                             LPCIID iface, void* destination, ULONG flags, SPropProblemArray** problems) {
    return state_.logon().support()->DoCopyProps(&IID_IDistList, static_cast<IABContainer*>(this), includeTags,
                                                 ulUIParam, progress, iface, destination, flags, problems);
}

HRESULT Container::GetNamesFromIDs(SPropTagArray**, GUID*, ULONG, ULONG*, MAPINAMEID***) { return MAPI_E_NO_SUPPORT; }
HRESULT Container::GetIDsFromNames(ULONG, MAPINAMEID**, ULONG, SPropTagArray**) { return MAPI_E_NO_SUPPORT; }

HRESULT Container::buildTable(TableData** out) {
    object_ptr<TableData> data(TableData::create(PR_INSTANCE_KEY, contentsColumns()));
    if (!data) return E_OUTOFMEMORY;
    if (!state_.members.empty()) {
        OpenBook book(state_.binding());
        if (FAILED(book.status())) return book.status();
        const EntryId& self = state_.id;
        // Seen through a group, every member shows only the numbers the group
        // selects; the group's elements are read once for all of them.
        const bool throughGroup = self.kind == kKindGroup;
        std::vector<Element> group;
        if (throughGroup && FAILED(book.readElements(self.record, group))) {
            *out = data.release(); // no member can be read through it
            return S_OK;
        }
        data->reserve(state_.members.size());
        // Rows are keyed by record id. When no record is listed twice (under
        // two kinds), every row is new and goes in without a lookup.
        std::vector<int32_t> records;
        records.reserve(state_.members.size());
        for (const Member& m : state_.members.members()) records.push_back(m.record);
        std::sort(records.begin(), records.end());
        const bool distinct = std::adjacent_find(records.begin(), records.end()) == records.end();
        std::vector<Element> elements;
        PropList scratch;
        std::vector<SPropValue> views;
        for (const Member& m : state_.members.members()) {
            // A member that cannot be read is left out; the others still make
            // the table. So is a record without a single element: the store
            // makes a record before its fields are written, and a save cut
            // short there left no entry, only its number.
            if (m.record == kNewContactRecord || m.record == kNewGroupRecord) continue; // never a record
            if (FAILED(book.readRecord(m.record, elements)) || elements.empty()) continue;
            scratch.clear();
            appendFields(elements, scratch);
            if (throughGroup) maskUnselected(group, m.record, scratch);
            EntryId memberId{self.uid, self.record, self.kind, m.record, m.kind};
            const auto idBytes = memberId.bytes();
            scratch.append(PropValue::binary(PR_ENTRYID, idBytes.data(), idBytes.size()));
            scratch.append(PropValue::long32(PR_OBJECT_TYPE, m.record < 0 ? MAPI_DISTLIST : MAPI_MAILUSER));
            const auto key = instanceKey(m.record);
            scratch.append(PropValue::binary(PR_INSTANCE_KEY, key.data(), key.size()));
            const std::vector<PropValue> columns = scratch.takeColumns(contentsColumns());
            views.clear();
            for (const PropValue& v : columns) views.push_back(v.view());
            StoredRow::Ptr row;
            if (HRESULT h = StoredRow::make(0, views.data(), views.size(), row); FAILED(h)) return h;
            if (distinct) data->appendNewRow(std::move(row));
            else data->modifyOwnRow(std::move(row));
        }
    }
    *out = data.release();
    return S_OK;
}

HRESULT Container::GetContentsTable(ULONG flags, IMAPITable** table) {
    return guarded([&]() -> HRESULT {
        if (flags & MAPI_UNICODE) return MAPI_E_BAD_CHARWIDTH;
        if (!writableOut(table)) return E_INVALIDARG;
        *table = nullptr;
        std::lock_guard g(state_.lock());
        if (table_) return table_->HrGetView(nullptr, nullptr, 0, table);
        TableData* data = nullptr;
        if (HRESULT h = buildTable(&data); FAILED(h)) return h;
        object_ptr<TableData> fresh(data);
        if (HRESULT h = fresh->HrGetView(nullptr, nullptr, 0, table); FAILED(h)) return h;
        if (table_) table_->Release();
        table_ = fresh.release();
        return S_OK;
    });
}

HRESULT Container::GetHierarchyTable(ULONG flags, IMAPITable** table) {
    // The fax book has no containers below its root. The root still answers
    // with an empty table: vqcore reads every provider root's hierarchy when
    // it builds its own, and leaves out a provider whose root refuses.
    if (state_.id.kind != kKindRoot) return MAPI_E_NO_SUPPORT;
    return guarded([&]() -> HRESULT {
        if (flags & MAPI_UNICODE) return MAPI_E_BAD_CHARWIDTH;
        if (!writableOut(table)) return E_INVALIDARG;
        *table = nullptr;
        object_ptr<TableData> empty(TableData::create(PR_INSTANCE_KEY, hierarchyColumns()));
        if (!empty) return E_OUTOFMEMORY;
        return empty->HrGetView(nullptr, nullptr, 0, table);
    });
}

HRESULT Container::OpenEntry(ULONG cbEntryID, ENTRYID* entryId, LPCIID iid, ULONG, ULONG* objType, IUnknown** out) {
    return guarded([&]() -> HRESULT {
        if (!containerInterface(iid)) return E_NOINTERFACE;
        if (!writableOut(objType) || !writableOut(out)) return E_INVALIDARG;
        *out = nullptr;
        Logon& logon = state_.logon();
        EntryId target;
        if (!parseOwn(cbEntryID, entryId, logon.uid(), target)) return MAPI_E_INVALID_ENTRYID;
        {
            std::lock_guard g(state_.lock());
            target.parentRecord = state_.id.record;
            target.parentKind = state_.id.kind;
        }
        return logon.openObject(target, objType, out);
    });
}

HRESULT Container::SetSearchCriteria(SRestriction*, ENTRYLIST*, ULONG) { return MAPI_E_NO_SUPPORT; }
HRESULT Container::GetSearchCriteria(ULONG, SRestriction**, ENTRYLIST**, ULONG*) { return MAPI_E_NO_SUPPORT; }

HRESULT Container::CreateEntry(ULONG cbEntryID, ENTRYID* entryId, ULONG, IMAPIProp** out) {
    return guarded([&]() -> HRESULT {
        if (!writableOut(out)) return E_INVALIDARG;
        *out = nullptr;
        Logon& logon = state_.logon();
        const ULONG kind = classify(cbEntryID, entryId, logon.uid());
        if (!(kind & kKindTemplate)) return MAPI_E_INVALID_ENTRYID;
        if (kindBase(kind) == kKindRoot) return MAPI_E_NO_SUPPORT;
        EntryId id;
        if (!parseOwn(cbEntryID, entryId, logon.uid(), id)) return MAPI_E_INVALID_ENTRYID;
        std::lock_guard g(state_.lock());
        id.parentRecord = state_.id.record;
        id.parentKind = state_.id.kind;
        IMAPIProp* made = nullptr;
        if (kindBase(kind) == kKindContact) made = MailUser::make(&logon, id);
        else if (kindBase(kind) == kKindGroup) made = Container::make(&logon, id);
        else return MAPI_E_INVALID_ENTRYID;
        if (!made) return E_OUTOFMEMORY;
        state_.dirty = true;
        *out = made;
        return S_OK;
    });
}

HRESULT Container::CopyEntries(ENTRYLIST* entries, ULONG_PTR, IMAPIProgress*, ULONG) {
    return guarded([&]() -> HRESULT {
        if (!entries || (entries->cValues && !entries->lpbin)) return E_INVALIDARG;
        bool failed = false;
        {
            std::lock_guard g(state_.lock());
            const MAPIUID& uid = state_.logon().uid();
            for (ULONG i = 0; i < entries->cValues; ++i) {
                const SBinary& bin = entries->lpbin[i];
                const auto* id = reinterpret_cast<const ENTRYID*>(bin.lpb);
                const ULONG kind = classify(bin.cb, id, uid);
                EntryId parsed;
                if ((kind != kKindContact && kind != kKindGroup) || !parseOwn(bin.cb, id, uid, parsed)) {
                    failed = true;
                    continue;
                }
                state_.members.add({parsed.record, kind});
                state_.dirty = true;
            }
        }
        const HRESULT saved = SaveChanges(0);
        return failed || FAILED(saved) ? MAPI_W_PARTIAL_COMPLETION : saved;
    });
}

HRESULT Container::DeleteEntries(ENTRYLIST* entries, ULONG) {
    return guarded([&]() -> HRESULT {
        if (!entries || (entries->cValues && !entries->lpbin)) return E_INVALIDARG;
        bool failed = false;
        bool handled = false;
        {
            std::lock_guard g(state_.lock());
            const MAPIUID& uid = state_.logon().uid();
            const bool isRoot = state_.id.kind == kKindRoot;
            OpenBook book(state_.binding());
            for (ULONG i = 0; i < entries->cValues; ++i) {
                const SBinary& bin = entries->lpbin[i];
                const auto* raw = reinterpret_cast<const ENTRYID*>(bin.lpb);
                const ULONG kind = classify(bin.cb, raw, uid);
                EntryId id;
                if ((kind & (kKindForeign | kKindTemplate)) || !parseOwn(bin.cb, raw, uid, id)) {
                    failed = true;
                    continue;
                }
                handled = true;
                if (isRoot) {
                    // The row goes only when the record went: a record the
                    // store kept stays listed, and the caller learns of it.
                    HRESULT h = book.status();
                    if (SUCCEEDED(h)) h = deleteRecord(book, id.record, kind);
                    if (FAILED(h)) {
                        failed = true;
                        continue;
                    }
                } else if (kindBase(state_.id.kind) == kKindGroup) {
                    state_.members.remove({id.record, kind});
                }
                if (table_) {
                    const auto key = instanceKey(id.record);
                    SPropValue index{};
                    index.ulPropTag = PR_INSTANCE_KEY;
                    index.Value.bin = SBinary{4, const_cast<uint8_t*>(key.data())};
                    if (FAILED(table_->HrDeleteRow(&index))) failed = true;
                }
            }
            if (kindBase(state_.id.kind) == kKindGroup) {
                HRESULT h = book.status();
                if (SUCCEEDED(h)) h = writeEntry(book, state_.id, state_.props, &state_.members);
                if (FAILED(h)) failed = true;
            }
        }
        if (handled) state_.logon().notifyModified();
        return failed ? MAPI_W_PARTIAL_COMPLETION : S_OK;
    });
}

HRESULT Container::ResolveNames(const SPropTagArray*, ULONG, ADRLIST*, SFlagList*) { return MAPI_E_NO_SUPPORT; }

} // namespace vqfax
