#include "support.h"

#include <cstring>
#include <new>

#include "allocator.h"
#include "checks.h"
#include "pdx/guard.h"
#include "pdx/status.h"
#include "pdx/tags.h"
#include "prop_object.h"
#include "prop_ops.h"

namespace pdx::core {

Support* Support::createForServiceEntry(ULONG_PTR ulUIParam) { return new (std::nothrow) Support(ulUIParam); }

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
        if (!uid) return E_INVALIDARG;
        return MAPI_E_NO_SUPPORT; // no provider to register it for
    });
}

HRESULT Support::Reserved6() { return MAPI_E_NO_SUPPORT; }
HRESULT Support::Reserved9() { return MAPI_E_NO_SUPPORT; }

namespace {

bool copyableIface(LPCIID iid) {
    return isIid(iid, IID_IMAPIProp) || isIid(iid, IID_IProfSect) || isIid(iid, IID_IMailUser) ||
           isIid(iid, IID_IMAPIContainer) || isIid(iid, IID_IDistList) || isIid(iid, IID_IABContainer);
}

// Both objects' PR_ENTRYID must exist and differ.
HRESULT checkDistinct(IMAPIProp* source, IMAPIProp* dest) {
    SPropTagArray tag{1, {PR_ENTRYID}};
    ULONG n1 = 0, n2 = 0;
    Buffer<SPropValue> a, b;
    HRESULT h = source->GetProps(&tag, 0, &n1, a.out());
    if (FAILED(h)) return h;
    h = dest->GetProps(&tag, 0, &n2, b.out());
    if (FAILED(h)) return h;
    if (n1 != 1 || n2 != 1 || a[0].ulPropTag != PR_ENTRYID || b[0].ulPropTag != PR_ENTRYID) return MAPI_E_NOT_FOUND;
    if (a[0].Value.bin.cb == b[0].Value.bin.cb &&
        (a[0].Value.bin.cb == 0 || std::memcmp(a[0].Value.bin.lpb, b[0].Value.bin.lpb, a[0].Value.bin.cb) == 0))
        return E_ACCESSDENIED;
    return S_OK;
}

} // namespace

HRESULT Support::DoCopyTo(LPCIID srcIface, void* source, ULONG, LPCIID, const SPropTagArray* excludeTags, ULONG_PTR,
                          IMAPIProgress*, LPCIID destIface, void* destination, ULONG flags,
                          SPropProblemArray** problems) {
    return guarded([&]() -> HRESULT {
        if (!srcIface || !source || !destIface || !destination) return E_INVALIDARG;
        if (!copyableIface(srcIface) || !copyableIface(destIface)) return E_NOINTERFACE;
        auto* src = static_cast<IMAPIProp*>(source);
        if (HRESULT h = checkDistinct(src, static_cast<IMAPIProp*>(destination)); FAILED(h)) return h;
        Buffer<SPropTagArray> all, tags;
        HRESULT h = src->GetPropList(flags & MAPI_UNICODE, all.out());
        if (FAILED(h)) return h;
        h = filterTags(all.get(), excludeTags, tags.out());
        if (FAILED(h)) return h;
        if (tags->cValues == 0) return S_OK;
        return copyProps(src, tags.get(), &IID_IMAPIProp, destination, flags, problems);
    });
}

HRESULT Support::DoCopyProps(LPCIID srcIface, void* source, const SPropTagArray* includeTags, ULONG_PTR,
                             IMAPIProgress*, LPCIID destIface, void* destination, ULONG flags,
                             SPropProblemArray** problems) {
    return guarded([&]() -> HRESULT {
        if (!srcIface || !source || !includeTags || !destIface || !destination) return E_INVALIDARG;
        if (!copyableIface(srcIface) || !copyableIface(destIface)) return E_NOINTERFACE;
        auto* src = static_cast<IMAPIProp*>(source);
        if (HRESULT h = checkDistinct(src, static_cast<IMAPIProp*>(destination)); FAILED(h)) return h;
        return copyProps(src, includeTags, &IID_IMAPIProp, destination, flags, problems);
    });
}

} // namespace pdx::core
