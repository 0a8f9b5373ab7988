#pragma once
// The contacts provider as vqcore drives it: vqwabsp.so loaded by name, its
// ABProviderOpen called with a test support object and profile section, over
// the scripted component (fake_wab.h) that the registry's DLLPath names.
// Every test ends with both memory domains empty, nothing freed in the wrong
// domain, no component object left alive and the references it was lent
// given back.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "fake_wab.h"
#include "pdx/pdx.h"
#include "pdx_side.h"
#include "platform/module.h"

namespace wabtest {

const pdx::MAPIUID kUid = {{0x5A, 0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77, 0x88, 0x99, 0xAA, 0xBB, 0xCC, 0xDD,
                            0xEE, 0x0F}};

// A PDX buffer the test received, freed when it goes.
template <class T> struct Pdx : pdx::buffer_ptr<T> {
    Pdx() : pdx::buffer_ptr<T>(&pdxFree) {}
};
void freePdxRows(pdx::SRowSet* rows);
void freePdxList(pdx::ADRLIST* list);

// The caller's form of a component identifier, and back.
Bytes wrap(const Bytes& inner);
Bytes idBytes(pdx::ULONG cb, const void* id);
Bytes bin(const pdx::SPropValue& v);

class ProviderFixture : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // The component module DLLPath names: a module of the bin folder, or "" for none.
    void useComponent(const std::string& fileName);
    // Switches to another fake (e.g. "fakewab4.so") and resets it.
    void useFake(const std::string& fileName);
    pdx::HRESULT open(pdx::ULONG flags = 0);

    // Objects through the provider, by the caller's identifiers.
    pdx::IUnknown* openEntry(const Bytes& id, pdx::ULONG* type = nullptr);
    pdx::IABContainer* openContacts();
    pdx::IDistList* openTeam();
    Bytes callerId(const Bytes& inner) const { return wrap(inner); }
    pdx::ENTRYID* asId(Bytes& b) const { return reinterpret_cast<pdx::ENTRYID*>(b.data()); }

    platform::Module plugin_;
    platform::Module component_;
    FakeWab* fake_ = nullptr;
    pdx::ABProviderOpenFn abOpen_ = nullptr;
    pdx::ServiceEntryFn serviceEntry_ = nullptr;
    TestSupport support_;
    TestSection section_;
    pdx::IAddrBook* provider_ = nullptr;
};

} // namespace wabtest
