#pragma once
// IPDXSession: what PDXOpen hands out. It owns the address book, the provider
// list and the profile's service administration; its last release ends the
// session and unloads the providers, most recently loaded first.

#include <mutex>

#include "address_book.h"
#include "pdx/interfaces.h"
#include "pdx/memory.h"
#include "provider_list.h"

namespace pdx::core {

class Session final : public IPDXSession {
public:
    // Takes over the references it is given.
    static Session* create(object_ptr<AddressBook> book, object_ptr<ProviderList> providers,
                           object_ptr<IPDXServiceAdmin> services, ULONG_PTR ulUIParam);

    HRESULT QueryInterface(LPCIID iid, void** out) override;
    ULONG AddRef() override;
    ULONG Release() override;
    HRESULT GetLastError(HRESULT status, ULONG flags, MAPIERROR** out) override;
    HRESULT AllocateBuffer(ULONG cb, void** out) override;
    HRESULT AllocateMore(ULONG cb, void* parent, void** out) override;
    HRESULT FreeBuffer(void* p) override;
    HRESULT FreeProws(SRowSet* rows) override;
    HRESULT FreePadrlist(ADRLIST* list) override;
    HRESULT OpenAddressBook(ULONG flags, IAddrBook** out) override;
    HRESULT ExpandDistLists(ULONG flags, ADRLIST** list) override;
    HRESULT GetPDXEntryID(ULONG* cbEntryID, ENTRYID** entryId) override;
    HRESULT AdminServices(ULONG flags, IPDXServiceAdmin** out) override;

private:
    Session() = default;
    ~Session();

    std::recursive_mutex lock_;
    ULONG refs_ = 1;
    object_ptr<AddressBook> book_;
    object_ptr<ProviderList> providers_;
    object_ptr<IPDXServiceAdmin> services_;
    ULONG_PTR ulUIParam_ = 0;
};

} // namespace pdx::core
