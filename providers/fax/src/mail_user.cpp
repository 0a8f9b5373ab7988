#include "mail_user.h"

#include <new>

#include "fax_tags.h"
#include "logon.h"
#include "fax_memory.h"
#include "pdx/guard.h"
#include "pdx/status.h"

namespace vqfax {

MailUser* MailUser::make(Logon* logon, const EntryId& id) {
    object_ptr<MailUser> user(new (std::nothrow) MailUser(logon, id));
    if (user) user->state_.putContactDefaults();
    return user.release();
}

HRESULT MailUser::open(Logon* logon, const EntryId& id, MailUser** out) {
    *out = nullptr;
    object_ptr<MailUser> user(make(logon, id));
    if (!user) return E_OUTOFMEMORY;
    if (HRESULT h = user->state_.load(false); FAILED(h)) return h;
    *out = user.release();
    return S_OK;
}

HRESULT MailUser::QueryInterface(LPCIID iid, void** out) {
    if (!writableOut(out)) return E_INVALIDARG;
    if (!isIid(iid, IID_IUnknown) && !isIid(iid, IID_IMAPIProp) && !isIid(iid, IID_IMailUser)) {
        *out = nullptr;
        return E_NOINTERFACE;
    }
    AddRef();
    *out = static_cast<IMailUser*>(this);
    return S_OK;
}

ULONG MailUser::AddRef() {
    std::lock_guard g(refLock_);
    return ++refs_;
}

ULONG MailUser::Release() {
    ULONG left;
    {
        std::lock_guard g(refLock_);
        left = --refs_;
    }
    if (!left) delete this;
    return left;
}

HRESULT MailUser::GetLastError(HRESULT, ULONG, MAPIERROR**) { return MAPI_E_NO_SUPPORT; }

HRESULT MailUser::SaveChanges(ULONG) {
    return guarded([&] { return state_.saveChanges(false); });
}

HRESULT MailUser::GetProps(const SPropTagArray* tags, ULONG flags, ULONG* count, SPropValue** values) {
    return guarded([&] { return state_.getProps(tags, flags, count, values); });
}

HRESULT MailUser::GetPropList(ULONG flags, SPropTagArray** tags) {
    return guarded([&] { return state_.getPropList(flags, tags); });
}

HRESULT MailUser::OpenProperty(ULONG, LPCIID, ULONG, ULONG, IUnknown**) { return MAPI_E_NO_SUPPORT; }

HRESULT MailUser::SetProps(ULONG count, const SPropValue* values, SPropProblemArray** problems) {
    return guarded([&] { return state_.setProps(count, values, problems); });
}

HRESULT MailUser::DeleteProps(const SPropTagArray*, SPropProblemArray**) { return MAPI_E_NO_SUPPORT; }

HRESULT MailUser::CopyTo(ULONG ciidExclude, LPCIID iidExclude, const SPropTagArray* excludeTags, ULONG_PTR ulUIParam,
                         IMAPIProgress* progress, LPCIID iface, void* destination, ULONG flags,
                         SPropProblemArray** problems) {
    return state_.logon().support()->DoCopyTo(&IID_IMailUser, static_cast<IMailUser*>(this), ciidExclude, iidExclude,
                                              excludeTags, ulUIParam, progress, iface, destination, flags, problems);
}

HRESULT MailUser::CopyProps(const SPropTagArray* includeTags, ULONG_PTR ulUIParam, IMAPIProgress* progress,
                            LPCIID iface, void* destination, ULONG flags, SPropProblemArray** problems) {
    return state_.logon().support()->DoCopyProps(&IID_IMailUser, static_cast<IMailUser*>(this), includeTags,
                                                 ulUIParam, progress, iface, destination, flags, problems);
}

HRESULT MailUser::GetNamesFromIDs(SPropTagArray**, GUID*, ULONG, ULONG*, MAPINAMEID***) { return MAPI_E_NO_SUPPORT; }
HRESULT MailUser::GetIDsFromNames(ULONG, MAPINAMEID**, ULONG, SPropTagArray**) { return MAPI_E_NO_SUPPORT; }

} // namespace vqfax
