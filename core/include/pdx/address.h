#pragma once
// Name resolution flags and the flag list of ResolveNames, and the
// parameters of the address dialog (IAddrBook::Address), with MAPI's layout.

#include <cstddef>

#include "pdx/interfaces.h"
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

using AbsdiFn = BOOL (*)(ULONG_PTR ulUIParam, void* msg);

// Natural 64-bit layout, as MAPI's own on 64-bit Windows.
struct ADRPARM {
    ULONG cbABContEntryID;
    ENTRYID* lpABContEntryID;
    ULONG ulFlags;
    void* lpReserved;
    ULONG ulHelpContext;
    char* lpszHelpFileName;
    AbsdiFn lpfnABSDI;
    DismissFn lpfnDismiss;
    void* lpvDismissContext;
    char* lpszCaption;
    char* lpszNewEntryTitle;
    char* lpszDestWellsTitle;
    ULONG cDestFields;
    ULONG nDestFieldFocus;
    char** lppszDestTitles;
    ULONG* lpulDestComps;
    SRestriction* lpContRestriction;
    SRestriction* lpHierRestriction;
};
static_assert(offsetof(ADRPARM, lpszCaption) == 72 && sizeof(ADRPARM) == 136);

// ADRPARM ulFlags.
constexpr ULONG DIALOG_MODAL = 0x00000001;
constexpr ULONG DIALOG_SDI = 0x00000002;
constexpr ULONG DIALOG_OPTIONS = 0x00000004;
constexpr ULONG ADDRESS_ONE = 0x00000008;
constexpr ULONG AB_SELECTONLY = 0x00000010;
constexpr ULONG AB_RESOLVE = 0x00000020;

} // namespace pdx
