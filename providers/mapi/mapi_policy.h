#pragma once
// The directory provider's policy for the proxy layer: identifiers pass
// unchanged (the root stands for MAPI's root and is answered here), values
// are only copied between MAPI's memory and PDX memory, distribution lists
// are plain containers, copies between two proxies go straight to MAPI, and
// NewEntry leaves the choice of template to MAPI. It owns the MAPI session:
// when the provider goes, the session is logged off and MAPI uninitialised.

#include "mapi_library.h"
#include "policy.h"
#include "uid_scan.h"

namespace pdx::mapi {

class MapiMemory final : public proxy::Allocator {
public:
    explicit MapiMemory(const MapiLibrary& lib) : lib_(lib) {}
    HRESULT allocate(ULONG cb, void** out) const override { return lib_.allocateBuffer(cb, out); }
    HRESULT allocateMore(ULONG cb, void* parent, void** out) const override {
        return lib_.allocateMore(cb, parent, out);
    }
    HRESULT free(void* p) const override { return lib_.freeBuffer(p); }

private:
    const MapiLibrary& lib_;
};

class MapiPolicy final : public proxy::ComponentPolicy {
public:
    // Takes over the session reference; MAPI stays initialised until the policy goes.
    MapiPolicy(MapiLibrary lib, IMAPISession* session, const MAPIUID& uid);
    ~MapiPolicy() override;

    const proxy::Allocator& componentMemory() const override { return memory_; }
    const proxy::IdentifierRule& ids() const override { return ids_; }
    bool convertsValues() const override { return false; }
    bool exposesWrappedObjects() const override { return true; }
    bool rootStaysLocal() const override { return true; }
    HRESULT chooseRecordType(ULONG_PTR, ULONG* templateTag) override;

    const MapiLibrary& library() const { return lib_; }
    // The provider UIDs registered for this provider.
    UidList& uids() { return uids_; }

private:
    MapiLibrary lib_;
    IMAPISession* session_;
    MapiMemory memory_;
    proxy::PassThroughIds ids_;
    UidList uids_;
};

} // namespace pdx::mapi
