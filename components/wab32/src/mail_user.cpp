// IMailUser over an entry state.

#include "objects.h"
#include "pdx/guard.h"

namespace wab32 {

using namespace pdx;

namespace {

class MailUser final : public Object<MailUser, IMailUser> {
public:
    explicit MailUser(std::shared_ptr<EntryState> s) : state_(std::move(s)) {}

    HRESULT QueryInterface(LPCIID iid, void** out) override {
        return answer(iid, out, {&IID_IUnknown, &IID_IMAPIProp, &IID_IMailUser});
    }
    HRESULT GetLastError(HRESULT, ULONG, MAPIERROR**) override { return MAPI_E_NO_SUPPORT; }
    HRESULT SaveChanges(ULONG flags) override { return guarded([&] { return state_->saveChanges(flags); }); }
    HRESULT GetProps(const SPropTagArray* tags, ULONG flags, ULONG* count, SPropValue** values) override {
        return guarded([&] { return state_->getProps(tags, flags, count, values); });
    }
    HRESULT GetPropList(ULONG flags, SPropTagArray** tags) override {
        return guarded([&] { return state_->getPropList(flags, tags); });
    }
    HRESULT OpenProperty(ULONG, LPCIID, ULONG, ULONG, IUnknown** out) override {
        if (out) *out = nullptr;
        return MAPI_E_NO_SUPPORT;
    }
    HRESULT SetProps(ULONG count, const SPropValue* values, SPropProblemArray** problems) override {
        return guarded([&] { return state_->setProps(count, values, problems); });
    }
    HRESULT DeleteProps(const SPropTagArray* tags, SPropProblemArray** problems) override {
        return guarded([&] { return state_->deleteProps(tags, problems); });
    }
    HRESULT CopyTo(ULONG, LPCIID, const SPropTagArray* exclude, ULONG_PTR, IMAPIProgress*, LPCIID iface,
                   void* destination, ULONG, SPropProblemArray** problems) override {
        return guarded([&] { return state_->copyTo(nullptr, exclude, iface, destination, problems); });
    }
    HRESULT CopyProps(const SPropTagArray* include, ULONG_PTR, IMAPIProgress*, LPCIID iface, void* destination,
                      ULONG, SPropProblemArray** problems) override {
        return guarded([&] { return state_->copyTo(include, nullptr, iface, destination, problems); });
    }
    HRESULT GetNamesFromIDs(SPropTagArray**, GUID*, ULONG, ULONG*, MAPINAMEID***) override { return MAPI_E_NO_SUPPORT; }
    HRESULT GetIDsFromNames(ULONG, MAPINAMEID**, ULONG, SPropTagArray**) override { return MAPI_E_NO_SUPPORT; }

private:
    std::shared_ptr<EntryState> state_;
};

} // namespace

IMAPIProp* newMailUser(std::shared_ptr<EntryState> state) { return new (std::nothrow) MailUser(std::move(state)); }

} // namespace wab32
