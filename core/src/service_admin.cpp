#include "service_admin.h"

#include <cstring>
#include <new>

#include "checks.h"
#include "pdx/guard.h"
#include "pdx/status.h"
#include "pdx/tags.h"
#include "platform/module.h"
#include "platform/system.h"
#include "profile_store.h"
#include "service_inf.h"
#include "support.h"

namespace pdx::core {

using Lock = std::lock_guard<std::recursive_mutex>;

namespace {

SPropValue uidValue(const MAPIUID& uid) {
    SPropValue v{};
    v.ulPropTag = PR_SERVICE_UID;
    v.Value.bin.cb = sizeof uid.ab;
    v.Value.bin.lpb = const_cast<BYTE*>(uid.ab);
    return v;
}

SPropValue stringValue(ULONG tag, const char* text) {
    SPropValue v{};
    v.ulPropTag = tag;
    v.Value.lpszA = const_cast<char*>(text);
    return v;
}

} // namespace

ServiceAdmin* ServiceAdmin::create(std::string profile, ULONG_PTR ulUIParam) {
    return new (std::nothrow) ServiceAdmin(std::move(profile), ulUIParam);
}

HRESULT ServiceAdmin::QueryInterface(LPCIID iid, void** out) {
    return guarded([&]() -> HRESULT {
        if (!writableOut(out)) return E_INVALIDARG;
        if (!isIid(iid, IID_IUnknown) && !isIid(iid, IID_IPDXServiceAdmin)) {
            *out = nullptr;
            return E_NOINTERFACE;
        }
        AddRef();
        *out = static_cast<IPDXServiceAdmin*>(this);
        return S_OK;
    });
}

ULONG ServiceAdmin::AddRef() {
    Lock g(lock_);
    return ++refs_;
}

ULONG ServiceAdmin::Release() {
    ULONG left;
    {
        Lock g(lock_);
        left = --refs_;
    }
    if (!left) delete this;
    return left;
}

HRESULT ServiceAdmin::GetLastError(HRESULT, ULONG, MAPIERROR**) { return S_OK; }

HRESULT ServiceAdmin::loadTable() {
    if (table_) return S_OK;
    RowStore rows;
    if (HRESULT h = readServices(profile_, rows); FAILED(h)) return h;
    Table* t = Table::create(std::move(rows));
    if (!t) return E_OUTOFMEMORY;
    table_.reset(t);
    return S_OK;
}

HRESULT ServiceAdmin::GetServiceTable(ULONG flags, IMAPITable** table) {
    return guarded([&]() -> HRESULT {
        if ((flags & MAPI_UNICODE) || !writableOut(table)) return E_FAIL;
        Lock g(lock_);
        if (FAILED(loadTable())) return E_FAIL;
        *table = table_.release(); // the caller takes over the cached table
        return S_OK;
    });
}

HRESULT ServiceAdmin::CreateService(const char* serviceName, const char* displayName, ULONG resourceFlags,
                                    ULONG_PTR ulUIParam, ULONG flags) {
    return guarded([&]() -> HRESULT {
        if (!serviceName || !displayName) return E_INVALIDARG;
        if (flags & MAPI_UNICODE) return MAPI_E_BAD_CHARWIDTH;
        RowStore offered;
        if (HRESULT h = readServiceList("Services", offered); FAILED(h)) return h;
        const PropList* found = offered.findRow(stringValue(PR_SERVICE_NAME, serviceName));
        if (!found) return MAPI_E_NOT_FOUND;
        PropList row = *found;
        const PropNode* display = row.find(PR_DISPLAY_NAME);
        if (!display || display->dataLength() <= 1) row.set(stringValue(PR_DISPLAY_NAME, displayName));
        SPropValue flagValue{};
        flagValue.ulPropTag = PR_RESOURCE_FLAGS;
        if (const PropNode* f = row.find(PR_RESOURCE_FLAGS)) flagValue.Value.ul = f->word(16);
        flagValue.Value.ul |= resourceFlags;
        row.set(flagValue);

        MAPIUID uid{};
        {
            Lock g(lock_);
            if (HRESULT h = loadTable(); FAILED(h)) return h;
            // A single-copy service is refused before anything is made or written.
            if ((flagValue.Value.ul & SERVICE_SINGLE_COPY) &&
                table_->store().findRow(stringValue(PR_SERVICE_NAME, serviceName)))
                return MAPI_E_COLLISION;
            const auto guid = platform::newGuid();
            std::memcpy(uid.ab, guid.data(), sizeof uid.ab);
            if (HRESULT h = row.set(uidValue(uid)); FAILED(h)) return h;
            if (HRESULT h = writeServiceRow(profile_, row); FAILED(h)) return h;
            table_->store().addRow(row, 0);
        }

        object_ptr<ProfileSection> section(ProfileSection::create(this, uid, row));
        HRESULT h = section ? callServiceEntry(section.get(), ulUIParam, flags, MSG_SERVICE_CREATE, 0, nullptr)
                            : E_OUTOFMEMORY;
        section.reset();
        if (FAILED(h)) DeleteService(&uid);
        return h;
    });
}

HRESULT ServiceAdmin::DeleteService(const MAPIUID* uid) {
    return guarded([&]() -> HRESULT {
        if (!uid || !readable(uid, sizeof *uid)) return E_INVALIDARG;
        Lock g(lock_);
        table_.reset();
        if (HRESULT h = loadTable(); FAILED(h)) return h;
        if (HRESULT h = table_->store().removeRow(uidValue(*uid)); FAILED(h)) return h;
        return writeServices(profile_, table_->store());
    });
}

HRESULT ServiceAdmin::ConfigureService(const MAPIUID* uid, ULONG_PTR ulUIParam, ULONG flags, ULONG count,
                                       const SPropValue* values) {
    return guarded([&]() -> HRESULT {
        if (!uid || !readable(uid, sizeof *uid)) return E_INVALIDARG;
        if (flags & MAPI_UNICODE) return MAPI_E_BAD_CHARWIDTH;
        {
            Lock g(lock_);
            table_.reset();
        }
        if (flags & (SERVICE_UI_ALWAYS | SERVICE_UI_ALLOWED)) {
            object_ptr<IProfSect> section;
            if (HRESULT h = OpenProfileSection(uid, nullptr, MAPI_MODIFY, section.out()); FAILED(h)) return h;
            return callServiceEntry(section.get(), ulUIParam, flags, MSG_SERVICE_CONFIGURE, count, values);
        }
        if (!count || !values || !readable(values, sizeof(SPropValue) * size_t(count))) return E_INVALIDARG;
        // The UID names the service's key: a damaged one is refused, and another
        // service's would move the settings to a key of their own.
        for (ULONG i = 0; i < count; ++i) {
            if (PROP_ID(values[i].ulPropTag) != PROP_ID(PR_SERVICE_UID)) continue;
            if (!wellFormedServiceUid(values[i])) return MAPI_E_MISSING_REQUIRED_COLUMN;
            if (std::memcmp(values[i].Value.bin.lpb, uid->ab, sizeof uid->ab) != 0) return E_ACCESSDENIED;
        }
        Lock g(lock_);
        if (HRESULT h = loadTable(); FAILED(h)) return h;
        RowStore& store = table_->store();
        if (HRESULT h = store.setRowProps(uidValue(*uid), count, values); FAILED(h)) return h;
        PropList* row = store.findRow(uidValue(*uid));
        if (!row) return MAPI_E_NOT_FOUND;
        return writeServiceRow(profile_, *row);
    });
}

HRESULT ServiceAdmin::OpenProfileSection(const MAPIUID* uid, LPCIID, ULONG flags, IProfSect** out) {
    return guarded([&]() -> HRESULT {
        if (!writableOut(out)) return E_INVALIDARG;
        *out = nullptr;
        if (flags & MAPI_UNICODE) return MAPI_E_BAD_CHARWIDTH;
        if (!uid || !readable(uid, sizeof *uid)) return E_INVALIDARG;
        Lock g(lock_);
        if (HRESULT h = loadTable(); FAILED(h)) return h;
        const PropList* row = table_->store().findRow(uidValue(*uid));
        if (!row) return MAPI_E_NOT_FOUND;
        ProfileSection* section = ProfileSection::create(this, *uid, *row);
        if (!section) return E_OUTOFMEMORY;
        *out = section;
        return S_OK;
    });
}

HRESULT ServiceAdmin::saveSection(const MAPIUID& uid, const PropList& props) {
    Lock g(lock_);
    if (HRESULT h = loadTable(); FAILED(h)) return h;
    PropList* row = table_->store().findRow(uidValue(uid));
    if (!row) return MAPI_E_NOT_FOUND;
    for (const auto& node : props.nodes())
        if (PROP_ID(node.tag()) != PROP_ID(PR_SERVICE_UID)) row->add(node); // the row keeps its own UID
    return writeServiceRow(profile_, *row);
}

// ---- profile section

ProfileSection* ProfileSection::create(ServiceAdmin* admin, const MAPIUID& uid, PropList props) {
    auto* s = new (std::nothrow) ProfileSection(admin, uid);
    if (s) {
        PropList& list = s->bag_.list();
        list = std::move(props);
        list.clearChanged();
        // The section belongs to its service for good: its UID names the
        // service's key and cannot be set or deleted through the section.
        if (PropNode* own = list.find(CHANGE_PROP_TYPE(PR_SERVICE_UID, PT_UNSPECIFIED))) own->flags |= kNodeReadOnly;
        s->bag_.setValueCheck([](const SPropValue& v) {
            const bool isUid = PROP_ID(v.ulPropTag) == PROP_ID(PR_SERVICE_UID);
            return isUid && !wellFormedServiceUid(v) ? MAPI_E_MISSING_REQUIRED_COLUMN : S_OK;
        });
    }
    return s;
}

HRESULT ProfileSection::QueryInterface(LPCIID iid, void** out) {
    return guarded([&]() -> HRESULT {
        if (!writableOut(out)) return E_INVALIDARG;
        if (!isIid(iid, IID_IUnknown) && !isIid(iid, IID_IMAPIProp) && !isIid(iid, IID_IProfSect)) {
            *out = nullptr;
            return E_NOINTERFACE;
        }
        AddRef();
        *out = static_cast<IProfSect*>(this);
        return S_OK;
    });
}

ULONG ProfileSection::AddRef() {
    Lock g(bag_.lock());
    return ++refs_;
}

ULONG ProfileSection::Release() {
    ULONG left;
    {
        Lock g(bag_.lock());
        left = --refs_;
    }
    if (!left) delete this;
    return left;
}

HRESULT ProfileSection::GetLastError(HRESULT, ULONG, MAPIERROR**) { return MAPI_E_NO_SUPPORT; }

HRESULT ProfileSection::SaveChanges(ULONG) {
    return guarded([&]() -> HRESULT {
        Lock g(bag_.lock());
        HRESULT h = admin_->saveSection(uid_, bag_.list());
        if (SUCCEEDED(h)) bag_.setModified(false);
        return h;
    });
}

HRESULT ProfileSection::GetProps(const SPropTagArray* tags, ULONG flags, ULONG* count, SPropValue** values) {
    return guarded([&]() -> HRESULT {
        return bag_.getProps(tags, flags, count, values);
    });
}
HRESULT ProfileSection::GetPropList(ULONG flags, SPropTagArray** tags) {
    return guarded([&] { return bag_.getPropList(flags, tags); });
}
HRESULT ProfileSection::OpenProperty(ULONG, LPCIID, ULONG, ULONG, IUnknown**) { return MAPI_E_NO_SUPPORT; }
HRESULT ProfileSection::SetProps(ULONG count, const SPropValue* values, SPropProblemArray** problems) {
    return guarded([&]() -> HRESULT {
        return bag_.setProps(count, values, problems);
    });
}
HRESULT ProfileSection::DeleteProps(const SPropTagArray* tags, SPropProblemArray** problems) {
    return guarded([&]() -> HRESULT {
        return bag_.deleteProps(tags, problems);
    });
}
HRESULT ProfileSection::CopyTo(ULONG, LPCIID, const SPropTagArray* excludeTags, ULONG_PTR, IMAPIProgress*,
                               LPCIID iface, void* destination, ULONG flags, SPropProblemArray** problems) {
    return guarded([&]() -> HRESULT {
        return bag_.copyTo(this, excludeTags, iface, destination, flags, problems);
    });
}
HRESULT ProfileSection::CopyProps(const SPropTagArray* includeTags, ULONG_PTR, IMAPIProgress*, LPCIID iface,
                                  void* destination, ULONG flags, SPropProblemArray** problems) {
    return guarded([&]() -> HRESULT {
        return copyProps(this, includeTags, iface, destination, flags, problems);
    });
}
HRESULT ProfileSection::GetNamesFromIDs(SPropTagArray**, GUID*, ULONG, ULONG*, MAPINAMEID***) {
    return MAPI_E_NO_SUPPORT;
}
HRESULT ProfileSection::GetIDsFromNames(ULONG, MAPINAMEID**, ULONG, SPropTagArray**) { return MAPI_E_NO_SUPPORT; }

// ---- service entry

HRESULT callServiceEntry(IProfSect* section, ULONG_PTR ulUIParam, ULONG flags, ULONG context, ULONG count,
                         const SPropValue* values) {
    object_ptr<Support> support(Support::createForServiceEntry(ulUIParam));
    if (!support) return E_OUTOFMEMORY;
    SPropTagArray* tags = nullptr;
    Buffer<SPropTagArray> tagBuffer;
    if (FAILED(allocRoot(cbTagArray(2), tagBuffer.out()))) return E_OUTOFMEMORY;
    tags = tagBuffer.get();
    tags->cValues = 2;
    tags->aulPropTag[0] = PR_SERVICE_DLL_NAME;
    tags->aulPropTag[1] = PR_SERVICE_ENTRY_NAME;
    ULONG n = 0;
    Buffer<SPropValue> names;
    HRESULT h = section->GetProps(tags, 0, &n, names.out());
    if (h != S_OK || n != 2 || names[0].ulPropTag != PR_SERVICE_DLL_NAME ||
        names[1].ulPropTag != PR_SERVICE_ENTRY_NAME)
        return MAPI_E_INVALID_OBJECT;

    platform::Module module;
    if (!module.load(names[0].Value.lpszA)) return MAPI_E_NOT_FOUND;
    auto entry = module.function<ServiceEntryFn>(names[1].Value.lpszA);
    if (!entry) return E_FAIL;
    // The entry's own address identifies its module to it. Whatever the
    // provider throws becomes its status, so the module is unloaded and a
    // failed creation still undone.
    h = guarded([&] {
        return entry(reinterpret_cast<void*>(entry), ulUIParam, flags, context, count, values, section, support.get());
    });
    module.unload();
    return h;
}

} // namespace pdx::core
