// IWABObject: the component's memory domain, a backup of the store, and the
// services over single vCard files, the user's own contact and the dialogs.

#include "address_picker.h"
#include "objects.h"
#include "platform/codepage.h"
#include "vcard_files.h"
#include "wab_tags.h"
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
    // The cards of a vCard file join the store as they were written.
    HRESULT Import(char* importParams) override {
        const auto* params = reinterpret_cast<const WABIMPORTPARAM*>(importParams);
        if (!params || params->cbSize < sizeof(WABIMPORTPARAM) || !params->lpszFileName || !*params->lpszFileName)
            return E_INVALIDARG;
        return guarded([&] { return importCardFile(*session_, params->lpszFileName); });
    }
    // The select-names dialog, browsing only.
    HRESULT Find(IAddrBook*, ULONG_PTR ui) override {
        return guarded([&]() -> HRESULT {
            AddressRequest request;
            request.caption = dialogText(48);
            {
                std::lock_guard g(session_->store->mutex());
                session_->store->refresh();
                for (const Entry& e : session_->store->entries())
                    request.candidates.push_back({platform::systemToUtf8(e.props->string(PR_DISPLAY_NAME)),
                                                 platform::systemToUtf8(e.props->string(PR_EMAIL_ADDRESS)),
                                                 e.kind == EntryKind::DistList});
            }
            AddressChoice choice;
            return pickAddresses(ui, request, choice) == DialogResult::Unavailable ? MAPI_E_NO_SUPPORT : S_OK;
        });
    }
    HRESULT VCardDisplay(IAddrBook*, ULONG_PTR ui, char* fileName) override {
        if (!fileName || !*fileName) return E_INVALIDARG;
        return guarded([&]() -> HRESULT {
            common::PropArray props;
            if (HRESULT h = readFirstContact(fileName, props); FAILED(h)) return h;
            return showContact(ui, fieldsFrom(props)) == DialogResult::Unavailable ? MAPI_E_NO_SUPPORT : S_OK;
        });
    }
    // Directories are the messaging component's.
    HRESULT LDAPUrl(IAddrBook*, ULONG_PTR, ULONG, char*, IMailUser** out) override {
        if (out) *out = nullptr;
        return MAPI_E_NO_SUPPORT;
    }
    HRESULT VCardCreate(IAddrBook*, ULONG flags, char* fileName, IMailUser* user) override {
        if (!fileName || !*fileName || !user) return E_INVALIDARG;
        if (flags & WAB_VCARD_STREAM) return MAPI_E_NO_SUPPORT;
        return guarded([&] { return writeMailUserCard(*session_, user, fileName); });
    }
    HRESULT VCardRetrieve(IAddrBook*, ULONG flags, char* fileName, IMailUser** out) override {
        if (!out) return E_INVALIDARG;
        *out = nullptr;
        if (!fileName || !*fileName) return E_INVALIDARG;
        if (flags & WAB_VCARD_STREAM) return MAPI_E_NO_SUPPORT;
        return guarded([&] { return readMailUserCard(session_, fileName, out); });
    }
    HRESULT GetMe(IAddrBook*, ULONG flags, DWORD* action, SBinary* entryId, ULONG_PTR ui) override {
        return guarded([&] { return getMe(session_, flags, action, entryId, ui); });
    }
    HRESULT SetMe(IAddrBook*, ULONG flags, SBinary entryId, ULONG_PTR ui) override {
        return guarded([&] { return setMe(session_, flags, entryId, ui); });
    }

private:
    std::shared_ptr<Session> session_;
};

} // namespace

IWABObject* newWabObject(std::shared_ptr<Session> session) {
    return new (std::nothrow) WabObject(std::move(session));
}

} // namespace wab32
