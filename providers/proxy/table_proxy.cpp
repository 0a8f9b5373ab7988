// The table proxy: every call is forwarded; column sets, sort orders and
// collapse states are copied into PDX memory, rows converted for the caller.
// Restrictions, bookmarks and positions pass unchanged.

#include <mutex>
#include <new>

#include "convert.h"
#include "forward.h"
#include "pdx/guard.h"
#include "pdx/memory.h"
#include "pdx/status.h"
#include "provider.h"
#include "proxies.h"

namespace pdx::proxy {
namespace {

class TableProxy final : public IMAPITable {
public:
    TableProxy(Provider& provider, IMAPITable* table)
        : provider_(object_ptr<Provider>::share(&provider)), target_(object_ptr<IMAPITable>::share(table)) {
        notInitialized_ = false;
    }

    HRESULT QueryInterface(LPCIID iid, void** out) override {
        return guarded([&] {
            if (HRESULT h = ready(); FAILED(h)) return h;
            if (!writableOut(out)) return E_INVALIDARG;
            *out = nullptr;
            if (provider_->policy().exposesWrappedObjects() && isIid(iid, kWrappedObjectIid)) {
                target_->AddRef();
                *out = target_.get();
                return S_OK;
            }
            if (!isIid(iid, IID_IUnknown) && !isIid(iid, IID_IMAPITable)) return E_NOINTERFACE;
            AddRef();
            *out = static_cast<IMAPITable*>(this);
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
    HRESULT Advise(ULONG eventMask, IMAPIAdviseSink* sink, ULONG_PTR* connection) override {
        return call([&] { return target_->Advise(eventMask, sink, connection); });
    }
    HRESULT Unadvise(ULONG_PTR connection) override {
        return call([&] { return target_->Unadvise(connection); });
    }
    HRESULT GetStatus(ULONG* status, ULONG* type) override {
        return call([&] { return target_->GetStatus(status, type); });
    }
    HRESULT SetColumns(const SPropTagArray* columns, ULONG flags) override {
        return call([&] { return target_->SetColumns(columns, flags); });
    }
    HRESULT QueryColumns(ULONG flags, SPropTagArray** columns) override {
        return call([&] {
            if (!writableOut(columns)) return E_INVALIDARG;
            Owned<SPropTagArray> from(component());
            const HRESULT h = target_->QueryColumns(flags, from.out());
            if (FAILED(h)) return h;
            if (HRESULT c = copyTags(pdx(), from.get(), columns); FAILED(c)) return c;
            return h;
        });
    }
    HRESULT GetRowCount(ULONG flags, ULONG* count) override {
        return call([&] { return target_->GetRowCount(flags, count); });
    }
    HRESULT SeekRow(BOOKMARK origin, LONG rowCount, LONG* rowsSought) override {
        return call([&] { return target_->SeekRow(origin, rowCount, rowsSought); });
    }
    HRESULT SeekRowApprox(ULONG numerator, ULONG denominator) override {
        return call([&] { return target_->SeekRowApprox(numerator, denominator); });
    }
    HRESULT QueryPosition(ULONG* row, ULONG* numerator, ULONG* denominator) override {
        return call([&] { return target_->QueryPosition(row, numerator, denominator); });
    }
    HRESULT FindRow(SRestriction* restriction, BOOKMARK origin, ULONG flags) override {
        return call([&] { return target_->FindRow(restriction, origin, flags); });
    }
    HRESULT Restrict(SRestriction* restriction, ULONG flags) override {
        return call([&] { return target_->Restrict(restriction, flags); });
    }
    HRESULT CreateBookmark(BOOKMARK* position) override {
        return call([&] { return target_->CreateBookmark(position); });
    }
    HRESULT FreeBookmark(BOOKMARK position) override {
        return call([&] { return target_->FreeBookmark(position); });
    }
    HRESULT SortTable(SSortOrderSet* criteria, ULONG flags) override {
        return call([&] { return target_->SortTable(criteria, flags); });
    }
    HRESULT QuerySortOrder(SSortOrderSet** criteria) override {
        return call([&] {
            if (!writableOut(criteria)) return E_INVALIDARG;
            Owned<SSortOrderSet> from(component());
            const HRESULT h = target_->QuerySortOrder(from.out());
            if (FAILED(h)) return h;
            if (HRESULT c = copySortOrder(pdx(), from.get(), criteria); FAILED(c)) return c;
            return h;
        });
    }
    HRESULT QueryRows(LONG rowCount, ULONG flags, SRowSet** rows) override {
        return call([&] {
            if (!writableOut(rows)) return E_INVALIDARG;
            SRowSet* from = nullptr;
            const HRESULT h = target_->QueryRows(rowCount, flags, &from);
            return rowsToCaller(h, from, rows);
        });
    }
    HRESULT Abort() override {
        return call([&] { return target_->Abort(); });
    }
    HRESULT ExpandRow(BOOKMARK instance, ULONG rowCount, ULONG flags, SRowSet** rows, ULONG* moreRows) override {
        return call([&] {
            if (rows && !writableOut(rows)) return E_INVALIDARG;
            SRowSet* from = nullptr;
            const HRESULT h = target_->ExpandRow(instance, rowCount, flags, rows ? &from : nullptr, moreRows);
            return rows ? rowsToCaller(h, from, rows) : h;
        });
    }
    HRESULT CollapseRow(BOOKMARK instance, ULONG flags, ULONG* rowCount) override {
        return call([&] { return target_->CollapseRow(instance, flags, rowCount); });
    }
    HRESULT WaitForCompletion(ULONG flags, ULONG timeout, ULONG* status) override {
        return call([&] { return target_->WaitForCompletion(flags, timeout, status); });
    }
    // The state is a buffer the component made: the caller frees its copy.
    HRESULT GetCollapseState(ULONG flags, ULONG cbInstanceKey, BYTE* instanceKey, ULONG* cbState,
                             BYTE** state) override {
        return call([&] {
            if (!writableOut(cbState) || !writableOut(state)) return E_INVALIDARG;
            ULONG cb = 0;
            Owned<BYTE> from(component());
            const HRESULT h = target_->GetCollapseState(flags, cbInstanceKey, instanceKey, &cb, from.out());
            if (FAILED(h)) return h;
            *cbState = 0;
            if (HRESULT c = copyBytes(pdx(), cb, from.get(), state); FAILED(c)) return c;
            *cbState = *state ? cb : 0;
            return h;
        });
    }
    HRESULT SetCollapseState(ULONG flags, ULONG cbState, BYTE* state, BOOKMARK* location) override {
        return call([&] { return target_->SetCollapseState(flags, cbState, state, location); });
    }

private:
    ~TableProxy() = default;
    HRESULT ready() const { return notInitialized_ ? MAPI_E_NOT_INITIALIZED : S_OK; }
    template <class Body> HRESULT call(Body&& body) {
        return guarded([&] {
            if (HRESULT h = ready(); FAILED(h)) return h;
            return body();
        });
    }
    const Allocator& pdx() const { return provider_->pdx(); }
    const Allocator& component() const { return provider_->component(); }

    HRESULT rowsToCaller(HRESULT h, SRowSet* from, SRowSet** rows) {
        struct Free {
            const Allocator& a;
            SRowSet* r;
            ~Free() { freeRows(a, r); }
        } freeFrom{component(), from};
        if (FAILED(h)) return h;
        *rows = nullptr;
        if (HRESULT c = copyRows(provider_->toCaller(), from, rows); FAILED(c)) return c;
        return h;
    }

    std::mutex lock_;
    bool notInitialized_ = true;
    ULONG refs_ = 1;
    object_ptr<Provider> provider_;
    object_ptr<IMAPITable> target_;
};

} // namespace

HRESULT wrapTable(Provider& provider, IMAPITable* table, IMAPITable** out) {
    *out = nullptr;
    if (!table) return MAPI_E_INVALID_OBJECT;
    auto* proxy = new (std::nothrow) TableProxy(provider, table);
    if (!proxy) return E_OUTOFMEMORY;
    *out = proxy;
    return S_OK;
}

} // namespace pdx::proxy
