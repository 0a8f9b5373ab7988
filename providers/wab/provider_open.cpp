#include "provider_open.h"

#include <memory>
#include <string_view>

#include "convert.h"
#include "dialogs.h"
#include "open_steps.h"
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

bool loadComponent(platform::Module& module) {
    const std::string path = componentPath();
    return path.find('/') != std::string::npos ? module.loadFile(path) : module.load(path);
}

// The configuration dialog, as ABProviderOpen and the service entry run it.
proxy::ConfigureFn configureWith(ULONG_PTR ulUIParam, IProfSect* section) {
    return [ulUIParam, section](FreeBufferFn freeBuffer) {
        return runConfigDialog(ulUIParam, section, freeBuffer) == kDialogOk ? S_OK : MAPI_E_USER_CANCEL;
    };
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
    if (HRESULT h = proxy::checkOpenArguments(support, section, freeBuffer, flags, out); FAILED(h)) return h;
    proxy::SectionProps props;
    if (HRESULT h = proxy::readConfiguredSection(props, section, freeBuffer, flags, configureWith(ulUIParam, section));
        FAILED(h))
        return h;

    object_ptr<proxy::Provider> provider(proxy::Provider::create(module));
    if (!provider) return E_OUTOFMEMORY;
    std::string path = props.text(1, PR_FAX_AB_FILE_PATH);
    const MAPIUID uid = props.uid();
    if (HRESULT h = proxy::usePdxMemory(*provider.get(), support); FAILED(h)) return h;

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
                   props.text(0, PR_DISPLAY_NAME), uid);
    if (HRESULT h = support->SetProviderUID(&uid, 0); FAILED(h)) return h;
    *out = provider.release();
    return S_OK;
}

HRESULT serviceEntry(void*, ULONG_PTR ulUIParam, ULONG flags, ULONG context, ULONG count, const SPropValue* values,
                     IProfSect* section, IPDXSupport* support) {
    return proxy::serviceEntrySteps(flags, context, count, values, section, support, configureWith(ulUIParam, section));
}

} // namespace pdx::wab
