#pragma once
// A fixture that loads vqfaxsp.so by name, points it at the fake store
// library and opens logons the way vqcore does.

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "allocator.h"
#include "fax_test_util.h"
#include "pdx/pdx.h"
#include "platform/module.h"
#include "test_environment.h"

namespace faxtest {

using pdx::core::Buffer;

constexpr ULONG PR_SURNAME = 0x3A11001E;
constexpr ULONG PR_COMMENT = 0x3004001E;
constexpr ULONG PR_7BIT_DISPLAY_NAME = 0x39FF001E;
constexpr ULONG PR_ADDRTYPE_ERROR = 0x3002000A;
constexpr uint8_t kUid = 0x5A;

// The fields of an entry identifier, read at their offsets.
struct IdFields {
    int32_t parentRecord;
    uint32_t parentKind;
    int32_t record;
    uint32_t kind;
};
IdFields fieldsOf(const std::vector<uint8_t>& id);
std::vector<uint8_t> makeId(IdFields f, uint8_t uidByte = kUid);
// A row's value of `tag` as text ("" when absent) or bytes.
std::string rowText(const SRow& row, ULONG tag);
std::vector<uint8_t> rowBytes(const SRow& row, ULONG tag);
// The row whose PR_DISPLAY_NAME is `name`, or null.
const SRow* rowNamed(const SRowSet* rows, const std::string& name);

// Records how the provider talks to an advise sink.
struct RecordingSink final : IMAPIAdviseSink {
    ULONG refs = 1;
    std::vector<std::string> calls;
    std::vector<NOTIFICATION> received;
    HRESULT QueryInterface(LPCIID, void**) override { return E_NOINTERFACE; }
    ULONG AddRef() override {
        calls.push_back("AddRef");
        return ++refs;
    }
    ULONG Release() override {
        calls.push_back("Release");
        return --refs;
    }
    ULONG OnNotify(ULONG count, NOTIFICATION* n) override {
        calls.push_back("OnNotify " + std::to_string(count));
        received.push_back(*n);
        return 0;
    }
};

inline std::vector<SPropValue> person(const char* name, const char* primary, const char* secondary) {
    return {stringValue(PR_DISPLAY_NAME, name), stringValue(PR_BUSINESS_FAX_NUMBER, primary),
            stringValue(PR_HOME_FAX_NUMBER, secondary), stringValue(PR_COMPANY_NAME, "Kestrel Ltd")};
}

// The plug-in as vqcore sees it: two exports.
struct Plugin {
    platform::Module module;
    ABProviderOpenFn open = nullptr;
    ServiceEntryFn serviceEntry = nullptr;
};
Plugin& plugin();

// Opens the fixture's logon over the library the subclass chooses.
class FaxProviderTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
    // Points the printer driver folder at a store library; returns the file
    // path the service's section names.
    virtual std::string useLibrary() = 0;

    // ABProviderOpen with `section` (the fixture's own when null).
    HRESULT open(object_ptr<IAddrBook>& logon, TestSection* section = nullptr);
    // The root container of the fixture's logon.
    object_ptr<IABContainer> root();
    object_ptr<IUnknown> openEntry(const std::vector<uint8_t>& id, ULONG* type = nullptr, HRESULT expect = S_OK);
    // A template of a container (PR_DEF_CREATE_MAILUSER or PR_DEF_CREATE_DL).
    std::vector<uint8_t> templateOf(IMAPIProp* container, ULONG tag);
    // Creates, fills and saves an entry; its new identifier.
    std::vector<uint8_t> create(IABContainer* container, ULONG templateTag, const std::vector<SPropValue>& values);
    std::vector<uint8_t> entryIdOf(IMAPIProp* object);
    // Every row of a container's contents with the given columns.
    pdx::core::RowSet contents(IABContainer* container, const std::vector<ULONG>& columns);
    HRESULT copyInto(IABContainer* container, const std::vector<std::vector<uint8_t>>& ids);
    HRESULT deleteFrom(IABContainer* container, const std::vector<std::vector<uint8_t>>& ids);

    platform::Module fakeHolder_;
    fakeconv::State* fake_ = nullptr;
    object_ptr<TestSupport> support_;
    object_ptr<TestSection> section_;
    object_ptr<IAddrBook> logon_;
};

// Over the scripted library: the store's answers are set by the test.
class FakeStoreTest : public FaxProviderTest {
protected:
    std::string useLibrary() override;
};

// Over the real vqconv.so beside the plug-in, with a fresh store file.
class RealStoreTest : public FaxProviderTest {
protected:
    std::string useLibrary() override;
    std::string storePath_;
};

} // namespace faxtest
