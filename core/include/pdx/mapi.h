#pragma once
// The messaging subsystem as the directory provider and the profile tool call
// it: the MAPI32 functions by name, the session, profile administration and
// service administration interfaces (MAPI's slot orders), and the service
// properties of the messaging component that stands in for MAPI here.

#include "pdx/interfaces.h"

namespace pdx {

struct IMsgStore;

// MAPILogonEx flags.
constexpr ULONG MAPI_NEW_SESSION = 0x00000002;
constexpr ULONG MAPI_EXPLICIT_PROFILE = 0x00000010;
constexpr ULONG MAPI_EXTENDED = 0x00000020;
constexpr ULONG MAPI_NO_MAIL = 0x00008000;
constexpr ULONG MAPI_PASSWORD_UI = 0x00020000;
// OpenAddressBook: no dialogs.
constexpr ULONG AB_NO_DIALOG = 0x00000001;
// PR_CONTAINER_FLAGS: the container cannot be changed.
constexpr ULONG AB_UNMODIFIABLE = 0x00000008;
// PR_DISPLAY_TYPE values.
constexpr ULONG DT_MAILUSER = 0x00000000;
constexpr ULONG DT_DISTLIST = 0x00000001;
constexpr ULONG DT_GLOBAL = 0x00020000;

// MAPIInitialize parameter block (none is passed by the provider).
struct MAPIINIT_0 {
    ULONG ulVersion;
    ULONG ulFlags;
};

struct IMsgServiceAdmin : IUnknown {
    virtual HRESULT GetLastError(HRESULT status, ULONG flags, MAPIERROR** out) = 0;
    virtual HRESULT GetMsgServiceTable(ULONG flags, IMAPITable** table) = 0;
    virtual HRESULT CreateMsgService(const char* service, const char* displayName, ULONG_PTR ulUIParam,
                                     ULONG flags) = 0;
    virtual HRESULT DeleteMsgService(const MAPIUID* uid) = 0;
    virtual HRESULT CopyMsgService(const MAPIUID* uid, const char* displayName, LPCIID iidSource, LPCIID iidDest,
                                   void* destination, ULONG_PTR ulUIParam, ULONG flags) = 0;
    virtual HRESULT RenameMsgService(const MAPIUID* uid, ULONG flags, const char* displayName) = 0;
    virtual HRESULT ConfigureMsgService(const MAPIUID* uid, ULONG_PTR ulUIParam, ULONG flags, ULONG count,
                                        const SPropValue* values) = 0;
    virtual HRESULT OpenProfileSection(const MAPIUID* uid, LPCIID iid, ULONG flags, IProfSect** out) = 0;
    virtual HRESULT MsgServiceTransportOrder(ULONG count, const MAPIUID* uids, ULONG flags) = 0;
    virtual HRESULT AdminProviders(const MAPIUID* uid, ULONG flags, IUnknown** out) = 0;
    virtual HRESULT SetPrimaryIdentity(const MAPIUID* uid, ULONG flags) = 0;
    virtual HRESULT GetProviderTable(ULONG flags, IMAPITable** table) = 0;
};

struct IProfAdmin : IUnknown {
    virtual HRESULT GetLastError(HRESULT status, ULONG flags, MAPIERROR** out) = 0;
    virtual HRESULT GetProfileTable(ULONG flags, IMAPITable** table) = 0;
    virtual HRESULT CreateProfile(const char* name, const char* password, ULONG_PTR ulUIParam, ULONG flags) = 0;
    virtual HRESULT DeleteProfile(const char* name, ULONG flags) = 0;
    virtual HRESULT ChangeProfilePassword(const char* name, const char* oldPassword, const char* newPassword,
                                          ULONG flags) = 0;
    virtual HRESULT CopyProfile(const char* oldName, const char* oldPassword, const char* newName,
                                ULONG_PTR ulUIParam, ULONG flags) = 0;
    virtual HRESULT RenameProfile(const char* oldName, const char* oldPassword, const char* newName,
                                  ULONG_PTR ulUIParam, ULONG flags) = 0;
    virtual HRESULT SetDefaultProfile(const char* name, ULONG flags) = 0;
    virtual HRESULT AdminServices(const char* name, const char* password, ULONG_PTR ulUIParam, ULONG flags,
                                  IMsgServiceAdmin** out) = 0;
};

struct IMAPISession : IUnknown {
    virtual HRESULT GetLastError(HRESULT status, ULONG flags, MAPIERROR** out) = 0;
    virtual HRESULT GetMsgStoresTable(ULONG flags, IMAPITable** table) = 0;
    virtual HRESULT OpenMsgStore(ULONG_PTR ulUIParam, ULONG cbEntryID, ENTRYID* entryId, LPCIID iid, ULONG flags,
                                 IMsgStore** out) = 0;
    virtual HRESULT OpenAddressBook(ULONG_PTR ulUIParam, LPCIID iid, ULONG flags, IAddrBook** out) = 0;
    virtual HRESULT OpenProfileSection(const MAPIUID* uid, LPCIID iid, ULONG flags, IProfSect** out) = 0;
    virtual HRESULT GetStatusTable(ULONG flags, IMAPITable** table) = 0;
    virtual HRESULT OpenEntry(ULONG cbEntryID, ENTRYID* entryId, LPCIID iid, ULONG flags, ULONG* objType,
                              IUnknown** out) = 0;
    virtual HRESULT CompareEntryIDs(ULONG cb1, ENTRYID* id1, ULONG cb2, ENTRYID* id2, ULONG flags,
                                    ULONG* result) = 0;
    virtual HRESULT Advise(ULONG cbEntryID, ENTRYID* entryId, ULONG eventMask, IMAPIAdviseSink* sink,
                           ULONG_PTR* connection) = 0;
    virtual HRESULT Unadvise(ULONG_PTR connection) = 0;
    virtual HRESULT MessageOptions(ULONG_PTR ulUIParam, ULONG flags, char* addrType, void* message) = 0;
    virtual HRESULT QueryDefaultMessageOpt(char* addrType, ULONG flags, ULONG* count, SPropValue** options) = 0;
    virtual HRESULT EnumAdrTypes(ULONG flags, ULONG* count, char*** types) = 0;
    virtual HRESULT QueryIdentity(ULONG* cbEntryID, ENTRYID** entryId) = 0;
    virtual HRESULT Logoff(ULONG_PTR ulUIParam, ULONG flags, ULONG reserved) = 0;
    virtual HRESULT SetDefaultStore(ULONG flags, ULONG cbEntryID, ENTRYID* entryId) = 0;
    virtual HRESULT AdminServices(ULONG flags, IMsgServiceAdmin** out) = 0;
    virtual HRESULT ShowForm(ULONG_PTR ulUIParam, IMsgStore* store, IUnknown* parentFolder, LPCIID iid,
                             ULONG messageToken, IUnknown* sentMessage, ULONG flags, ULONG messageStatus,
                             ULONG messageFlags, ULONG access, char* messageClass) = 0;
    virtual HRESULT PrepareForm(LPCIID iid, IUnknown* message, ULONG* messageToken) = 0;
};

// The MAPI32 functions, looked up by name.
using MAPIInitializeFn = HRESULT (*)(void* init);
using MAPIUninitializeFn = void (*)();
using MAPILogonExFn = HRESULT (*)(ULONG_PTR ulUIParam, const char* profileName, const char* password, ULONG flags,
                                  IMAPISession** session);
using MAPIAllocateBufferFn = AllocateBufferFn;
using MAPIAllocateMoreFn = AllocateMoreFn;
using MAPIFreeBufferFn = FreeBufferFn;
using MAPIAdminProfilesFn = HRESULT (*)(ULONG flags, IProfAdmin** out);
using FreeProwsMapiFn = void (*)(SRowSet* rows);

// The messaging component's services: a service is created by its kind and
// named by its display name, then configured with these properties.
constexpr const char* kMapiServiceLdap = "LDAP";
constexpr const char* kMapiServiceVCard = "VCARD";
// Kind of the service ("LDAP" or "VCARD") in the service table.
constexpr ULONG PR_VELMO_SERVICE_KIND = 0x6700001E;
// LDAP: server URI, base DN, search filter, bind DN and the file holding the
// bind password (readable by its owner only).
constexpr ULONG PR_VELMO_LDAP_URI = 0x6701001E;
constexpr ULONG PR_VELMO_LDAP_BASE_DN = 0x6702001E;
constexpr ULONG PR_VELMO_LDAP_FILTER = 0x6703001E;
constexpr ULONG PR_VELMO_LDAP_BIND_DN = 0x6704001E;
constexpr ULONG PR_VELMO_LDAP_PASSWORD_FILE = 0x6705001E;
// vCard: the file.
constexpr ULONG PR_VELMO_VCARD_FILE = 0x6706001E;

} // namespace pdx
