#include "provider_open.h"

#include <memory>

#include "convert.h"
#include "dialogs.h"
#include "open_steps.h"
#include "mapi_library.h"
#include "mapi_policy.h"
#include "pdx/mapi.h"
#include "pdx/memory.h"
#include "pdx/status.h"
#include "pdx/tags.h"
#include "platform/system.h"
#include "provider.h"
#include "uid_scan.h"

namespace pdx::mapi {
namespace {

// The profile dialog, with MAPI initialised and its profile administration
// open for as long as it shows: S_OK with OK, else why not.
HRESULT profileDialog(const MapiLibrary& lib, ULONG_PTR ulUIParam, IProfSect* section, FreeBufferFn freeBuffer) {
    if (HRESULT h = lib.initialize(nullptr); FAILED(h)) return h;
    HRESULT result = S_OK;
    {
        object_ptr<IProfAdmin> admin;
        result = lib.adminProfiles(0, admin.out());
        if (SUCCEEDED(result) && !admin) result = MAPI_E_INVALID_OBJECT;
        else if (SUCCEEDED(result))
            result = runProfileDialog(ulUIParam, section, freeBuffer, admin.get(), lib) == kDialogOk
                         ? S_OK
                         : MAPI_E_USER_CANCEL;
    }
    lib.uninitialize();
    return result;
}

} // namespace

HRESULT openProvider(void* module, IPDXSupport* support, IProfSect* section, ULONG_PTR ulUIParam, ULONG flags,
                     AllocateBufferFn, AllocateMoreFn, FreeBufferFn freeBuffer, IAddrBook** out) {
    if (HRESULT h = proxy::checkOpenArguments(support, section, freeBuffer, flags, out); FAILED(h)) return h;
    MapiLibrary lib;
    if (HRESULT h = MapiLibrary::load(lib); FAILED(h)) return h;

    proxy::SectionProps props;
    const auto configure = [&lib, ulUIParam, section](FreeBufferFn free) {
        return profileDialog(lib, ulUIParam, section, free);
    };
    if (HRESULT h = proxy::readConfiguredSection(props, section, freeBuffer, flags, configure); FAILED(h)) return h;

    object_ptr<proxy::Provider> provider(proxy::Provider::create(module));
    if (!provider) return E_OUTOFMEMORY;
    std::string name = props.text(0, PR_DISPLAY_NAME);
    if (name.size() > kDisplayNameLimit) name.resize(kDisplayNameLimit);
    const std::string profile = props.text(1, PR_FAX_AB_FILE_PATH);
    const MAPIUID uid = props.uid();
    if (HRESULT h = proxy::usePdxMemory(*provider.get(), support); FAILED(h)) return h;

    if (HRESULT h = lib.initialize(nullptr); FAILED(h)) return h;
    const ULONG logonFlags = kLogonFlags | (profile.empty() ? MAPI_USE_DEFAULT : MAPI_EXPLICIT_PROFILE);
    object_ptr<IMAPISession> session;
    if (HRESULT h = lib.logonEx(ulUIParam, profile.empty() ? nullptr : profile.c_str(), nullptr, logonFlags,
                                session.out());
        FAILED(h) || !session) {
        lib.uninitialize();
        return FAILED(h) ? h : MAPI_E_LOGON_FAILED;
    }
    object_ptr<IAddrBook> book;
    if (HRESULT h = session->OpenAddressBook(ulUIParam, nullptr, AB_NO_DIALOG, book.out()); FAILED(h) || !book) {
        session->Logoff(0, 0, 0);
        session.reset();
        lib.uninitialize();
        return FAILED(h) ? h : MAPI_E_INVALID_OBJECT;
    }

    auto policy = std::make_unique<MapiPolicy>(lib, session.release(), uid);
    MapiPolicy& kept = *policy;
    IAddrBook* mapiBook = book.get();
    provider->open(std::move(policy), book.release(), support, name, uid);
    scanUids(kept.library(), mapiBook, support, uid, kept.uids());
    *out = provider.release();
    return S_OK;
}

HRESULT serviceEntry(void*, ULONG_PTR ulUIParam, ULONG flags, ULONG context, ULONG count, const SPropValue* values,
                     IProfSect* section, IPDXSupport* support) {
    // The library is loaded only when the dialog shows.
    const auto configure = [ulUIParam, section](FreeBufferFn free) {
        MapiLibrary lib;
        if (HRESULT h = MapiLibrary::load(lib); FAILED(h)) return h;
        return profileDialog(lib, ulUIParam, section, free);
    };
    return proxy::serviceEntrySteps(flags, context, count, values, section, support, configure);
}

} // namespace pdx::mapi
