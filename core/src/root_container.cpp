#include "root_container.h"

#include <new>

#include "address_book.h"
#include "checks.h"
#include "pdx/guard.h"
#include "pdx/status.h"
#include "pdx/tags.h"

namespace pdx::core {

using Lock = std::lock_guard<std::recursive_mutex>;

RootContainer::RootContainer(AddressBook* book, ProviderList* providers)
    : book_(book), providers_(object_ptr<ProviderList>::share(providers)) {
    book_->AddRef();
}

RootContainer::~RootContainer() { book_->Release(); }

RootContainer* RootContainer::create(AddressBook* book, ProviderList* providers) {
    return new (std::nothrow) RootContainer(book, providers);
}

void RootContainer::setUp() {
    Lock g(lock_);
    setUp_ = true;
}

template <class Body>
HRESULT RootContainer::ready(Body&& body) {
    return guarded([&]() -> HRESULT {
        {
            Lock g(lock_);
            if (!setUp_) return MAPI_E_NOT_INITIALIZED;
        }
        return body();
    });
}

HRESULT RootContainer::QueryInterface(LPCIID iid, void** out) {
    return ready([&] {
        if (!writableOut(out)) return E_INVALIDARG;
        if (!isIid(iid, IID_IUnknown) && !isIid(iid, IID_IMAPIProp) && !isIid(iid, IID_IMAPIContainer) &&
            !isIid(iid, IID_IABContainer)) {
            *out = nullptr;
            return E_NOINTERFACE;
        }
        AddRef();
        *out = static_cast<IABContainer*>(this);
        return S_OK;
    });
}

ULONG RootContainer::AddRef() {
    Lock g(lock_);
    return ++refs_;
}

ULONG RootContainer::Release() {
    ULONG left;
    {
        Lock g(lock_);
        left = --refs_;
    }
    if (!left) delete this;
    return left;
}

namespace {
HRESULT unsupported() { return MAPI_E_NO_SUPPORT; }
} // namespace

HRESULT RootContainer::GetLastError(HRESULT, ULONG, MAPIERROR**) { return ready(unsupported); }
HRESULT RootContainer::SaveChanges(ULONG) { return ready(unsupported); }
HRESULT RootContainer::GetProps(const SPropTagArray*, ULONG, ULONG*, SPropValue**) { return ready(unsupported); }
HRESULT RootContainer::GetPropList(ULONG, SPropTagArray**) { return ready(unsupported); }

HRESULT RootContainer::OpenProperty(ULONG tag, LPCIID iid, ULONG, ULONG flags, IUnknown** out) {
    return ready([&]() -> HRESULT {
        if (tag != PR_CONTAINER_HIERARCHY || !isIid(iid, IID_IMAPITable)) return E_NOINTERFACE;
        return GetHierarchyTable(flags, reinterpret_cast<IMAPITable**>(out));
    });
}

HRESULT RootContainer::SetProps(ULONG, const SPropValue*, SPropProblemArray**) { return ready(unsupported); }
HRESULT RootContainer::DeleteProps(const SPropTagArray*, SPropProblemArray**) { return ready(unsupported); }
HRESULT RootContainer::CopyTo(ULONG, LPCIID, const SPropTagArray*, ULONG_PTR, IMAPIProgress*, LPCIID, void*, ULONG,
                              SPropProblemArray**) {
    return ready(unsupported);
}
HRESULT RootContainer::CopyProps(const SPropTagArray*, ULONG_PTR, IMAPIProgress*, LPCIID, void*, ULONG,
                                 SPropProblemArray**) {
    return ready(unsupported);
}
HRESULT RootContainer::GetNamesFromIDs(SPropTagArray**, GUID*, ULONG, ULONG*, MAPINAMEID***) {
    return ready(unsupported);
}
HRESULT RootContainer::GetIDsFromNames(ULONG, MAPINAMEID**, ULONG, SPropTagArray**) { return ready(unsupported); }

HRESULT RootContainer::GetContentsTable(ULONG, IMAPITable** table) {
    return ready([&] { return writableOut(table) ? MAPI_E_NO_SUPPORT : E_INVALIDARG; });
}

HRESULT RootContainer::GetHierarchyTable(ULONG flags, IMAPITable** table) {
    return ready([&] { return book_->hierarchyTable(flags, table); });
}

HRESULT RootContainer::OpenEntry(ULONG cbEntryID, ENTRYID* entryId, LPCIID iid, ULONG flags, ULONG* objType,
                                 IUnknown** out) {
    return ready([&] {
        if (!writableOut(objType) || !writableOut(out)) return E_INVALIDARG;
        return book_->OpenEntry(cbEntryID, entryId, iid, flags, objType, out);
    });
}

HRESULT RootContainer::SetSearchCriteria(SRestriction*, ENTRYLIST*, ULONG) { return ready(unsupported); }
HRESULT RootContainer::GetSearchCriteria(ULONG, SRestriction**, ENTRYLIST**, ULONG*) { return ready(unsupported); }

HRESULT RootContainer::CreateEntry(ULONG cbEntryID, ENTRYID* entryId, ULONG, IMAPIProp**) {
    return ready([&] { return cbEntryID == 0 || !readable(entryId, cbEntryID) ? E_INVALIDARG : MAPI_E_NO_SUPPORT; });
}

HRESULT RootContainer::CopyEntries(ENTRYLIST* entries, ULONG_PTR, IMAPIProgress*, ULONG) {
    return ready([&] { return entries ? MAPI_E_NO_SUPPORT : S_OK; });
}

HRESULT RootContainer::DeleteEntries(ENTRYLIST* entries, ULONG) {
    return ready([&]() -> HRESULT {
        if (!entries || !readable(entries, sizeof *entries) ||
            (entries->cValues && !readable(entries->lpbin, sizeof(SBinary) * size_t(entries->cValues))))
            return E_INVALIDARG;
        Lock g(lock_);
        return book_->deleteEntries(*entries);
    });
}

HRESULT RootContainer::ResolveNames(const SPropTagArray*, ULONG, ADRLIST* list, SFlagList*) {
    return ready([&] { return readable(list, sizeof(ULONG)) ? MAPI_E_NO_SUPPORT : E_INVALIDARG; });
}

} // namespace pdx::core
