#include "prof_admin.h"

#include <new>

#include "allocator.h"
#include "checks.h"
#include "dialogs.h"
#include "pdx/guard.h"
#include "pdx/status.h"
#include "pdx/tags.h"
#include "platform/codepage.h"
#include "platform/system.h"
#include "profile_store.h"
#include "service_admin.h"
#include "service_inf.h"

using namespace pdx;
using namespace pdx::core;

PDX_EXPORT HRESULT PDXAdminProfiles(ULONG flags, IPDXProfAdmin** out) {
    return guarded([&]() -> HRESULT {
        if (flags & MAPI_UNICODE) return MAPI_E_BAD_CHARWIDTH;
        if (!writableOut(out)) return E_INVALIDARG;
        ProfAdmin* admin = ProfAdmin::create();
        if (!admin) return E_OUTOFMEMORY;
        *out = admin;
        return S_OK;
    });
}

namespace pdx::core {

using Lock = std::lock_guard<std::recursive_mutex>;

ProfAdmin* ProfAdmin::create() { return new (std::nothrow) ProfAdmin(); }

HRESULT ProfAdmin::QueryInterface(LPCIID iid, void** out) {
    return guarded([&]() -> HRESULT {
        if (!writableOut(out)) return E_INVALIDARG;
        if (!isIid(iid, IID_IUnknown) && !isIid(iid, IID_IPDXProfAdmin)) {
            *out = nullptr;
            return E_NOINTERFACE;
        }
        AddRef();
        *out = static_cast<IPDXProfAdmin*>(this);
        return S_OK;
    });
}

ULONG ProfAdmin::AddRef() {
    Lock g(lock_);
    return ++refs_;
}

ULONG ProfAdmin::Release() {
    ULONG left;
    {
        Lock g(lock_);
        left = --refs_;
    }
    if (!left) delete this;
    return left;
}

HRESULT ProfAdmin::GetLastError(HRESULT, ULONG, MAPIERROR**) { return S_OK; }

HRESULT ProfAdmin::loadTable() {
    if (table_) return S_OK;
    RowStore rows;
    platform::RegKey root;
    if (openRoot(false, root) == platform::kRegOk) {
        std::string def;
        if (root.queryString(kDefaultProfileValue, def) != platform::kRegOk) def.clear();
        for (uint32_t i = 0;; ++i) {
            std::string name;
            platform::RegStatus r = root.enumKey(i, name);
            if (r == platform::kRegNoMoreItems) break;
            if (r != platform::kRegOk) return E_FAIL;
            SPropValue values[2] = {};
            values[0].ulPropTag = PR_DISPLAY_NAME;
            values[0].Value.lpszA = name.data();
            values[1].ulPropTag = PR_DEFAULT_PROFILE;
            values[1].Value.b = !def.empty() && platform::foldCaseUtf8(platform::systemToUtf8(def)) ==
                                                    platform::foldCaseUtf8(platform::systemToUtf8(name));
            if (HRESULT h = rows.addRow(values, 2, rows.size()); FAILED(h)) return h;
        }
    }
    Table* t = Table::create(std::move(rows));
    if (!t) return E_OUTOFMEMORY;
    table_.reset(t);
    return S_OK;
}

bool ProfAdmin::listed(const char* name) {
    if (!name) return false;
    Lock g(lock_);
    if (FAILED(loadTable())) return false;
    SPropValue key{};
    key.ulPropTag = PR_DISPLAY_NAME;
    key.Value.lpszA = const_cast<char*>(name);
    return table_->store().findRow(key) != nullptr;
}

bool ProfAdmin::taken(const char* name) { return profileKeyExists(name); }

HRESULT ProfAdmin::GetProfileTable(ULONG flags, IMAPITable** table) {
    return guarded([&]() -> HRESULT {
        if (flags & MAPI_UNICODE) return MAPI_E_BAD_CHARWIDTH;
        if (!writableOut(table)) return E_INVALIDARG;
        Lock g(lock_);
        if (HRESULT h = loadTable(); FAILED(h)) return h;
        table_->AddRef();
        *table = table_.get();
        return S_OK;
    });
}

HRESULT ProfAdmin::CreateProfile(const char* name, ULONG_PTR ulUIParam, ULONG flags) {
    return guarded([&]() -> HRESULT {
        if (flags & MAPI_UNICODE) return MAPI_E_BAD_CHARWIDTH;
        if (!validProfileName(name)) return E_INVALIDARG;
        Lock g(lock_);
        if (listed(name) || taken(name)) return E_ACCESSDENIED;
        RowStore services;
        if (flags & MAPI_DEFAULT_SERVICES)
            if (HRESULT h = readServiceList("Default Services", services); FAILED(h)) return h;
        for (auto& row : services.rows()) {
            const auto guid = platform::newGuid();
            SPropValue uid{};
            uid.ulPropTag = PR_SERVICE_UID;
            uid.Value.bin.cb = ULONG(guid.size());
            uid.Value.bin.lpb = const_cast<BYTE*>(guid.data());
            if (HRESULT h = row.set(uid); FAILED(h)) return h;
        }
        HRESULT h = writeServices(name, services);
        table_.reset();
        if (FAILED(h)) return h;

        if (flags & MAPI_DIALOG) {
            object_ptr<IPDXServiceAdmin> admin;
            h = AdminServices(name, 0, admin.out());
            const int button = SUCCEEDED(h) ? showAddressBookList(ulUIParam, admin.get()) : kDialogFailed;
            admin.reset();
            if (button != kDialogOk) {
                deleteProfileKey(name);
                table_.reset();
                return MAPI_E_USER_CANCEL;
            }
        }
        return S_OK;
    });
}

HRESULT ProfAdmin::DeleteProfile(const char* name, ULONG flags) {
    return guarded([&]() -> HRESULT {
        if (flags & MAPI_UNICODE) return MAPI_E_BAD_CHARWIDTH;
        Lock g(lock_);
        if (!listed(name)) return MAPI_E_NOT_FOUND;
        HRESULT h = deleteProfileKey(name);
        table_.reset();
        return h;
    });
}

HRESULT ProfAdmin::ConfigureProfile(const char* name, ULONG_PTR ulUIParam, ULONG flags) {
    return guarded([&]() -> HRESULT {
        if (flags & MAPI_UNICODE) return MAPI_E_BAD_CHARWIDTH;
        Lock g(lock_);
        object_ptr<IPDXServiceAdmin> admin;
        if (HRESULT h = AdminServices(name, 0, admin.out()); FAILED(h)) return h;
        RowStore before;
        if (HRESULT h = readServices(name, before); FAILED(h)) return h;
        const int button = showAddressBookList(ulUIParam, admin.get());
        admin.reset();
        if (button == kDialogOk) return S_OK;
        writeServices(name, before);
        return MAPI_E_USER_CANCEL;
    });
}

HRESULT ProfAdmin::CopyProfile(const char* oldName, const char* newName, ULONG flags) {
    return guarded([&]() -> HRESULT {
        if (flags & MAPI_UNICODE) return MAPI_E_BAD_CHARWIDTH;
        if (!validProfileName(oldName) || !validProfileName(newName)) return E_INVALIDARG;
        Lock g(lock_);
        if (listed(newName) || taken(newName)) return E_ACCESSDENIED;
        RowStore services;
        if (HRESULT h = readServices(oldName, services); FAILED(h)) return h;
        HRESULT h = writeServices(newName, services);
        table_.reset();
        return h;
    });
}

HRESULT ProfAdmin::RenameProfile(const char* oldName, const char* newName, ULONG flags) {
    return guarded([&]() -> HRESULT {
        if (flags & MAPI_UNICODE) return MAPI_E_BAD_CHARWIDTH;
        if (!validProfileName(oldName) || !validProfileName(newName)) return E_INVALIDARG;
        Lock g(lock_);
        // A name that differs only in letter case is the same registry key: writing
        // it and deleting the old one would lose the profile.
        if (listed(newName) || taken(newName)) return E_ACCESSDENIED;
        // Exactly as listed, as DeleteProfile needs it: the registry would find
        // "ONE" for "One", but the default would keep pointing at the old name.
        if (!listed(oldName)) return MAPI_E_NOT_FOUND;
        RowStore services;
        if (HRESULT h = readServices(oldName, services); FAILED(h)) return h;
        if (HRESULT h = writeServices(newName, services); FAILED(h)) {
            table_.reset();
            return h;
        }
        bool wasDefault = false;
        if (SUCCEEDED(loadTable())) {
            SPropValue key{};
            key.ulPropTag = PR_DISPLAY_NAME;
            key.Value.lpszA = const_cast<char*>(oldName);
            if (const PropList* row = table_->store().findRow(key))
                if (const PropNode* d = row->find(PR_DEFAULT_PROFILE)) wasDefault = (d->word(16) & 0xFFFF) != 0;
        }
        HRESULT h = S_OK;
        if (wasDefault) {
            platform::RegKey root;
            if (openRoot(true, root) != platform::kRegOk ||
                root.setString(kDefaultProfileValue, newName) != platform::kRegOk)
                h = E_FAIL;
        }
        if (SUCCEEDED(h)) h = deleteProfileKey(oldName);
        table_.reset();
        return h;
    });
}

HRESULT ProfAdmin::SetDefaultProfile(const char* name, ULONG flags) {
    return guarded([&]() -> HRESULT {
        if (flags & MAPI_UNICODE) return MAPI_E_BAD_CHARWIDTH;
        Lock g(lock_);
        if (name && !listed(name)) return MAPI_E_NOT_FOUND;
        platform::RegKey root;
        if (openRoot(true, root) != platform::kRegOk) return E_FAIL;
        HRESULT h = S_OK;
        if (name) {
            if (root.setString(kDefaultProfileValue, name) != platform::kRegOk) h = E_FAIL;
        } else {
            platform::RegStatus r = root.deleteValue(kDefaultProfileValue);
            if (r != platform::kRegOk && r != platform::kRegFileNotFound) h = E_FAIL;
        }
        table_.reset();
        return h;
    });
}

HRESULT ProfAdmin::AdminServices(const char* name, ULONG flags, IPDXServiceAdmin** out) {
    return guarded([&]() -> HRESULT {
        if (flags & MAPI_UNICODE) return MAPI_E_BAD_CHARWIDTH;
        if (!writableOut(out)) return E_INVALIDARG;
        if (!listed(name)) return MAPI_E_NOT_FOUND;
        ServiceAdmin* admin = ServiceAdmin::create(name, 0);
        if (!admin) return E_OUTOFMEMORY;
        *out = admin;
        return S_OK;
    });
}

} // namespace pdx::core
