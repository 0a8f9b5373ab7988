#pragma once
// Shared pieces of the fax provider tests: a support object and a profile
// section of our own, the fake store library, and small property helpers.

#include <string>
#include <vector>

#include "fake_conv.h"
#include "pdx/pdx.h"
#include "platform/module.h"

namespace faxtest {

using namespace pdx;

// IPDXSupport as vqcore gives it to a provider: vqcore's allocator, and a
// record of the UIDs registered and the copies asked for.
class TestSupport final : public IPDXSupport {
public:
    static TestSupport* create() { return new TestSupport; }
    HRESULT QueryInterface(LPCIID iid, void** out) override;
    ULONG AddRef() override { return ++refs; }
    ULONG Release() override;
    HRESULT GetLastError(HRESULT, ULONG, MAPIERROR**) override { return S_OK; }
    HRESULT GetMemAllocRoutines(AllocateBufferFn* a, AllocateMoreFn* m, FreeBufferFn* f) override;
    HRESULT SetProviderUID(const MAPIUID* uid, ULONG flags) override;
    HRESULT Reserved6() override { return MAPI_E_NO_SUPPORT; }
    HRESULT DoCopyTo(LPCIID srcIface, void* source, ULONG, LPCIID, const SPropTagArray*, ULONG_PTR, IMAPIProgress*,
                     LPCIID, void*, ULONG, SPropProblemArray**) override;
    HRESULT DoCopyProps(LPCIID srcIface, void* source, const SPropTagArray*, ULONG_PTR, IMAPIProgress*, LPCIID, void*,
                        ULONG, SPropProblemArray**) override;
    HRESULT Reserved9() override { return MAPI_E_NO_SUPPORT; }

    ULONG refs = 1;
    std::vector<MAPIUID> registered;
    std::vector<std::string> copies; // "CopyTo <interface data1 in hex>" / "CopyProps ..."
    HRESULT routinesResult = S_OK;
};

// A profile section holding string and binary values.
class TestSection final : public IProfSect {
public:
    static TestSection* create() { return new TestSection; }
    void set(ULONG tag, const std::string& text);
    void setBinary(ULONG tag, const std::vector<uint8_t>& bytes);
    const std::string* text(ULONG tag) const;

    HRESULT QueryInterface(LPCIID iid, void** out) override;
    ULONG AddRef() override { return ++refs; }
    ULONG Release() override;
    HRESULT GetLastError(HRESULT, ULONG, MAPIERROR**) override { return MAPI_E_NO_SUPPORT; }
    HRESULT SaveChanges(ULONG flags) override;
    HRESULT GetProps(const SPropTagArray* tags, ULONG flags, ULONG* count, SPropValue** values) override;
    HRESULT GetPropList(ULONG, SPropTagArray**) override { return MAPI_E_NO_SUPPORT; }
    HRESULT OpenProperty(ULONG, LPCIID, ULONG, ULONG, IUnknown**) override { return MAPI_E_NO_SUPPORT; }
    HRESULT SetProps(ULONG count, const SPropValue* values, SPropProblemArray** problems) override;
    HRESULT DeleteProps(const SPropTagArray*, SPropProblemArray**) override { return MAPI_E_NO_SUPPORT; }
    HRESULT CopyTo(ULONG, LPCIID, const SPropTagArray*, ULONG_PTR, IMAPIProgress*, LPCIID, void*, ULONG,
                   SPropProblemArray**) override {
        return MAPI_E_NO_SUPPORT;
    }
    HRESULT CopyProps(const SPropTagArray*, ULONG_PTR, IMAPIProgress*, LPCIID, void*, ULONG,
                      SPropProblemArray**) override {
        return MAPI_E_NO_SUPPORT;
    }
    HRESULT GetNamesFromIDs(SPropTagArray**, GUID*, ULONG, ULONG*, MAPINAMEID***) override { return MAPI_E_NO_SUPPORT; }
    HRESULT GetIDsFromNames(ULONG, MAPINAMEID**, ULONG, SPropTagArray**) override { return MAPI_E_NO_SUPPORT; }

    ULONG refs = 1;
    std::vector<ULONG> saves;          // flags of each SaveChanges
    HRESULT setPropsResult = S_OK;
    HRESULT saveResult = S_OK;
    std::vector<void*> handedOut;      // every GetProps answer, to check it was freed

private:
    struct Entry {
        ULONG tag;
        std::string text;
        std::vector<uint8_t> bytes;
    };
    std::vector<Entry> entries_;
};

// A service's section: display name, file path and a UID.
TestSection* makeSection(const std::string& display, const std::string& path = "", uint8_t uidByte = 0x5A);

// The fake store library variants and their state.
enum class FakeVariant { Full, NoClose, NoDelete };
std::string fakeDirectory(FakeVariant variant);
// Points the printer driver directory at the variant, loads it and clears its state.
fakeconv::State& useFake(FakeVariant variant, platform::Module& holder);

// Property helpers.
SPropValue stringValue(ULONG tag, const char* text);
SPropValue binaryValue(ULONG tag, const std::vector<uint8_t>& bytes);
const SPropValue* findTag(const SPropValue* values, ULONG count, ULONG tag);
std::string textOf(const SPropValue* values, ULONG count, ULONG tag); // "" when absent
std::vector<uint8_t> bytesOf(const SBinary& bin);

// The fake store's view of a record: its field texts by code and member elements.
struct StoredMember {
    int32_t record;
    uint32_t flags;
};
std::string storedField(fakeconv::State& s, int32_t record, uint32_t code);
std::vector<StoredMember> storedMembers(fakeconv::State& s, int32_t record);
// Puts a record into the fake store directly.
void storeRecord(fakeconv::State& s, int32_t record, const std::vector<std::pair<uint32_t, std::string>>& fields,
                 const std::vector<StoredMember>& members = {});
std::vector<uint8_t> fieldElement(uint32_t code, const std::string& text);
std::vector<uint8_t> memberElement(int32_t record, uint32_t flags);

} // namespace faxtest
