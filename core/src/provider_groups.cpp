// Requests that name entries of several providers at once: each provider gets
// the entries it issued, as one request of its own.

#include <vector>

#include "address_book.h"
#include "allocator.h"
#include "checks.h"
#include "pdx/status.h"
#include "pdx/tags.h"
#include "prop_node.h"
#include "prop_ops.h"

namespace pdx::core {
namespace {

// Every entry's property array can be read.
bool readableEntries(const ADRLIST& list) {
    for (ULONG i = 0; i < list.cEntries; ++i) {
        const ADRENTRY& e = list.aEntries[i];
        if (e.cValues && !readable(e.rgPropVals, sizeof(SPropValue) * size_t(e.cValues))) return false;
    }
    return true;
}

// Provider index of an address entry, or -1 when it has no routable PR_ENTRYID.
long entryProvider(ProviderList& providers, const ADRENTRY& entry) {
    if (!entry.rgPropVals) return -1;
    const long i = findProp(entry.rgPropVals, entry.cValues, PR_ENTRYID);
    if (i < 0) return -1;
    const SBinary& id = entry.rgPropVals[i].Value.bin;
    if (id.cb < 20 || !readable(id.lpb, id.cb)) return -1;
    return providers.routeIndex(id.cb, reinterpret_cast<const ENTRYID*>(id.lpb));
}

HRESULT deepCopy(const SPropValue& value, SPropValue& out, void* parent) {
    PropNode node;
    if (HRESULT h = makeNode(value, node); FAILED(h)) return h;
    return copyNodeOut(node, out, parent);
}

// The entry's properties with the requested tags first (missing ones as
// PT_ERROR values), then the rest in their previous order.
HRESULT prepareOwn(const SPropTagArray* tags, ADRENTRY& entry) {
    const ULONG requested = tags ? tags->cValues : 0;
    std::vector<const SPropValue*> rest;
    for (ULONG i = 0; i < entry.cValues; ++i)
        if (!tagArrayContains(tags, entry.rgPropVals[i].ulPropTag)) rest.push_back(&entry.rgPropVals[i]);
    const ULONG total = requested + ULONG(rest.size());
    Buffer<SPropValue> values;
    if (HRESULT h = allocRoot(sizeof(SPropValue) * std::max<ULONG>(total, 1), values.out()); FAILED(h)) return h;
    for (ULONG i = 0; i < requested; ++i) {
        const ULONG tag = tags->aulPropTag[i];
        const long at = findProp(entry.rgPropVals, entry.cValues, tag);
        if (at < 0) {
            values[i] = missingColumn(tag);
        } else if (HRESULT h = deepCopy(entry.rgPropVals[at], values[i], values.get()); FAILED(h)) {
            return h;
        }
    }
    for (size_t i = 0; i < rest.size(); ++i)
        if (HRESULT h = deepCopy(*rest[i], values[requested + i], values.get()); FAILED(h)) return h;
    if (entry.rgPropVals) PDXFreeBuffer(entry.rgPropVals);
    entry.rgPropVals = values.release();
    entry.cValues = total;
    return S_OK;
}

// One provider's share of the list, as an address list of its own.
HRESULT prepareGroup(IAddrBook& provider, ULONG flags, const SPropTagArray* tags, std::vector<ADRENTRY>& group) {
    Buffer<ADRLIST> list;
    if (HRESULT h = allocRoot(cbAdrList(ULONG(group.size())), list.out()); FAILED(h)) return h;
    list->cEntries = ULONG(group.size());
    std::copy(group.begin(), group.end(), list->aEntries);
    HRESULT h = provider.PrepareRecips(flags, tags, list.get());
    // The entries come back whatever the outcome, so nothing is lost or freed twice.
    std::copy(list->aEntries, list->aEntries + group.size(), group.begin());
    return h;
}

} // namespace

HRESULT AddressBook::PrepareRecips(ULONG flags, const SPropTagArray* tags, ADRLIST* list) {
    return inSession([&]() -> HRESULT {
        if (flags || !list || !readable(list, sizeof(ULONG)) || !readable(list, cbAdrList(list->cEntries)))
            return E_INVALIDARG;
        if (tags && (!readable(tags, sizeof(ULONG)) || !readable(tags, cbTagArray(tags->cValues))))
            return E_INVALIDARG;
        if (!readableEntries(*list)) return E_INVALIDARG;
        const std::vector<object_ptr<IAddrBook>> providers = providers_->providers();
        std::vector<std::vector<ADRENTRY>> groups(providers.size() + 1);
        for (ULONG i = 0; i < list->cEntries; ++i) {
            const long p = entryProvider(*providers_.get(), list->aEntries[i]);
            groups[p < 0 || size_t(p) >= providers.size() ? providers.size() : size_t(p)].push_back(list->aEntries[i]);
        }
        HRESULT status = S_OK;
        for (size_t g = 0; g < providers.size(); ++g) {
            if (groups[g].empty() || FAILED(status)) continue;
            status = prepareGroup(*providers[g].get(), flags, tags, groups[g]);
        }
        for (ADRENTRY& entry : groups.back()) {
            if (FAILED(status)) break;
            status = prepareOwn(tags, entry);
        }
        ADRENTRY* out = list->aEntries;
        for (const auto& group : groups)
            for (const ADRENTRY& entry : group) *out++ = entry;
        return status;
    });
}

HRESULT AddressBook::deleteEntries(const ENTRYLIST& entries) {
    return inSession([&]() -> HRESULT {
        const std::vector<object_ptr<IAddrBook>> providers = providers_->providers();
        std::vector<std::vector<SBinary>> groups(providers.size());
        for (ULONG i = 0; i < entries.cValues; ++i) {
            const SBinary& id = entries.lpbin[i];
            if (id.cb < 20 || !readable(id.lpb, id.cb)) continue;
            const long p = providers_->routeIndex(id.cb, reinterpret_cast<const ENTRYID*>(id.lpb));
            if (p >= 0 && size_t(p) < providers.size()) groups[size_t(p)].push_back(id);
        }
        for (size_t g = 0; g < providers.size(); ++g) {
            if (groups[g].empty()) continue;
            // The group goes to the provider's own root container; what fails there is its own business.
            SPropTagArray tag{1, {PR_ENTRYID}};
            ULONG n = 0;
            Buffer<SPropValue> root;
            if (FAILED(providers[g]->GetProps(&tag, 0, &n, root.out())) || n != 1 || !root ||
                root[0].ulPropTag != PR_ENTRYID)
                continue;
            ULONG type = 0;
            object_ptr<IUnknown> opened;
            if (FAILED(providers[g]->OpenEntry(root[0].Value.bin.cb, reinterpret_cast<ENTRYID*>(root[0].Value.bin.lpb),
                                               nullptr, 0, &type, opened.out())) ||
                !opened)
                continue;
            ENTRYLIST group{ULONG(groups[g].size()), groups[g].data()};
            reinterpret_cast<IABContainer*>(opened.get())->DeleteEntries(&group, 0);
        }
        return S_OK;
    });
}

} // namespace pdx::core
