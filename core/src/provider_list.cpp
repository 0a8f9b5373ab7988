#include "provider_list.h"

#include <cstring>
#include <new>

#include "checks.h"
#include "pdx/status.h"

namespace pdx::core {

using Lock = std::lock_guard<std::recursive_mutex>;

constexpr ULONG kMinRoutableId = 20;

ProviderList* ProviderList::create() { return new (std::nothrow) ProviderList(); }

ProviderList::~ProviderList() { unloadAll(); }

HRESULT ProviderList::QueryInterface(LPCIID iid, void** out) {
    if (!writableOut(out)) return E_INVALIDARG;
    if (!isIid(iid, IID_ProviderList)) {
        *out = nullptr;
        return E_NOINTERFACE;
    }
    AddRef();
    *out = static_cast<IUnknown*>(this);
    return S_OK;
}

ULONG ProviderList::AddRef() {
    Lock g(lock_);
    return ++refs_;
}

ULONG ProviderList::Release() {
    ULONG left;
    {
        Lock g(lock_);
        left = --refs_;
    }
    if (!left) delete this;
    return left;
}

void ProviderList::push(std::shared_ptr<ProviderRecord> record) {
    Lock g(lock_);
    records_.insert(records_.begin(), std::move(record));
}

size_t ProviderList::count() {
    Lock g(lock_);
    return records_.size();
}

std::vector<object_ptr<IAddrBook>> ProviderList::providers() {
    Lock g(lock_);
    std::vector<object_ptr<IAddrBook>> out;
    out.reserve(records_.size());
    for (const auto& r : records_) out.push_back(r->provider);
    return out;
}

HRESULT ProviderList::registerUid(ProviderRecord& record, const MAPIUID& uid) {
    Lock g(lock_);
    for (const auto& have : record.uids)
        if (std::memcmp(have.ab, uid.ab, sizeof uid.ab) == 0) return MAPI_E_COLLISION;
    record.uids.insert(record.uids.begin(), uid);
    return S_OK;
}

long ProviderList::routeIndex(ULONG cb, const ENTRYID* id) {
    if (!id || cb < kMinRoutableId) return -1;
    const BYTE* uid = reinterpret_cast<const BYTE*>(id) + 4;
    Lock g(lock_);
    for (size_t i = 0; i < records_.size(); ++i)
        for (const auto& have : records_[i]->uids)
            if (std::memcmp(have.ab, uid, sizeof have.ab) == 0) return long(i);
    return -1;
}

HRESULT ProviderList::route(ULONG cb, const ENTRYID* id, object_ptr<IAddrBook>& out) {
    out.reset();
    if (!id || cb < kMinRoutableId) return MAPI_E_INVALID_ENTRYID;
    if (!readable(id, cb)) return E_INVALIDARG;
    Lock g(lock_);
    const long i = routeIndex(cb, id);
    if (i < 0) return MAPI_E_NOT_FOUND;
    out = records_[size_t(i)]->provider;
    return S_OK;
}

void ProviderList::unloadAll() {
    for (;;) {
        std::shared_ptr<ProviderRecord> record;
        {
            Lock g(lock_);
            if (records_.empty()) return;
            record = records_.front();
            records_.erase(records_.begin());
            record->uids.clear();
        }
        // Outside the lock: the provider's release may release its support
        // objects, which reach this list.
        record->provider.reset();
        record->module.unload();
    }
}

} // namespace pdx::core
