#pragma once
// The proxies of the component's property objects: the IMAPIProp slots that
// mail users, containers and distribution lists share, and the container
// slots that containers and distribution lists share. Written once as
// templates over the interface each proxy presents.

#include <initializer_list>
#include <mutex>

#include "forward.h"
#include "pdx/guard.h"
#include "pdx/memory.h"
#include "pdx/status.h"
#include "provider.h"
#include "proxies.h"

namespace pdx::proxy {

template <class Iface>
class PropProxy : public Iface {
public:
    // `own` is the interface the proxy names itself by for DoCopyTo and DoCopyProps.
    PropProxy(Provider& provider, const IID& own) : provider_(object_ptr<Provider>::share(&provider)), own_(own) {}

    // Takes a reference to the component object; from now on calls are forwarded.
    virtual HRESULT attach(IUnknown* target) {
        target->AddRef();
        target_ = reinterpret_cast<Iface*>(target);
        notInitialized_ = false;
        return S_OK;
    }

    HRESULT QueryInterface(LPCIID iid, void** out) override {
        return guarded([&] {
            if (HRESULT h = ready(); FAILED(h)) return h;
            if (!writableOut(out)) return E_INVALIDARG;
            *out = nullptr;
            if (provider().policy().exposesWrappedObjects() && isIid(iid, kWrappedObjectIid)) {
                target_->AddRef();
                *out = target_;
                return S_OK;
            }
            if (!answers(iid)) return E_NOINTERFACE;
            AddRef();
            *out = static_cast<Iface*>(this);
            return S_OK;
        });
    }
    ULONG AddRef() override {
        std::lock_guard g(lock_);
        return ++refs_;
    }
    ULONG Release() override {
        ULONG left;
        {
            std::lock_guard g(lock_);
            left = --refs_;
        }
        if (!left) delete this;
        return left;
    }

    HRESULT GetLastError(HRESULT, ULONG, MAPIERROR**) override {
        if (HRESULT h = ready(); FAILED(h)) return h;
        return MAPI_E_NO_SUPPORT;
    }
    HRESULT SaveChanges(ULONG flags) override {
        return guarded([&] {
            if (HRESULT h = ready(); FAILED(h)) return h;
            return target_->SaveChanges(flags);
        });
    }
    HRESULT GetProps(const SPropTagArray* tags, ULONG flags, ULONG* count, SPropValue** values) override {
        return guarded([&] {
            if (HRESULT h = ready(); FAILED(h)) return h;
            return forwardGetProps(provider(), target_, tags, flags, count, values);
        });
    }
    HRESULT GetPropList(ULONG flags, SPropTagArray** tags) override {
        return guarded([&] {
            if (HRESULT h = ready(); FAILED(h)) return h;
            return forwardGetPropList(provider(), target_, flags, tags);
        });
    }
    HRESULT OpenProperty(ULONG tag, LPCIID iid, ULONG interfaceOptions, ULONG flags, IUnknown** out) override {
        return guarded([&] {
            if (HRESULT h = ready(); FAILED(h)) return h;
            return forwardOpenProperty(provider(), target_, tag, iid, interfaceOptions, flags, out);
        });
    }
    // The caller's values go to the component as they are.
    HRESULT SetProps(ULONG count, const SPropValue* values, SPropProblemArray** problems) override {
        return guarded([&] {
            if (HRESULT h = ready(); FAILED(h)) return h;
            return forwardSetProps(provider(), target_, count, values, problems);
        });
    }
    HRESULT DeleteProps(const SPropTagArray* tags, SPropProblemArray** problems) override {
        return guarded([&] {
            if (HRESULT h = ready(); FAILED(h)) return h;
            return forwardDeleteProps(provider(), target_, tags, problems);
        });
    }
    // Copies go through the PDX support object with the proxy as the source,
    // or, between two objects of a component that shows them, to the component.
    HRESULT CopyTo(ULONG ciidExclude, LPCIID iidExclude, const SPropTagArray* excludeTags, ULONG_PTR ulUIParam,
                   IMAPIProgress* progress, LPCIID iface, void* destination, ULONG flags,
                   SPropProblemArray** problems) override {
        return guarded([&] {
            if (HRESULT h = ready(); FAILED(h)) return h;
            object_ptr<IUnknown> inner = wrappedDestination(destination);
            if (!inner)
                return provider().support()->DoCopyTo(&own_, static_cast<Iface*>(this), ciidExclude, iidExclude,
                                                      excludeTags, ulUIParam, progress, iface, destination, flags,
                                                      problems);
            if (problems && !writableOut(problems)) return E_INVALIDARG;
            SPropProblemArray* from = nullptr;
            const HRESULT h = target_->CopyTo(ciidExclude, iidExclude, excludeTags, ulUIParam, progress, iface,
                                              inner.get(), flags, problems ? &from : nullptr);
            return problemsToCaller(provider(), h, from, problems);
        });
    }
    HRESULT CopyProps(const SPropTagArray* includeTags, ULONG_PTR ulUIParam, IMAPIProgress* progress, LPCIID iface,
                      void* destination, ULONG flags, SPropProblemArray** problems) override {
        return guarded([&] {
            if (HRESULT h = ready(); FAILED(h)) return h;
            object_ptr<IUnknown> inner = wrappedDestination(destination);
            if (!inner)
                return provider().support()->DoCopyProps(&own_, static_cast<Iface*>(this), includeTags, ulUIParam,
                                                         progress, iface, destination, flags, problems);
            if (problems && !writableOut(problems)) return E_INVALIDARG;
            SPropProblemArray* from = nullptr;
            const HRESULT h = target_->CopyProps(includeTags, ulUIParam, progress, iface, inner.get(), flags,
                                                 problems ? &from : nullptr);
            return problemsToCaller(provider(), h, from, problems);
        });
    }
    HRESULT GetNamesFromIDs(SPropTagArray** tags, GUID* propSet, ULONG flags, ULONG* count,
                            MAPINAMEID*** names) override {
        return guarded([&] {
            if (HRESULT h = ready(); FAILED(h)) return h;
            return forwardNamesFromIds(provider(), target_, tags, propSet, flags, count, names);
        });
    }
    HRESULT GetIDsFromNames(ULONG count, MAPINAMEID** names, ULONG flags, SPropTagArray** tags) override {
        return guarded([&] {
            if (HRESULT h = ready(); FAILED(h)) return h;
            return forwardIdsFromNames(provider(), target_, count, names, flags, tags);
        });
    }

protected:
    virtual ~PropProxy() {
        if (target_) target_->Release();
    }
    // The interfaces QueryInterface answers.
    virtual bool answers(LPCIID iid) const = 0;
    HRESULT ready() const { return notInitialized_ ? MAPI_E_NOT_INITIALIZED : S_OK; }
    Provider& provider() const { return *provider_.get(); }
    Iface* target() const { return target_; }
    // The component object behind a destination that is one of our proxies.
    object_ptr<IUnknown> wrappedDestination(void* destination) const {
        object_ptr<IUnknown> inner;
        if (destination && provider().policy().exposesWrappedObjects())
            static_cast<IUnknown*>(destination)->QueryInterface(&kWrappedObjectIid, inner.vout());
        return inner;
    }

private:
    std::mutex lock_;
    bool notInitialized_ = true;
    ULONG refs_ = 1;
    object_ptr<Provider> provider_;
    Iface* target_ = nullptr;
    IID own_;
};

inline bool oneOf(LPCIID iid, std::initializer_list<const IID*> iids) {
    for (const IID* candidate : iids)
        if (isIid(iid, *candidate)) return true;
    return false;
}

// IABContainer and IDistList share the container slots.
template <class Iface>
class ContainerProxy : public PropProxy<Iface> {
public:
    using Base = PropProxy<Iface>;
    using Base::Base;

    HRESULT GetContentsTable(ULONG flags, IMAPITable** table) override {
        return guarded([&] {
            if (HRESULT h = this->ready(); FAILED(h)) return h;
            return openTable(flags, table, &IMAPIContainer::GetContentsTable);
        });
    }
    HRESULT GetHierarchyTable(ULONG flags, IMAPITable** table) override {
        return guarded([&] {
            if (HRESULT h = this->ready(); FAILED(h)) return h;
            return openTable(flags, table, &IMAPIContainer::GetHierarchyTable);
        });
    }
    HRESULT OpenEntry(ULONG cbEntryID, ENTRYID* entryId, LPCIID iid, ULONG flags, ULONG* objType,
                      IUnknown** out) override {
        return guarded([&] {
            if (HRESULT h = this->ready(); FAILED(h)) return h;
            return forwardOpenEntry(
                this->provider(),
                [&](ULONG cb, ENTRYID* id, ULONG* type, IUnknown** object) {
                    return this->target()->OpenEntry(cb, id, iid, flags, type, object);
                },
                cbEntryID, entryId, objType, out);
        });
    }
    HRESULT SetSearchCriteria(SRestriction*, ENTRYLIST*, ULONG) override {
        if (HRESULT h = this->ready(); FAILED(h)) return h;
        return MAPI_E_NO_SUPPORT;
    }
    HRESULT GetSearchCriteria(ULONG, SRestriction**, ENTRYLIST**, ULONG*) override {
        if (HRESULT h = this->ready(); FAILED(h)) return h;
        return MAPI_E_NO_SUPPORT;
    }
    HRESULT CreateEntry(ULONG cbEntryID, ENTRYID* entryId, ULONG createFlags, IMAPIProp** out) override {
        return guarded([&] {
            if (HRESULT h = this->ready(); FAILED(h)) return h;
            return forwardCreateEntry(cbEntryID, entryId, createFlags, out);
        });
    }
    HRESULT CopyEntries(ENTRYLIST* entries, ULONG_PTR ulUIParam, IMAPIProgress* progress, ULONG flags) override {
        return guarded([&] {
            if (HRESULT h = this->ready(); FAILED(h)) return h;
            return forwardList(entries, [&](ENTRYLIST* inward) {
                return this->target()->CopyEntries(inward, ulUIParam, progress, flags);
            });
        });
    }
    HRESULT DeleteEntries(ENTRYLIST* entries, ULONG flags) override {
        return guarded([&] {
            if (HRESULT h = this->ready(); FAILED(h)) return h;
            return forwardList(entries, [&](ENTRYLIST* inward) { return this->target()->DeleteEntries(inward, flags); });
        });
    }
    HRESULT ResolveNames(const SPropTagArray* tags, ULONG flags, ADRLIST* list, SFlagList* flagList) override {
        return guarded([&] {
            if (HRESULT h = this->ready(); FAILED(h)) return h;
            return forwardWithAdrList(this->provider(), list, [&](ADRLIST* inward) {
                return this->target()->ResolveNames(tags, flags, inward, flagList);
            });
        });
    }

protected:
    // The component's CreateEntry with the caller's template; the new object in its proxy.
    HRESULT forwardCreateEntry(ULONG cbEntryID, ENTRYID* entryId, ULONG createFlags, IMAPIProp** out) {
        if (!writableOut(out)) return E_INVALIDARG;
        *out = nullptr;
        const InwardId in = this->provider().policy().ids().inward(cbEntryID, entryId);
        if (in.kind == InwardId::Foreign) return MAPI_E_UNKNOWN_ENTRYID;
        IMAPIProp* created = nullptr;
        const HRESULT h = this->target()->CreateEntry(in.cb, in.id, createFlags, &created);
        if (FAILED(h)) return h;
        if (HRESULT w = wrapCreated(this->provider(), created, out); FAILED(w)) return w;
        return h;
    }

    // An empty list is done at once; a list whose first identifier is not
    // ours is refused; otherwise the list reaches the component converted.
    template <class Call> HRESULT forwardList(ENTRYLIST* entries, Call call) {
        if (!entries || !entries->cValues) return S_OK;
        if (!readableIn(entries, sizeof *entries) || !readableIn(entries->lpbin, sizeof(SBinary) * entries->cValues))
            return E_INVALIDARG;
        const SBinary& first = entries->lpbin[0];
        if (this->provider().policy().ids().inward(first.cb, reinterpret_cast<ENTRYID*>(first.lpb)).kind ==
            InwardId::Foreign)
            return MAPI_E_UNKNOWN_ENTRYID;
        Owned<ENTRYLIST> inward(this->provider().component());
        if (HRESULT c = copyEntryList(this->provider().toComponent(), entries, inward.out()); FAILED(c)) return c;
        return call(inward.get());
    }

private:
    HRESULT openTable(ULONG flags, IMAPITable** table,
                      HRESULT (IMAPIContainer::*open)(ULONG, IMAPITable**)) {
        if (!writableOut(table)) return E_INVALIDARG;
        *table = nullptr;
        object_ptr<IMAPITable> from;
        const HRESULT h = (this->target()->*open)(this->provider().policy().tableFlags(flags), from.out());
        if (FAILED(h)) return h;
        if (!from) return MAPI_E_INVALID_OBJECT;
        if (HRESULT w = wrapTable(this->provider(), from.get(), table); FAILED(w)) return w;
        return h;
    }
};

} // namespace pdx::proxy
