#include "address_book.h"

#include <new>

#include "checks.h"
#include "hierarchy.h"
#include "pdx/guard.h"
#include "pdx/status.h"
#include "pdx/tags.h"
#include "profile_store.h"
#include "root_container.h"

namespace pdx::core {

using Lock = std::lock_guard<std::recursive_mutex>;

AddressBook::AddressBook(std::string profile, ProviderList* providers)
    : profile_(std::move(profile)), providers_(object_ptr<ProviderList>::share(providers)) {}

HRESULT AddressBook::create(const std::string& profile, ProviderList* providers, AddressBook** out) {
    *out = nullptr;
    object_ptr<AddressBook> book(new (std::nothrow) AddressBook(profile, providers));
    if (!book) return E_OUTOFMEMORY;
    platform::RegKey key;
    if (HRESULT h = openProfileKey(profile, false, false, key); FAILED(h)) return h;
    {
        Lock g(book->bag_.lock());
        if (HRESULT h = readPropList(key, book->bag_.list()); FAILED(h)) return h;
        book->bag_.list().clearChanged();
    }
    book->checkSearchPath();
    *out = book.release();
    return S_OK;
}

HRESULT AddressBook::QueryInterface(LPCIID iid, void** out) {
    return guarded([&] {
        if (!writableOut(out)) return E_INVALIDARG;
        if (!isIid(iid, IID_IUnknown) && !isIid(iid, IID_IMAPIProp) && !isIid(iid, IID_IAddrBook)) {
            *out = nullptr;
            return E_NOINTERFACE;
        }
        AddRef();
        *out = static_cast<IAddrBook*>(this);
        return S_OK;
    });
}

ULONG AddressBook::AddRef() {
    Lock g(bag_.lock());
    return ++refs_;
}

ULONG AddressBook::Release() {
    ULONG left;
    {
        Lock g(bag_.lock());
        left = --refs_;
    }
    if (!left) delete this;
    return left;
}

void AddressBook::endSession() {
    gate_.close();
    {
        Lock g(bag_.lock());
        PropList& list = bag_.list();
        bool changed = false;
        for (const auto& node : list.nodes()) changed = changed || (node.flags & kNodeChanged);
        platform::RegKey key;
        // A profile deleted meanwhile is not made again just for its defaults.
        if (changed && profileKeyExists(profile_) && SUCCEEDED(openProfileKey(profile_, true, false, key)))
            writeChangedProps(key, list);
    }
    advise_.unadviseAll();
    providers_.reset();
}

HRESULT AddressBook::GetLastError(HRESULT, ULONG, MAPIERROR**) { return inSession([&]() -> HRESULT { return S_OK; }); }

// The property slots are not offered: the defaults have operations of their own.
HRESULT AddressBook::SaveChanges(ULONG) { return inSession([&]() -> HRESULT { return MAPI_E_NO_SUPPORT; }); }
HRESULT AddressBook::GetProps(const SPropTagArray*, ULONG, ULONG*, SPropValue**) {
    return inSession([&]() -> HRESULT { return MAPI_E_NO_SUPPORT; });
}
HRESULT AddressBook::GetPropList(ULONG, SPropTagArray**) { return inSession([&]() -> HRESULT { return MAPI_E_NO_SUPPORT; }); }
HRESULT AddressBook::OpenProperty(ULONG, LPCIID, ULONG, ULONG, IUnknown**) { return inSession([&]() -> HRESULT { return MAPI_E_NO_SUPPORT; }); }
HRESULT AddressBook::SetProps(ULONG, const SPropValue*, SPropProblemArray**) { return inSession([&]() -> HRESULT { return MAPI_E_NO_SUPPORT; }); }
HRESULT AddressBook::DeleteProps(const SPropTagArray*, SPropProblemArray**) { return inSession([&]() -> HRESULT { return MAPI_E_NO_SUPPORT; }); }
HRESULT AddressBook::CopyTo(ULONG, LPCIID, const SPropTagArray*, ULONG_PTR, IMAPIProgress*, LPCIID, void*, ULONG,
                            SPropProblemArray**) {
    return inSession([&]() -> HRESULT { return MAPI_E_NO_SUPPORT; });
}
HRESULT AddressBook::CopyProps(const SPropTagArray*, ULONG_PTR, IMAPIProgress*, LPCIID, void*, ULONG,
                               SPropProblemArray**) {
    return inSession([&]() -> HRESULT { return MAPI_E_NO_SUPPORT; });
}
HRESULT AddressBook::GetNamesFromIDs(SPropTagArray**, GUID*, ULONG, ULONG*, MAPINAMEID***) {
    return inSession([&]() -> HRESULT { return MAPI_E_NO_SUPPORT; });
}
HRESULT AddressBook::GetIDsFromNames(ULONG, MAPINAMEID**, ULONG, SPropTagArray**) {
    return inSession([&]() -> HRESULT { return MAPI_E_NO_SUPPORT; });
}

HRESULT AddressBook::openRoot(LPCIID iid, ULONG* objType, IUnknown** out) {
    object_ptr<RootContainer> root(RootContainer::create(this, providers_.get()));
    if (!root) return E_OUTOFMEMORY;
    root->setUp();
    if (iid && !isIid(iid, IID_IABContainer)) {
        object_ptr<IUnknown> asked;
        if (HRESULT h = root->QueryInterface(iid, asked.vout()); FAILED(h)) return h;
        *out = asked.release();
    } else {
        *out = static_cast<IABContainer*>(root.release());
    }
    *objType = MAPI_ABCONT;
    return S_OK;
}

HRESULT AddressBook::OpenEntry(ULONG cbEntryID, ENTRYID* entryId, LPCIID iid, ULONG flags, ULONG* objType,
                               IUnknown** out) {
    return inSession([&]() -> HRESULT {
        if (!writableOut(objType) || !writableOut(out)) return E_INVALIDARG;
        *out = nullptr;
        if (!entryId) return openRoot(iid, objType, out);
        if (cbEntryID < 20) return MAPI_E_INVALID_ENTRYID;
        if (!readable(entryId, cbEntryID)) return E_INVALIDARG;
        if (isPdxEntryId(cbEntryID, entryId)) return MAPI_E_INVALID_ENTRYID;
        object_ptr<IAddrBook> provider;
        if (HRESULT h = providers_->route(cbEntryID, entryId, provider); FAILED(h)) return h;
        return provider->OpenEntry(cbEntryID, entryId, iid, flags, objType, out);
    });
}

HRESULT AddressBook::CompareEntryIDs(ULONG, ENTRYID*, ULONG, ENTRYID*, ULONG, ULONG*) {
    return inSession([&]() -> HRESULT { return MAPI_E_UNKNOWN_ENTRYID; });
}

HRESULT AddressBook::Advise(ULONG cbEntryID, ENTRYID* entryId, ULONG eventMask, IMAPIAdviseSink* sink,
                            ULONG_PTR* connection) {
    return inSession([&]() -> HRESULT {
        if (cbEntryID == 0 || !entryId) return E_INVALIDARG;
        if (!writableOut(connection)) return E_INVALIDARG;
        object_ptr<IAddrBook> provider;
        if (HRESULT h = providers_->route(cbEntryID, entryId, provider); FAILED(h)) return h;
        ULONG_PTR theirs = 0;
        HRESULT h = provider->Advise(cbEntryID, entryId, eventMask, sink, &theirs);
        if (FAILED(h)) return h;
        std::vector<AdviseRegistry::ProviderConnection> made;
        made.push_back({theirs, std::move(provider)});
        *connection = advise_.add(std::move(made));
        return h;
    });
}

HRESULT AddressBook::Unadvise(ULONG_PTR connection) { return inSession([&]() -> HRESULT { return advise_.remove(connection); }); }

HRESULT AddressBook::CreateOneOff(char*, char*, char*, ULONG, ULONG*, ENTRYID**) {
    return inSession([&]() -> HRESULT { return MAPI_E_NO_SUPPORT; });
}

HRESULT AddressBook::NewEntry(ULONG_PTR ulUIParam, ULONG flags, ULONG cbContainer, ENTRYID* container,
                              ULONG cbTemplate, ENTRYID* templateId, ULONG* cbNew, ENTRYID** newId) {
    return inSession([&]() -> HRESULT {
        ULONG cb = 0;
        ENTRYID* by = nullptr;
        if (cbContainer && container) {
            cb = cbContainer;
            by = container;
        } else if (cbTemplate && templateId) {
            cb = cbTemplate;
            by = templateId;
        } else {
            return !container && !templateId ? MAPI_E_NO_SUPPORT : E_INVALIDARG;
        }
        object_ptr<IAddrBook> provider;
        if (HRESULT h = providers_->route(cb, by, provider); FAILED(h)) return h;
        return provider->NewEntry(ulUIParam, flags, cbContainer, container, cbTemplate, templateId, cbNew, newId);
    });
}

HRESULT AddressBook::ResolveName(ULONG_PTR, ULONG, char*, ADRLIST*) { return inSession([&]() -> HRESULT { return MAPI_E_NO_SUPPORT; }); }
HRESULT AddressBook::Address(ULONG_PTR*, ADRPARM*, ADRLIST**) { return inSession([&]() -> HRESULT { return MAPI_E_NO_SUPPORT; }); }

HRESULT AddressBook::Details(ULONG_PTR* ulUIParam, DismissFn dismiss, void* dismissContext, ULONG cbEntryID,
                             ENTRYID* entryId, ButtonFn button, void* buttonContext, char* buttonText,
                             ULONG flags) {
    return inSession([&]() -> HRESULT {
        if (!writableOut(ulUIParam)) return E_INVALIDARG;
        if (entryId && cbEntryID >= 20 && readable(entryId, cbEntryID) && isPdxEntryId(cbEntryID, entryId))
            return MAPI_E_INVALID_ENTRYID;
        object_ptr<IAddrBook> provider;
        if (HRESULT h = providers_->route(cbEntryID, entryId, provider); FAILED(h)) return h;
        return provider->Details(ulUIParam, dismiss, dismissContext, cbEntryID, entryId, button, buttonContext,
                                 buttonText, flags);
    });
}

HRESULT AddressBook::RecipOptions(ULONG_PTR, ULONG, ADRENTRY*) { return inSession([&]() -> HRESULT { return MAPI_E_NO_SUPPORT; }); }
HRESULT AddressBook::QueryDefaultRecipOpt(char*, ULONG, ULONG*, SPropValue**) {
    return inSession([&]() -> HRESULT { return MAPI_E_NO_SUPPORT; });
}

HRESULT AddressBook::GetPAB(ULONG* cb, ENTRYID** id) { return inSession([&]() -> HRESULT { return getDefault(AB_MODIFIABLE, PR_AB_DEFAULT_PAB, cb, id); }); }
HRESULT AddressBook::SetPAB(ULONG cb, ENTRYID* id) { return inSession([&]() -> HRESULT { return setDefault(AB_MODIFIABLE, PR_AB_DEFAULT_PAB, cb, id); }); }
HRESULT AddressBook::GetDefaultDir(ULONG* cb, ENTRYID** id) {
    return inSession([&]() -> HRESULT { return getDefault(AB_RECIPIENTS, PR_AB_DEFAULT_DIR, cb, id); });
}
HRESULT AddressBook::SetDefaultDir(ULONG cb, ENTRYID* id) {
    return inSession([&]() -> HRESULT { return setDefault(AB_RECIPIENTS, PR_AB_DEFAULT_DIR, cb, id); });
}

HRESULT AddressBook::hierarchyTable(ULONG flags, IMAPITable** out) {
    return inSession([&]() -> HRESULT { return buildHierarchy(*this, providers_->providers(), flags, out); });
}

} // namespace pdx::core
