#include "expand.h"

#include <algorithm>
#include <vector>

#include "allocator.h"
#include "entry_id.h"
#include "pdx/memory.h"
#include "pdx/status.h"
#include "pdx/tags.h"
#include "prop_ops.h"
#include "row_reader.h"

namespace pdx::core {
namespace {

struct QueuedList {
    EntryId id;
    LONG recipientType;
};

// The columns each list's contents are read with; the placeholder becomes
// PR_RECIPIENT_TYPE.
struct {
    ULONG count;
    ULONG tags[5];
} constexpr kMemberColumns = {5, {PR_ENTRYID, PR_NULL, PR_DISPLAY_NAME, PR_ADDRTYPE, PR_OBJECT_TYPE}};
constexpr ULONG kPlaceholderColumn = 1;

const SPropValue* find(const SPropValue* values, ULONG count, ULONG tag) {
    const long i = findProp(values, count, tag);
    return i < 0 ? nullptr : &values[i];
}

class Expansion {
public:
    ~Expansion() {
        for (auto& e : collected_) PDXFreeBuffer(e.rgPropVals);
    }

    // Takes over the entry's property array (kept or freed). A list is queued.
    HRESULT take(SPropValue* values, ULONG count, LONG listRecipientType, bool member) {
        Buffer<SPropValue> owned(values);
        // The caller's entries must say what they are; a list's member
        // without an object type is no list, and is collected.
        const SPropValue* type = find(values, count, PR_OBJECT_TYPE);
        if (!type && !member) return MAPI_E_MISSING_REQUIRED_COLUMN;
        const SPropValue* id = find(values, count, PR_ENTRYID);
        if (!id) return MAPI_E_MISSING_REQUIRED_COLUMN;
        EntryId key = entryIdOf(id->Value.bin);
        if (type && type->Value.ul == MAPI_DISTLIST) {
            LONG recipientType = listRecipientType;
            if (!member) {
                const SPropValue* r = find(values, count, PR_RECIPIENT_TYPE);
                if (!r) return MAPI_E_MISSING_REQUIRED_COLUMN;
                recipientType = r->Value.l;
            }
            const bool queued = std::any_of(queue_.begin(), queue_.end(), [&](const QueuedList& q) { return q.id == key; });
            if (!queued) queue_.push_back({std::move(key), recipientType});
            return S_OK; // the list itself gives way to its members
        }
        const bool seen = std::any_of(ids_.begin(), ids_.end(), [&](const EntryId& have) { return have == key; });
        if (seen) return S_OK; // dropped; `owned` frees it
        ids_.push_back(std::move(key));
        collected_.push_back({0, count, owned.release()});
        return S_OK;
    }

    HRESULT expandQueue(IAddrBook& book) {
        for (size_t i = 0; i < queue_.size(); ++i) {
            // Copies: expanding may queue more lists.
            EntryId id = queue_[i].id;
            const LONG recipientType = queue_[i].recipientType;
            if (HRESULT h = expandOne(book, id, recipientType); FAILED(h)) return h;
        }
        return S_OK;
    }

    std::vector<ADRENTRY>& collected() { return collected_; }

private:
    HRESULT expandOne(IAddrBook& book, EntryId& id, LONG recipientType) {
        ULONG type = 0;
        object_ptr<IUnknown> opened;
        HRESULT h = book.OpenEntry(entrySize(id), entryPtr(id), nullptr, 0, &type, opened.out());
        if (FAILED(h)) return h;
        if (!opened) return MAPI_E_NOT_FOUND;
        object_ptr<IMAPITable> table;
        h = reinterpret_cast<IMAPIContainer*>(opened.get())->GetContentsTable(0, table.out());
        if (FAILED(h)) return h;
        if (!table) return MAPI_E_NOT_FOUND;
        return readRows(table.get(), reinterpret_cast<const SPropTagArray*>(&kMemberColumns), [&](SRow& row) {
            if (row.cValues > kPlaceholderColumn && row.lpProps[kPlaceholderColumn].ulPropTag == PR_NULL) {
                row.lpProps[kPlaceholderColumn].ulPropTag = PR_RECIPIENT_TYPE;
                row.lpProps[kPlaceholderColumn].Value.l = recipientType;
            }
            SPropValue* values = row.lpProps;
            row.lpProps = nullptr; // taken over
            return take(values, row.cValues, recipientType, true);
        });
    }

    std::vector<QueuedList> queue_;
    std::vector<EntryId> ids_;
    std::vector<ADRENTRY> collected_;
};

} // namespace

HRESULT expandDistLists(IAddrBook& book, ADRLIST** list) {
    ADRLIST* in = *list;
    Expansion expansion;
    HRESULT status = S_OK;
    for (ULONG i = 0; i < in->cEntries && SUCCEEDED(status); ++i) {
        ADRENTRY& entry = in->aEntries[i];
        SPropValue* values = entry.rgPropVals;
        entry.rgPropVals = nullptr; // taken over, whatever becomes of it
        status = expansion.take(values, values ? entry.cValues : 0, 0, false);
    }
    if (SUCCEEDED(status)) status = expansion.expandQueue(book);

    std::vector<ADRENTRY>& result = expansion.collected();
    const ULONG needed = ULONG(result.size());
    if (SUCCEEDED(status) && needed <= in->cEntries) {
        for (ULONG i = 0; i < in->cEntries; ++i) {
            if (in->aEntries[i].rgPropVals) PDXFreeBuffer(in->aEntries[i].rgPropVals);
            in->aEntries[i] = {};
        }
        std::copy(result.begin(), result.end(), in->aEntries);
        in->cEntries = needed;
        result.clear();
        return status;
    }
    ADRLIST* fresh = nullptr;
    HRESULT h = allocRoot(cbAdrList(needed), &fresh);
    if (FAILED(h)) return h; // the caller keeps its list; what was collected is freed
    PDXFreePadrlist(in);
    fresh->cEntries = needed;
    std::copy(result.begin(), result.end(), fresh->aEntries);
    result.clear();
    *list = fresh;
    return status;
}

} // namespace pdx::core
