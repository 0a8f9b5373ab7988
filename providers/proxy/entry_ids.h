#pragma once
// How entry identifiers cross between vqcore and the outside component.
//
// The contacts provider wraps: the caller sees four zero bytes, the provider
// UID and then the component's identifier unchanged, so vqcore can route the
// identifier back by the UID. The directory provider's rule (identifiers
// pass unchanged) is another IdentifierRule.

#include <cstdint>
#include <vector>

#include "pdx/types.h"

namespace pdx::proxy {

// An identifier a caller handed in, as the component is to see it.
struct InwardId {
    enum Kind {
        Foreign,   // not this provider's
        Root,      // the provider's root: the component gets no identifier
        Component, // the component's own identifier in bytes/cb
    } kind = Foreign;
    ULONG cb = 0;
    ENTRYID* id = nullptr;
};

class IdentifierRule {
public:
    // An identifier given as a call argument.
    virtual InwardId inward(ULONG cb, const ENTRYID* id) const = 0;
    // An identifier inside values or entry lists on their way in.
    virtual InwardId inwardValue(ULONG cb, const BYTE* id) const = 0;
    // Size and bytes of a component identifier as the caller sees it.
    virtual ULONG outwardSize(ULONG cb, const BYTE* id) const = 0;
    virtual void writeOutward(ULONG cb, const BYTE* id, BYTE* out) const = 0;
    // The provider's own PR_ENTRYID.
    virtual std::vector<BYTE> rootId() const = 0;

protected:
    ~IdentifierRule() = default;
};

constexpr ULONG kWrapHeader = 20;

class WrappedIds final : public IdentifierRule {
public:
    explicit WrappedIds(const MAPIUID& uid) : uid_(uid) {}

    // Longer than the header, readable, and carrying our UID in bytes 4-19.
    // Identifiers read from the component are known to be readable (probe false).
    bool isOwn(ULONG cb, const BYTE* id, bool probe) const;

    // Own identifiers unwrapped; the 21-byte root stands for no identifier.
    InwardId inward(ULONG cb, const ENTRYID* id) const override;
    // Own identifiers lose their header; any other passes unchanged.
    InwardId inwardValue(ULONG cb, const BYTE* id) const override;
    // The header in front, unless the identifier already is our own.
    ULONG outwardSize(ULONG cb, const BYTE* id) const override;
    void writeOutward(ULONG cb, const BYTE* id, BYTE* out) const override;
    // The header and one zero byte.
    std::vector<BYTE> rootId() const override;

    const MAPIUID& uid() const { return uid_; }

private:
    MAPIUID uid_;
};

// The directory provider's rule: identifiers pass unchanged; its own root is
// four zero bytes and the provider UID, and stands for no identifier.
class PassThroughIds final : public IdentifierRule {
public:
    explicit PassThroughIds(const MAPIUID& uid) : uid_(uid) {}
    InwardId inward(ULONG cb, const ENTRYID* id) const override;
    InwardId inwardValue(ULONG cb, const BYTE* id) const override;
    ULONG outwardSize(ULONG cb, const BYTE*) const override { return cb; }
    void writeOutward(ULONG cb, const BYTE* id, BYTE* out) const override;
    std::vector<BYTE> rootId() const override;

private:
    MAPIUID uid_;
};

} // namespace pdx::proxy
