#pragma once
// IPDXSupport. The support made for a service entry call belongs to no
// provider: it hands out the allocator and refuses to register provider UIDs.
// The support made for a provider registers the UIDs its identifiers carry.

#include <memory>
#include <mutex>

#include "entry_copy.h"
#include "pdx/interfaces.h"
#include "pdx/memory.h"
#include "provider_list.h"

namespace pdx::core {

class Support final : public IPDXSupport {
public:
    static Support* createForServiceEntry(ULONG_PTR ulUIParam);
    // Holds a reference on the list, which so lives as long as the provider keeps its support.
    static Support* createForProvider(ProviderList* list, std::shared_ptr<ProviderRecord> record,
                                      ULONG_PTR ulUIParam);

    HRESULT QueryInterface(LPCIID iid, void** out) override;
    ULONG AddRef() override;
    ULONG Release() override;
    HRESULT GetLastError(HRESULT, ULONG, MAPIERROR**) override;
    HRESULT GetMemAllocRoutines(AllocateBufferFn* allocateBuffer, AllocateMoreFn* allocateMore,
                                FreeBufferFn* freeBuffer) override;
    HRESULT SetProviderUID(const MAPIUID* uid, ULONG flags) override;
    HRESULT Reserved6() override;
    HRESULT DoCopyTo(LPCIID srcIface, void* source, ULONG ciidExclude, LPCIID iidExclude,
                     const SPropTagArray* excludeTags, ULONG_PTR ulUIParam, IMAPIProgress* progress,
                     LPCIID destIface, void* destination, ULONG flags, SPropProblemArray** problems) override;
    HRESULT DoCopyProps(LPCIID srcIface, void* source, const SPropTagArray* includeTags, ULONG_PTR ulUIParam,
                        IMAPIProgress* progress, LPCIID destIface, void* destination, ULONG flags,
                        SPropProblemArray** problems) override;
    HRESULT Reserved9() override;

private:
    explicit Support(ULONG_PTR ui) : ulUIParam_(ui) {}
    // The providers' own answer to whether two identifiers name one entry.
    SameEntryFn sameEntry() const;
    ~Support() = default;
    std::mutex lock_;
    ULONG refs_ = 1;
    ULONG_PTR ulUIParam_;
    object_ptr<ProviderList> list_;
    std::shared_ptr<ProviderRecord> record_;
};

} // namespace pdx::core
