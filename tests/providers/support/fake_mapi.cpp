// The MAPI32 functions over the scripted contacts book (see fake_mapi.h).

#include "fake_mapi.h"

#include <cstdio>

#include "pdx/mapi.h"
#include "pdx/status.h"

#define FAKE_EXPORT extern "C" __attribute__((visibility("default")))

using namespace pdx;

FAKE_EXPORT wabtest::FakeWab* fakeWab();
FAKE_EXPORT HRESULT WABOpen(IAddrBook** book, IWABObject** wab, WAB_PARAM* params, DWORD);

namespace wabtest {
namespace {

FakeMapi& state() {
    static FakeMapi m;
    return m;
}

void log(const std::string& line) { state().calls.push_back(line); }

std::string flagsText(const char* what, ULONG flags) {
    char line[64];
    std::snprintf(line, sizeof line, "%s 0x%08x", what, flags);
    return line;
}

class FakeSession final : public IMAPISession {
public:
    FakeSession() { ++state().liveSessions; }
    HRESULT QueryInterface(LPCIID, void**) override { return E_NOINTERFACE; }
    ULONG AddRef() override { return ++refs_; }
    ULONG Release() override {
        if (--refs_) return refs_;
        log("Session.Release");
        --state().liveSessions;
        delete this;
        return 0;
    }
    HRESULT GetLastError(HRESULT, ULONG, MAPIERROR**) override { return MAPI_E_NO_SUPPORT; }
    HRESULT GetMsgStoresTable(ULONG, IMAPITable**) override { return MAPI_E_NO_SUPPORT; }
    HRESULT OpenMsgStore(ULONG_PTR, ULONG, ENTRYID*, LPCIID, ULONG, IMsgStore**) override { return MAPI_E_NO_SUPPORT; }
    HRESULT OpenAddressBook(ULONG_PTR, LPCIID iid, ULONG flags, IAddrBook** out) override {
        log(flagsText(iid ? "OpenAddressBook iid" : "OpenAddressBook", flags));
        *out = nullptr;
        if (FAILED(state().addressBookResult)) return state().addressBookResult;
        WAB_PARAM params{sizeof(WAB_PARAM), 0, nullptr, 0, {}};
        IWABObject* wab = nullptr;
        HRESULT h = WABOpen(out, &wab, &params, 0);
        if (wab) wab->Release();
        return h;
    }
    HRESULT OpenProfileSection(const MAPIUID*, LPCIID, ULONG, IProfSect**) override { return MAPI_E_NO_SUPPORT; }
    HRESULT GetStatusTable(ULONG, IMAPITable**) override { return MAPI_E_NO_SUPPORT; }
    HRESULT OpenEntry(ULONG, ENTRYID*, LPCIID, ULONG, ULONG*, IUnknown**) override { return MAPI_E_NO_SUPPORT; }
    HRESULT CompareEntryIDs(ULONG, ENTRYID*, ULONG, ENTRYID*, ULONG, ULONG*) override { return MAPI_E_NO_SUPPORT; }
    HRESULT Advise(ULONG, ENTRYID*, ULONG, IMAPIAdviseSink*, ULONG_PTR*) override { return MAPI_E_NO_SUPPORT; }
    HRESULT Unadvise(ULONG_PTR) override { return MAPI_E_NO_SUPPORT; }
    HRESULT MessageOptions(ULONG_PTR, ULONG, char*, void*) override { return MAPI_E_NO_SUPPORT; }
    HRESULT QueryDefaultMessageOpt(char*, ULONG, ULONG*, SPropValue**) override { return MAPI_E_NO_SUPPORT; }
    HRESULT EnumAdrTypes(ULONG, ULONG*, char***) override { return MAPI_E_NO_SUPPORT; }
    HRESULT QueryIdentity(ULONG*, ENTRYID**) override { return MAPI_E_NO_SUPPORT; }
    HRESULT Logoff(ULONG_PTR ui, ULONG flags, ULONG reserved) override {
        log(ui || flags || reserved ? "Logoff with arguments" : "Logoff");
        return S_OK;
    }
    HRESULT SetDefaultStore(ULONG, ULONG, ENTRYID*) override { return MAPI_E_NO_SUPPORT; }
    HRESULT AdminServices(ULONG, IMsgServiceAdmin**) override { return MAPI_E_NO_SUPPORT; }
    HRESULT ShowForm(ULONG_PTR, IMsgStore*, IUnknown*, LPCIID, ULONG, IUnknown*, ULONG, ULONG, ULONG, ULONG,
                     char*) override {
        return MAPI_E_NO_SUPPORT;
    }
    HRESULT PrepareForm(LPCIID, IUnknown*, ULONG*) override { return MAPI_E_NO_SUPPORT; }

private:
    ULONG refs_ = 1;
};

} // namespace
} // namespace wabtest

using namespace wabtest;

FAKE_EXPORT FakeMapi* fakeMapi() { return &state(); }

FAKE_EXPORT HRESULT MAPIInitialize(void* init) {
    log(init ? "MAPIInitialize with a block" : "MAPIInitialize");
    ++state().initialized;
    return S_OK;
}

FAKE_EXPORT void MAPIUninitialize() {
    log("MAPIUninitialize");
    --state().initialized;
}

FAKE_EXPORT HRESULT MAPILogonEx(ULONG_PTR, const char* profile, const char* password, ULONG flags,
                                IMAPISession** out) {
    log(flagsText("MAPILogonEx", flags) + " " + (profile ? profile : "-") + (password ? " password" : ""));
    *out = nullptr;
    if (FAILED(state().logonResult)) return state().logonResult;
    *out = new FakeSession;
    return S_OK;
}

FAKE_EXPORT HRESULT MAPIAllocateBuffer(ULONG cb, void** out) { return fakeWab()->heap.allocate(cb, out); }
FAKE_EXPORT HRESULT MAPIAllocateMore(ULONG cb, void* parent, void** out) {
    return fakeWab()->heap.allocateMore(cb, parent, out);
}
FAKE_EXPORT HRESULT MAPIFreeBuffer(void* p) { return fakeWab()->heap.free(p); }
FAKE_EXPORT HRESULT MAPIAdminProfiles(ULONG, IProfAdmin** out) {
    *out = nullptr;
    return MAPI_E_NO_SUPPORT;
}
FAKE_EXPORT void FreeProws(SRowSet* rows) {
    if (!rows) return;
    for (ULONG i = 0; i < rows->cRows; ++i) fakeWab()->heap.free(rows->aRow[i].lpProps);
    fakeWab()->heap.free(rows);
}
