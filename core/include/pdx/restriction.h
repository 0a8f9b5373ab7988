#pragma once
// Table restrictions and sort orders with MAPI's layouts and constants, for
// the components whose tables answer Restrict, FindRow and SortTable.

#include "pdx/types.h"

namespace pdx {

// SRestriction::rt
constexpr ULONG RES_AND = 0;
constexpr ULONG RES_OR = 1;
constexpr ULONG RES_NOT = 2;
constexpr ULONG RES_CONTENT = 3;
constexpr ULONG RES_PROPERTY = 4;
constexpr ULONG RES_COMPAREPROPS = 5;
constexpr ULONG RES_BITMASK = 6;
constexpr ULONG RES_SIZE = 7;
constexpr ULONG RES_EXIST = 8;
constexpr ULONG RES_SUBRESTRICTION = 9;
constexpr ULONG RES_COMMENT = 10;

// Relational operators.
constexpr ULONG RELOP_LT = 0;
constexpr ULONG RELOP_LE = 1;
constexpr ULONG RELOP_GT = 2;
constexpr ULONG RELOP_GE = 3;
constexpr ULONG RELOP_EQ = 4;
constexpr ULONG RELOP_NE = 5;
constexpr ULONG RELOP_RE = 6;

// Content restriction fuzzy levels (low word) and options (high word).
constexpr ULONG FL_FULLSTRING = 0x00000000;
constexpr ULONG FL_SUBSTRING = 0x00000001;
constexpr ULONG FL_PREFIX = 0x00000002;
constexpr ULONG FL_IGNORECASE = 0x00010000;
constexpr ULONG FL_IGNORENONSPACE = 0x00020000;
constexpr ULONG FL_LOOSE = 0x00040000;

// Bitmask restriction operators.
constexpr ULONG BMR_EQZ = 0;
constexpr ULONG BMR_NEZ = 1;

// FindRow direction.
constexpr ULONG DIR_BACKWARD = 0x00000001;

// Sort directions.
constexpr ULONG TABLE_SORT_ASCEND = 0x00000000;
constexpr ULONG TABLE_SORT_DESCEND = 0x00000001;

struct SRestriction;

struct SAndRestriction { ULONG cRes; SRestriction* lpRes; };
struct SOrRestriction { ULONG cRes; SRestriction* lpRes; };
struct SNotRestriction { ULONG ulReserved; SRestriction* lpRes; };
struct SContentRestriction { ULONG ulFuzzyLevel; ULONG ulPropTag; SPropValue* lpProp; };
struct SPropertyRestriction { ULONG relop; ULONG ulPropTag; SPropValue* lpProp; };
struct SComparePropsRestriction { ULONG relop; ULONG ulPropTag1; ULONG ulPropTag2; };
struct SBitMaskRestriction { ULONG relBMR; ULONG ulPropTag; ULONG ulMask; };
struct SSizeRestriction { ULONG relop; ULONG ulPropTag; ULONG cb; };
struct SExistRestriction { ULONG ulReserved1; ULONG ulPropTag; ULONG ulReserved2; };
struct SSubRestriction { ULONG ulSubObject; SRestriction* lpRes; };
struct SCommentRestriction { ULONG cValues; SRestriction* lpRes; SPropValue* lpProp; };

struct SRestriction {
    ULONG rt;
    union {
        SComparePropsRestriction resCompareProps;
        SAndRestriction resAnd;
        SOrRestriction resOr;
        SNotRestriction resNot;
        SContentRestriction resContent;
        SPropertyRestriction resProperty;
        SBitMaskRestriction resBitMask;
        SSizeRestriction resSize;
        SExistRestriction resExist;
        SSubRestriction resSub;
        SCommentRestriction resComment;
    } res;
};

struct SSortOrder {
    ULONG ulPropTag;
    ULONG ulOrder;
};

struct SSortOrderSet {
    ULONG cSorts;
    ULONG cCategories;
    ULONG cExpanded;
    SSortOrder aSort[1];
};

constexpr size_t cbSortOrderSet(ULONG sorts) { return offsetof(SSortOrderSet, aSort) + sizeof(SSortOrder) * sorts; }

static_assert(offsetof(SRestriction, res) == 8 && sizeof(SRestriction) == 32);
static_assert(offsetof(SPropertyRestriction, lpProp) == 8);
static_assert(offsetof(SAndRestriction, lpRes) == 8);
static_assert(offsetof(SSortOrderSet, aSort) == 12 && sizeof(SSortOrder) == 8);

} // namespace pdx
