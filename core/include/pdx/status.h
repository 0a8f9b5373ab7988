#pragma once
// Status codes of the PDX layer, with MAPI's values and names.

#include "pdx/types.h"

namespace pdx {

constexpr HRESULT hr(uint32_t v) { return static_cast<HRESULT>(v); }

constexpr HRESULT S_OK = 0;
constexpr HRESULT MAPI_W_ERRORS_RETURNED = hr(0x00040380);
constexpr HRESULT E_NOINTERFACE = hr(0x80004002);
constexpr HRESULT E_FAIL = hr(0x80004005);
constexpr HRESULT E_ACCESSDENIED = hr(0x80070005);
constexpr HRESULT E_OUTOFMEMORY = hr(0x8007000E);
constexpr HRESULT E_INVALIDARG = hr(0x80070057);
constexpr HRESULT MAPI_E_NO_SUPPORT = hr(0x80040102);
constexpr HRESULT MAPI_E_BAD_CHARWIDTH = hr(0x80040103);
constexpr HRESULT MAPI_E_STRING_TOO_LONG = hr(0x80040105);
constexpr HRESULT MAPI_E_UNKNOWN_FLAGS = hr(0x80040106);
constexpr HRESULT MAPI_E_INVALID_ENTRYID = hr(0x80040107);
constexpr HRESULT MAPI_E_INVALID_OBJECT = hr(0x80040108);
constexpr HRESULT MAPI_E_NOT_FOUND = hr(0x8004010F);
constexpr HRESULT MAPI_E_LOGON_FAILED = hr(0x80040111);
constexpr HRESULT MAPI_E_USER_CANCEL = hr(0x80040113);
constexpr HRESULT MAPI_E_COMPUTED = hr(0x8004011A);
constexpr HRESULT MAPI_E_END_OF_SESSION = hr(0x80040200);
constexpr HRESULT MAPI_E_UNKNOWN_ENTRYID = hr(0x80040201);
constexpr HRESULT MAPI_E_MISSING_REQUIRED_COLUMN = hr(0x80040202);
constexpr HRESULT MAPI_E_BAD_VALUE = hr(0x80040301);
constexpr HRESULT MAPI_E_TABLE_EMPTY = hr(0x80040402);
constexpr HRESULT MAPI_E_INVALID_BOOKMARK = hr(0x80040405);
constexpr HRESULT MAPI_E_COLLISION = hr(0x80040604);
constexpr HRESULT MAPI_E_NOT_INITIALIZED = hr(0x80040605);

constexpr bool SUCCEEDED(HRESULT h) { return h >= 0; }
constexpr bool FAILED(HRESULT h) { return h < 0; }

// The MAPI name of a status code, or null for one the layer does not use.
constexpr const char* statusName(HRESULT h) {
    switch (static_cast<uint32_t>(h)) {
    case 0x00000000: return "S_OK";
    case 0x00040380: return "MAPI_W_ERRORS_RETURNED";
    case 0x80004002: return "E_NOINTERFACE";
    case 0x80004005: return "E_FAIL";
    case 0x80070005: return "E_ACCESSDENIED";
    case 0x8007000E: return "E_OUTOFMEMORY";
    case 0x80070057: return "E_INVALIDARG";
    case 0x80040102: return "MAPI_E_NO_SUPPORT";
    case 0x80040103: return "MAPI_E_BAD_CHARWIDTH";
    case 0x80040105: return "MAPI_E_STRING_TOO_LONG";
    case 0x80040106: return "MAPI_E_UNKNOWN_FLAGS";
    case 0x80040107: return "MAPI_E_INVALID_ENTRYID";
    case 0x80040108: return "MAPI_E_INVALID_OBJECT";
    case 0x8004010F: return "MAPI_E_NOT_FOUND";
    case 0x80040111: return "MAPI_E_LOGON_FAILED";
    case 0x80040113: return "MAPI_E_USER_CANCEL";
    case 0x8004011A: return "MAPI_E_COMPUTED";
    case 0x80040200: return "MAPI_E_END_OF_SESSION";
    case 0x80040201: return "MAPI_E_UNKNOWN_ENTRYID";
    case 0x80040202: return "MAPI_E_MISSING_REQUIRED_COLUMN";
    case 0x80040301: return "MAPI_E_BAD_VALUE";
    case 0x80040402: return "MAPI_E_TABLE_EMPTY";
    case 0x80040405: return "MAPI_E_INVALID_BOOKMARK";
    case 0x80040604: return "MAPI_E_COLLISION";
    case 0x80040605: return "MAPI_E_NOT_INITIALIZED";
    default: return nullptr;
    }
}

} // namespace pdx
