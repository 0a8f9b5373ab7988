// PDXOpen: choose the profile, load its providers, make the session and its
// address book.

#include <string>

#include "address_book.h"
#include "allocator.h"
#include "checks.h"
#include "pdx/guard.h"
#include "pdx/status.h"
#include "pdx/tags.h"
#include "provider_list.h"
#include "provider_loader.h"
#include "row_reader.h"
#include "session.h"

using namespace pdx;
using namespace pdx::core;

PDX_EXPORT HRESULT PDXAdminProfiles(ULONG flags, IPDXProfAdmin** out);

namespace {

// The default profile (flag MAPI_USE_DEFAULT) or the one named exactly.
HRESULT chooseProfile(const char* name, ULONG flags, std::string& chosen) {
    object_ptr<IPDXProfAdmin> admin;
    if (HRESULT h = PDXAdminProfiles(0, admin.out()); FAILED(h)) return h;
    object_ptr<IMAPITable> table;
    if (HRESULT h = admin->GetProfileTable(0, table.out()); FAILED(h)) return h;
    const bool byDefault = flags & MAPI_USE_DEFAULT;
    struct { ULONG c; ULONG t[2]; } cols = {2, {PR_DISPLAY_NAME, PR_DEFAULT_PROFILE}};
    HRESULT h = readRows(table.get(), reinterpret_cast<SPropTagArray*>(&cols), [&](SRow& row) -> HRESULT {
        const SPropValue* display = columnValue(row, 0, PR_DISPLAY_NAME);
        const SPropValue* isDefault = columnValue(row, 1, PR_DEFAULT_PROFILE);
        if (!display) return S_OK;
        const bool match = byDefault ? isDefault && isDefault->Value.b
                                     : name && std::string_view(display->Value.lpszA) == name;
        if (!match) return S_OK;
        chosen = display->Value.lpszA;
        return kStopReading;
    });
    if (FAILED(h)) return h;
    if (!chosen.empty()) return S_OK;
    return (flags & MAPI_LOGON_UI) ? MAPI_E_UNKNOWN_FLAGS : MAPI_E_LOGON_FAILED;
}

HRESULT open(ULONG_PTR ulUIParam, const char* profileName, ULONG flags, IAddrBook** addrBook, IPDXSession** out) {
    std::string profile;
    if (HRESULT h = chooseProfile(profileName, flags, profile); FAILED(h)) return h;

    object_ptr<IPDXProfAdmin> admin;
    if (HRESULT h = PDXAdminProfiles(0, admin.out()); FAILED(h)) return h;
    object_ptr<IPDXServiceAdmin> services;
    if (HRESULT h = admin->AdminServices(profile.c_str(), 0, services.out()); FAILED(h)) return h;
    admin.reset();

    object_ptr<ProviderList> providers(ProviderList::create());
    if (!providers) return E_OUTOFMEMORY;
    if (HRESULT h = loadProviders(*services.get(), *providers.get(), ulUIParam, flags); FAILED(h)) return h;

    AddressBook* made = nullptr;
    if (HRESULT h = AddressBook::create(profile, providers.get(), &made); FAILED(h)) {
        providers->unloadAll();
        return h;
    }
    object_ptr<AddressBook> book(made);
    object_ptr<Session> session(Session::create(std::move(book), providers, std::move(services), ulUIParam));
    if (!session) {
        providers->unloadAll();
        return E_OUTOFMEMORY;
    }
    if (addrBook) {
        if (HRESULT h = session->OpenAddressBook(0, addrBook); FAILED(h)) return h;
    }
    *out = session.release();
    return S_OK;
}

} // namespace

PDX_EXPORT HRESULT PDXOpen(ULONG_PTR ulUIParam, const char* profileName, ULONG flags, ULONG reserved1,
                           ULONG reserved2, ULONG reserved3, IAddrBook** addrBook, IPDXSession** session) {
    return guarded([&] {
        if (!writableOut(session)) return E_INVALIDARG;
        *session = nullptr;
        if (flags & MAPI_UNICODE) return MAPI_E_BAD_CHARWIDTH;
        if (reserved1 || reserved2 || reserved3) return MAPI_E_NO_SUPPORT;
        if (addrBook) {
            if (!writableOut(addrBook)) return E_INVALIDARG;
            *addrBook = nullptr;
        }
        return open(ulUIParam, profileName, flags, addrBook, session);
    });
}
