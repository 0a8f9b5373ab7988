#include "profile_store.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "pdx/mapi.h"
#include "pdx/status.h"
#include "platform/codepage.h"
#include "platform/registry.h"
#include "platform/system.h"

namespace mapi32 {

using namespace pdx;
using platform::RegKey;
using platform::RegRoot;

namespace {

constexpr std::string_view kProfilesKey = "Software\\Velmo\\Messaging\\Profiles";
constexpr std::string_view kDefault = "Default";
constexpr std::string_view kDisplayName = "DisplayName";
constexpr std::string_view kKind = "Kind";
constexpr std::string_view kPosition = "Position";

struct SettingName {
    ULONG tag;
    std::string_view value;
};
constexpr SettingName kSettings[] = {
    {PR_VELMO_LDAP_URI, "URI"},         {PR_VELMO_LDAP_BASE_DN, "BaseDN"},
    {PR_VELMO_LDAP_FILTER, "Filter"},   {PR_VELMO_LDAP_BIND_DN, "BindDN"},
    {PR_VELMO_LDAP_PASSWORD_FILE, "PasswordFile"}, {PR_VELMO_VCARD_FILE, "File"},
};

HRESULT fromReg(platform::RegStatus s) {
    switch (s) {
    case platform::kRegOk: return S_OK;
    case platform::kRegFileNotFound: return MAPI_E_NOT_FOUND;
    case platform::kRegAccessDenied: return E_ACCESSDENIED;
    default: return E_FAIL;
    }
}

bool usableName(std::string_view name) {
    return !name.empty() && name.size() <= profiles::kNameLimit && name.find('\\') == std::string_view::npos &&
           name.find('\0') == std::string_view::npos;
}

HRESULT openProfiles(RegKey& key, bool create) {
    const auto s = create ? RegKey::create(RegRoot::CurrentUser, kProfilesKey, key)
                          : RegKey::open(RegRoot::CurrentUser, kProfilesKey, key);
    return fromReg(s);
}

HRESULT openProfile(std::string_view name, RegKey& key) {
    if (!usableName(name)) return MAPI_E_NOT_FOUND;
    RegKey root;
    if (HRESULT h = openProfiles(root, false); FAILED(h)) return h;
    return fromReg(root.openSubKey(name, key));
}

bool parseUid(std::string_view hex, MAPIUID& uid) {
    if (hex.size() != 32) return false;
    for (size_t i = 0; i < 16; ++i) {
        unsigned v = 0;
        for (size_t j = 0; j < 2; ++j) {
            const char c = hex[2 * i + j];
            const int d = c >= '0' && c <= '9' ? c - '0' : c >= 'a' && c <= 'f' ? c - 'a' + 10
                          : c >= 'A' && c <= 'F' ? c - 'A' + 10 : -1;
            if (d < 0) return false;
            v = v * 16 + unsigned(d);
        }
        uid.ab[i] = BYTE(v);
    }
    return true;
}

HRESULT readService(const RegKey& profile, const std::string& keyName, ServiceConfig& out) {
    if (!parseUid(keyName, out.uid)) return MAPI_E_NOT_FOUND;
    RegKey key;
    if (HRESULT h = fromReg(profile.openSubKey(keyName, key)); FAILED(h)) return h;
    key.queryString(kDisplayName, out.displayName);
    key.queryString(kKind, out.kind);
    key.queryDword(kPosition, out.position);
    for (const SettingName& s : kSettings) {
        std::string text;
        if (key.queryString(s.value, text) == platform::kRegOk && !text.empty()) out.settings.emplace_back(s.tag, text);
    }
    return S_OK;
}

} // namespace

std::string ServiceConfig::setting(ULONG tag) const {
    for (const auto& [t, text] : settings)
        if (t == tag) return text;
    return {};
}

bool isServiceSetting(ULONG tag) {
    return std::any_of(std::begin(kSettings), std::end(kSettings), [&](const SettingName& s) { return s.tag == tag; });
}

std::string uidHex(const MAPIUID& uid) {
    std::string s;
    char two[3];
    for (BYTE b : uid.ab) {
        std::snprintf(two, sizeof two, "%02x", b);
        s += two;
    }
    return s;
}

namespace profiles {

HRESULT list(std::vector<ProfileInfo>& out) {
    out.clear();
    RegKey root;
    HRESULT h = openProfiles(root, false);
    if (h == MAPI_E_NOT_FOUND) return S_OK;
    if (FAILED(h)) return h;
    std::vector<std::string> names;
    if (HRESULT e = fromReg(root.subKeyNames(names)); FAILED(e)) return e;
    for (const std::string& name : names) {
        RegKey key;
        uint32_t isDefault = 0;
        if (root.openSubKey(name, key) == platform::kRegOk) key.queryDword(kDefault, isDefault);
        out.push_back({name, isDefault == 1});
    }
    return S_OK;
}

HRESULT find(std::string_view name, std::string& stored) {
    std::vector<ProfileInfo> all;
    if (HRESULT h = list(all); FAILED(h)) return h;
    for (const ProfileInfo& p : all)
        if (platform::foldCaseUtf8(platform::systemToUtf8(p.name)) ==
            platform::foldCaseUtf8(platform::systemToUtf8(name))) {
            stored = p.name;
            return S_OK;
        }
    return MAPI_E_NOT_FOUND;
}

HRESULT defaultProfile(std::string& name) {
    std::vector<ProfileInfo> all;
    if (HRESULT h = list(all); FAILED(h)) return h;
    for (const ProfileInfo& p : all)
        if (p.isDefault) {
            name = p.name;
            return S_OK;
        }
    return MAPI_E_NOT_FOUND;
}

HRESULT create(std::string_view name) {
    if (!usableName(name)) return E_INVALIDARG;
    std::vector<ProfileInfo> all;
    if (HRESULT h = list(all); FAILED(h)) return h;
    const bool haveDefault = std::any_of(all.begin(), all.end(), [](const ProfileInfo& p) { return p.isDefault; });
    platform::RegTransaction tx;
    RegKey root, key;
    if (HRESULT h = openProfiles(root, true); FAILED(h)) return h;
    bool created = false;
    if (HRESULT h = fromReg(root.createSubKey(name, key, &created)); FAILED(h)) return h;
    if (!created) return E_ACCESSDENIED;
    if (!haveDefault)
        if (HRESULT h = fromReg(key.setDword(kDefault, 1)); FAILED(h)) return h;
    return fromReg(tx.commit());
}

HRESULT remove(std::string_view name) {
    RegKey key;
    if (HRESULT h = openProfile(name, key); FAILED(h)) return h;
    RegKey root;
    if (HRESULT h = openProfiles(root, false); FAILED(h)) return h;
    return fromReg(root.deleteSubTree(name));
}

HRESULT setDefault(std::string_view name) {
    RegKey chosen;
    if (HRESULT h = openProfile(name, chosen); FAILED(h)) return h;
    std::vector<ProfileInfo> all;
    if (HRESULT h = list(all); FAILED(h)) return h;
    RegKey root;
    if (HRESULT h = openProfiles(root, false); FAILED(h)) return h;
    platform::RegTransaction tx;
    for (const ProfileInfo& p : all) {
        if (!p.isDefault) continue;
        RegKey key;
        if (HRESULT h = fromReg(root.openSubKey(p.name, key)); FAILED(h)) return h;
        if (HRESULT h = fromReg(key.deleteValue(kDefault)); FAILED(h)) return h;
    }
    if (HRESULT h = fromReg(chosen.setDword(kDefault, 1)); FAILED(h)) return h;
    return fromReg(tx.commit());
}

HRESULT services(std::string_view profile, std::vector<ServiceConfig>& out) {
    out.clear();
    RegKey key;
    if (HRESULT h = openProfile(profile, key); FAILED(h)) return h;
    std::vector<std::string> names;
    if (HRESULT h = fromReg(key.subKeyNames(names)); FAILED(h)) return h;
    for (const std::string& name : names) {
        ServiceConfig s;
        // A key that is not a service of ours is left alone.
        if (SUCCEEDED(readService(key, name, s))) out.push_back(std::move(s));
    }
    std::stable_sort(out.begin(), out.end(),
                     [](const ServiceConfig& a, const ServiceConfig& b) { return a.position < b.position; });
    return S_OK;
}

HRESULT addService(std::string_view profile, std::string_view kind, std::string_view displayName, MAPIUID& uid) {
    if (kind != kMapiServiceLdap && kind != kMapiServiceVCard) return MAPI_E_NOT_FOUND;
    if (!usableName(displayName)) return E_INVALIDARG;
    std::vector<ServiceConfig> existing;
    if (HRESULT h = services(profile, existing); FAILED(h)) return h;
    uint32_t position = 1;
    for (const ServiceConfig& s : existing) {
        if (platform::foldCaseUtf8(platform::systemToUtf8(s.displayName)) ==
            platform::foldCaseUtf8(platform::systemToUtf8(displayName)))
            return MAPI_E_COLLISION;
        position = std::max(position, s.position + 1);
    }
    const auto guid = platform::newGuid();
    std::memcpy(uid.ab, guid.data(), sizeof uid.ab);
    RegKey profileKey, key;
    if (HRESULT h = openProfile(profile, profileKey); FAILED(h)) return h;
    platform::RegTransaction tx;
    if (HRESULT h = fromReg(profileKey.createSubKey(uidHex(uid), key)); FAILED(h)) return h;
    if (HRESULT h = fromReg(key.setString(kDisplayName, displayName)); FAILED(h)) return h;
    if (HRESULT h = fromReg(key.setString(kKind, kind)); FAILED(h)) return h;
    if (HRESULT h = fromReg(key.setDword(kPosition, position)); FAILED(h)) return h;
    return fromReg(tx.commit());
}

namespace {
HRESULT openService(std::string_view profile, const MAPIUID& uid, RegKey& key) {
    RegKey profileKey;
    if (HRESULT h = openProfile(profile, profileKey); FAILED(h)) return h;
    return fromReg(profileKey.openSubKey(uidHex(uid), key));
}
} // namespace

HRESULT configureService(std::string_view profile, const MAPIUID& uid,
                         const std::vector<std::pair<ULONG, std::string>>& settings) {
    RegKey key;
    if (HRESULT h = openService(profile, uid, key); FAILED(h)) return h;
    platform::RegTransaction tx;
    for (const auto& setting : settings) {
        const ULONG tag = setting.first;
        const std::string& text = setting.second;
        const auto it = std::find_if(std::begin(kSettings), std::end(kSettings),
                                     [tag](const SettingName& s) { return s.tag == tag; });
        if (it == std::end(kSettings)) return E_INVALIDARG;
        const auto s = text.empty() ? key.deleteValue(it->value) : key.setString(it->value, text);
        if (s != platform::kRegOk && !(text.empty() && s == platform::kRegFileNotFound)) return fromReg(s);
    }
    return fromReg(tx.commit());
}

HRESULT renameService(std::string_view profile, const MAPIUID& uid, std::string_view displayName) {
    if (!usableName(displayName)) return E_INVALIDARG;
    std::vector<ServiceConfig> existing;
    if (HRESULT h = services(profile, existing); FAILED(h)) return h;
    for (const ServiceConfig& s : existing)
        if (std::memcmp(s.uid.ab, uid.ab, 16) != 0 &&
            platform::foldCaseUtf8(platform::systemToUtf8(s.displayName)) ==
                platform::foldCaseUtf8(platform::systemToUtf8(displayName)))
            return MAPI_E_COLLISION;
    RegKey key;
    if (HRESULT h = openService(profile, uid, key); FAILED(h)) return h;
    return fromReg(key.setString(kDisplayName, displayName));
}

HRESULT removeService(std::string_view profile, const MAPIUID& uid) {
    RegKey key, profileKey;
    if (HRESULT h = openService(profile, uid, key); FAILED(h)) return h;
    if (HRESULT h = openProfile(profile, profileKey); FAILED(h)) return h;
    return fromReg(profileKey.deleteSubTree(uidHex(uid)));
}

} // namespace profiles

} // namespace mapi32
