#pragma once
// The logon object ABProviderOpen returns: the provider's IAddrBook, owner of
// the store binding, the advise list and the support object's reference.

#include <cstdint>
#include <list>
#include <mutex>
#include <string>
#include <vector>

#include "entry_id.h"
#include "pdx/interfaces.h"

namespace vqfax {

class StoreBinding;

class Logon final : public IAddrBook {
public:
    // A logon with no reference yet (the opener takes the first), holding the
    // binding's first reference and one on the support object.
    static Logon* create(void* module, const MAPIUID& uid, const char* displayName, StoreBinding* binding,
                         IPDXSupport* support);

    const MAPIUID& uid() const { return uid_; }
    StoreBinding& binding() const { return *binding_; }
    IPDXSupport* support() const { return support_; }
    void* module() const { return module_; }
    EntryId rootId() const;
    EntryId templateId(ULONG kind) const;
    // Opens a contact (kind 6) or group (kind 8) from the store.
    HRESULT openObject(const EntryId& id, ULONG* objType, IUnknown** out);
    // Delivers one modification notification to every advise sink.
    void notifyModified();

    HRESULT QueryInterface(LPCIID iid, void** out) override;
    ULONG AddRef() override;
    ULONG Release() override;
    HRESULT GetLastError(HRESULT, ULONG, MAPIERROR**) override;
    HRESULT SaveChanges(ULONG) override;
    HRESULT GetProps(const SPropTagArray* tags, ULONG flags, ULONG* count, SPropValue** values) override;
    HRESULT GetPropList(ULONG flags, SPropTagArray** tags) override;
    HRESULT OpenProperty(ULONG, LPCIID, ULONG, ULONG, IUnknown**) override;
    HRESULT SetProps(ULONG, const SPropValue*, SPropProblemArray**) override;
    HRESULT DeleteProps(const SPropTagArray*, SPropProblemArray**) override;
    HRESULT CopyTo(ULONG, LPCIID, const SPropTagArray*, ULONG_PTR, IMAPIProgress*, LPCIID, void*, ULONG,
                   SPropProblemArray**) override;
    HRESULT CopyProps(const SPropTagArray*, ULONG_PTR, IMAPIProgress*, LPCIID, void*, ULONG,
                      SPropProblemArray**) override;
    HRESULT GetNamesFromIDs(SPropTagArray**, GUID*, ULONG, ULONG*, MAPINAMEID***) override;
    HRESULT GetIDsFromNames(ULONG, MAPINAMEID**, ULONG, SPropTagArray**) override;
    HRESULT OpenEntry(ULONG cbEntryID, ENTRYID* entryId, LPCIID iid, ULONG flags, ULONG* objType,
                      IUnknown** out) override;
    HRESULT CompareEntryIDs(ULONG cb1, ENTRYID* id1, ULONG cb2, ENTRYID* id2, ULONG flags, ULONG* result) override;
    HRESULT Advise(ULONG cbEntryID, ENTRYID* entryId, ULONG eventMask, IMAPIAdviseSink* sink,
                   ULONG_PTR* connection) override;
    HRESULT Unadvise(ULONG_PTR connection) override;
    HRESULT CreateOneOff(char*, char*, char*, ULONG, ULONG*, ENTRYID**) override;
    HRESULT NewEntry(ULONG_PTR ulUIParam, ULONG flags, ULONG cbContainer, ENTRYID* container, ULONG cbTemplate,
                     ENTRYID* templateId, ULONG* cbNew, ENTRYID** newId) override;
    HRESULT ResolveName(ULONG_PTR, ULONG, char*, ADRLIST*) override;
    HRESULT Address(ULONG_PTR*, ADRPARM*, ADRLIST**) override;
    HRESULT Details(ULONG_PTR* ulUIParam, DismissFn dismiss, void* dismissContext, ULONG cbEntryID, ENTRYID* entryId,
                    ButtonFn button, void* buttonContext, char* buttonText, ULONG flags) override;
    HRESULT RecipOptions(ULONG_PTR, ULONG, ADRENTRY*) override;
    HRESULT QueryDefaultRecipOpt(char*, ULONG, ULONG*, SPropValue**) override;
    HRESULT GetPAB(ULONG*, ENTRYID**) override;
    HRESULT SetPAB(ULONG, ENTRYID*) override;
    HRESULT GetDefaultDir(ULONG*, ENTRYID**) override;
    HRESULT SetDefaultDir(ULONG, ENTRYID*) override;
    HRESULT GetSearchPath(ULONG, SRowSet**) override;
    HRESULT SetSearchPath(ULONG, SRowSet*) override;
    HRESULT PrepareRecips(ULONG flags, const SPropTagArray* tags, ADRLIST* list) override;

private:
    Logon() = default;
    ~Logon();
    HRESULT prepareEntry(ADRENTRY& entry, const SPropTagArray& tags);

    struct AdviseNode {
        std::vector<uint8_t> entryId;
        ULONG eventMask;
        IMAPIAdviseSink* sink; // one reference held
        ULONG_PTR connection;
    };

    void* module_ = nullptr;
    ULONG refs_ = 0;
    std::string displayName_;
    MAPIUID uid_{};
    StoreBinding* binding_ = nullptr;
    std::list<AdviseNode> advise_;
    ULONG_PTR adviseCalls_ = 0;
    IPDXSupport* support_ = nullptr;
    // Recursive: objects built under it (OpenEntry) take their reference on the logon.
    std::recursive_mutex lock_;
};

} // namespace vqfax
