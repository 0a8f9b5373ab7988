#pragma once
// Property types and the property tags the PDX layer uses (MAPI's values).

#include "pdx/types.h"

namespace pdx {

constexpr ULONG PT_UNSPECIFIED = 0x0000;
constexpr ULONG PT_NULL = 0x0001;
constexpr ULONG PT_I2 = 0x0002;
constexpr ULONG PT_LONG = 0x0003;
constexpr ULONG PT_R4 = 0x0004;
constexpr ULONG PT_DOUBLE = 0x0005;
constexpr ULONG PT_CURRENCY = 0x0006;
constexpr ULONG PT_APPTIME = 0x0007;
constexpr ULONG PT_ERROR = 0x000A;
constexpr ULONG PT_BOOLEAN = 0x000B;
constexpr ULONG PT_OBJECT = 0x000D;
constexpr ULONG PT_I8 = 0x0014;
constexpr ULONG PT_STRING8 = 0x001E;
constexpr ULONG PT_UNICODE = 0x001F;
constexpr ULONG PT_SYSTIME = 0x0040;
constexpr ULONG PT_CLSID = 0x0048;
constexpr ULONG PT_BINARY = 0x0102;
constexpr ULONG MV_FLAG = 0x1000;
constexpr ULONG PT_MV_I2 = MV_FLAG | PT_I2;
constexpr ULONG PT_MV_LONG = MV_FLAG | PT_LONG;
constexpr ULONG PT_MV_R4 = MV_FLAG | PT_R4;
constexpr ULONG PT_MV_DOUBLE = MV_FLAG | PT_DOUBLE;
constexpr ULONG PT_MV_CURRENCY = MV_FLAG | PT_CURRENCY;
constexpr ULONG PT_MV_APPTIME = MV_FLAG | PT_APPTIME;
constexpr ULONG PT_MV_I8 = MV_FLAG | PT_I8;
constexpr ULONG PT_MV_STRING8 = MV_FLAG | PT_STRING8;
constexpr ULONG PT_MV_UNICODE = MV_FLAG | PT_UNICODE;
constexpr ULONG PT_MV_SYSTIME = MV_FLAG | PT_SYSTIME;
constexpr ULONG PT_MV_CLSID = MV_FLAG | PT_CLSID;
constexpr ULONG PT_MV_BINARY = MV_FLAG | PT_BINARY;

constexpr ULONG PROP_TYPE(ULONG tag) { return tag & 0xFFFFu; }
constexpr ULONG PROP_ID(ULONG tag) { return tag >> 16; }
constexpr ULONG PROP_TAG(ULONG type, ULONG id) { return (id << 16) | type; }
constexpr ULONG CHANGE_PROP_TYPE(ULONG tag, ULONG type) { return (tag & 0xFFFF0000u) | type; }

constexpr ULONG PR_NULL = 0x00000001;
constexpr ULONG PR_ENTRYID = 0x0FFF0102;
constexpr ULONG PR_OBJECT_TYPE = 0x0FFE0003;
constexpr ULONG PR_INSTANCE_KEY = 0x0FF60102;
constexpr ULONG PR_RECIPIENT_TYPE = 0x0C150003;
constexpr ULONG PR_DISPLAY_NAME = 0x3001001E;
constexpr ULONG PR_ADDRTYPE = 0x3002001E;
constexpr ULONG PR_EMAIL_ADDRESS = 0x3003001E;
constexpr ULONG PR_DEPTH = 0x30050003;
constexpr ULONG PR_PROVIDER_DISPLAY = 0x3006001E;
constexpr ULONG PR_RESOURCE_FLAGS = 0x30090003;
constexpr ULONG PR_DEFAULT_PROFILE = 0x3D04000B;
constexpr ULONG PR_AB_SEARCH_PATH = 0x3D051102;
constexpr ULONG PR_AB_DEFAULT_DIR = 0x3D060102;
constexpr ULONG PR_AB_DEFAULT_PAB = 0x3D070102;
constexpr ULONG PR_SERVICE_NAME = 0x3D09001E;
constexpr ULONG PR_SERVICE_DLL_NAME = 0x3D0A001E;
constexpr ULONG PR_SERVICE_ENTRY_NAME = 0x3D0B001E;
constexpr ULONG PR_SERVICE_UID = 0x3D0C0102;
constexpr ULONG PR_SERVICE_SUPPORT_FILES = 0x3D0F101E;
constexpr ULONG PR_SERVICE_DELETE_FILES = 0x3D10101E;
constexpr ULONG PR_CONTAINER_FLAGS = 0x36000003;
constexpr ULONG PR_CONTAINER_HIERARCHY = 0x360E000D;
constexpr ULONG PR_CONTAINER_CONTENTS = 0x360F000D;
constexpr ULONG PR_DEF_CREATE_DL = 0x36110102;
constexpr ULONG PR_DEF_CREATE_MAILUSER = 0x36120102;

// Entry, template and recipient properties read by sessions and providers.
constexpr ULONG PR_CREATE_TEMPLATES = 0x3604000D;
constexpr ULONG PR_DISPLAY_TYPE = 0x39000003;
constexpr ULONG PR_PRIMARY_FAX_NUMBER = 0x3A23001E;
constexpr ULONG PR_BUSINESS_FAX_NUMBER = 0x3A24001E;
constexpr ULONG PR_HOME_FAX_NUMBER = 0x3A25001E;
constexpr ULONG PR_COMPANY_NAME = 0x3A16001E;
constexpr ULONG PR_DEPARTMENT_NAME = 0x3A18001E;
// The address book file of a service, kept in its profile section.
constexpr ULONG PR_FAX_AB_FILE_PATH = 0x6600001E;

// PR_OBJECT_TYPE values.
constexpr ULONG MAPI_ABCONT = 4;
constexpr ULONG MAPI_MAILUSER = 6;
constexpr ULONG MAPI_DISTLIST = 8;

// PR_CONTAINER_FLAGS bits.
constexpr ULONG AB_RECIPIENTS = 0x00000001;
constexpr ULONG AB_SUBCONTAINERS = 0x00000002;
constexpr ULONG AB_MODIFIABLE = 0x00000004;

// PDXOpen flags.
constexpr ULONG MAPI_LOGON_UI = 0x00000001;
constexpr ULONG MAPI_USE_DEFAULT = 0x00000040;

// Hierarchy tables with every level below the container.
constexpr ULONG CONVENIENT_DEPTH = 0x00000001;
// SaveChanges: the object stays open for further changes.
constexpr ULONG KEEP_OPEN_READWRITE = 0x00000002;
// PR_RECIPIENT_TYPE: primary, copy and blind copy recipients.
constexpr ULONG MAPI_TO = 1;
constexpr ULONG MAPI_CC = 2;
constexpr ULONG MAPI_BCC = 3;

// PR_RESOURCE_FLAGS bits.
constexpr ULONG SERVICE_SINGLE_COPY = 0x00000002;
constexpr ULONG SERVICE_NO_DELETE = 0x00010000; // the list dialog refuses Delete
constexpr ULONG SERVICE_NO_EDIT = 0x00020000;   // the list dialog refuses Edit

// Flags shared by many operations.
constexpr ULONG MAPI_UNICODE = 0x80000000;
constexpr ULONG TBL_NOADVANCE = 0x00000001;
constexpr ULONG TBL_ALL_COLUMNS = 0x00000001;
constexpr ULONG MAPI_DIALOG = 0x00000008;
constexpr ULONG SERVICE_UI_ALWAYS = 0x00000002;
constexpr ULONG SERVICE_UI_ALLOWED = 0x00000010;
constexpr ULONG MAPI_NOREPLACE = 0x00000002;
constexpr ULONG MAPI_DEFAULT_SERVICES = 0x00000001;
constexpr ULONG MAPI_MODIFY = 0x00000001;

constexpr BOOKMARK BOOKMARK_BEGINNING = 0;
constexpr BOOKMARK BOOKMARK_CURRENT = 1;
constexpr BOOKMARK BOOKMARK_END = 2;

// Service entry contexts.
constexpr ULONG MSG_SERVICE_CREATE = 2;
constexpr ULONG MSG_SERVICE_CONFIGURE = 3;

} // namespace pdx
