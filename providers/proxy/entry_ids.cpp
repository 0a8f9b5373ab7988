#include "entry_ids.h"

#include <cstring>

#include "platform/system.h"

namespace pdx::proxy {

bool WrappedIds::isOwn(ULONG cb, const BYTE* id, bool probe) const {
    if (cb <= kWrapHeader || !id) return false;
    if (probe && !platform::isReadable(id, cb)) return false;
    return std::memcmp(id + 4, uid_.ab, sizeof uid_.ab) == 0;
}

InwardId WrappedIds::inward(ULONG cb, const ENTRYID* id) const {
    const auto* bytes = reinterpret_cast<const BYTE*>(id);
    if (!isOwn(cb, bytes, true)) return {};
    if (cb == kWrapHeader + 1) return {InwardId::Root, 0, nullptr};
    return {InwardId::Component, cb - kWrapHeader, reinterpret_cast<ENTRYID*>(const_cast<BYTE*>(bytes + kWrapHeader))};
}

InwardId WrappedIds::inwardValue(ULONG cb, const BYTE* id) const {
    auto* bytes = const_cast<BYTE*>(id);
    if (!isOwn(cb, bytes, true)) return {InwardId::Foreign, cb, reinterpret_cast<ENTRYID*>(bytes)};
    return {InwardId::Component, cb - kWrapHeader, reinterpret_cast<ENTRYID*>(bytes + kWrapHeader)};
}

ULONG WrappedIds::outwardSize(ULONG cb, const BYTE* id) const {
    return isOwn(cb, id, false) ? cb : cb + kWrapHeader;
}

void WrappedIds::writeOutward(ULONG cb, const BYTE* id, BYTE* out) const {
    if (isOwn(cb, id, false)) {
        std::memcpy(out, id, cb);
        return;
    }
    std::memset(out, 0, 4);
    std::memcpy(out + 4, uid_.ab, sizeof uid_.ab);
    if (cb) std::memcpy(out + kWrapHeader, id, cb);
}

std::vector<BYTE> WrappedIds::rootId() const {
    std::vector<BYTE> id(kWrapHeader + 1, 0);
    std::memcpy(id.data() + 4, uid_.ab, sizeof uid_.ab);
    return id;
}

InwardId PassThroughIds::inward(ULONG cb, const ENTRYID* id) const {
    const auto* bytes = reinterpret_cast<const BYTE*>(id);
    // No identifier goes to MAPI as it is (there it names MAPI's own root);
    // only bytes that cannot be read are refused.
    if (!cb) return {InwardId::Component, 0, const_cast<ENTRYID*>(id)};
    if (!id || !platform::isReadable(bytes, cb)) return {};
    if (cb >= kWrapHeader && std::memcmp(bytes + 4, uid_.ab, sizeof uid_.ab) == 0) return {InwardId::Root, 0, nullptr};
    return {InwardId::Component, cb, const_cast<ENTRYID*>(id)};
}

InwardId PassThroughIds::inwardValue(ULONG cb, const BYTE* id) const {
    return {InwardId::Component, cb, reinterpret_cast<ENTRYID*>(const_cast<BYTE*>(id))};
}

void PassThroughIds::writeOutward(ULONG cb, const BYTE* id, BYTE* out) const {
    if (cb) std::memcpy(out, id, cb);
}

std::vector<BYTE> PassThroughIds::rootId() const {
    std::vector<BYTE> id(kWrapHeader, 0);
    std::memcpy(id.data() + 4, uid_.ab, sizeof uid_.ab);
    return id;
}

} // namespace pdx::proxy
