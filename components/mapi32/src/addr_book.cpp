// The session's address book: the root and the services' containers, their
// entries by identifier, the default directory and the search path, and
// PrepareRecips. It creates nothing and shows no dialogs.

#include <algorithm>
#include <atomic>
#include <cstring>

#include "entry_ids.h"
#include "memory.h"
#include "objects.h"
#include "pdx/guard.h"
#include "pdx/mapi.h"
#include "pdx/status.h"
#include "pdx/tags.h"
#include "pdx_common/prop_answers.h"
#include "pdx_common/prop_copy.h"

namespace mapi32 {

using namespace pdx;

namespace {

std::string_view idView(ULONG cb, const ENTRYID* id) {
    return id ? std::string_view(reinterpret_cast<const char*>(id), cb) : std::string_view();
}

// The entry's values with the requested tags first (a missing one as
// PT_ERROR MAPI_E_NOT_FOUND), then its other values in their order.
HRESULT prepared(const common::PropArray& entry, const SPropTagArray* tags, const ADRENTRY& given,
                 SPropValue** out, ULONG* count) {
    std::vector<const SPropValue*> order;
    std::vector<SPropValue> missing;
    const ULONG wanted = tags ? tags->cValues : 0;
    missing.resize(wanted + given.cValues + entry.size());
    auto known = [&](ULONG tag) -> const SPropValue* {
        if (const SPropValue* v = entry.find(tag)) return v;
        return common::findProp(given.rgPropVals, given.cValues, tag);
    };
    std::vector<ULONG> placed;
    for (ULONG i = 0; i < wanted; ++i) {
        const ULONG tag = tags->aulPropTag[i];
        const SPropValue* v = known(tag);
        if (!v) {
            missing[order.size()].ulPropTag = CHANGE_PROP_TYPE(tag, PT_ERROR);
            missing[order.size()].Value.err = MAPI_E_NOT_FOUND;
        }
        order.push_back(v);
        placed.push_back(PROP_ID(tag));
    }
    auto notPlaced = [&](ULONG tag) { return std::find(placed.begin(), placed.end(), PROP_ID(tag)) == placed.end(); };
    // What the caller already had, then what the directory adds.
    for (ULONG i = 0; i < given.cValues; ++i)
        if (notPlaced(given.rgPropVals[i].ulPropTag) && PROP_TYPE(given.rgPropVals[i].ulPropTag) != PT_ERROR) {
            order.push_back(&given.rgPropVals[i]);
            placed.push_back(PROP_ID(given.rgPropVals[i].ulPropTag));
        }
    for (ULONG i = 0; i < entry.size(); ++i)
        if (notPlaced(entry.data()[i].ulPropTag)) {
            order.push_back(&entry.data()[i]);
            placed.push_back(PROP_ID(entry.data()[i].ulPropTag));
        }
    HRESULT h = common::copyPropPointers(order.data(), missing.data(), ULONG(order.size()), mapiDomain(), out);
    if (SUCCEEDED(h)) *count = ULONG(order.size());
    return h;
}

class AddrBook final : public IAddrBook {
public:
    explicit AddrBook(std::shared_ptr<BookState> book) : book_(std::move(book)) {}

    HRESULT QueryInterface(LPCIID iid, void** out) override {
        if (!out) return E_INVALIDARG;
        *out = nullptr;
        if (!isIid(iid, IID_IUnknown) && !isIid(iid, IID_IMAPIProp) && !isIid(iid, IID_IAddrBook)) return E_NOINTERFACE;
        AddRef();
        *out = static_cast<IAddrBook*>(this);
        return S_OK;
    }
    ULONG AddRef() override { return ++refs_; }
    ULONG Release() override {
        const ULONG left = --refs_;
        if (!left) delete this;
        return left;
    }

    // The address book itself has no properties to speak of.
    HRESULT GetLastError(HRESULT, ULONG, MAPIERROR**) override { return MAPI_E_NO_SUPPORT; }
    HRESULT SaveChanges(ULONG) override { return MAPI_E_NO_SUPPORT; }
    HRESULT GetProps(const SPropTagArray*, ULONG, ULONG*, SPropValue**) override { return MAPI_E_NO_SUPPORT; }
    HRESULT GetPropList(ULONG, SPropTagArray**) override { return MAPI_E_NO_SUPPORT; }
    HRESULT OpenProperty(ULONG, LPCIID, ULONG, ULONG, IUnknown**) override { return MAPI_E_NO_SUPPORT; }
    HRESULT SetProps(ULONG, const SPropValue*, SPropProblemArray**) override { return MAPI_E_NO_SUPPORT; }
    HRESULT DeleteProps(const SPropTagArray*, SPropProblemArray**) override { return MAPI_E_NO_SUPPORT; }
    HRESULT CopyTo(ULONG, LPCIID, const SPropTagArray*, ULONG_PTR, IMAPIProgress*, LPCIID, void*, ULONG,
                   SPropProblemArray**) override {
        return MAPI_E_NO_SUPPORT;
    }
    HRESULT CopyProps(const SPropTagArray*, ULONG_PTR, IMAPIProgress*, LPCIID, void*, ULONG,
                      SPropProblemArray**) override {
        return MAPI_E_NO_SUPPORT;
    }
    HRESULT GetNamesFromIDs(SPropTagArray**, GUID*, ULONG, ULONG*, MAPINAMEID***) override { return MAPI_E_NO_SUPPORT; }
    HRESULT GetIDsFromNames(ULONG, MAPINAMEID**, ULONG, SPropTagArray**) override { return MAPI_E_NO_SUPPORT; }

    HRESULT OpenEntry(ULONG cb, ENTRYID* id, LPCIID, ULONG, ULONG* type, IUnknown** out) override {
        if (!type || !out || (cb && !id)) return E_INVALIDARG;
        return guarded([&] { return book_->open(idView(cb, id), type, out); });
    }
    HRESULT CompareEntryIDs(ULONG cb1, ENTRYID* id1, ULONG cb2, ENTRYID* id2, ULONG flags, ULONG* result) override {
        if (!result || (cb1 && !id1) || (cb2 && !id2)) return E_INVALIDARG;
        if (flags & MAPI_UNICODE) return MAPI_E_BAD_CHARWIDTH;
        const std::string_view a = idView(cb1, id1), b = idView(cb2, id2);
        auto ours = [&](std::string_view id) { return id == rootId() || book_->directoryOf(id) != nullptr; };
        if (!ours(a) || !ours(b)) return MAPI_E_UNKNOWN_ENTRYID;
        *result = a == b ? 1 : 0;
        return S_OK;
    }
    HRESULT Advise(ULONG, ENTRYID*, ULONG, IMAPIAdviseSink*, ULONG_PTR*) override { return MAPI_E_NO_SUPPORT; }
    HRESULT Unadvise(ULONG_PTR) override { return MAPI_E_NO_SUPPORT; }
    HRESULT CreateOneOff(char*, char*, char*, ULONG, ULONG*, ENTRYID**) override { return MAPI_E_NO_SUPPORT; }
    // Every container is read-only: nothing to create entries in.
    HRESULT NewEntry(ULONG_PTR, ULONG, ULONG, ENTRYID*, ULONG, ENTRYID*, ULONG*, ENTRYID**) override {
        return E_ACCESSDENIED;
    }
    HRESULT ResolveName(ULONG_PTR, ULONG, char*, ADRLIST*) override { return MAPI_E_NO_SUPPORT; }
    HRESULT Address(ULONG_PTR*, ADRPARM*, ADRLIST**) override { return MAPI_E_NO_SUPPORT; }
    HRESULT Details(ULONG_PTR*, DismissFn, void*, ULONG, ENTRYID*, ButtonFn, void*, char*, ULONG) override {
        return MAPI_E_NO_SUPPORT;
    }
    HRESULT RecipOptions(ULONG_PTR, ULONG, ADRENTRY*) override { return MAPI_E_NO_SUPPORT; }
    HRESULT QueryDefaultRecipOpt(char*, ULONG, ULONG*, SPropValue**) override { return MAPI_E_NO_SUPPORT; }
    HRESULT GetPAB(ULONG* cb, ENTRYID** id) override {
        if (!cb || !id) return E_INVALIDARG;
        *cb = 0;
        *id = nullptr;
        return MAPI_E_NOT_FOUND; // no container takes new entries
    }
    HRESULT SetPAB(ULONG, ENTRYID*) override { return E_ACCESSDENIED; }
    HRESULT GetDefaultDir(ULONG* cb, ENTRYID** id) override {
        return guarded([&] {
            const std::string dir = book_->defaultDir();
            if (dir.empty()) return MAPI_E_NOT_FOUND;
            return common::answerEntryId(dir, mapiDomain(), cb, id);
        });
    }
    HRESULT SetDefaultDir(ULONG cb, ENTRYID* id) override {
        if (!cb || !id) return E_INVALIDARG;
        return guarded([&] { return book_->setDefaultDir(idView(cb, id)); });
    }
    HRESULT GetSearchPath(ULONG, SRowSet** path) override {
        if (!path) return E_INVALIDARG;
        *path = nullptr;
        return guarded([&] {
            std::vector<TableRow> rows;
            for (const std::string& id : book_->searchPath()) {
                auto row = std::make_shared<common::PropArray>();
                row->setBinary(PR_ENTRYID, id.data(), ULONG(id.size()));
                rows.push_back(row);
            }
            return rowSet(rows, path);
        });
    }
    HRESULT SetSearchPath(ULONG, SRowSet* path) override {
        if (!path) return E_INVALIDARG;
        return guarded([&] {
            std::vector<std::string> ids;
            for (ULONG i = 0; i < path->cRows; ++i) {
                const SPropValue* v = common::findProp(path->aRow[i].lpProps, path->aRow[i].cValues, PR_ENTRYID);
                if (!v) return E_INVALIDARG;
                ids.emplace_back(reinterpret_cast<const char*>(v->Value.bin.lpb), v->Value.bin.cb);
            }
            return book_->setSearchPath(std::move(ids));
        });
    }
    HRESULT PrepareRecips(ULONG flags, const SPropTagArray* tags, ADRLIST* list) override {
        if (!list) return E_INVALIDARG;
        if (flags & MAPI_UNICODE) return MAPI_E_BAD_CHARWIDTH;
        return guarded([&]() -> HRESULT {
            for (ULONG i = 0; i < list->cEntries; ++i) {
                ADRENTRY& e = list->aEntries[i];
                const SPropValue* idValue = common::findProp(e.rgPropVals, e.cValues, PR_ENTRYID);
                if (!idValue) continue;
                const std::string id(reinterpret_cast<const char*>(idValue->Value.bin.lpb), idValue->Value.bin.cb);
                const auto directory = book_->directoryOf(id);
                if (!directory) return MAPI_E_UNKNOWN_ENTRYID;
                TableRow entry;
                if (HRESULT h = directory->entry(id, entry); FAILED(h)) return h;
                SPropValue* values = nullptr;
                ULONG count = 0;
                if (HRESULT h = prepared(*entry, tags, e, &values, &count); FAILED(h)) return h;
                mapiDomain().free(e.rgPropVals);
                e.rgPropVals = values;
                e.cValues = count;
            }
            return S_OK;
        });
    }

private:
    ~AddrBook() = default;

    static HRESULT rowSet(const std::vector<TableRow>& rows, SRowSet** out) {
        void* p = nullptr;
        if (HRESULT h = mapiDomain().allocate(ULONG(cbRowSet(ULONG(rows.size()))), &p); FAILED(h)) return h;
        auto* set = static_cast<SRowSet*>(p);
        std::memset(set, 0, cbRowSet(ULONG(rows.size())));
        for (const TableRow& row : rows) {
            SRow& r = set->aRow[set->cRows];
            if (HRESULT h = common::copyProps(row->data(), row->size(), mapiDomain(), &r.lpProps); FAILED(h)) {
                common::freeRowSet(set, mapiDomain());
                return h;
            }
            r.cValues = row->size();
            ++set->cRows;
        }
        *out = set;
        return S_OK;
    }

    std::atomic<ULONG> refs_{1};
    std::shared_ptr<BookState> book_;
};

} // namespace

IAddrBook* newAddrBook(std::shared_ptr<BookState> book) { return new AddrBook(std::move(book)); }

} // namespace mapi32
