// Stored registry property-node bodies, as a profile's service key holds
// them. A body that loads must store back to the same bytes, copy out to a
// value that makes a node with the same tag, pad word and data, and compare
// equal to that value.

#include "../support/fuzz_support.h"

#include "allocator.h"
#include "pdx/status.h"
#include "pdx/tags.h"
#include "profile_store.h"

#include <cmath>
#include <cstring>

using namespace velmo::fuzz;
using namespace pdx;
using namespace pdx::core;

namespace {

bool counted(ULONG type) { return type == PT_BINARY || (type & MV_FLAG); }
bool pointed(ULONG type) { return type == PT_STRING8 || type == PT_UNICODE || type == PT_CLSID; }

// Whether the value compares at all, and equal to itself (not a NaN).
bool comparable(const SPropValue& v) {
    switch (PROP_TYPE(v.ulPropTag)) {
    case PT_I2:
    case PT_BOOLEAN:
    case PT_LONG:
    case PT_ERROR:
    case PT_I8:
    case PT_STRING8:
    case PT_UNICODE:
    case PT_CLSID:
    case PT_BINARY: return true;
    case PT_R4: return !std::isnan(v.Value.flt);
    case PT_DOUBLE: return !std::isnan(v.Value.dbl);
    default: return false;
    }
}

// The data areas hold the same values; the pointer words of multi-valued
// strings and binaries are meaningless once stored and are not compared.
bool sameData(const PropNode& a, const PropNode& b) {
    const ULONG type = PROP_TYPE(b.tag());
    const size_t n = b.dataLength(), count = b.word(16);
    if (type == PT_MV_STRING8 || type == PT_MV_UNICODE)
        return std::memcmp(a.data() + 4 * count, b.data() + 4 * count, n - 4 * count) == 0;
    if (type == PT_MV_BINARY) {
        for (size_t i = 0; i < count; ++i)
            if (a.word(kNodeHeaderSize + 8 * i) != b.word(kNodeHeaderSize + 8 * i)) return false;
        return std::memcmp(a.data() + 8 * count, b.data() + 8 * count, n - 8 * count) == 0;
    }
    return std::memcmp(a.data(), b.data(), n) == 0;
}

void checkNode(const PropNode& node, const std::string_view bytes) {
    FUZZ_CHECK(node.body.size() == bytes.size() && std::memcmp(node.body.data(), bytes.data(), bytes.size()) == 0,
               "the loaded node does not keep its body");
    SPropValue value{};
    HRESULT h = copyNodeOut(node, value, nullptr);
    FUZZ_CHECK(SUCCEEDED(h), "a loaded node does not copy out: " + std::to_string(h));
    const ULONG type = PROP_TYPE(node.tag());
    // The copied-out data, one root buffer (none for an empty counted value).
    void* root = counted(type) ? static_cast<void*>(value.Value.MVl.lpl)
                 : pointed(type) ? static_cast<void*>(value.Value.lpszA)
                                 : nullptr;

    PropNode made;
    h = makeNode(value, made);
    FUZZ_CHECK(SUCCEEDED(h), "the copied-out value makes no node: " + std::to_string(h));
    FUZZ_CHECK(made.tag() == node.tag() && made.pad() == node.pad(), "tag or pad word changed");
    FUZZ_CHECK(made.dataLength() == node.dataLength(),
               "data length " + std::to_string(node.dataLength()) + " came back as " + std::to_string(made.dataLength()));
    FUZZ_CHECK(sameData(made, node), "the data area changed");
    if (!counted(type) && !pointed(type))
        FUZZ_CHECK(std::memcmp(made.body.data() + 16, node.body.data() + 16, 8) == 0, "the value slot changed");
    PropNode reloaded;
    FUZZ_CHECK(SUCCEEDED(nodeFromBody(made.body.data(), made.body.size(), reloaded)), "a made node does not load");
    if (comparable(value))
        FUZZ_CHECK(compareNode(node, value) == S_OK, "a node does not equal its own value, type " + std::to_string(type));
    if (root) FUZZ_CHECK(PDXFreeBuffer(root) == S_OK, "the copied-out data was no root buffer");
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    freshMemoryRegistry();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    PropNode node;
    const bool loads = SUCCEEDED(nodeFromBody(data, size, node));
    if (loads) checkNode(node, bytes);

    // The registry road: a service key holding the body as its one value,
    // read as a property list and written to another key.
    platform::RegKey in, out;
    FUZZ_CHECK(platform::RegKey::create(platform::RegRoot::CurrentUser, "Software\\Fuzz\\In", in) == platform::kRegOk,
               "no key");
    in.deleteValue("1");
    FUZZ_CHECK(in.setBinary("1", data, size) == platform::kRegOk, "the body could not be stored");
    PropList list;
    const bool read = SUCCEEDED(readPropList(in, list));
    FUZZ_CHECK(read == (loads && size > 0), "the registry road and the body loader disagree");
    if (!read) return 0;
    FUZZ_CHECK(list.size() == 1 && list.nodes()[0].flags == 0, "a read node is not one unchanged node");
    FUZZ_CHECK(platform::RegKey::create(platform::RegRoot::CurrentUser, "Software\\Fuzz\\Out", out) == platform::kRegOk,
               "no key");
    list.markAllChanged();
    FUZZ_CHECK(SUCCEEDED(writeChangedProps(out, list)), "the list could not be written");
    std::vector<uint8_t> stored;
    platform::RegType type{};
    FUZZ_CHECK(out.queryValue(std::to_string(node.tag()), &type, &stored) == platform::kRegOk, "the written value is missing");
    FUZZ_CHECK(type == platform::REG_BINARY && stored.size() == size && std::memcmp(stored.data(), data, size) == 0,
               "the body did not store back to the same bytes");
    out.deleteValue(std::to_string(node.tag()));
    return 0;
}
