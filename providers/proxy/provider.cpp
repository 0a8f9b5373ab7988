#include "provider.h"

#include <cstring>
#include <new>

#include "forward.h"
#include "pdx/guard.h"
#include "pdx/memory.h"
#include "pdx/status.h"
#include "pdx/tags.h"
#include "proxies.h"

namespace pdx::proxy {
namespace {

// PR_DISPLAY_NAME, PR_ENTRYID, PR_OBJECT_TYPE, PR_CONTAINER_FLAGS, PR_DEPTH.
constexpr ULONG kOwnTags[] = {PR_DISPLAY_NAME, PR_ENTRYID, PR_OBJECT_TYPE, PR_CONTAINER_FLAGS, PR_DEPTH};
constexpr ULONG kOwnTagCount = sizeof kOwnTags / sizeof kOwnTags[0];

} // namespace

Provider* Provider::create(void* moduleInstance) { return new (std::nothrow) Provider(moduleInstance); }

Provider::~Provider() {
    if (support_) support_->Release();
    if (book_) book_->Release();
    // The policy last: it may hold the component's memory object and module.
    policy_.reset();
}

void Provider::setPdxMemory(AllocateBufferFn allocate, AllocateMoreFn more, FreeBufferFn free) {
    pdxMemory_ = RoutineAllocator(allocate, more, free);
}

void Provider::open(std::unique_ptr<ComponentPolicy> policy, IAddrBook* book, IPDXSupport* support,
                    std::string displayName, const MAPIUID& uid) {
    std::lock_guard g(lock_);
    policy_ = std::move(policy);
    book_ = book;
    support_ = support;
    support_->AddRef();
    displayName_ = std::move(displayName);
    uid_ = uid;
    notInitialized_ = false;
}

HRESULT Provider::ready() const { return notInitialized_ ? MAPI_E_NOT_INITIALIZED : S_OK; }

Conversion Provider::toCaller() const {
    return {pdxMemory_, policy_->convertsValues() ? &policy_->ids() : nullptr, Conversion::ToCaller};
}

Conversion Provider::toComponent() const {
    return {policy_->componentMemory(), policy_->convertsValues() ? &policy_->ids() : nullptr, Conversion::Inward};
}

// ---- IUnknown

HRESULT Provider::QueryInterface(LPCIID iid, void** out) {
    return guarded([&] {
        if (HRESULT h = ready(); FAILED(h)) return h;
        if (!writableOut(out)) return E_INVALIDARG;
        *out = nullptr;
        if (!isIid(iid, IID_IUnknown) && !isIid(iid, IID_IMAPIProp) && !isIid(iid, IID_IAddrBook))
            return E_NOINTERFACE;
        AddRef();
        *out = static_cast<IAddrBook*>(this);
        return S_OK;
    });
}

ULONG Provider::AddRef() {
    std::lock_guard g(lock_);
    return ++refs_;
}

ULONG Provider::Release() {
    ULONG left;
    {
        std::lock_guard g(lock_);
        left = --refs_;
    }
    if (!left) delete this;
    return left;
}

// ---- IMAPIProp

HRESULT Provider::GetLastError(HRESULT, ULONG, MAPIERROR**) {
    if (HRESULT h = ready(); FAILED(h)) return h;
    return S_OK;
}

HRESULT Provider::SaveChanges(ULONG flags) {
    return guarded([&] {
        if (HRESULT h = ready(); FAILED(h)) return h;
        return book_->SaveChanges(flags);
    });
}

HRESULT Provider::GetProps(const SPropTagArray* tags, ULONG flags, ULONG* count, SPropValue** values) {
    return guarded([&] {
        if (HRESULT h = ready(); FAILED(h)) return h;
        if (flags & MAPI_UNICODE) return MAPI_E_BAD_CHARWIDTH;
        if (!writableOut(count) || !writableOut(values)) return E_INVALIDARG;
        if (tags && (!readableIn(tags, sizeof(ULONG)) || !tags->cValues ||
                     !readableIn(tags, cbTagArray(tags->cValues))))
            return E_INVALIDARG;
        const ULONG n = tags ? tags->cValues : kOwnTagCount;
        const ULONG* wanted = tags ? tags->aulPropTag : kOwnTags;

        std::lock_guard g(lock_);
        SPropValue* v = nullptr;
        if (HRESULT h = pdxMemory_.root(sizeof(SPropValue) * size_t(n), &v); FAILED(h)) return h;
        Owned<SPropValue> hold(pdxMemory_, v);
        bool missing = false;
        for (ULONG i = 0; i < n; ++i) {
            const ULONG tag = wanted[i];
            v[i].ulPropTag = tag;
            switch (tag) {
            case PR_NULL: break;
            case PR_OBJECT_TYPE: v[i].Value.ul = MAPI_ABCONT; break;
            case PR_DEPTH: v[i].Value.l = 0; break;
            case PR_CONTAINER_FLAGS: v[i].Value.ul = containerFlags_; break;
            case PR_ENTRYID: {
                const std::vector<BYTE> root = policy_->ids().rootId();
                if (HRESULT h = pdxMemory_.more(root.size(), v, &v[i].Value.bin.lpb); FAILED(h)) return h;
                std::memcpy(v[i].Value.bin.lpb, root.data(), root.size());
                v[i].Value.bin.cb = ULONG(root.size());
                break;
            }
            case PR_DISPLAY_NAME:
                if (HRESULT h = pdxMemory_.more(displayName_.size() + 1, v, &v[i].Value.lpszA); FAILED(h)) return h;
                std::memcpy(v[i].Value.lpszA, displayName_.c_str(), displayName_.size() + 1);
                break;
            default:
                v[i].ulPropTag = CHANGE_PROP_TYPE(tag, PT_ERROR);
                v[i].Value.err = MAPI_E_NOT_FOUND;
                missing = true;
            }
        }
        *count = n;
        *values = hold.release();
        return missing ? MAPI_W_ERRORS_RETURNED : S_OK;
    });
}

HRESULT Provider::GetPropList(ULONG flags, SPropTagArray** tags) {
    return guarded([&] {
        if (HRESULT h = ready(); FAILED(h)) return h;
        if (flags & MAPI_UNICODE) return MAPI_E_BAD_CHARWIDTH;
        if (!writableOut(tags)) return E_INVALIDARG;
        std::lock_guard g(lock_);
        SPropTagArray* list = nullptr;
        if (HRESULT h = pdxMemory_.root(cbTagArray(kOwnTagCount), &list); FAILED(h)) return h;
        list->cValues = kOwnTagCount;
        std::memcpy(list->aulPropTag, kOwnTags, sizeof kOwnTags);
        *tags = list;
        return S_OK;
    });
}

HRESULT Provider::OpenProperty(ULONG tag, LPCIID iid, ULONG interfaceOptions, ULONG flags, IUnknown** out) {
    return guarded([&] {
        if (HRESULT h = ready(); FAILED(h)) return h;
        return forwardOpenProperty(*this, book_, tag, iid, interfaceOptions, flags, out);
    });
}

HRESULT Provider::SetProps(ULONG count, const SPropValue* values, SPropProblemArray** problems) {
    return guarded([&] {
        if (HRESULT h = ready(); FAILED(h)) return h;
        return forwardSetProps(*this, book_, count, values, problems);
    });
}

HRESULT Provider::DeleteProps(const SPropTagArray* tags, SPropProblemArray** problems) {
    return guarded([&] {
        if (HRESULT h = ready(); FAILED(h)) return h;
        return forwardDeleteProps(*this, book_, tags, problems);
    });
}

HRESULT Provider::CopyTo(ULONG ciidExclude, LPCIID iidExclude, const SPropTagArray* excludeTags, ULONG_PTR ulUIParam,
                         IMAPIProgress* progress, LPCIID iface, void* destination, ULONG flags,
                         SPropProblemArray** problems) {
    return guarded([&] {
        if (HRESULT h = ready(); FAILED(h)) return h;
        if (problems && !writableOut(problems)) return E_INVALIDARG;
        SPropProblemArray* from = nullptr;
        const HRESULT h = book_->CopyTo(ciidExclude, iidExclude, excludeTags, ulUIParam, progress, iface, destination,
                                        flags, problems ? &from : nullptr);
        return problemsToCaller(*this, h, from, problems);
    });
}

HRESULT Provider::CopyProps(const SPropTagArray* includeTags, ULONG_PTR ulUIParam, IMAPIProgress* progress,
                            LPCIID iface, void* destination, ULONG flags, SPropProblemArray** problems) {
    return guarded([&] {
        if (HRESULT h = ready(); FAILED(h)) return h;
        if (problems && !writableOut(problems)) return E_INVALIDARG;
        SPropProblemArray* from = nullptr;
        const HRESULT h = book_->CopyProps(includeTags, ulUIParam, progress, iface, destination, flags,
                                           problems ? &from : nullptr);
        return problemsToCaller(*this, h, from, problems);
    });
}

HRESULT Provider::GetNamesFromIDs(SPropTagArray** tags, GUID* propSet, ULONG flags, ULONG* count,
                                  MAPINAMEID*** names) {
    return guarded([&] {
        if (HRESULT h = ready(); FAILED(h)) return h;
        return forwardNamesFromIds(*this, book_, tags, propSet, flags, count, names);
    });
}

HRESULT Provider::GetIDsFromNames(ULONG count, MAPINAMEID** names, ULONG flags, SPropTagArray** tags) {
    return guarded([&] {
        if (HRESULT h = ready(); FAILED(h)) return h;
        return forwardIdsFromNames(*this, book_, count, names, flags, tags);
    });
}

// ---- IAddrBook

HRESULT Provider::OpenEntry(ULONG cbEntryID, ENTRYID* entryId, LPCIID iid, ULONG flags, ULONG* objType,
                            IUnknown** out) {
    return guarded([&] {
        if (HRESULT h = ready(); FAILED(h)) return h;
        return forwardOpenEntry(
            *this,
            [&](ULONG cb, ENTRYID* id, ULONG* type, IUnknown** object) {
                return book_->OpenEntry(cb, id, iid, flags, type, object);
            },
            cbEntryID, entryId, objType, out);
    });
}

HRESULT Provider::CompareEntryIDs(ULONG cb1, ENTRYID* id1, ULONG cb2, ENTRYID* id2, ULONG flags, ULONG* result) {
    return guarded([&] {
        if (HRESULT h = ready(); FAILED(h)) return h;
        if (!writableOut(result)) return E_INVALIDARG;
        if (!id1 || !id2) return MAPI_E_UNKNOWN_ENTRYID;
        const InwardId a = policy_->ids().inward(cb1, id1);
        const InwardId b = policy_->ids().inward(cb2, id2);
        if (a.kind == InwardId::Foreign || b.kind == InwardId::Foreign) return MAPI_E_UNKNOWN_ENTRYID;
        if (policy_->rootStaysLocal() && (a.kind == InwardId::Root || b.kind == InwardId::Root)) {
            *result = a.kind == InwardId::Root && b.kind == InwardId::Root ? 1 : 0;
            return S_OK;
        }
        return book_->CompareEntryIDs(a.cb, a.id, b.cb, b.id, flags, result);
    });
}

HRESULT Provider::Advise(ULONG cbEntryID, ENTRYID* entryId, ULONG eventMask, IMAPIAdviseSink* sink,
                         ULONG_PTR* connection) {
    return guarded([&] {
        if (HRESULT h = ready(); FAILED(h)) return h;
        const InwardId in = policy_->ids().inward(cbEntryID, entryId);
        if (in.kind == InwardId::Foreign) return MAPI_E_UNKNOWN_ENTRYID;
        return book_->Advise(in.cb, in.id, eventMask, sink, connection);
    });
}

HRESULT Provider::Unadvise(ULONG_PTR connection) {
    return guarded([&] {
        if (HRESULT h = ready(); FAILED(h)) return h;
        return book_->Unadvise(connection);
    });
}

HRESULT Provider::CreateOneOff(char*, char*, char*, ULONG, ULONG*, ENTRYID**) {
    if (HRESULT h = ready(); FAILED(h)) return h;
    return MAPI_E_NO_SUPPORT;
}

HRESULT Provider::templateFromPab(ULONG tag, ULONG* cb, ENTRYID** id) {
    *cb = 0;
    *id = nullptr;
    ULONG cbPab = 0;
    Owned<ENTRYID> pab(pdxMemory_);
    if (HRESULT h = GetPAB(&cbPab, pab.out()); FAILED(h)) return h;
    ULONG type = 0;
    object_ptr<IUnknown> container;
    if (HRESULT h = OpenEntry(cbPab, pab.get(), nullptr, 0, &type, container.out()); FAILED(h)) return h;
    SPropTagArray tags{1, {tag}};
    ULONG n = 0;
    Owned<SPropValue> value(pdxMemory_);
    HRESULT h = reinterpret_cast<IMAPIProp*>(container.get())->GetProps(&tags, 0, &n, value.out());
    if (FAILED(h)) return h;
    if (n != 1 || value->ulPropTag != tag) return MAPI_E_NOT_FOUND;
    // The value is already in the caller's form.
    return copyEntryId({pdxMemory_, nullptr, Conversion::ToCaller}, value->Value.bin.cb, value->Value.bin.lpb, cb, id);
}

HRESULT Provider::NewEntry(ULONG_PTR ulUIParam, ULONG flags, ULONG cbContainer, ENTRYID* container, ULONG cbTemplate,
                           ENTRYID* templateId, ULONG* cbNew, ENTRYID** newId) {
    return guarded([&] {
        if (HRESULT h = ready(); FAILED(h)) return h;
        if (!writableOut(cbNew) || !writableOut(newId)) return E_INVALIDARG;
        InwardId where{InwardId::Root, 0, nullptr};
        if (cbContainer && container) {
            where = policy_->ids().inward(cbContainer, container);
            if (where.kind == InwardId::Foreign) return MAPI_E_UNKNOWN_ENTRYID;
        }
        Owned<ENTRYID> chosen(pdxMemory_);
        if (!cbTemplate || !templateId) {
            ULONG tag = 0;
            if (HRESULT h = policy_->chooseRecordType(ulUIParam, &tag); FAILED(h)) return h;
            if (tag) {
                if (HRESULT h = templateFromPab(tag, &cbTemplate, chosen.out()); FAILED(h)) return h;
                templateId = chosen.get();
            }
        }
        InwardId from{InwardId::Root, 0, nullptr};
        if (cbTemplate && templateId) {
            from = policy_->ids().inward(cbTemplate, templateId);
            if (from.kind == InwardId::Foreign) return MAPI_E_UNKNOWN_ENTRYID;
        }
        ULONG cb = 0;
        Owned<ENTRYID> made(policy_->componentMemory());
        const HRESULT h = book_->NewEntry(ulUIParam, flags, where.cb, where.id, from.cb, from.id, &cb, made.out());
        if (FAILED(h)) return h;
        *cbNew = 0;
        *newId = nullptr;
        if (HRESULT c = copyEntryId(toCaller(), cb, reinterpret_cast<BYTE*>(made.get()), cbNew, newId); FAILED(c))
            return c;
        return h;
    });
}

HRESULT Provider::ResolveName(ULONG_PTR, ULONG, char*, ADRLIST*) {
    if (HRESULT h = ready(); FAILED(h)) return h;
    return MAPI_E_NO_SUPPORT;
}

HRESULT Provider::Address(ULONG_PTR* ulUIParam, ADRPARM* params, ADRLIST** list) {
    return guarded([&] {
        if (HRESULT h = ready(); FAILED(h)) return h;
        if (list && !writableOut(list)) return E_INVALIDARG;
        Owned<ADRLIST> inward(component());
        if (list)
            if (HRESULT c = copyAdrList(toComponent(), *list, inward.out()); FAILED(c)) return c;
        ADRLIST* result = inward.release();
        const HRESULT h = book_->Address(ulUIParam, params, list ? &result : nullptr);
        // The component may have replaced the list it was given.
        struct Free {
            const Allocator& a;
            ADRLIST*& l;
            ~Free() { freeAdrList(a, l); }
        } freeResult{component(), result};
        if (FAILED(h) || !list) return h;
        ADRLIST* copy = nullptr;
        if (HRESULT c = copyAdrList(toCaller(), result, &copy); FAILED(c)) return c;
        freeAdrList(pdxMemory_, *list);
        *list = copy;
        return h;
    });
}

HRESULT Provider::Details(ULONG_PTR* ulUIParam, DismissFn dismiss, void* dismissContext, ULONG cbEntryID,
                          ENTRYID* entryId, ButtonFn button, void* buttonContext, char* buttonText, ULONG flags) {
    return guarded([&] {
        if (HRESULT h = ready(); FAILED(h)) return h;
        InwardId in{InwardId::Root, 0, nullptr};
        if (cbEntryID || entryId) {
            in = policy_->ids().inward(cbEntryID, entryId);
            if (in.kind == InwardId::Foreign) return MAPI_E_UNKNOWN_ENTRYID;
        }
        return book_->Details(ulUIParam, dismiss, dismissContext, in.cb, in.id, button, buttonContext, buttonText,
                              flags);
    });
}

HRESULT Provider::RecipOptions(ULONG_PTR, ULONG, ADRENTRY*) {
    if (HRESULT h = ready(); FAILED(h)) return h;
    return MAPI_E_NO_SUPPORT;
}

HRESULT Provider::QueryDefaultRecipOpt(char*, ULONG, ULONG*, SPropValue**) {
    if (HRESULT h = ready(); FAILED(h)) return h;
    return MAPI_E_NO_SUPPORT;
}

HRESULT Provider::getDefault(GetDefaultFn get, ULONG* cbEntryID, ENTRYID** entryId) {
    if (HRESULT h = ready(); FAILED(h)) return h;
    if (!writableOut(cbEntryID) || !writableOut(entryId)) return E_INVALIDARG;
    ULONG cb = 0;
    Owned<ENTRYID> from(component());
    const HRESULT h = (book_->*get)(&cb, from.out());
    if (FAILED(h)) return h;
    *cbEntryID = 0;
    *entryId = nullptr;
    if (!cb || !from) return h;
    if (HRESULT c = copyEntryId(toCaller(), cb, reinterpret_cast<BYTE*>(from.get()), cbEntryID, entryId); FAILED(c))
        return c;
    return h;
}

HRESULT Provider::setDefault(SetDefaultFn set, ULONG cbEntryID, ENTRYID* entryId) {
    if (HRESULT h = ready(); FAILED(h)) return h;
    const InwardId in = policy_->ids().inward(cbEntryID, entryId);
    if (policy_->rootStaysLocal()) {
        if (in.kind != InwardId::Component || !cbEntryID) return E_INVALIDARG;
    } else if (in.kind == InwardId::Foreign) {
        return MAPI_E_UNKNOWN_ENTRYID;
    }
    return (book_->*set)(in.cb, in.id);
}

HRESULT Provider::GetPAB(ULONG* cbEntryID, ENTRYID** entryId) {
    return guarded([&] { return getDefault(&IAddrBook::GetPAB, cbEntryID, entryId); });
}
HRESULT Provider::SetPAB(ULONG cbEntryID, ENTRYID* entryId) {
    return guarded([&] { return setDefault(&IAddrBook::SetPAB, cbEntryID, entryId); });
}
HRESULT Provider::GetDefaultDir(ULONG* cbEntryID, ENTRYID** entryId) {
    return guarded([&] { return getDefault(&IAddrBook::GetDefaultDir, cbEntryID, entryId); });
}
HRESULT Provider::SetDefaultDir(ULONG cbEntryID, ENTRYID* entryId) {
    return guarded([&] { return setDefault(&IAddrBook::SetDefaultDir, cbEntryID, entryId); });
}

HRESULT Provider::GetSearchPath(ULONG flags, SRowSet** path) {
    return guarded([&] {
        if (HRESULT h = ready(); FAILED(h)) return h;
        if (!writableOut(path)) return E_INVALIDARG;
        SRowSet* from = nullptr;
        const HRESULT h = book_->GetSearchPath(flags, &from);
        struct Free {
            const Allocator& a;
            SRowSet* r;
            ~Free() { freeRows(a, r); }
        } freeFrom{component(), from};
        if (FAILED(h)) return h;
        *path = nullptr;
        if (HRESULT c = copyRows(toCaller(), from, path); FAILED(c)) return c;
        return h;
    });
}

HRESULT Provider::SetSearchPath(ULONG flags, SRowSet* path) {
    return guarded([&] {
        if (HRESULT h = ready(); FAILED(h)) return h;
        SRowSet* inward = nullptr;
        if (HRESULT c = copyRows(toComponent(), path, &inward); FAILED(c)) return c;
        const HRESULT h = book_->SetSearchPath(flags, inward);
        freeRows(component(), inward);
        return h;
    });
}

HRESULT Provider::PrepareRecips(ULONG flags, const SPropTagArray* tags, ADRLIST* list) {
    return guarded([&] {
        if (HRESULT h = ready(); FAILED(h)) return h;
        return forwardWithAdrList(*this, list,
                                  [&](ADRLIST* inward) { return book_->PrepareRecips(flags, tags, inward); });
    });
}

} // namespace pdx::proxy
