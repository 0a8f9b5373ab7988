#pragma once
// A contact: IMailUser over an entry state.

#include <mutex>

#include "entry_object.h"
#include "pdx/interfaces.h"

namespace vqfax {

class MailUser final : public IMailUser {
public:
    // A new object with one reference and its defaults put; nothing read yet.
    static MailUser* make(Logon* logon, const EntryId& id);
    // Built from the store: the record must exist.
    static HRESULT open(Logon* logon, const EntryId& id, MailUser** out);

    EntryState& state() { return state_; }

    HRESULT QueryInterface(LPCIID iid, void** out) override;
    ULONG AddRef() override;
    ULONG Release() override;
    HRESULT GetLastError(HRESULT, ULONG, MAPIERROR**) override;
    HRESULT SaveChanges(ULONG flags) override;
    HRESULT GetProps(const SPropTagArray* tags, ULONG flags, ULONG* count, SPropValue** values) override;
    HRESULT GetPropList(ULONG flags, SPropTagArray** tags) override;
    HRESULT OpenProperty(ULONG, LPCIID, ULONG, ULONG, IUnknown**) override;
    HRESULT SetProps(ULONG count, const SPropValue* values, SPropProblemArray** problems) override;
    HRESULT DeleteProps(const SPropTagArray*, SPropProblemArray**) override;
    HRESULT CopyTo(ULONG ciidExclude, LPCIID iidExclude, const SPropTagArray* excludeTags, ULONG_PTR ulUIParam,
                   IMAPIProgress* progress, LPCIID iface, void* destination, ULONG flags,
                   SPropProblemArray** problems) override;
    HRESULT CopyProps(const SPropTagArray* includeTags, ULONG_PTR ulUIParam, IMAPIProgress* progress, LPCIID iface,
                      void* destination, ULONG flags, SPropProblemArray** problems) override;
    HRESULT GetNamesFromIDs(SPropTagArray**, GUID*, ULONG, ULONG*, MAPINAMEID***) override;
    HRESULT GetIDsFromNames(ULONG, MAPINAMEID**, ULONG, SPropTagArray**) override;

private:
    MailUser(Logon* logon, const EntryId& id) : state_(logon, id) {}
    ~MailUser() = default;

    EntryState state_;
    std::mutex refLock_;
    ULONG refs_ = 1;
};

} // namespace vqfax
