#include "session.h"

#include <new>

#include "allocator.h"
#include "checks.h"
#include "entry_id.h"
#include "expand.h"
#include "pdx/guard.h"
#include "pdx/status.h"
#include "pdx/tags.h"

namespace pdx::core {

using Lock = std::lock_guard<std::recursive_mutex>;

Session* Session::create(object_ptr<AddressBook> book, object_ptr<ProviderList> providers,
                         object_ptr<IPDXServiceAdmin> services, ULONG_PTR ulUIParam) {
    auto* session = new (std::nothrow) Session();
    if (!session) return nullptr;
    session->book_ = std::move(book);
    session->providers_ = std::move(providers);
    session->services_ = std::move(services);
    session->ulUIParam_ = ulUIParam;
    return session;
}

Session::~Session() {
    if (book_) {
        book_->endSession();
        book_.reset();
    }
    if (providers_) providers_->unloadAll();
    providers_.reset();
    services_.reset();
}

HRESULT Session::QueryInterface(LPCIID iid, void** out) {
    return guarded([&] {
        if (!writableOut(out)) return E_INVALIDARG;
        if (!isIid(iid, IID_IUnknown) && !isIid(iid, IID_IPDXSession)) {
            *out = nullptr;
            return E_NOINTERFACE;
        }
        AddRef();
        *out = static_cast<IPDXSession*>(this);
        return S_OK;
    });
}

ULONG Session::AddRef() {
    Lock g(lock_);
    return ++refs_;
}

ULONG Session::Release() {
    ULONG left;
    {
        Lock g(lock_);
        left = --refs_;
    }
    if (!left) delete this;
    return left;
}

HRESULT Session::GetLastError(HRESULT, ULONG, MAPIERROR**) { return S_OK; }

HRESULT Session::AllocateBuffer(ULONG cb, void** out) { return guarded([&] { return PDXAllocateBuffer(cb, out); }); }
HRESULT Session::AllocateMore(ULONG cb, void* parent, void** out) {
    return guarded([&] { return PDXAllocateMore(cb, parent, out); });
}
HRESULT Session::FreeBuffer(void* p) { return guarded([&] { return PDXFreeBuffer(p); }); }
HRESULT Session::FreeProws(SRowSet* rows) { return guarded([&] { return PDXFreeProws(rows); }); }
HRESULT Session::FreePadrlist(ADRLIST* list) { return guarded([&] { return PDXFreePadrlist(list); }); }

HRESULT Session::OpenAddressBook(ULONG flags, IAddrBook** out) {
    return guarded([&] {
        if (flags) return MAPI_E_UNKNOWN_FLAGS;
        if (!writableOut(out)) return E_INVALIDARG;
        Lock g(lock_);
        if (!book_) return E_ACCESSDENIED;
        book_->AddRef();
        *out = book_.get();
        return S_OK;
    });
}

HRESULT Session::ExpandDistLists(ULONG flags, ADRLIST** list) {
    return guarded([&] {
        if (flags) return MAPI_E_UNKNOWN_FLAGS;
        if (!writableOut(list) || !*list || !readable(*list, sizeof(ULONG)) || (*list)->cEntries == 0 ||
            !readable(*list, cbAdrList((*list)->cEntries)))
            return E_INVALIDARG;
        for (ULONG i = 0; i < (*list)->cEntries; ++i) {
            const ADRENTRY& e = (*list)->aEntries[i];
            if (e.cValues && !readable(e.rgPropVals, sizeof(SPropValue) * size_t(e.cValues))) return E_INVALIDARG;
        }
        Lock g(lock_);
        if (!book_) return E_ACCESSDENIED;
        return expandDistLists(*book_.get(), list);
    });
}

HRESULT Session::GetPDXEntryID(ULONG* cbEntryID, ENTRYID** entryId) {
    return guarded([&] {
        if (!writableOut(cbEntryID) || !writableOut(entryId)) return E_INVALIDARG;
        return copyEntryIdOut(pdxEntryId(), cbEntryID, entryId);
    });
}

HRESULT Session::AdminServices(ULONG flags, IPDXServiceAdmin** out) {
    return guarded([&] {
        if (flags) return MAPI_E_UNKNOWN_FLAGS;
        if (!writableOut(out)) return E_INVALIDARG;
        Lock g(lock_);
        if (!services_) return E_ACCESSDENIED;
        services_->AddRef();
        *out = services_.get();
        return S_OK;
    });
}

} // namespace pdx::core
