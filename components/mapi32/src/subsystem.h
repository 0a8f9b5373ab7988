#pragma once
// MAPIInitialize and MAPIUninitialize: the subsystem counts its users, and
// logon and profile administration need at least one.

namespace mapi32 {

void initialize();
// False when there was no matching MAPIInitialize (the call does nothing).
bool uninitialize();
bool initialized();

} // namespace mapi32
