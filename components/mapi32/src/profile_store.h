#pragma once
// The messaging profiles in the registry stand-in, under HKEY_CURRENT_USER
// "Software\Velmo\Messaging\Profiles": one key per profile (the default one
// has the DWORD value "Default" = 1), and below it one key per service,
// named by the service's UID in hex, holding its display name, kind,
// position and settings. Names are in the system code page and match without
// regard to case, as registry keys do. Every change is one transaction.

#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "pdx/types.h"

namespace mapi32 {

struct ProfileInfo {
    std::string name;
    bool isDefault = false;
};

struct ServiceConfig {
    std::string displayName;
    std::string kind; // "LDAP" or "VCARD"
    pdx::MAPIUID uid{};
    uint32_t position = 0;
    // PR_VELMO_* text settings that are present.
    std::vector<std::pair<pdx::ULONG, std::string>> settings;

    // The setting's text, empty when absent.
    std::string setting(pdx::ULONG tag) const;
};

// The text properties a service keeps; anything else is refused.
bool isServiceSetting(pdx::ULONG tag);

namespace profiles {

// Longest profile or service name, in bytes.
constexpr size_t kNameLimit = 64;

pdx::HRESULT list(std::vector<ProfileInfo>& out);
// The stored spelling of a profile; MAPI_E_NOT_FOUND when there is none.
pdx::HRESULT find(std::string_view name, std::string& stored);
pdx::HRESULT defaultProfile(std::string& name);
// A new, empty profile; it becomes the default when there is none.
// E_ACCESSDENIED when it exists, E_INVALIDARG for an unusable name.
pdx::HRESULT create(std::string_view name);
pdx::HRESULT remove(std::string_view name);
pdx::HRESULT setDefault(std::string_view name);

// In the order they were added.
pdx::HRESULT services(std::string_view profile, std::vector<ServiceConfig>& out);
// A new service of a known kind ("LDAP", "VCARD": else MAPI_E_NOT_FOUND)
// whose display name is not yet used in the profile (else MAPI_E_COLLISION).
pdx::HRESULT addService(std::string_view profile, std::string_view kind, std::string_view displayName,
                        pdx::MAPIUID& uid);
// Sets (non-empty text) or clears (empty text) settings.
pdx::HRESULT configureService(std::string_view profile, const pdx::MAPIUID& uid,
                              const std::vector<std::pair<pdx::ULONG, std::string>>& settings);
pdx::HRESULT renameService(std::string_view profile, const pdx::MAPIUID& uid, std::string_view displayName);
pdx::HRESULT removeService(std::string_view profile, const pdx::MAPIUID& uid);

} // namespace profiles

std::string uidHex(const pdx::MAPIUID& uid);

} // namespace mapi32
