#pragma once
// The vqcore side of the provider contract for tests: PDX memory as a tracked
// heap, a support object that records what the provider registers and copies,
// and a profile section held in memory.

#include <map>
#include <string>
#include <vector>

#include "pdx/pdx.h"
#include "tracked_heap.h"

namespace wabtest {

// The PDX domain: one heap for the test process.
TrackedHeap& pdxHeap();
pdx::HRESULT pdxAllocate(pdx::ULONG cb, void** out);
pdx::HRESULT pdxAllocateMore(pdx::ULONG cb, void* parent, void** out);
pdx::HRESULT pdxFree(void* p);

class TestSupport final : public pdx::IPDXSupport {
public:
    TestSupport() = default;
    std::vector<pdx::MAPIUID> registered;
    std::vector<std::string> copies; // "DoCopyTo <iid Data1 hex>" ...
    pdx::HRESULT routinesResult = pdx::S_OK;
    pdx::HRESULT uidResult = pdx::S_OK;
    pdx::ULONG refs = 1;

    pdx::HRESULT QueryInterface(pdx::LPCIID, void**) override { return pdx::E_NOINTERFACE; }
    pdx::ULONG AddRef() override { return ++refs; }
    pdx::ULONG Release() override { return --refs; } // lives on the test's stack
    pdx::HRESULT GetLastError(pdx::HRESULT, pdx::ULONG, pdx::MAPIERROR**) override { return pdx::S_OK; }
    pdx::HRESULT GetMemAllocRoutines(pdx::AllocateBufferFn* a, pdx::AllocateMoreFn* m, pdx::FreeBufferFn* f) override;
    pdx::HRESULT SetProviderUID(const pdx::MAPIUID* uid, pdx::ULONG) override;
    pdx::HRESULT Reserved6() override { return pdx::MAPI_E_NO_SUPPORT; }
    pdx::HRESULT DoCopyTo(pdx::LPCIID srcIface, void* source, pdx::ULONG, pdx::LPCIID, const pdx::SPropTagArray*,
                          pdx::ULONG_PTR, pdx::IMAPIProgress*, pdx::LPCIID destIface, void* destination, pdx::ULONG,
                          pdx::SPropProblemArray**) override;
    pdx::HRESULT DoCopyProps(pdx::LPCIID srcIface, void* source, const pdx::SPropTagArray*, pdx::ULONG_PTR,
                             pdx::IMAPIProgress*, pdx::LPCIID destIface, void* destination, pdx::ULONG,
                             pdx::SPropProblemArray**) override;
    pdx::HRESULT Reserved9() override { return pdx::MAPI_E_NO_SUPPORT; }
    // The object DoCopyTo/DoCopyProps were given as source.
    void* lastSource = nullptr;
};

// A profile section: string and binary properties by tag.
class TestSection final : public pdx::IProfSect {
public:
    std::map<pdx::ULONG, std::string> strings;
    std::map<pdx::ULONG, std::vector<pdx::BYTE>> binaries;
    std::vector<pdx::ULONG> saves; // SaveChanges flags, in order
    pdx::HRESULT getResult = pdx::S_OK;
    pdx::HRESULT setResult = pdx::S_OK;
    pdx::HRESULT saveResult = pdx::S_OK;
    pdx::ULONG refs = 1;

    void setUid(const pdx::MAPIUID& uid) { binaries[pdx::PR_SERVICE_UID].assign(uid.ab, uid.ab + 16); }

    pdx::HRESULT QueryInterface(pdx::LPCIID, void**) override { return pdx::E_NOINTERFACE; }
    pdx::ULONG AddRef() override { return ++refs; }
    pdx::ULONG Release() override { return --refs; }
    pdx::HRESULT GetLastError(pdx::HRESULT, pdx::ULONG, pdx::MAPIERROR**) override { return pdx::S_OK; }
    pdx::HRESULT SaveChanges(pdx::ULONG flags) override;
    pdx::HRESULT GetProps(const pdx::SPropTagArray* tags, pdx::ULONG flags, pdx::ULONG* count,
                          pdx::SPropValue** values) override;
    pdx::HRESULT GetPropList(pdx::ULONG, pdx::SPropTagArray**) override { return pdx::MAPI_E_NO_SUPPORT; }
    pdx::HRESULT OpenProperty(pdx::ULONG, pdx::LPCIID, pdx::ULONG, pdx::ULONG, pdx::IUnknown**) override {
        return pdx::MAPI_E_NO_SUPPORT;
    }
    pdx::HRESULT SetProps(pdx::ULONG count, const pdx::SPropValue* values, pdx::SPropProblemArray**) override;
    pdx::HRESULT DeleteProps(const pdx::SPropTagArray*, pdx::SPropProblemArray**) override {
        return pdx::MAPI_E_NO_SUPPORT;
    }
    pdx::HRESULT CopyTo(pdx::ULONG, pdx::LPCIID, const pdx::SPropTagArray*, pdx::ULONG_PTR, pdx::IMAPIProgress*,
                        pdx::LPCIID, void*, pdx::ULONG, pdx::SPropProblemArray**) override {
        return pdx::MAPI_E_NO_SUPPORT;
    }
    pdx::HRESULT CopyProps(const pdx::SPropTagArray*, pdx::ULONG_PTR, pdx::IMAPIProgress*, pdx::LPCIID, void*,
                           pdx::ULONG, pdx::SPropProblemArray**) override {
        return pdx::MAPI_E_NO_SUPPORT;
    }
    pdx::HRESULT GetNamesFromIDs(pdx::SPropTagArray**, pdx::GUID*, pdx::ULONG, pdx::ULONG*,
                                 pdx::MAPINAMEID***) override {
        return pdx::MAPI_E_NO_SUPPORT;
    }
    pdx::HRESULT GetIDsFromNames(pdx::ULONG, pdx::MAPINAMEID**, pdx::ULONG, pdx::SPropTagArray**) override {
        return pdx::MAPI_E_NO_SUPPORT;
    }
};

} // namespace wabtest
