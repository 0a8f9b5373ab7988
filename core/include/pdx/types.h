#pragma once
// MAPI-shaped types shared by vqcore, the bridge and the providers. Integer
// types are fixed-width (ULONG is 32 bits even though `unsigned long` is 64);
// in-memory structures keep their natural 64-bit layout.

#include <cstddef>
#include <cstdint>

namespace pdx {

using ULONG = uint32_t;
using LONG = int32_t;
using DWORD = uint32_t;
using USHORT = uint16_t;
using BYTE = uint8_t;
using BOOL = int32_t;
using HRESULT = int32_t;
using ULONG_PTR = uintptr_t;
using BOOKMARK = uintptr_t;
using LPBYTE = BYTE*;
using WCHAR = char16_t;

struct GUID {
    uint32_t Data1;
    uint16_t Data2;
    uint16_t Data3;
    uint8_t Data4[8];
};
using IID = GUID;
using LPCIID = const IID*;

struct MAPIUID {
    BYTE ab[16];
};

struct SBinary {
    ULONG cb;
    LPBYTE lpb;
};
struct SShortArray { ULONG cValues; int16_t* lpi; };
struct SLongArray { ULONG cValues; LONG* lpl; };
struct SRealArray { ULONG cValues; float* lpflt; };
struct SDoubleArray { ULONG cValues; double* lpdbl; };
struct SLargeIntegerArray { ULONG cValues; int64_t* lpli; };
struct SDateTimeArray { ULONG cValues; uint64_t* lpft; };
struct SGuidArray { ULONG cValues; GUID* lpguid; };
struct SBinaryArray { ULONG cValues; SBinary* lpbin; };
struct SLPSTRArray { ULONG cValues; char** lppszA; };
struct SWStringArray { ULONG cValues; WCHAR** lppszW; };
using ENTRYLIST = SBinaryArray;

union PV {
    int16_t i;
    LONG l;
    ULONG ul;
    float flt;
    double dbl;
    uint16_t b;
    int64_t cur;
    double at;
    uint64_t ft; // FILETIME as one 64-bit count
    char* lpszA;
    SBinary bin;
    WCHAR* lpszW;
    GUID* lpguid;
    int64_t li;
    SShortArray MVi;
    SLongArray MVl;
    SRealArray MVflt;
    SDoubleArray MVdbl;
    SLargeIntegerArray MVcur;
    SDoubleArray MVat;
    SDateTimeArray MVft;
    SBinaryArray MVbin;
    SLPSTRArray MVszA;
    SWStringArray MVszW;
    SGuidArray MVguid;
    SLargeIntegerArray MVli;
    HRESULT err;
    LONG x;
};

struct SPropValue {
    ULONG ulPropTag;
    ULONG dwAlignPad;
    PV Value;
};

struct SRow {
    ULONG ulAdrEntryPad;
    ULONG cValues;
    SPropValue* lpProps;
};

struct SRowSet {
    ULONG cRows;
    SRow aRow[1];
};

struct ADRENTRY {
    ULONG ulReserved1;
    ULONG cValues;
    SPropValue* rgPropVals;
};

struct ADRLIST {
    ULONG cEntries;
    ADRENTRY aEntries[1];
};

struct SPropTagArray {
    ULONG cValues;
    ULONG aulPropTag[1];
};

struct SPropProblem {
    ULONG ulIndex;
    ULONG ulPropTag;
    HRESULT scode;
};

struct SPropProblemArray {
    ULONG cProblem;
    SPropProblem aProblem[1];
};

struct ENTRYID {
    BYTE abFlags[4];
    BYTE ab[1];
};

// A named property: a GUID and either a number (MNID_ID) or a 16-bit name (MNID_STRING).
constexpr ULONG MNID_ID = 0;
constexpr ULONG MNID_STRING = 1;
struct MAPINAMEID {
    GUID* lpguid;
    ULONG ulKind;
    union {
        LONG lID;
        WCHAR* lpwstrName;
    } Kind;
};

// Byte counts of the variable-length structures, as MAPI's CbNew* macros.
constexpr size_t cbRowSet(ULONG rows) { return offsetof(SRowSet, aRow) + sizeof(SRow) * rows; }
constexpr size_t cbAdrList(ULONG entries) { return offsetof(ADRLIST, aEntries) + sizeof(ADRENTRY) * entries; }
constexpr size_t cbTagArray(ULONG tags) { return offsetof(SPropTagArray, aulPropTag) + sizeof(ULONG) * tags; }
constexpr size_t cbProblemArray(ULONG problems) {
    return offsetof(SPropProblemArray, aProblem) + sizeof(SPropProblem) * problems;
}

// The layouts every PDX library relies on.
static_assert(sizeof(GUID) == 16 && sizeof(MAPIUID) == 16);
static_assert(sizeof(SBinary) == 16 && offsetof(SBinary, lpb) == 8);
static_assert(sizeof(PV) == 16);
static_assert(sizeof(SPropValue) == 24 && offsetof(SPropValue, Value) == 8);
static_assert(sizeof(SRow) == 16 && offsetof(SRow, lpProps) == 8);
static_assert(offsetof(SRowSet, aRow) == 8 && sizeof(SRowSet) == 24);
static_assert(sizeof(ADRENTRY) == sizeof(SRow) && offsetof(ADRLIST, aEntries) == 8);
static_assert(offsetof(SPropTagArray, aulPropTag) == 4);
static_assert(sizeof(MAPINAMEID) == 24 && offsetof(MAPINAMEID, Kind) == 16);
static_assert(sizeof(SPropProblem) == 12 && offsetof(SPropProblemArray, aProblem) == 4);

// Allocator routines as the session, the support object and ABProviderOpen hand them out.
using AllocateBufferFn = HRESULT (*)(ULONG cb, void** out);
using AllocateMoreFn = HRESULT (*)(ULONG cb, void* parent, void** out);
using FreeBufferFn = HRESULT (*)(void* p);

} // namespace pdx
