#pragma once
// The exports that administer profiles: the program's profile with its
// services, the profile configuration dialog, and taking the fax driver's
// service out of a profile and putting it back.

#include <cstdint>

#include "pdx/types.h"
#include "vqbridge.h"

namespace vqbridge {

int32_t createProfile(const char* name, uint32_t count, const ServiceDescriptor* services);
int32_t displayAdminProfiles(uintptr_t window, const char* profile);
// `displayName` is the caller's 64-byte buffer.
pdx::HRESULT deleteFaxService(const char* profile, char* displayName);
pdx::HRESULT addFaxService(uintptr_t window, const char* profile, const char* displayName);

} // namespace vqbridge
