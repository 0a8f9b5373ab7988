#include "support.h"

#include <cstring>
#include <new>

#include "allocator.h"
#include "checks.h"
#include "entry_copy.h"
#include "pdx/guard.h"
#include "pdx/status.h"
#include "pdx/tags.h"

namespace pdx::core {

Support* Support::createForServiceEntry(ULONG_PTR ulUIParam) { return new (std::nothrow) Support(ulUIParam); }

Support* Support::createForProvider(ProviderList* list, std::shared_ptr<ProviderRecord> record,
                                    ULONG_PTR ulUIParam) {
    auto* support = new (std::nothrow) Support(ulUIParam);
    if (support) {
        support->list_ = object_ptr<ProviderList>::share(list);
        support->record_ = std::move(record);
    }
    return support;
}

HRESULT Support::QueryInterface(LPCIID iid, void** out) {
    return guarded([&]() -> HRESULT {
        if (!writableOut(out)) return E_INVALIDARG;
        if (!isIid(iid, IID_IUnknown) && !isIid(iid, IID_IPDXSupport)) {
            *out = nullptr;
            return E_NOINTERFACE;
        }
        AddRef();
        *out = static_cast<IPDXSupport*>(this);
        return S_OK;
    });
}

ULONG Support::AddRef() {
    std::lock_guard g(lock_);
    return ++refs_;
}

ULONG Support::Release() {
    ULONG left;
    {
        std::lock_guard g(lock_);
        left = --refs_;
    }
    if (!left) delete this;
    return left;
}

HRESULT Support::GetLastError(HRESULT, ULONG, MAPIERROR**) { return S_OK; }

HRESULT Support::GetMemAllocRoutines(AllocateBufferFn* allocateBuffer, AllocateMoreFn* allocateMore,
                                     FreeBufferFn* freeBuffer) {
    return guarded([&]() -> HRESULT {
        if (!writableOut(allocateBuffer) || !writableOut(allocateMore) || !writableOut(freeBuffer)) return E_INVALIDARG;
        *allocateBuffer = &PDXAllocateBuffer;
        *allocateMore = &PDXAllocateMore;
        *freeBuffer = &PDXFreeBuffer;
        return S_OK;
    });
}

HRESULT Support::SetProviderUID(const MAPIUID* uid, ULONG) {
    return guarded([&]() -> HRESULT {
        if (!uid || !readable(uid, sizeof *uid)) return E_INVALIDARG;
        if (!list_ || !record_) return MAPI_E_NO_SUPPORT; // no provider to register it for
        return list_->registerUid(*record_, *uid);
    });
}

HRESULT Support::Reserved6() { return MAPI_E_NO_SUPPORT; }
HRESULT Support::Reserved9() { return MAPI_E_NO_SUPPORT; }

SameEntryFn Support::sameEntry() const {
    if (!list_) return {};
    ProviderList* list = list_.get();
    return [list](const EntryId& constA, const EntryId& constB) {
        // The calls below only read the identifiers.
        EntryId& a = const_cast<EntryId&>(constA);
        EntryId& b = const_cast<EntryId&>(constB);
        object_ptr<IAddrBook> first, second;
        if (FAILED(list->route(entrySize(a), entryPtr(a), first)) ||
            FAILED(list->route(entrySize(b), entryPtr(b), second)) || first.get() != second.get())
            return false;
        ULONG result = 0;
        return SUCCEEDED(first->CompareEntryIDs(entrySize(a), entryPtr(a), entrySize(b), entryPtr(b), 0, &result)) &&
               result != 0;
    };
}

HRESULT Support::DoCopyTo(LPCIID srcIface, void* source, ULONG, LPCIID, const SPropTagArray* excludeTags, ULONG_PTR,
                          IMAPIProgress*, LPCIID destIface, void* destination, ULONG flags,
                          SPropProblemArray** problems) {
    return guarded([&]() -> HRESULT {
        if (problems && !writableOut(problems)) return E_INVALIDARG;
        if (problems) *problems = nullptr;
        return doCopyTo(srcIface, source, excludeTags, destIface, destination, flags, problems, sameEntry());
    });
}

HRESULT Support::DoCopyProps(LPCIID srcIface, void* source, const SPropTagArray* includeTags, ULONG_PTR,
                             IMAPIProgress*, LPCIID destIface, void* destination, ULONG flags,
                             SPropProblemArray** problems) {
    return guarded([&]() -> HRESULT {
        if (problems && !writableOut(problems)) return E_INVALIDARG;
        if (problems) *problems = nullptr;
        return doCopyProps(srcIface, source, includeTags, destIface, destination, flags, problems, sameEntry());
    });
}

} // namespace pdx::core
