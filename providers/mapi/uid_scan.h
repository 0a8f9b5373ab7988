#pragma once
// The UID scan at logon: vqcore routes an identifier by the UID in its bytes
// 4-19, so the provider registers its own UID and the UID of every container
// MAPI's root lists (and of each container's first entry), each once.

#include <vector>

#include "mapi_library.h"
#include "pdx/interfaces.h"

namespace pdx::mapi {

class UidList {
public:
    // Adds the UID and registers it with the support object, unless it is already listed.
    void add(IPDXSupport* support, const MAPIUID& uid);
    const std::vector<MAPIUID>& uids() const { return uids_; }

private:
    std::vector<MAPIUID> uids_;
};

// Failures are ignored: the scan stops at the first failed table read.
void scanUids(const MapiLibrary& lib, IAddrBook* book, IPDXSupport* support, const MAPIUID& own, UidList& list);

} // namespace pdx::mapi
