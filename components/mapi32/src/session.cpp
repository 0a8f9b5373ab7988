#include "session.h"

#include <mutex>

#include "admin.h"
#include "book_state.h"
#include "counted.h"
#include "objects.h"
#include "pdx/guard.h"
#include "pdx/status.h"
#include "pdx/tags.h"
#include "profile_store.h"
#include "subsystem.h"

namespace mapi32 {

using namespace pdx;

namespace {

class Session final : public Counted<IMAPISession> {
public:
    explicit Session(std::shared_ptr<BookState> book) : book_(std::move(book)) {}

    HRESULT GetLastError(HRESULT, ULONG, MAPIERROR**) override { return MAPI_E_NO_SUPPORT; }
    HRESULT GetMsgStoresTable(ULONG, IMAPITable** table) override {
        if (table) *table = nullptr;
        return MAPI_E_NO_SUPPORT; // an address book only: no message stores
    }
    HRESULT OpenMsgStore(ULONG_PTR, ULONG, ENTRYID*, LPCIID, ULONG, IMsgStore** out) override {
        if (out) *out = nullptr;
        return MAPI_E_NO_SUPPORT;
    }
    HRESULT OpenAddressBook(ULONG_PTR, LPCIID iid, ULONG, IAddrBook** out) override {
        if (!out) return E_INVALIDARG;
        *out = nullptr;
        if (iid && !isIid(iid, IID_IAddrBook) && !isIid(iid, IID_IUnknown)) return E_NOINTERFACE;
        if (ended()) return MAPI_E_END_OF_SESSION;
        return guarded([&] {
            *out = newAddrBook(book_);
            return S_OK;
        });
    }
    HRESULT OpenProfileSection(const MAPIUID*, LPCIID, ULONG, IProfSect** out) override {
        if (out) *out = nullptr;
        return MAPI_E_NO_SUPPORT;
    }
    HRESULT GetStatusTable(ULONG, IMAPITable** table) override {
        if (table) *table = nullptr;
        return MAPI_E_NO_SUPPORT;
    }
    HRESULT OpenEntry(ULONG cb, ENTRYID* id, LPCIID, ULONG, ULONG* type, IUnknown** out) override {
        if (!type || !out || (cb && !id)) return E_INVALIDARG;
        if (ended()) return MAPI_E_END_OF_SESSION;
        return guarded([&] {
            return book_->open(std::string_view(reinterpret_cast<const char*>(id), id ? cb : 0), type, out);
        });
    }
    HRESULT CompareEntryIDs(ULONG, ENTRYID*, ULONG, ENTRYID*, ULONG, ULONG*) override { return MAPI_E_NO_SUPPORT; }
    HRESULT Advise(ULONG, ENTRYID*, ULONG, IMAPIAdviseSink*, ULONG_PTR*) override { return MAPI_E_NO_SUPPORT; }
    HRESULT Unadvise(ULONG_PTR) override { return MAPI_E_NO_SUPPORT; }
    HRESULT MessageOptions(ULONG_PTR, ULONG, char*, void*) override { return MAPI_E_NO_SUPPORT; }
    HRESULT QueryDefaultMessageOpt(char*, ULONG, ULONG*, SPropValue**) override { return MAPI_E_NO_SUPPORT; }
    HRESULT EnumAdrTypes(ULONG, ULONG*, char***) override { return MAPI_E_NO_SUPPORT; }
    HRESULT QueryIdentity(ULONG*, ENTRYID**) override { return MAPI_E_NO_SUPPORT; }
    HRESULT Logoff(ULONG_PTR, ULONG, ULONG) override {
        std::lock_guard g(lock_);
        loggedOff_ = true;
        return S_OK;
    }
    HRESULT SetDefaultStore(ULONG, ULONG, ENTRYID*) override { return MAPI_E_NO_SUPPORT; }
    HRESULT AdminServices(ULONG, IMsgServiceAdmin** out) override {
        if (!out) return E_INVALIDARG;
        *out = nullptr;
        if (ended()) return MAPI_E_END_OF_SESSION;
        return guarded([&] {
            *out = newServiceAdmin(book_->profile());
            return S_OK;
        });
    }
    HRESULT ShowForm(ULONG_PTR, IMsgStore*, IUnknown*, LPCIID, ULONG, IUnknown*, ULONG, ULONG, ULONG, ULONG,
                     char*) override {
        return MAPI_E_NO_SUPPORT;
    }
    HRESULT PrepareForm(LPCIID, IUnknown*, ULONG*) override { return MAPI_E_NO_SUPPORT; }

private:
    ~Session() = default;
    bool ended() {
        std::lock_guard g(lock_);
        return loggedOff_;
    }

    std::shared_ptr<BookState> book_;
    std::mutex lock_;
    bool loggedOff_ = false;
};

} // namespace

HRESULT logon(ULONG_PTR, const char* profile, ULONG flags, IMAPISession** out) {
    if (!out) return E_INVALIDARG;
    *out = nullptr;
    if (flags & MAPI_UNICODE) return MAPI_E_BAD_CHARWIDTH;
    if (!initialized()) return MAPI_E_NOT_INITIALIZED;
    std::string name;
    HRESULT found = MAPI_E_NOT_FOUND;
    if (flags & MAPI_USE_DEFAULT) found = profiles::defaultProfile(name);
    else if (profile && *profile) found = profiles::find(profile, name);
    if (found == MAPI_E_NOT_FOUND) return MAPI_E_LOGON_FAILED;
    if (FAILED(found)) return found;

    std::vector<ServiceConfig> services;
    if (HRESULT h = profiles::services(name, services); FAILED(h)) return h;
    std::vector<std::shared_ptr<Directory>> directories;
    for (const ServiceConfig& s : services)
        if (auto d = makeDirectory(s)) directories.push_back(std::move(d));
    *out = new Session(std::make_shared<BookState>(name, std::move(directories)));
    return S_OK;
}

} // namespace mapi32
