#pragma once
// The Windows Address Book component as the contacts provider calls it:
// WABOpen, its parameter block and IWABObject (the slot order of wabapi.h).
// The component also hands out IAddrBook and the MAPI-shaped objects of
// pdx/interfaces.h.

#include "pdx/interfaces.h"

namespace pdx {

struct IMailUser;

// Parameter block of WABOpen. cbSize is sizeof(WAB_PARAM).
struct WAB_PARAM {
    ULONG cbSize;
    ULONG_PTR hwnd;      // window handle word (a QWidget* or 0)
    char* szFileName;    // the store file, or null for the component's default
    ULONG ulFlags;
    GUID guidPSExt;
};

// WAB_PARAM flags.
constexpr ULONG WAB_USE_OE_SENDMAIL = 0x00000001;
constexpr ULONG WAB_ENABLE_PROFILES = 0x00400000;
// Contents and hierarchy table flags that WAB 5 and later understand.
constexpr ULONG WAB_LOCAL_CONTAINERS = 0x00100000;
constexpr ULONG WAB_PROFILE_CONTENTS = 0x00200000;

struct IWABObject : IUnknown {
    virtual HRESULT GetLastError(HRESULT status, ULONG flags, MAPIERROR** out) = 0;
    virtual HRESULT AllocateBuffer(ULONG cb, void** out) = 0;
    virtual HRESULT AllocateMore(ULONG cb, void* parent, void** out) = 0;
    virtual HRESULT FreeBuffer(void* p) = 0;
    virtual HRESULT Backup(char* fileName) = 0;
    virtual HRESULT Import(char* importParams) = 0;
    virtual HRESULT Find(IAddrBook* addrBook, ULONG_PTR hwnd) = 0;
    virtual HRESULT VCardDisplay(IAddrBook* addrBook, ULONG_PTR hwnd, char* fileName) = 0;
    virtual HRESULT LDAPUrl(IAddrBook* addrBook, ULONG_PTR hwnd, ULONG flags, char* url, IMailUser** out) = 0;
    virtual HRESULT VCardCreate(IAddrBook* addrBook, ULONG flags, char* fileName, IMailUser* mailUser) = 0;
    virtual HRESULT VCardRetrieve(IAddrBook* addrBook, ULONG flags, char* fileName, IMailUser** out) = 0;
    virtual HRESULT GetMe(IAddrBook* addrBook, ULONG flags, DWORD* context, SBinary* entryId, ULONG_PTR hwnd) = 0;
    virtual HRESULT SetMe(IAddrBook* addrBook, ULONG flags, SBinary entryId, ULONG_PTR hwnd) = 0;
};

// A module's version resource on Linux: the module exports this data symbol
// as two words, most and least significant (version 6.0.1.2 is
// {0x00060000, 0x00010002}).
constexpr const char* kFileVersionSymbol = "VelmoFileVersion";

// Export "WABOpen" of the component.
using WABOpenFn = HRESULT (*)(IAddrBook** addrBook, IWABObject** wabObject, WAB_PARAM* params, DWORD reserved);

} // namespace pdx
