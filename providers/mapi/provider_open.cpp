#include "provider_open.h"

#include <cstring>
#include <memory>

#include "convert.h"
#include "dialogs.h"
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

// The section's answer for the three properties the provider needs.
struct SectionProps {
    buffer_ptr<SPropValue> values;
    ULONG count = 0;

    HRESULT read(IProfSect* section, FreeBufferFn freeBuffer) {
        const proxy::SizedTags<3> tags{3, {PR_DISPLAY_NAME, PR_FAX_AB_FILE_PATH, PR_SERVICE_UID}};
        values = buffer_ptr<SPropValue>(freeBuffer);
        count = 0;
        return section->GetProps(tags.get(), 0, &count, values.out());
    }
    bool has(ULONG i, ULONG tag) const { return values && count > i && values[i].ulPropTag == tag; }
    bool hasUid() const { return has(2, PR_SERVICE_UID) && values[2].Value.bin.lpb && values[2].Value.bin.cb >= 16; }
    const char* text(ULONG i, ULONG tag) const { return has(i, tag) && values[i].Value.lpszA ? values[i].Value.lpszA : ""; }
};

// The profile dialog, with MAPI initialised and its profile administration
// open for as long as it shows.
int profileDialog(const MapiLibrary& lib, ULONG_PTR ulUIParam, IProfSect* section, FreeBufferFn freeBuffer,
                  HRESULT& failure) {
    failure = S_OK;
    if (HRESULT h = lib.initialize(nullptr); FAILED(h)) {
        failure = h;
        return kDialogFailed;
    }
    int result = kDialogFailed;
    {
        object_ptr<IProfAdmin> admin;
        failure = lib.adminProfiles(0, admin.out());
        if (SUCCEEDED(failure) && admin) result = runProfileDialog(ulUIParam, section, freeBuffer, admin.get(), lib);
        else if (SUCCEEDED(failure)) failure = MAPI_E_INVALID_OBJECT;
    }
    lib.uninitialize();
    return result;
}

} // namespace

HRESULT openProvider(void* module, IPDXSupport* support, IProfSect* section, ULONG_PTR ulUIParam, ULONG flags,
                     AllocateBufferFn, AllocateMoreFn, FreeBufferFn freeBuffer, IAddrBook** out) {
    // Without a free routine the section's answer could not be given back.
    if (!support || !section || !freeBuffer || !platform::isWritable(out, sizeof *out)) return E_INVALIDARG;
    if (flags & MAPI_UNICODE) return MAPI_E_BAD_CHARWIDTH;
    *out = nullptr;

    MapiLibrary lib;
    if (HRESULT h = MapiLibrary::load(lib); FAILED(h)) return h;

    SectionProps props;
    if (HRESULT h = props.read(section, freeBuffer); FAILED(h)) return h;
    if (!props.hasUid()) return MAPI_E_BAD_VALUE;
    if (!props.has(0, PR_DISPLAY_NAME)) {
        if (flags & kNoConfigureDialog) return MAPI_E_UNCONFIGURED;
        HRESULT failure = S_OK;
        if (profileDialog(lib, ulUIParam, section, freeBuffer, failure) != kDialogOk)
            return FAILED(failure) ? failure : MAPI_E_USER_CANCEL;
        if (HRESULT h = props.read(section, freeBuffer); FAILED(h)) return h;
        if (!props.hasUid()) return MAPI_E_BAD_VALUE;
    }

    object_ptr<proxy::Provider> provider(proxy::Provider::create(module));
    if (!provider) return E_OUTOFMEMORY;
    std::string name = props.text(0, PR_DISPLAY_NAME);
    if (name.size() > kDisplayNameLimit) name.resize(kDisplayNameLimit);
    const std::string profile = props.text(1, PR_FAX_AB_FILE_PATH);
    MAPIUID uid;
    std::memcpy(uid.ab, props.values[2].Value.bin.lpb, sizeof uid.ab);

    AllocateBufferFn allocate = nullptr;
    AllocateMoreFn more = nullptr;
    FreeBufferFn free = nullptr;
    if (HRESULT h = support->GetMemAllocRoutines(&allocate, &more, &free); FAILED(h)) return h;
    provider->setPdxMemory(allocate, more, free);

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
    if (!support) return E_INVALIDARG;
    if (flags & MAPI_UNICODE) return MAPI_E_BAD_CHARWIDTH;
    if (context == MSG_SERVICE_CREATE || context == MSG_SERVICE_CONFIGURE) {
        if (!section) return E_INVALIDARG;
        if (count && values && platform::isReadable(values, sizeof(SPropValue) * size_t(count)))
            if (HRESULT h = section->SetProps(count, values, nullptr); FAILED(h)) return h;
    }
    AllocateBufferFn allocate = nullptr;
    AllocateMoreFn more = nullptr;
    FreeBufferFn free = nullptr;
    const HRESULT routines = support->GetMemAllocRoutines(&allocate, &more, &free);
    if (FAILED(routines)) return routines;
    if (context < 1 || context > 5) return MAPI_E_NO_SUPPORT;
    const bool dialog = context == MSG_SERVICE_CONFIGURE ||
                        (context == MSG_SERVICE_CREATE && (flags & (SERVICE_UI_ALWAYS | SERVICE_UI_ALLOWED)));
    if (!dialog) return routines;
    MapiLibrary lib;
    if (HRESULT h = MapiLibrary::load(lib); FAILED(h)) return h;
    HRESULT failure = S_OK;
    if (profileDialog(lib, ulUIParam, section, free, failure) != kDialogOk)
        return FAILED(failure) ? failure : MAPI_E_USER_CANCEL;
    return routines;
}

} // namespace pdx::mapi
