#pragma once
// Reference counting, QueryInterface and the IMAPIProp slots of an object
// whose properties are one property array it only reads.

#include <atomic>
#include <initializer_list>
#include <vector>

#include "directory.h"
#include "memory.h"
#include "pdx/guard.h"
#include "pdx/interfaces.h"
#include "pdx/status.h"
#include "pdx_common/prop_answers.h"

namespace mapi32 {

template <class Iface>
class PropObject : public Iface {
public:
    PropObject(TableRow props, std::initializer_list<const pdx::IID*> answers)
        : props_(std::move(props)), answers_(answers) {}

    pdx::HRESULT QueryInterface(pdx::LPCIID iid, void** out) override {
        if (!out) return pdx::E_INVALIDARG;
        *out = nullptr;
        for (const pdx::IID* a : answers_)
            if (pdx::isIid(iid, *a)) {
                this->AddRef();
                *out = static_cast<Iface*>(this);
                return pdx::S_OK;
            }
        return pdx::E_NOINTERFACE;
    }
    pdx::ULONG AddRef() override { return ++refs_; }
    pdx::ULONG Release() override {
        const pdx::ULONG left = --refs_;
        if (!left) delete this;
        return left;
    }

    pdx::HRESULT GetLastError(pdx::HRESULT, pdx::ULONG, pdx::MAPIERROR**) override { return pdx::MAPI_E_NO_SUPPORT; }
    pdx::HRESULT SaveChanges(pdx::ULONG) override { return pdx::E_ACCESSDENIED; }
    pdx::HRESULT GetProps(const pdx::SPropTagArray* tags, pdx::ULONG flags, pdx::ULONG* count,
                          pdx::SPropValue** values) override {
        return pdx::guarded([&] { return pdx::common::answerProps(*props_, tags, flags, mapiDomain(), count, values); });
    }
    pdx::HRESULT GetPropList(pdx::ULONG flags, pdx::SPropTagArray** tags) override {
        return pdx::guarded([&] { return pdx::common::answerPropList(*props_, flags, mapiDomain(), tags); });
    }
    pdx::HRESULT OpenProperty(pdx::ULONG, pdx::LPCIID, pdx::ULONG, pdx::ULONG, pdx::IUnknown** out) override {
        if (out) *out = nullptr;
        return pdx::MAPI_E_NO_SUPPORT;
    }
    pdx::HRESULT SetProps(pdx::ULONG, const pdx::SPropValue*, pdx::SPropProblemArray** problems) override {
        if (problems) *problems = nullptr;
        return pdx::E_ACCESSDENIED;
    }
    pdx::HRESULT DeleteProps(const pdx::SPropTagArray*, pdx::SPropProblemArray** problems) override {
        if (problems) *problems = nullptr;
        return pdx::E_ACCESSDENIED;
    }
    pdx::HRESULT CopyTo(pdx::ULONG, pdx::LPCIID, const pdx::SPropTagArray*, pdx::ULONG_PTR, pdx::IMAPIProgress*,
                        pdx::LPCIID, void*, pdx::ULONG, pdx::SPropProblemArray** problems) override {
        if (problems) *problems = nullptr;
        return pdx::MAPI_E_NO_SUPPORT;
    }
    pdx::HRESULT CopyProps(const pdx::SPropTagArray*, pdx::ULONG_PTR, pdx::IMAPIProgress*, pdx::LPCIID, void*,
                           pdx::ULONG, pdx::SPropProblemArray** problems) override {
        if (problems) *problems = nullptr;
        return pdx::MAPI_E_NO_SUPPORT;
    }
    pdx::HRESULT GetNamesFromIDs(pdx::SPropTagArray**, pdx::GUID*, pdx::ULONG, pdx::ULONG*,
                                 pdx::MAPINAMEID***) override {
        return pdx::MAPI_E_NO_SUPPORT;
    }
    pdx::HRESULT GetIDsFromNames(pdx::ULONG, pdx::MAPINAMEID**, pdx::ULONG, pdx::SPropTagArray**) override {
        return pdx::MAPI_E_NO_SUPPORT;
    }

protected:
    virtual ~PropObject() = default;
    const pdx::common::PropArray& props() const { return *props_; }

private:
    std::atomic<pdx::ULONG> refs_{1};
    TableRow props_;
    std::vector<const pdx::IID*> answers_;
};

} // namespace mapi32
