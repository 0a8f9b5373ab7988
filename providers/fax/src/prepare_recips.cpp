// PrepareRecips of the logon: each recipient of this provider gets the
// requested properties first, read fresh from the store, then its own others.

#include <optional>
#include <vector>

#include "fax_tags.h"
#include "logon.h"
#include "fax_memory.h"
#include "pdx/guard.h"
#include "pdx/status.h"
#include "store_records.h"

namespace vqfax {
namespace {

bool prepared(ULONG kind) {
    switch (kind) {
    case 0x6: case 0x8: case 0x1006: case 0x1008: case 0x3006: case 0x3008: return true;
    default: return false;
    }
}

// A deep copy of a caller's value into memory chained to `parent`.
HRESULT copyValue(const SPropValue& from, SPropValue& to, void* parent) {
    PropValue v;
    if (HRESULT h = PropValue::make(from, v); FAILED(h)) return h;
    return v.copyOut(to, parent);
}

} // namespace

HRESULT Logon::prepareEntry(ADRENTRY& entry, const SPropTagArray& tags) {
    const SPropValue* idValue = nullptr;
    for (ULONG i = 0; i < entry.cValues && entry.rgPropVals; ++i)
        if (entry.rgPropVals[i].ulPropTag == PR_ENTRYID) {
            idValue = &entry.rgPropVals[i];
            break;
        }
    if (!idValue || !idValue->Value.bin.lpb) return MAPI_E_INVALID_ENTRYID;
    const auto* raw = reinterpret_cast<const ENTRYID*>(idValue->Value.bin.lpb);
    const ULONG kind = classify(idValue->Value.bin.cb, raw, uid_);
    if (!prepared(kind)) return S_OK;
    const EntryId id = EntryId::parse(idValue->Value.bin.lpb);

    PropList scratch;
    {
        OpenBook book(*binding_);
        if (FAILED(book.status())) return book.status();
        int32_t record = id.record;
        ULONG resolvedKind = id.kind;
        if (HRESULT h = resolveEntry(book, record, resolvedKind, ResolveMode::MustExist); FAILED(h)) return h;
        if (HRESULT h = loadFields(book, record, resolvedKind, id.parentRecord, id.parentKind, scratch); FAILED(h))
            return h;
    }

    const size_t slots = size_t(tags.cValues) + entry.cValues;
    Owned<SPropValue> fresh;
    if (HRESULT h = allocate(sizeof(SPropValue) * (slots ? slots : 1), fresh.out()); FAILED(h)) return h;
    std::vector<bool> taken(entry.cValues, false);
    ULONG filled = 0;
    for (ULONG t = 0; t < tags.cValues; ++t) {
        const ULONG tag = tags.aulPropTag[t];
        SPropValue& slot = fresh[filled++];
        std::optional<ULONG> own;
        for (ULONG i = 0; i < entry.cValues; ++i)
            if (!taken[i] && entry.rgPropVals[i].ulPropTag == tag) {
                own = i;
                break;
            }
        PropValue stored;
        if (scratch.take(tag, stored)) {
            if (FAILED(stored.copyOut(slot, fresh.get()))) slot = missingValue(tag, E_OUTOFMEMORY);
        } else if (own) {
            if (HRESULT h = copyValue(entry.rgPropVals[*own], slot, fresh.get()); FAILED(h)) return h;
        } else {
            slot = missingValue(tag, MAPI_E_NOT_FOUND);
        }
        if (own) taken[*own] = true;
    }
    for (ULONG i = 0; i < entry.cValues; ++i) {
        if (taken[i]) continue;
        if (HRESULT h = copyValue(entry.rgPropVals[i], fresh[filled], fresh.get()); FAILED(h)) return h;
        ++filled;
    }
    freeBuffer(entry.rgPropVals);
    entry.rgPropVals = fresh.release();
    entry.cValues = filled;
    return S_OK;
}

HRESULT Logon::PrepareRecips(ULONG, const SPropTagArray* tags, ADRLIST* list) {
    return guarded([&]() -> HRESULT {
        if (!tags) return S_OK;
        if (!list || !readableIn(list, cbAdrList(0)) || !readableIn(list, cbAdrList(list->cEntries)))
            return E_INVALIDARG;
        HRESULT result = S_OK;
        for (ULONG i = 0; i < list->cEntries; ++i)
            if (HRESULT h = prepareEntry(list->aEntries[i], *tags); FAILED(h)) result = h;
        return result;
    });
}

} // namespace vqfax
