#include "provider_open.h"

#include <cstring>
#include <memory>
#include <string_view>

#include "convert.h"
#include "dialogs.h"
#include "pdx/memory.h"
#include "pdx/status.h"
#include "pdx/tags.h"
#include "pdx/wab.h"
#include "platform/registry.h"
#include "platform/system.h"
#include "provider.h"
#include "wab_policy.h"

namespace pdx::wab {

static_assert(std::string_view(platform::kFileVersionSymbol) == std::string_view(kFileVersionSymbol));

namespace {

constexpr size_t kPathBuffer = 260;

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
    // A provider UID needs its 16 bytes.
    bool hasUid() const { return has(2, PR_SERVICE_UID) && values[2].Value.bin.lpb && values[2].Value.bin.cb >= 16; }
};

bool loadComponent(platform::Module& module) {
    const std::string path = componentPath();
    return path.find('/') != std::string::npos ? module.loadFile(path) : module.load(path);
}

} // namespace

std::string componentPath() {
    platform::RegKey key;
    std::string path;
    if (platform::RegKey::open(platform::RegRoot::LocalMachine, "Software\\Microsoft\\WAB\\DLLPath", key) ==
            platform::kRegOk &&
        key.queryString("", path) == platform::kRegOk && !path.empty() && path.size() < kPathBuffer)
        return path;
    return "WAB32.DLL";
}

HRESULT openProvider(void* module, IPDXSupport* support, IProfSect* section, ULONG_PTR ulUIParam, ULONG flags,
                     AllocateBufferFn, AllocateMoreFn, FreeBufferFn freeBuffer, IAddrBook** out) {
    // Without a free routine the section's answer could not be given back.
    if (!support || !section || !freeBuffer || !platform::isWritable(out, sizeof *out)) return E_INVALIDARG;
    if (flags & MAPI_UNICODE) return MAPI_E_BAD_CHARWIDTH;
    *out = nullptr;

    SectionProps props;
    if (HRESULT h = props.read(section, freeBuffer); FAILED(h)) return h;
    if (!props.hasUid()) return MAPI_E_BAD_VALUE;
    if (!props.has(0, PR_DISPLAY_NAME)) {
        if (flags & kNoConfigureDialog) return MAPI_E_UNCONFIGURED;
        if (runConfigDialog(ulUIParam, section, freeBuffer) != kDialogOk) return MAPI_E_USER_CANCEL;
        if (HRESULT h = props.read(section, freeBuffer); FAILED(h)) return h;
        if (!props.hasUid()) return MAPI_E_BAD_VALUE;
    }

    object_ptr<proxy::Provider> provider(proxy::Provider::create(module));
    if (!provider) return E_OUTOFMEMORY;
    std::string path;
    if (props.has(1, PR_FAX_AB_FILE_PATH) && props.values[1].Value.lpszA) path = props.values[1].Value.lpszA;
    const char* name = props.has(0, PR_DISPLAY_NAME) ? props.values[0].Value.lpszA : nullptr;
    MAPIUID uid;
    std::memcpy(uid.ab, props.values[2].Value.bin.lpb, sizeof uid.ab);

    AllocateBufferFn allocate = nullptr;
    AllocateMoreFn more = nullptr;
    FreeBufferFn free = nullptr;
    if (HRESULT h = support->GetMemAllocRoutines(&allocate, &more, &free); FAILED(h)) return h;
    provider->setPdxMemory(allocate, more, free);

    // Without the component the provider stays not initialized: vqcore can
    // still load the profile, and every call on this provider says why it fails.
    platform::Module component;
    const auto wabOpen = loadComponent(component) ? component.function<WABOpenFn>("WABOpen") : nullptr;
    if (!wabOpen) {
        *out = provider.release();
        return S_OK;
    }

    platform::FileVersion version;
    platform::moduleFileVersion(component, version);
    WAB_PARAM params{};
    params.cbSize = sizeof params;
    params.hwnd = ulUIParam;
    params.szFileName = path.empty() ? nullptr : path.data();
    params.ulFlags = version.high >= kWab5 && path.empty() ? WAB_ENABLE_PROFILES : 0;
    IAddrBook* book = nullptr;
    IWABObject* wab = nullptr;
    const HRESULT opened = wabOpen(&book, &wab, &params, 0);
    if (FAILED(opened)) {
        if (book) book->Release();
        if (wab) wab->Release();
        return opened;
    }
    if (!book || !wab) {
        if (book) book->Release();
        if (wab) wab->Release();
        return MAPI_E_INVALID_OBJECT;
    }

    provider->open(std::make_unique<WabPolicy>(std::move(component), wab, version, uid), book, support,
                   name ? name : "", uid);
    if (HRESULT h = support->SetProviderUID(&uid, 0); FAILED(h)) return h;
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
    if (dialog && runConfigDialog(ulUIParam, section, free) != kDialogOk) return MAPI_E_USER_CANCEL;
    return routines;
}

} // namespace pdx::wab
