#pragma once
// Reference counting for this component's objects that answer only IUnknown
// besides their own interface.

#include <atomic>

#include "pdx/interfaces.h"
#include "pdx/status.h"

namespace mapi32 {

template <class Iface>
class Counted : public Iface {
public:
    pdx::HRESULT QueryInterface(pdx::LPCIID iid, void** out) override {
        if (!out) return pdx::E_INVALIDARG;
        *out = nullptr;
        if (!pdx::isIid(iid, pdx::IID_IUnknown)) return pdx::E_NOINTERFACE;
        AddRef();
        *out = static_cast<Iface*>(this);
        return pdx::S_OK;
    }
    pdx::ULONG AddRef() override { return ++refs_; }
    pdx::ULONG Release() override {
        const pdx::ULONG left = --refs_;
        if (!left) delete this;
        return left;
    }

protected:
    virtual ~Counted() = default;

private:
    std::atomic<pdx::ULONG> refs_{1};
};

} // namespace mapi32
