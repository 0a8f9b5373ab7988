#pragma once
// The provider object vqcore holds: the IAddrBook slots over the component's
// own address book. It answers its own properties (a root container of the
// hierarchy), forwards everything else and wraps what comes back.

#include <memory>
#include <mutex>
#include <string>

#include "convert.h"
#include "memory.h"
#include "pdx/interfaces.h"
#include "policy.h"

namespace pdx::proxy {

// AB_SUBCONTAINERS | AB_UNMODIFIABLE: the provider's entry only holds containers.
constexpr ULONG kProviderContainerFlags = 10;

class Provider final : public IAddrBook {
public:
    // A provider that is not initialized yet: every call answers
    // MAPI_E_NOT_INITIALIZED until open(). Null when out of memory.
    static Provider* create(void* moduleInstance);

    void setPdxMemory(AllocateBufferFn allocate, AllocateMoreFn more, FreeBufferFn free);
    // The component is open: takes over `book` (one reference), adds a
    // reference to `support`, and from now on forwards every call.
    void open(std::unique_ptr<ComponentPolicy> policy, IAddrBook* book, IPDXSupport* support, std::string displayName,
              const MAPIUID& uid);
    bool initialized() const { return !notInitialized_; }

    // What the proxies share.
    const Allocator& pdx() const { return pdxMemory_; }
    ComponentPolicy& policy() const { return *policy_; }
    const Allocator& component() const { return policy_->componentMemory(); }
    IPDXSupport* support() const { return support_; }
    Conversion toCaller() const;
    Conversion toComponent() const;
    const MAPIUID& uid() const { return uid_; }

    // IUnknown
    HRESULT QueryInterface(LPCIID iid, void** out) override;
    ULONG AddRef() override;
    ULONG Release() override;
    // IMAPIProp
    HRESULT GetLastError(HRESULT status, ULONG flags, MAPIERROR** out) override;
    HRESULT SaveChanges(ULONG flags) override;
    HRESULT GetProps(const SPropTagArray* tags, ULONG flags, ULONG* count, SPropValue** values) override;
    HRESULT GetPropList(ULONG flags, SPropTagArray** tags) override;
    HRESULT OpenProperty(ULONG tag, LPCIID iid, ULONG interfaceOptions, ULONG flags, IUnknown** out) override;
    HRESULT SetProps(ULONG count, const SPropValue* values, SPropProblemArray** problems) override;
    HRESULT DeleteProps(const SPropTagArray* tags, SPropProblemArray** problems) override;
    HRESULT CopyTo(ULONG ciidExclude, LPCIID iidExclude, const SPropTagArray* excludeTags, ULONG_PTR ulUIParam,
                   IMAPIProgress* progress, LPCIID iface, void* destination, ULONG flags,
                   SPropProblemArray** problems) override;
    HRESULT CopyProps(const SPropTagArray* includeTags, ULONG_PTR ulUIParam, IMAPIProgress* progress, LPCIID iface,
                      void* destination, ULONG flags, SPropProblemArray** problems) override;
    HRESULT GetNamesFromIDs(SPropTagArray** tags, GUID* propSet, ULONG flags, ULONG* count,
                            MAPINAMEID*** names) override;
    HRESULT GetIDsFromNames(ULONG count, MAPINAMEID** names, ULONG flags, SPropTagArray** tags) override;
    // IAddrBook
    HRESULT OpenEntry(ULONG cbEntryID, ENTRYID* entryId, LPCIID iid, ULONG flags, ULONG* objType,
                      IUnknown** out) override;
    HRESULT CompareEntryIDs(ULONG cb1, ENTRYID* id1, ULONG cb2, ENTRYID* id2, ULONG flags, ULONG* result) override;
    HRESULT Advise(ULONG cbEntryID, ENTRYID* entryId, ULONG eventMask, IMAPIAdviseSink* sink,
                   ULONG_PTR* connection) override;
    HRESULT Unadvise(ULONG_PTR connection) override;
    HRESULT CreateOneOff(char* name, char* addrType, char* address, ULONG flags, ULONG* cbEntryID,
                         ENTRYID** entryId) override;
    HRESULT NewEntry(ULONG_PTR ulUIParam, ULONG flags, ULONG cbContainer, ENTRYID* container, ULONG cbTemplate,
                     ENTRYID* templateId, ULONG* cbNew, ENTRYID** newId) override;
    HRESULT ResolveName(ULONG_PTR ulUIParam, ULONG flags, char* title, ADRLIST* list) override;
    HRESULT Address(ULONG_PTR* ulUIParam, ADRPARM* params, ADRLIST** list) override;
    HRESULT Details(ULONG_PTR* ulUIParam, DismissFn dismiss, void* dismissContext, ULONG cbEntryID,
                    ENTRYID* entryId, ButtonFn button, void* buttonContext, char* buttonText, ULONG flags) override;
    HRESULT RecipOptions(ULONG_PTR ulUIParam, ULONG flags, ADRENTRY* recipient) override;
    HRESULT QueryDefaultRecipOpt(char* addrType, ULONG flags, ULONG* count, SPropValue** options) override;
    HRESULT GetPAB(ULONG* cbEntryID, ENTRYID** entryId) override;
    HRESULT SetPAB(ULONG cbEntryID, ENTRYID* entryId) override;
    HRESULT GetDefaultDir(ULONG* cbEntryID, ENTRYID** entryId) override;
    HRESULT SetDefaultDir(ULONG cbEntryID, ENTRYID* entryId) override;
    HRESULT GetSearchPath(ULONG flags, SRowSet** path) override;
    HRESULT SetSearchPath(ULONG flags, SRowSet* path) override;
    HRESULT PrepareRecips(ULONG flags, const SPropTagArray* tags, ADRLIST* list) override;

private:
    explicit Provider(void* moduleInstance) : moduleInstance_(moduleInstance) {}
    ~Provider();
    HRESULT ready() const;
    HRESULT templateFromPab(ULONG tag, ULONG* cb, ENTRYID** id);
    using GetDefaultFn = HRESULT (IAddrBook::*)(ULONG*, ENTRYID**);
    using SetDefaultFn = HRESULT (IAddrBook::*)(ULONG, ENTRYID*);
    HRESULT getDefault(GetDefaultFn get, ULONG* cbEntryID, ENTRYID** entryId);
    HRESULT setDefault(SetDefaultFn set, ULONG cbEntryID, ENTRYID* entryId);

    bool notInitialized_ = true;
    ULONG refs_ = 1;
    ULONG containerFlags_ = kProviderContainerFlags;
    std::string displayName_;
    MAPIUID uid_{};
    RoutineAllocator pdxMemory_;
    void* moduleInstance_;
    IPDXSupport* support_ = nullptr;
    IAddrBook* book_ = nullptr;
    std::unique_ptr<ComponentPolicy> policy_;
    mutable std::mutex lock_;
};

} // namespace pdx::proxy
