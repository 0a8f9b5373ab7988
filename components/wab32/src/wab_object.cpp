// IWABObject: the component's memory domain, and a backup of the store.

#include "objects.h"
#include "pdx/guard.h"
#include "platform/file.h"

namespace wab32 {

using namespace pdx;

namespace {

class WabObject final : public Object<WabObject, IWABObject> {
public:
    explicit WabObject(std::shared_ptr<Session> s) : session_(std::move(s)) {}

    HRESULT QueryInterface(LPCIID iid, void** out) override { return answer(iid, out, {&IID_IUnknown}); }
    HRESULT GetLastError(HRESULT, ULONG, MAPIERROR**) override { return MAPI_E_NO_SUPPORT; }
    HRESULT AllocateBuffer(ULONG cb, void** out) override { return wabPool().allocate(cb, out); }
    HRESULT AllocateMore(ULONG cb, void* parent, void** out) override { return wabPool().allocateMore(cb, parent, out); }
    HRESULT FreeBuffer(void* p) override { return wabPool().free(p); }
    // A copy of the store file as it was last read or written.
    HRESULT Backup(char* fileName) override {
        if (!fileName || !*fileName) return E_INVALIDARG;
        return guarded([&]() -> HRESULT {
            std::string bytes;
            {
                std::lock_guard g(session_->store->mutex());
                bytes = session_->store->bytes();
            }
            return platform::writeFileAtomically(fileName, bytes) == platform::FileCause::None ? S_OK
                                                                                               : MAPI_E_DISK_ERROR;
        });
    }
    // Importing other formats, finding people in directories, LDAP URLs,
    // single vCard files and the "me" entry belong to a full mail client.
    HRESULT Import(char*) override { return MAPI_E_NO_SUPPORT; }
    HRESULT Find(IAddrBook*, ULONG_PTR) override { return MAPI_E_NO_SUPPORT; }
    HRESULT VCardDisplay(IAddrBook*, ULONG_PTR, char*) override { return MAPI_E_NO_SUPPORT; }
    HRESULT LDAPUrl(IAddrBook*, ULONG_PTR, ULONG, char*, IMailUser** out) override {
        if (out) *out = nullptr;
        return MAPI_E_NO_SUPPORT;
    }
    HRESULT VCardCreate(IAddrBook*, ULONG, char*, IMailUser*) override { return MAPI_E_NO_SUPPORT; }
    HRESULT VCardRetrieve(IAddrBook*, ULONG, char*, IMailUser** out) override {
        if (out) *out = nullptr;
        return MAPI_E_NO_SUPPORT;
    }
    HRESULT GetMe(IAddrBook*, ULONG, DWORD*, SBinary*, ULONG_PTR) override { return MAPI_E_NO_SUPPORT; }
    HRESULT SetMe(IAddrBook*, ULONG, SBinary, ULONG_PTR) override { return MAPI_E_NO_SUPPORT; }

private:
    std::shared_ptr<Session> session_;
};

} // namespace

IWABObject* newWabObject(std::shared_ptr<Session> session) {
    return new (std::nothrow) WabObject(std::move(session));
}

} // namespace wab32
