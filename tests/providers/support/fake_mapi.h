#pragma once
// A scripted messaging subsystem for the directory provider's tests: a module
// exporting the MAPI32 functions, whose session's address book is the
// scripted contacts book of fake_wab.h (same heap, same call log). It records
// how MAPI was initialised and logged on to. Tests reach it through fakeMapi().

#include <string>
#include <vector>

#include "fake_wab.h"

namespace wabtest {

struct FakeMapi {
    int initialized = 0;           // MAPIInitialize minus MAPIUninitialize
    int liveSessions = 0;
    std::vector<std::string> calls; // "MAPIInitialize", "MAPILogonEx 0x... NAME|-", "OpenAddressBook 0x...", ...
    pdx::HRESULT logonResult = pdx::S_OK;
    pdx::HRESULT addressBookResult = pdx::S_OK;

    void reset() { *this = FakeMapi{}; }
};

} // namespace wabtest

using FakeMapiFn = wabtest::FakeMapi* (*)();
