#pragma once
// Property tags, kind codes and fixed sizes of the fax driver provider.

#include "pdx/tags.h"
#include "pdx/types.h"

namespace vqfax {

using namespace pdx;

// The provider's own properties and the MAPI ones it uses beyond pdx/tags.h.
constexpr ULONG PR_DISPLAY_NAME_PREFIX = 0x3A45001E;
constexpr ULONG PR_GIVEN_NAME = 0x3A06001E;
constexpr ULONG PR_MIDDLE_NAME = 0x3A44001E;
constexpr ULONG PR_SURNAME = 0x3A11001E;
constexpr ULONG PR_COURTESY_TITLE = 0x5800001E;
constexpr ULONG PR_COMMENT = 0x3004001E;
constexpr ULONG PR_SECONDARY_FAX_DESCRIPTION = 0x5804001E;
constexpr ULONG PR_SECONDARY_FAX_EXTRA1 = 0x5805001E;
constexpr ULONG PR_SECONDARY_FAX_EXTRA2 = 0x5806001E;
constexpr ULONG PR_PRIMARY_FAX_DESCRIPTION = 0x5801001E;
constexpr ULONG PR_PRIMARY_FAX_EXTRA1 = 0x5802001E;
constexpr ULONG PR_PRIMARY_FAX_EXTRA2 = 0x5803001E;
constexpr ULONG PR_7BIT_DISPLAY_NAME = 0x39FF001E;
constexpr ULONG PR_RECORD_KEY = 0x0FF90102;
constexpr ULONG PR_SEARCH_KEY = 0x300B0102;

// Kind codes: the low four bits give the object kind, higher bits are flags.
constexpr ULONG kKindRoot = 4;
constexpr ULONG kKindContact = 6;
constexpr ULONG kKindGroup = 8;
constexpr ULONG kKindForeign = 0x1000;
constexpr ULONG kKindTemplate = 0x2000;
constexpr ULONG kKindNoSave = 0x4000;
constexpr ULONG kKindContactTemplate = 0x3006;
constexpr ULONG kKindGroupTemplate = 0x3008;
constexpr ULONG kindBase(ULONG kind) { return kind & 0xF; }

// Record ids: the root, and the ids that stand for a record not yet created.
constexpr int32_t kRootRecord = -1;
constexpr int32_t kNewContactRecord = 0;
constexpr int32_t kNewGroupRecord = INT32_MIN;
constexpr ULONG kindOfRecord(int32_t id) { return id < 0 ? kKindGroup : kKindContact; }

// Fixed values.
constexpr ULONG kContainerFlags = AB_RECIPIENTS | AB_MODIFIABLE;
constexpr ULONG kContainerDisplayType = 0x10000;
constexpr size_t kDisplayNameBytes = 64;  // the service name the logon keeps
constexpr const char* kServiceDllName = "VQSTORE.DLL";

} // namespace vqfax
