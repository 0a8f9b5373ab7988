#include "logon.h"

#include <cstring>
#include <memory>
#include <new>
#include <vector>

#include "container.h"
#include "entry_dialogs.h"
#include "fax_tags.h"
#include "mail_user.h"
#include "fax_memory.h"
#include "pdx/guard.h"
#include "pdx/status.h"
#include "store_library.h"

namespace vqfax {
namespace {

constexpr ULONG kLogonTags[] = {PR_DISPLAY_NAME, PR_ENTRYID, PR_OBJECT_TYPE, PR_DEPTH};

bool logonInterface(LPCIID iid) {
    return !iid || isIid(iid, IID_IMAPIContainer) || isIid(iid, IID_IABContainer) || isIid(iid, IID_IDistList) ||
           isIid(iid, IID_IMailUser) || isIid(iid, IID_IMAPIProp);
}

std::vector<uint8_t> bytesOf(ULONG cb, const ENTRYID* id) {
    if (!id || !cb) return {};
    const auto* p = reinterpret_cast<const uint8_t*>(id);
    return std::vector<uint8_t>(p, p + cb);
}

} // namespace

Logon* Logon::create(void* module, const MAPIUID& uid, const char* displayName, StoreBinding* binding,
                     IPDXSupport* support) {
    auto* logon = new (std::nothrow) Logon;
    if (!logon) return nullptr;
    logon->module_ = module;
    logon->uid_ = uid;
    logon->displayName_ = std::string(displayName ? displayName : "").substr(0, kDisplayNameBytes);
    logon->binding_ = binding;
    logon->support_ = support;
    support->AddRef();
    return logon;
}

Logon::~Logon() {
    for (AdviseNode& node : advise_) node.sink->Release();
    if (support_) support_->Release();
    if (binding_) binding_->release();
}

EntryId Logon::rootId() const { return EntryId{uid_, 0, 0, kRootRecord, kKindRoot}; }

EntryId Logon::templateId(ULONG kind) const {
    return EntryId{uid_, 0, 0, kindBase(kind) == kKindGroup ? kNewGroupRecord : kNewContactRecord, kind};
}

HRESULT Logon::openObject(const EntryId& id, ULONG* objType, IUnknown** out) {
    if (id.kind == kKindContact) {
        MailUser* user = nullptr;
        if (HRESULT h = MailUser::open(this, id, &user); FAILED(h)) return h;
        *objType = MAPI_MAILUSER;
        *out = user;
        return S_OK;
    }
    if (id.kind == kKindGroup) {
        Container* group = nullptr;
        if (HRESULT h = Container::open(this, id, &group); FAILED(h)) return h;
        *objType = MAPI_DISTLIST;
        *out = static_cast<IABContainer*>(group);
        return S_OK;
    }
    return MAPI_E_INVALID_ENTRYID;
}

void Logon::notifyModified() {
    std::vector<IMAPIAdviseSink*> sinks;
    {
        std::lock_guard g(lock_);
        for (AdviseNode& node : advise_) {
            node.sink->AddRef();
            sinks.push_back(node.sink);
        }
    }
    auto record = std::make_unique<NOTIFICATION>();
    record->ulEventType = fnevObjectModified;
    record->info.obj.ulObjType = 2;
    for (IMAPIAdviseSink* sink : sinks) {
        sink->OnNotify(1, record.get());
        sink->Release();
    }
}

HRESULT Logon::QueryInterface(LPCIID iid, void** out) {
    if (!writableOut(out)) return E_INVALIDARG;
    if (!isIid(iid, IID_IUnknown) && !isIid(iid, IID_IMAPIProp) && !isIid(iid, IID_IAddrBook)) {
        *out = nullptr;
        return E_NOINTERFACE;
    }
    AddRef();
    *out = static_cast<IAddrBook*>(this);
    return S_OK;
}

ULONG Logon::AddRef() {
    std::lock_guard g(lock_);
    return ++refs_;
}

ULONG Logon::Release() {
    ULONG left;
    {
        std::lock_guard g(lock_);
        left = --refs_;
    }
    if (!left) delete this;
    return left;
}

HRESULT Logon::GetLastError(HRESULT, ULONG, MAPIERROR**) { return MAPI_E_NO_SUPPORT; }
HRESULT Logon::SaveChanges(ULONG) { return MAPI_E_NO_SUPPORT; }

HRESULT Logon::GetProps(const SPropTagArray* tags, ULONG flags, ULONG* count, SPropValue** values) {
    return guarded([&]() -> HRESULT {
        if (flags & MAPI_UNICODE) return MAPI_E_BAD_CHARWIDTH;
        if (!writableOut(count) || !writableOut(values)) return E_INVALIDARG;
        if (tags && (!readableIn(tags, cbTagArray(0)) || !readableIn(tags, cbTagArray(tags->cValues))))
            return E_INVALIDARG;
        *count = 0;
        *values = nullptr;
        const ULONG n = tags ? tags->cValues : ULONG(std::size(kLogonTags));
        std::lock_guard g(lock_);
        Owned<SPropValue> out;
        if (HRESULT h = allocate(sizeof(SPropValue) * (n ? n : 1), out.out()); FAILED(h)) return h;
        HRESULT result = S_OK;
        const auto root = rootId().bytes();
        for (ULONG i = 0; i < n; ++i) {
            const ULONG tag = tags ? tags->aulPropTag[i] : kLogonTags[i];
            SPropValue& v = out[i];
            v = SPropValue{};
            v.ulPropTag = tag;
            HRESULT copied = S_OK;
            switch (tag) {
            case PR_NULL: break;
            case PR_OBJECT_TYPE: v.Value.l = MAPI_ABCONT; break;
            case PR_DEPTH: v.Value.l = 0; break;
            case PR_CONTAINER_FLAGS: v.Value.l = kContainerFlags; break;
            case PR_ENTRYID:
                copied = PropValue::binary(PR_ENTRYID, root.data(), root.size()).copyOut(v, out.get());
                break;
            case PR_DISPLAY_NAME:
                copied = PropValue::string8(PR_DISPLAY_NAME, displayName_).copyOut(v, out.get());
                break;
            case PR_SERVICE_DLL_NAME:
                copied = PropValue::string8(PR_SERVICE_DLL_NAME, kServiceDllName).copyOut(v, out.get());
                break;
            default:
                v = missingValue(tag, MAPI_E_NOT_FOUND);
                result = MAPI_W_ERRORS_RETURNED;
                break;
            }
            if (FAILED(copied)) {
                v = missingValue(tag, E_OUTOFMEMORY);
                result = MAPI_W_ERRORS_RETURNED;
            }
        }
        *count = n;
        *values = out.release();
        return result;
    });
}

HRESULT Logon::GetPropList(ULONG flags, SPropTagArray** tags) {
    return guarded([&]() -> HRESULT {
        if (flags & MAPI_UNICODE) return MAPI_E_BAD_CHARWIDTH;
        if (!writableOut(tags)) return E_INVALIDARG;
        *tags = nullptr;
        std::lock_guard g(lock_);
        Owned<SPropTagArray> out;
        if (HRESULT h = allocate(cbTagArray(ULONG(std::size(kLogonTags))), out.out()); FAILED(h)) return h;
        out->cValues = ULONG(std::size(kLogonTags));
        std::memcpy(out->aulPropTag, kLogonTags, sizeof kLogonTags);
        *tags = out.release();
        return S_OK;
    });
}

HRESULT Logon::OpenProperty(ULONG, LPCIID, ULONG, ULONG, IUnknown**) { return MAPI_E_NO_SUPPORT; }
HRESULT Logon::SetProps(ULONG, const SPropValue*, SPropProblemArray**) { return MAPI_E_NO_SUPPORT; }
HRESULT Logon::DeleteProps(const SPropTagArray*, SPropProblemArray**) { return MAPI_E_NO_SUPPORT; }
HRESULT Logon::CopyTo(ULONG, LPCIID, const SPropTagArray*, ULONG_PTR, IMAPIProgress*, LPCIID, void*, ULONG,
                      SPropProblemArray**) {
    return MAPI_E_NO_SUPPORT;
}
HRESULT Logon::CopyProps(const SPropTagArray*, ULONG_PTR, IMAPIProgress*, LPCIID, void*, ULONG, SPropProblemArray**) {
    return MAPI_E_NO_SUPPORT;
}
HRESULT Logon::GetNamesFromIDs(SPropTagArray**, GUID*, ULONG, ULONG*, MAPINAMEID***) { return MAPI_E_NO_SUPPORT; }
HRESULT Logon::GetIDsFromNames(ULONG, MAPINAMEID**, ULONG, SPropTagArray**) { return MAPI_E_NO_SUPPORT; }

HRESULT Logon::OpenEntry(ULONG cbEntryID, ENTRYID* entryId, LPCIID iid, ULONG, ULONG* objType, IUnknown** out) {
    return guarded([&]() -> HRESULT {
        if (!logonInterface(iid)) return E_NOINTERFACE;
        if (!writableOut(objType) || !writableOut(out)) return E_INVALIDARG;
        *out = nullptr;
        std::lock_guard g(lock_);
        const ULONG kind = classify(cbEntryID, entryId, uid_);
        EntryId id;
        const bool parsed = parseOwn(cbEntryID, entryId, uid_, id);
        if (kind == kKindRoot) {
            if (parsed && id.record != kRootRecord) return MAPI_E_INVALID_ENTRYID;
            Container* root = nullptr;
            if (HRESULT h = Container::open(this, rootId(), &root); FAILED(h)) return h;
            *objType = MAPI_ABCONT;
            *out = static_cast<IABContainer*>(root);
            return S_OK;
        }
        if (!parsed) return MAPI_E_INVALID_ENTRYID;
        return openObject(id, objType, out);
    });
}

HRESULT Logon::CompareEntryIDs(ULONG cb1, ENTRYID* id1, ULONG cb2, ENTRYID* id2, ULONG, ULONG* result) {
    return guarded([&]() -> HRESULT {
        if (!validForComparison(cb1, id1, uid_) || !validForComparison(cb2, id2, uid_)) return E_INVALIDARG;
        if (!writableOut(result)) return E_INVALIDARG;
        const EntryId a = EntryId::parse(reinterpret_cast<const uint8_t*>(id1));
        const EntryId b = EntryId::parse(reinterpret_cast<const uint8_t*>(id2));
        *result = a.record == b.record && a.kind == b.kind && std::memcmp(a.uid.ab, b.uid.ab, 16) == 0;
        return S_OK;
    });
}

HRESULT Logon::Advise(ULONG cbEntryID, ENTRYID* entryId, ULONG eventMask, IMAPIAdviseSink* sink,
                      ULONG_PTR* connection) {
    return guarded([&]() -> HRESULT {
        std::lock_guard g(lock_);
        const ULONG_PTR number = ++adviseCalls_;
        if (classify(cbEntryID, entryId, uid_) == kKindForeign) return MAPI_E_INVALID_ENTRYID;
        if (eventMask & ~fnevObjectModified) return MAPI_E_NO_SUPPORT;
        if (!sink || !writableOut(connection)) return E_INVALIDARG;
        advise_.push_back(AdviseNode{bytesOf(cbEntryID, entryId), eventMask, sink, number});
        sink->AddRef();
        *connection = number;
        return S_OK;
    });
}

HRESULT Logon::Unadvise(ULONG_PTR connection) {
    IMAPIAdviseSink* sink = nullptr;
    {
        std::lock_guard g(lock_);
        for (auto it = advise_.begin(); it != advise_.end(); ++it) {
            if (it->connection == connection) {
                sink = it->sink;
                advise_.erase(it);
                break;
            }
        }
    }
    if (sink) sink->Release();
    return S_OK;
}

HRESULT Logon::CreateOneOff(char*, char*, char*, ULONG, ULONG*, ENTRYID**) { return MAPI_E_NO_SUPPORT; }

HRESULT Logon::NewEntry(ULONG_PTR ulUIParam, ULONG, ULONG cbContainer, ENTRYID* container, ULONG cbTemplate,
                        ENTRYID* templateId, ULONG* cbNew, ENTRYID** newId) {
    return guarded([&]() -> HRESULT {
        if (!writableOut(cbNew) || !writableOut(newId)) return E_INVALIDARG;
        const bool haveContainer = cbContainer && container;
        if (haveContainer && classify(cbContainer, container, uid_) != kKindRoot) return MAPI_E_UNKNOWN_ENTRYID;
        EntryDialogContext context;
        context.module = module_;
        context.logon = this;
        context.ulUIParam = ulUIParam;
        context.cbNewEntryId = cbNew;
        context.newEntryId = newId;
        context.containerId = bytesOf(haveContainer ? cbContainer : 0, container);
        if (cbTemplate && templateId) {
            context.templateId = bytesOf(cbTemplate, templateId);
        } else {
            ULONG templateTag = 0;
            if (HRESULT h = entryDialogs().chooseRecordType(ulUIParam, templateTag); FAILED(h)) return h;
            // The template the chosen property of the container (the root) holds.
            ULONG type = 0;
            object_ptr<IUnknown> opened;
            if (HRESULT h = OpenEntry(cbContainer, container, nullptr, 0, &type, opened.out()); FAILED(h)) return h;
            auto* root = static_cast<IABContainer*>(opened.get());
            SPropTagArray tag{1, {templateTag}};
            ULONG n = 0;
            Owned<SPropValue> value;
            if (HRESULT h = root->GetProps(&tag, 0, &n, value.out()); FAILED(h)) return h;
            if (n != 1 || PROP_TYPE(value[0].ulPropTag) != PT_BINARY) return MAPI_E_UNKNOWN_ENTRYID;
            context.templateId.assign(value[0].Value.bin.lpb, value[0].Value.bin.lpb + value[0].Value.bin.cb);
        }
        const ULONG kind = classify(ULONG(context.templateId.size()),
                                    reinterpret_cast<const ENTRYID*>(context.templateId.data()), uid_);
        if (!(kind & kKindTemplate)) return MAPI_E_UNKNOWN_ENTRYID;
        if (kindBase(kind) == kKindContact) return entryDialogs().editPerson(context);
        if (kindBase(kind) == kKindGroup) return entryDialogs().editGroup(context);
        return MAPI_E_UNKNOWN_ENTRYID;
    });
}

HRESULT Logon::ResolveName(ULONG_PTR, ULONG, char*, ADRLIST*) { return MAPI_E_NO_SUPPORT; }
HRESULT Logon::Address(ULONG_PTR*, ADRPARM*, ADRLIST**) { return MAPI_E_NO_SUPPORT; }

HRESULT Logon::Details(ULONG_PTR* ulUIParam, DismissFn, void*, ULONG cbEntryID, ENTRYID* entryId, ButtonFn, void*,
                       char*, ULONG) {
    return guarded([&]() -> HRESULT {
        EntryDialogContext context;
        context.module = module_;
        context.logon = this;
        context.ulUIParam = ulUIParam && readableIn(ulUIParam, sizeof *ulUIParam) ? *ulUIParam : 0;
        context.entryId = bytesOf(cbEntryID, entryId);
        const ULONG kind = classify(cbEntryID, entryId, uid_);
        if (kind == kKindContact) return entryDialogs().editPerson(context);
        if (kind == kKindGroup) return entryDialogs().editGroup(context);
        return MAPI_E_INVALID_ENTRYID;
    });
}

HRESULT Logon::RecipOptions(ULONG_PTR, ULONG, ADRENTRY*) { return MAPI_E_NO_SUPPORT; }
HRESULT Logon::QueryDefaultRecipOpt(char*, ULONG, ULONG*, SPropValue**) { return MAPI_E_NO_SUPPORT; }
HRESULT Logon::GetPAB(ULONG*, ENTRYID**) { return MAPI_E_NO_SUPPORT; }
HRESULT Logon::SetPAB(ULONG, ENTRYID*) { return MAPI_E_NO_SUPPORT; }
HRESULT Logon::GetDefaultDir(ULONG*, ENTRYID**) { return MAPI_E_NO_SUPPORT; }
HRESULT Logon::SetDefaultDir(ULONG, ENTRYID*) { return MAPI_E_NO_SUPPORT; }
HRESULT Logon::GetSearchPath(ULONG, SRowSet**) { return MAPI_E_NO_SUPPORT; }
HRESULT Logon::SetSearchPath(ULONG, SRowSet*) { return MAPI_E_NO_SUPPORT; }

} // namespace vqfax
