#include "tp_objects.h"

#include "tp_table.h"

#include <algorithm>

namespace testprovider {

using Lock = std::lock_guard<std::recursive_mutex>;

ULONG objectType(Kind kind) {
    switch (kind) {
    case Kind::MailUser: return MAPI_MAILUSER;
    case Kind::DistList: return MAPI_DISTLIST;
    default: return MAPI_ABCONT;
    }
}

HRESULT openObject(const std::shared_ptr<Context>& context, ULONG cb, const ENTRYID* id, LPCIID iid, ULONG* objType,
                   IUnknown** out) {
    if (!objType || !out) return E_INVALIDARG;
    Store& store = *context->store;
    Lock g(store.lock);
    const int index = store.decode(cb, id);
    if (index < 0) return MAPI_E_NOT_FOUND;
    auto* object = new Object(context, index);
    if (iid && !isIid(iid, IID_IUnknown)) {
        HRESULT h = object->QueryInterface(iid, reinterpret_cast<void**>(out));
        object->Release();
        if (FAILED(h)) return h;
    } else {
        *out = object;
    }
    *objType = objectType(store.records[size_t(index)].kind);
    return S_OK;
}

Object::Object(std::shared_ptr<Context> context, int index)
    : context_(std::move(context)), kind_(context_->store->records[size_t(index)].kind), index_(index) {}

Object::Object(std::shared_ptr<Context> context, Kind kind, int container, int ownerList)
    : context_(std::move(context)), kind_(kind), container_(container), ownerList_(ownerList) {}

const IID& Object::ownIid() const {
    switch (kind_) {
    case Kind::MailUser: return IID_IMailUser;
    case Kind::DistList: return IID_IDistList;
    default: return IID_IABContainer;
    }
}

HRESULT Object::QueryInterface(LPCIID iid, void** out) {
    if (!out) return E_INVALIDARG;
    const bool container = kind_ != Kind::MailUser;
    if (!isIid(iid, IID_IUnknown) && !isIid(iid, IID_IMAPIProp) && !isIid(iid, ownIid()) &&
        !(container && isIid(iid, IID_IMAPIContainer))) {
        *out = nullptr;
        return E_NOINTERFACE;
    }
    AddRef();
    *out = static_cast<IABContainer*>(this);
    return S_OK;
}

ULONG Object::Release() {
    const ULONG left = --refs_;
    if (!left) delete this;
    return left;
}

Props Object::props() const {
    Props p;
    if (index_ >= 0) {
        p = context_->store->props(index_);
    } else {
        p.push_back(Prop{PR_OBJECT_TYPE, objectType(kind_), {}, {}});
    }
    for (const auto& [tag, text] : changes_) {
        bool replaced = false;
        for (auto& have : p)
            if (have.tag == tag) {
                have.text = text;
                replaced = true;
            }
        if (!replaced) p.push_back(Prop{tag, 0, text, {}});
    }
    return p;
}

HRESULT Object::GetProps(const SPropTagArray* tags, ULONG flags, ULONG* count, SPropValue** values) {
    if (flags & MAPI_UNICODE) return MAPI_E_BAD_CHARWIDTH;
    if (!count || !values) return E_INVALIDARG;
    Lock g(context_->store->lock);
    return copyProps(context_->store->alloc, props(), tags, count, values);
}

HRESULT Object::GetPropList(ULONG flags, SPropTagArray** tags) {
    if (flags & MAPI_UNICODE) return MAPI_E_BAD_CHARWIDTH;
    if (!tags) return E_INVALIDARG;
    Lock g(context_->store->lock);
    std::vector<ULONG> list;
    if (index_ >= 0) {
        list = context_->store->propTags(index_);
    } else {
        for (const auto& p : props()) list.push_back(p.tag);
    }
    for (const auto& [tag, text] : changes_)
        if (std::find(list.begin(), list.end(), tag) == list.end()) list.push_back(tag);
    return copyTags(context_->store->alloc, list, tags);
}

HRESULT Object::SetProps(ULONG count, const SPropValue* values, SPropProblemArray** problems) {
    if (problems) *problems = nullptr;
    if (count && !values) return E_INVALIDARG;
    std::vector<SPropProblem> found;
    for (ULONG i = 0; i < count; ++i) {
        const ULONG tag = values[i].ulPropTag;
        const ULONG type = PROP_TYPE(tag);
        if (type == PT_NULL || type == PT_ERROR) continue;
        if (isContainer()) {
            found.push_back({i, tag, E_ACCESSDENIED}); // containers are as the fixture says
        } else if (type == PT_STRING8 && values[i].Value.lpszA) {
            changes_[tag] = values[i].Value.lpszA;
        } else {
            found.push_back({i, tag, MAPI_E_COMPUTED});
        }
    }
    if (!problems || found.empty()) return S_OK;
    SPropProblemArray* array = nullptr;
    HRESULT h = context_->store->alloc.allocate(ULONG(cbProblemArray(ULONG(found.size()))),
                                                reinterpret_cast<void**>(&array));
    if (FAILED(h)) return h;
    array->cProblem = ULONG(found.size());
    std::copy(found.begin(), found.end(), array->aProblem);
    *problems = array;
    return S_OK;
}

HRESULT Object::SaveChanges(ULONG) {
    Store& store = *context_->store;
    Lock g(store.lock);
    if (index_ < 0) {
        Record r;
        r.kind = kind_;
        // An entry made in a list lives in the list's container, as in a personal address book.
        r.parent = container_ >= 0 || ownerList_ < 0 ? container_ : store.records[size_t(ownerList_)].parent;
        index_ = store.add(std::move(r));
        if (ownerList_ >= 0) store.records[size_t(ownerList_)].members.push_back(index_);
    }
    for (const auto& [tag, text] : changes_) store.records[size_t(index_)].texts[tag] = text;
    changes_.clear();
    return store.save();
}

HRESULT Object::OpenProperty(ULONG tag, LPCIID iid, ULONG, ULONG flags, IUnknown** out) {
    if (!out) return E_INVALIDARG;
    *out = nullptr;
    if (!isIid(iid, IID_IMAPITable)) return E_NOINTERFACE;
    auto** table = reinterpret_cast<IMAPITable**>(out);
    if (tag == PR_CONTAINER_CONTENTS) return GetContentsTable(flags, table);
    if (tag == PR_CONTAINER_HIERARCHY) return GetHierarchyTable(flags, table);
    if (tag != PR_CREATE_TEMPLATES || (kind_ != Kind::Container && kind_ != Kind::DistList)) return E_NOINTERFACE;
    Store& store = *context_->store;
    Lock g(store.lock);
    std::vector<Props> rows;
    for (ULONG type : {MAPI_MAILUSER, MAPI_DISTLIST})
        rows.push_back({Prop{PR_ENTRYID, 0, {}, store.templateId(type)}, Prop{PR_OBJECT_TYPE, type, {}, {}},
                        Prop{PR_DISPLAY_NAME, 0, type == MAPI_MAILUSER ? "Mail user" : "Distribution list", {}}});
    *table = new Table(context_->store, std::move(rows));
    return S_OK;
}

HRESULT Object::CopyTo(ULONG ciidExclude, LPCIID iidExclude, const SPropTagArray* excludeTags, ULONG_PTR ulUIParam,
                       IMAPIProgress* progress, LPCIID iface, void* destination, ULONG flags,
                       SPropProblemArray** problems) {
    return context_->support->DoCopyTo(&ownIid(), static_cast<IABContainer*>(this), ciidExclude, iidExclude,
                                       excludeTags, ulUIParam, progress, iface, destination, flags, problems);
}

HRESULT Object::CopyProps(const SPropTagArray* includeTags, ULONG_PTR ulUIParam, IMAPIProgress* progress,
                          LPCIID iface, void* destination, ULONG flags, SPropProblemArray** problems) {
    return context_->support->DoCopyProps(&ownIid(), static_cast<IABContainer*>(this), includeTags, ulUIParam,
                                          progress, iface, destination, flags, problems);
}

HRESULT Object::GetContentsTable(ULONG, IMAPITable** table) {
    if (!table) return E_INVALIDARG;
    if (kind_ == Kind::MailUser || index_ < 0) return MAPI_E_NO_SUPPORT;
    Store& store = *context_->store;
    Lock g(store.lock);
    std::vector<int> rows;
    if (kind_ == Kind::DistList) {
        for (int m : store.records[size_t(index_)].members)
            if (!store.records[size_t(m)].deleted) rows.push_back(m);
    } else {
        for (size_t i = 1; i < store.records.size(); ++i) {
            const Record& r = store.records[i];
            if (!r.deleted && r.parent == index_ && (r.kind == Kind::MailUser || r.kind == Kind::DistList))
                rows.push_back(int(i));
        }
    }
    *table = new Table(context_->store, std::move(rows));
    return S_OK;
}

HRESULT Object::GetHierarchyTable(ULONG flags, IMAPITable** table) {
    if (!table) return E_INVALIDARG;
    if (!isContainer()) return MAPI_E_NO_SUPPORT;
    Store& store = *context_->store;
    Lock g(store.lock);
    std::vector<Props> rows;
    auto addChildren = [&](auto&& self, int parent, ULONG depth) -> void {
        for (size_t i = 1; i < store.records.size(); ++i) {
            const Record& r = store.records[i];
            const bool child = r.parent == parent || (parent == 0 && r.parent < 0);
            if (r.deleted || r.kind != Kind::Container || !child) continue;
            rows.push_back(store.props(int(i)));
            rows.back().push_back(Prop{PR_DEPTH, depth, {}, {}});
            if (flags & CONVENIENT_DEPTH) self(self, int(i), depth + 1);
        }
    };
    addChildren(addChildren, index_, 0);
    *table = new Table(context_->store, std::move(rows));
    return S_OK;
}

HRESULT Object::OpenEntry(ULONG cbEntryID, ENTRYID* entryId, LPCIID iid, ULONG, ULONG* objType, IUnknown** out) {
    return openObject(context_, cbEntryID, entryId, iid, objType, out);
}

HRESULT Object::CreateEntry(ULONG cbEntryID, ENTRYID* entryId, ULONG, IMAPIProp** out) {
    if (!out) return E_INVALIDARG;
    if (kind_ == Kind::MailUser || kind_ == Kind::Root || index_ < 0) return MAPI_E_NO_SUPPORT;
    Store& store = *context_->store;
    Lock g(store.lock);
    ULONG type = 0;
    store.decode(cbEntryID, entryId, &type);
    if (type != MAPI_MAILUSER && type != MAPI_DISTLIST) return MAPI_E_INVALID_ENTRYID;
    const Kind kind = type == MAPI_MAILUSER ? Kind::MailUser : Kind::DistList;
    const bool inList = kind_ == Kind::DistList;
    *out = new Object(context_, kind, inList ? -1 : index_, inList ? index_ : -1);
    return S_OK;
}

// A list takes existing entries as members; containers copy nothing.
HRESULT Object::CopyEntries(ENTRYLIST* entries, ULONG_PTR, IMAPIProgress*, ULONG) {
    if (!entries) return E_INVALIDARG;
    if (kind_ != Kind::DistList || index_ < 0) return MAPI_E_NO_SUPPORT;
    Store& store = *context_->store;
    Lock g(store.lock);
    std::vector<int>& members = store.records[size_t(index_)].members;
    ULONG unknown = 0;
    for (ULONG i = 0; i < entries->cValues; ++i) {
        const int index = store.decode(entries->lpbin[i].cb, reinterpret_cast<ENTRYID*>(entries->lpbin[i].lpb));
        if (index <= 0) {
            ++unknown;
            continue;
        }
        if (std::find(members.begin(), members.end(), index) == members.end()) members.push_back(index);
    }
    if (HRESULT h = store.save(); FAILED(h)) return h;
    return unknown ? MAPI_W_PARTIAL_COMPLETION : S_OK;
}

HRESULT Object::DeleteEntries(ENTRYLIST* entries, ULONG) {
    if (!entries) return E_INVALIDARG;
    if (!isContainer() && kind_ != Kind::DistList) return MAPI_E_NO_SUPPORT;
    Store& store = *context_->store;
    Lock g(store.lock);
    int done = 0;
    for (ULONG i = 0; i < entries->cValues; ++i) {
        const int index = store.decode(entries->lpbin[i].cb, reinterpret_cast<ENTRYID*>(entries->lpbin[i].lpb));
        if (index <= 0) continue;
        if (kind_ == Kind::DistList) {
            done += int(std::erase(store.records[size_t(index_)].members, index));
        } else if (kind_ == Kind::Root || store.records[size_t(index)].parent == index_) {
            store.remove(index);
            ++done;
        }
    }
    logEvent("delete " + store.name(index_ < 0 ? 0 : index_) + " " + std::to_string(done));
    return store.save();
}

} // namespace testprovider
