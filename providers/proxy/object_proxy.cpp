#include "object_proxy.h"

#include <new>

#include "dist_list.h"
#include "pdx/status.h"
#include "proxies.h"

namespace pdx::proxy {
namespace {

class MailUserProxy final : public PropProxy<IMailUser> {
public:
    explicit MailUserProxy(Provider& p) : PropProxy(p, IID_IMailUser) {}

private:
    bool answers(LPCIID iid) const override { return oneOf(iid, {&IID_IUnknown, &IID_IMAPIProp, &IID_IMailUser}); }
};

class AbContainerProxy final : public ContainerProxy<IABContainer> {
public:
    explicit AbContainerProxy(Provider& p) : ContainerProxy(p, IID_IABContainer) {}

private:
    bool answers(LPCIID iid) const override {
        return oneOf(iid, {&IID_IUnknown, &IID_IMAPIProp, &IID_IMAPIContainer, &IID_IABContainer});
    }
};

template <class Proxy> HRESULT make(Provider& provider, IUnknown* object, IUnknown** out) {
    auto* proxy = new (std::nothrow) Proxy(provider);
    if (!proxy) return E_OUTOFMEMORY;
    if (HRESULT h = proxy->attach(object); FAILED(h)) {
        proxy->Release();
        return h;
    }
    *out = proxy;
    return S_OK;
}

} // namespace

HRESULT wrapObject(Provider& provider, ULONG objType, IUnknown* object, IUnknown** out) {
    *out = nullptr;
    if (!object) return MAPI_E_INVALID_OBJECT;
    switch (objType) {
    case MAPI_ABCONT: return make<AbContainerProxy>(provider, object, out);
    case MAPI_MAILUSER: return make<MailUserProxy>(provider, object, out);
    case MAPI_DISTLIST: return make<DistListProxy>(provider, object, out);
    default: return MAPI_E_INVALID_OBJECT;
    }
}

} // namespace pdx::proxy
