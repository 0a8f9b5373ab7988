#pragma once
// Property tags, object types and flags the contacts component answers with
// (MAPI's values), beyond those of pdx/tags.h.

#include "pdx/tags.h"
#include "pdx/wab.h"

namespace wab32 {

using pdx::ULONG;
// Those pdx/tags.h has, under the same names here.
using pdx::PR_DISPLAY_TYPE;
using pdx::PR_PRIMARY_FAX_NUMBER;
using pdx::PR_BUSINESS_FAX_NUMBER;
using pdx::PR_HOME_FAX_NUMBER;
using pdx::PR_COMPANY_NAME;
using pdx::PR_DEPARTMENT_NAME;
using pdx::MAPI_ABCONT;
using pdx::MAPI_MAILUSER;
using pdx::MAPI_DISTLIST;
using pdx::AB_RECIPIENTS;
using pdx::AB_SUBCONTAINERS;
using pdx::AB_MODIFIABLE;
using pdx::CONVENIENT_DEPTH;
using pdx::KEEP_OPEN_READWRITE;

constexpr ULONG PR_RECORD_KEY = 0x0FF90102;
constexpr ULONG PR_SEARCH_KEY = 0x300B0102;
constexpr ULONG PR_COMMENT = 0x3004001E;
constexpr ULONG PR_GENERATION = 0x3A05001E;
constexpr ULONG PR_GIVEN_NAME = 0x3A06001E;
constexpr ULONG PR_BUSINESS_TELEPHONE_NUMBER = 0x3A08001E;
constexpr ULONG PR_HOME_TELEPHONE_NUMBER = 0x3A09001E;
constexpr ULONG PR_SURNAME = 0x3A11001E;
constexpr ULONG PR_TITLE = 0x3A17001E;
constexpr ULONG PR_MOBILE_TELEPHONE_NUMBER = 0x3A1C001E;
constexpr ULONG PR_MIDDLE_NAME = 0x3A44001E;
constexpr ULONG PR_DISPLAY_NAME_PREFIX = 0x3A45001E;
constexpr ULONG PR_NICKNAME = 0x3A4F001E;
// The identifiers of the containers a distribution list belongs to.
constexpr ULONG PR_WAB_PARENT_IDS = 0x800B1102;

// PR_OBJECT_TYPE

// PR_DISPLAY_TYPE
constexpr ULONG DT_MAILUSER = 0;
constexpr ULONG DT_PRIVATE_DISTLIST = 5;
constexpr ULONG DT_MODIFIABLE = 0x00010000;
constexpr ULONG DT_NOT_SPECIFIC = 0x00050000;

// PR_CONTAINER_FLAGS
constexpr ULONG AB_UNMODIFIABLE = 0x8;

// Flags of the object operations.
constexpr ULONG MAPI_DEFERRED_ERRORS = 0x00000008;
constexpr ULONG MAPI_BEST_ACCESS = 0x00000010;
constexpr ULONG KEEP_OPEN_READONLY = 0x00000001;
constexpr ULONG FORCE_SAVE = 0x00000004;
constexpr ULONG MAPI_DIALOG = 0x00000008;
constexpr ULONG MAPI_ONE_OFF_NO_RICH_INFO = 0x00010000;

// What the WAB flags of pdx/wab.h mean here is told in README.md in this
// folder: WAB_LOCAL_CONTAINERS (only containers of the local store),
// WAB_PROFILE_CONTENTS (the root's contents in profile mode: every folder's
// entries), WAB_ENABLE_PROFILES (WABOpen: the root holds folders, not entries).
using pdx::WAB_ENABLE_PROFILES;
using pdx::WAB_LOCAL_CONTAINERS;
using pdx::WAB_PROFILE_CONTENTS;

} // namespace wab32
