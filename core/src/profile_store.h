#pragma once
// Profiles in the registry: HKCU "Software\Velmo\Pandex\Profiles\<profile>\<service uid in hex>",
// every property a REG_BINARY value named by its tag in decimal holding the node body.

#include <string>
#include <string_view>

#include "platform/registry.h"
#include "prop_list.h"
#include "row_store.h"

namespace pdx::core {

inline constexpr const char* kProfilesRoot = "Software\\Velmo\\Pandex\\Profiles\\";
inline constexpr const char* kDefaultProfileValue = "DefaultProfile";

// A name that can stand as one profile key: non-empty and without "\" (which
// would reach another key).
bool validProfileName(const char* name);

// The root key; with create false, kRegFileNotFound when there are no profiles.
platform::RegStatus openRoot(bool create, platform::RegKey& out);
// Opens the profile key. Without `create`: read only, E_FAIL when missing. With
// `create` and `clear`, an existing key loses its subkeys (its values stay).
HRESULT openProfileKey(const std::string& name, bool create, bool clear, platform::RegKey& out);
bool profileKeyExists(const std::string& name);
// Deletes every subkey of `key`, depth first.
HRESULT deleteSubtree(const platform::RegKey& key);
HRESULT deleteProfileKey(const std::string& name);

// Every value of `key` as a node (flags cleared).
HRESULT readPropList(const platform::RegKey& key, PropList& out);
// Writes the nodes marked changed, then clears their marks.
HRESULT writeChangedProps(const platform::RegKey& key, PropList& list);

// The profile's services, one row per service key in enumeration order. A
// service whose stored UID is damaged fails the read (MAPI_E_MISSING_REQUIRED_COLUMN),
// so nothing is ever rewritten from it.
HRESULT readServices(const std::string& profile, RowStore& out);
// Rewrites the profile's service keys from `rows` (the profile key is created
// when missing; other service keys are removed).
HRESULT writeServices(const std::string& profile, RowStore& rows);
// Rewrites the key of one service row, leaving the other services alone.
HRESULT writeServiceRow(const platform::RegKey& profileKey, PropList& row);
HRESULT writeServiceRow(const std::string& profile, PropList& row);

// The row's PR_SERVICE_UID. A UID that is missing or not exactly 16 bytes
// would name no key of its own (an empty name is the profile key itself):
// MAPI_E_MISSING_REQUIRED_COLUMN.
HRESULT serviceUidOf(const PropList& row, MAPIUID& out);
// Whether a value offered for PR_SERVICE_UID's identifier is a 16-byte binary.
bool wellFormedServiceUid(const SPropValue& value);
// The service key name of a row: its PR_SERVICE_UID as 32 lower-case hex digits.
HRESULT serviceKeyName(const PropList& row, std::string& out);

} // namespace pdx::core
