#pragma once
// Name resolution flags and the flag list of ResolveNames, with MAPI's layout.

#include "pdx/types.h"

namespace pdx {

struct SFlagList {
    ULONG cFlags;
    ULONG ulFlag[1];
};

constexpr ULONG MAPI_UNRESOLVED = 0x00000000;
constexpr ULONG MAPI_AMBIGUOUS = 0x00000001;
constexpr ULONG MAPI_RESOLVED = 0x00000002;

static_assert(offsetof(SFlagList, ulFlag) == 4);

} // namespace pdx
