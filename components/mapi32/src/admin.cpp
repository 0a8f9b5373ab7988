#include "admin.h"

#include <cstring>

#include "counted.h"
#include "ldap_directory.h"
#include "memory.h"
#include "objects.h"
#include "pdx/guard.h"
#include "pdx/status.h"
#include "pdx/tags.h"
#include "platform/system.h"
#include "profile_store.h"

namespace mapi32 {

using namespace pdx;

namespace {

std::string_view textOf(const char* s) { return s ? std::string_view(s) : std::string_view(); }

class ServiceAdmin final : public Counted<IMsgServiceAdmin> {
public:
    explicit ServiceAdmin(std::string profile) : profile_(std::move(profile)) {}

    HRESULT GetLastError(HRESULT, ULONG, MAPIERROR**) override { return MAPI_E_NO_SUPPORT; }
    HRESULT GetMsgServiceTable(ULONG flags, IMAPITable** table) override {
        if (!table) return E_INVALIDARG;
        *table = nullptr;
        if (flags & MAPI_UNICODE) return MAPI_E_BAD_CHARWIDTH;
        return guarded([&] {
            std::vector<ServiceConfig> services;
            if (HRESULT h = profiles::services(profile_, services); FAILED(h)) return h;
            std::vector<TableRow> rows;
            for (const ServiceConfig& s : services) {
                auto row = std::make_shared<common::PropArray>();
                row->setString(PR_DISPLAY_NAME, s.displayName);
                row->setString(PR_SERVICE_NAME, s.kind);
                row->setString(PR_VELMO_SERVICE_KIND, s.kind);
                row->setBinary(PR_SERVICE_UID, s.uid.ab, 16);
                row->setBinary(PR_INSTANCE_KEY, s.uid.ab, 16);
                row->setLong(PR_RESOURCE_FLAGS, 0);
                for (const auto& [tag, text] : s.settings) row->setString(tag, text);
                rows.push_back(row);
            }
            return newTable(std::move(rows), nullptr, table);
        });
    }
    HRESULT CreateMsgService(const char* service, const char* displayName, ULONG_PTR, ULONG flags) override {
        if (!service) return E_INVALIDARG;
        if (flags & MAPI_UNICODE) return MAPI_E_BAD_CHARWIDTH;
        return guarded([&] {
            MAPIUID uid;
            const std::string_view name = displayName && *displayName ? textOf(displayName) : textOf(service);
            return profiles::addService(profile_, service, name, uid);
        });
    }
    HRESULT DeleteMsgService(const MAPIUID* uid) override {
        if (!uid) return E_INVALIDARG;
        return guarded([&] { return profiles::removeService(profile_, *uid); });
    }
    HRESULT CopyMsgService(const MAPIUID*, const char*, LPCIID, LPCIID, void*, ULONG_PTR, ULONG) override {
        return MAPI_E_NO_SUPPORT;
    }
    HRESULT RenameMsgService(const MAPIUID* uid, ULONG flags, const char* displayName) override {
        if (!uid || !displayName) return E_INVALIDARG;
        if (flags & MAPI_UNICODE) return MAPI_E_BAD_CHARWIDTH;
        return guarded([&] { return profiles::renameService(profile_, *uid, displayName); });
    }
    // Settings are given as values; there is no configuration dialog.
    HRESULT ConfigureMsgService(const MAPIUID* uid, ULONG_PTR, ULONG flags, ULONG count,
                                const SPropValue* values) override {
        if (!uid) return E_INVALIDARG;
        if (flags & MAPI_UNICODE) return MAPI_E_BAD_CHARWIDTH;
        if (!count) return MAPI_E_NO_SUPPORT;
        if (!values || !platform::isReadable(values, sizeof(SPropValue) * size_t(count))) return E_INVALIDARG;
        return guarded([&] {
            std::vector<std::pair<ULONG, std::string>> settings;
            for (ULONG i = 0; i < count; ++i) {
                const SPropValue& v = values[i];
                if (!isServiceSetting(v.ulPropTag)) return E_INVALIDARG;
                std::string text = v.Value.lpszA ? v.Value.lpszA : "";
                // A password file that others can read is refused before it is ever used.
                if (v.ulPropTag == PR_VELMO_LDAP_PASSWORD_FILE && !text.empty()) {
                    std::string password;
                    if (HRESULT h = LdapDirectory::readPassword(text, password); FAILED(h)) return h;
                }
                settings.emplace_back(v.ulPropTag, std::move(text));
            }
            return profiles::configureService(profile_, *uid, settings);
        });
    }
    HRESULT OpenProfileSection(const MAPIUID*, LPCIID, ULONG, IProfSect** out) override {
        if (out) *out = nullptr;
        return MAPI_E_NO_SUPPORT;
    }
    HRESULT MsgServiceTransportOrder(ULONG, const MAPIUID*, ULONG) override { return MAPI_E_NO_SUPPORT; }
    HRESULT AdminProviders(const MAPIUID*, ULONG, IUnknown** out) override {
        if (out) *out = nullptr;
        return MAPI_E_NO_SUPPORT;
    }
    HRESULT SetPrimaryIdentity(const MAPIUID*, ULONG) override { return MAPI_E_NO_SUPPORT; }
    HRESULT GetProviderTable(ULONG, IMAPITable** table) override {
        if (table) *table = nullptr;
        return MAPI_E_NO_SUPPORT;
    }

private:
    std::string profile_;
};

class ProfAdmin final : public Counted<IProfAdmin> {
public:
    HRESULT GetLastError(HRESULT, ULONG, MAPIERROR**) override { return MAPI_E_NO_SUPPORT; }
    HRESULT GetProfileTable(ULONG flags, IMAPITable** table) override {
        if (!table) return E_INVALIDARG;
        *table = nullptr;
        if (flags & MAPI_UNICODE) return MAPI_E_BAD_CHARWIDTH;
        return guarded([&] {
            std::vector<ProfileInfo> all;
            if (HRESULT h = profiles::list(all); FAILED(h)) return h;
            std::vector<TableRow> rows;
            for (const ProfileInfo& p : all) {
                auto row = std::make_shared<common::PropArray>();
                row->setString(PR_DISPLAY_NAME, p.name);
                SPropValue isDefault{};
                isDefault.ulPropTag = PR_DEFAULT_PROFILE;
                isDefault.Value.b = p.isDefault ? 1 : 0;
                row->set(isDefault);
                rows.push_back(row);
            }
            struct {
                ULONG c;
                ULONG t[2];
            } columns = {2, {PR_DISPLAY_NAME, PR_DEFAULT_PROFILE}};
            return newTable(std::move(rows), reinterpret_cast<const SPropTagArray*>(&columns), table);
        });
    }
    HRESULT CreateProfile(const char* name, const char*, ULONG_PTR, ULONG flags) override {
        if (!name) return E_INVALIDARG;
        if (flags & MAPI_UNICODE) return MAPI_E_BAD_CHARWIDTH;
        return guarded([&] { return profiles::create(name); });
    }
    HRESULT DeleteProfile(const char* name, ULONG) override {
        if (!name) return E_INVALIDARG;
        return guarded([&] { return profiles::remove(name); });
    }
    HRESULT ChangeProfilePassword(const char*, const char*, const char*, ULONG) override { return MAPI_E_NO_SUPPORT; }
    HRESULT CopyProfile(const char*, const char*, const char*, ULONG_PTR, ULONG) override { return MAPI_E_NO_SUPPORT; }
    HRESULT RenameProfile(const char*, const char*, const char*, ULONG_PTR, ULONG) override {
        return MAPI_E_NO_SUPPORT;
    }
    HRESULT SetDefaultProfile(const char* name, ULONG) override {
        if (!name) return E_INVALIDARG;
        return guarded([&] { return profiles::setDefault(name); });
    }
    HRESULT AdminServices(const char* name, const char*, ULONG_PTR, ULONG flags, IMsgServiceAdmin** out) override {
        if (!name || !out) return E_INVALIDARG;
        *out = nullptr;
        if (flags & MAPI_UNICODE) return MAPI_E_BAD_CHARWIDTH;
        return guarded([&] {
            std::string stored;
            if (HRESULT h = profiles::find(name, stored); FAILED(h)) return h;
            *out = newServiceAdmin(stored);
            return S_OK;
        });
    }
};

} // namespace

IProfAdmin* newProfAdmin() { return new ProfAdmin; }
IMsgServiceAdmin* newServiceAdmin(std::string profile) { return new ServiceAdmin(std::move(profile)); }

} // namespace mapi32
