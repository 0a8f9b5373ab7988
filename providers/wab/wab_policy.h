#pragma once
// The contacts provider's policy for the proxy layer: identifiers wrapped
// with the 20-byte header, the component's IWABObject memory routines, the
// table flag of WAB 5 and later, distribution lists that work through their
// parent container, and the record type dialog when NewEntry has no template.

#include "pdx/wab.h"
#include "platform/module.h"
#include "policy.h"

namespace pdx::wab {

// The IWABObject routines as a memory domain.
class WabMemory final : public proxy::Allocator {
public:
    explicit WabMemory(IWABObject* wab) : wab_(wab) {}
    HRESULT allocate(ULONG cb, void** out) const override { return wab_->AllocateBuffer(cb, out); }
    HRESULT allocateMore(ULONG cb, void* parent, void** out) const override {
        return wab_->AllocateMore(cb, parent, out);
    }
    HRESULT free(void* p) const override { return wab_->FreeBuffer(p); }

private:
    IWABObject* wab_;
};

// The file version from which the component takes the flags
// WAB_ENABLE_PROFILES and WAB_LOCAL_CONTAINERS.
constexpr uint32_t kWab5 = 0x00050000;

class WabPolicy final : public proxy::ComponentPolicy {
public:
    // Takes over the module and the IWABObject reference.
    WabPolicy(platform::Module module, IWABObject* wab, platform::FileVersion version, const MAPIUID& uid);
    ~WabPolicy() override;

    const proxy::Allocator& componentMemory() const override { return memory_; }
    const proxy::IdentifierRule& ids() const override { return ids_; }
    bool convertsValues() const override { return true; }
    ULONG tableFlags(ULONG callerFlags) const override;
    bool listsKeepTemplates() const override { return true; }
    std::string newMemberName() const override;
    HRESULT chooseRecordType(ULONG_PTR ulUIParam, ULONG* templateTag) override;

    platform::FileVersion version() const { return version_; }

private:
    // Declared first: unloaded after the component's objects are released.
    platform::Module module_;
    IWABObject* wab_;
    WabMemory memory_;
    platform::FileVersion version_;
    proxy::WrappedIds ids_;
};

} // namespace pdx::wab
