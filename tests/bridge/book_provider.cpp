// A provider module for the bridge tests: an address book described by a
// small text file, with containers, mail users and distribution lists whose
// properties the file gives tag by tag.
//
//   [root]                      the provider's own container
//   3001001E=Test Book
//   [container:sales]           a sub-container ("parent=" names its parent, default root)
//   3001001E=Sales
//   [mailuser:ann]              "in=" names its container (default root)
//   in=sales
//   3001001E=Ann Lee
//   3A16000A=8004010F           an error value
//   800F101E=SMTP:a@b|X400:c    a multi-valued text
//   row:3A16000A=8004010F       only in the rows of the contents table
//   [distlist:team]
//   members=ann,bob
//
// The file is named by the service's profile section (PR_FAX_AB_FILE_PATH),
// which the service entry fills from PDXBOOK_FILE when the service is made.

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "pdx/pdx.h"

using namespace pdx;

#define BOOK_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

struct Prop {
    ULONG tag = 0;
    std::string text;
    std::vector<std::string> texts;
    std::vector<BYTE> bin;
    LONG number = 0;
};

enum class Kind { Container, MailUser, DistList };

struct Entry {
    Kind kind = Kind::MailUser;
    std::string key;
    int parent = -1; // container of an entry, parent of a container
    std::vector<Prop> props;
    std::vector<Prop> rowProps; // replace props of the same identifier in contents rows
    std::vector<std::string> memberKeys;
    std::vector<int> members;
};

struct Allocator {
    AllocateBufferFn allocate = nullptr;
    AllocateMoreFn more = nullptr;
    FreeBufferFn free = nullptr;
};

struct Book {
    MAPIUID uid{};
    std::vector<Entry> entries; // entry 0 is the root container
    Allocator mem;

    std::vector<BYTE> entryId(int index) const {
        std::vector<BYTE> id(24, 0);
        std::memcpy(id.data() + 4, uid.ab, 16);
        const uint32_t i = uint32_t(index);
        std::memcpy(id.data() + 20, &i, 4);
        return id;
    }
    int indexOf(ULONG cb, const ENTRYID* id) const {
        if (!id || cb != 24 || std::memcmp(reinterpret_cast<const BYTE*>(id) + 4, uid.ab, 16) != 0) return -1;
        uint32_t i = 0;
        std::memcpy(&i, reinterpret_cast<const BYTE*>(id) + 20, 4);
        return i < entries.size() ? int(i) : -1;
    }
    // Every property of an entry, with its identifier and object type.
    std::vector<Prop> propsOf(int index, int depth = -1) const {
        const Entry& e = entries[size_t(index)];
        std::vector<Prop> props = e.props;
        Prop id;
        id.tag = PR_ENTRYID;
        id.bin = entryId(index);
        props.push_back(id);
        Prop type;
        type.tag = PR_OBJECT_TYPE;
        type.number = e.kind == Kind::Container ? MAPI_ABCONT : e.kind == Kind::DistList ? MAPI_DISTLIST : MAPI_MAILUSER;
        props.push_back(type);
        if (e.kind == Kind::Container) {
            Prop flags;
            flags.tag = PR_CONTAINER_FLAGS;
            flags.number = AB_RECIPIENTS | AB_SUBCONTAINERS;
            props.push_back(flags);
            if (depth >= 0) {
                Prop d;
                d.tag = PR_DEPTH;
                d.number = depth;
                props.push_back(d);
            }
        }
        return props;
    }
    // The entry as a contents table shows it.
    std::vector<Prop> rowOf(int index) const {
        std::vector<Prop> props = propsOf(index);
        for (const Prop& r : entries[size_t(index)].rowProps) {
            bool replaced = false;
            for (Prop& p : props)
                if (PROP_ID(p.tag) == PROP_ID(r.tag)) {
                    p = r;
                    replaced = true;
                }
            if (!replaced) props.push_back(r);
        }
        return props;
    }
};

const Prop* findProp(const std::vector<Prop>& props, ULONG tag) {
    for (const Prop& p : props)
        if (PROP_ID(p.tag) == PROP_ID(tag)) return &p;
    return nullptr;
}

HRESULT copyText(const Allocator& mem, void* parent, const std::string& text, char** out) {
    HRESULT h = mem.more(ULONG(text.size() + 1), parent, reinterpret_cast<void**>(out));
    if (SUCCEEDED(h)) std::memcpy(*out, text.c_str(), text.size() + 1);
    return h;
}

// One value out, its data chained to `parent`; `want` is the requested tag (0: as stored).
HRESULT valueOut(const Allocator& mem, void* parent, const Prop* p, ULONG want, SPropValue& out) {
    out = {};
    if (want && PROP_TYPE(want) == PT_NULL) {
        out.ulPropTag = want;
        return S_OK;
    }
    if (!p || (want && PROP_TYPE(want) != PT_UNSPECIFIED && PROP_TYPE(p->tag) != PT_ERROR &&
               PROP_TYPE(want) != PROP_TYPE(p->tag))) {
        out.ulPropTag = PROP_TAG(PT_ERROR, PROP_ID(want));
        out.Value.err = MAPI_E_NOT_FOUND;
        return S_OK;
    }
    out.ulPropTag = p->tag;
    switch (PROP_TYPE(p->tag)) {
    case PT_STRING8: return copyText(mem, parent, p->text, &out.Value.lpszA);
    case PT_LONG: out.Value.l = p->number; return S_OK;
    case PT_ERROR: out.Value.err = p->number; return S_OK;
    case PT_BINARY: {
        out.Value.bin.cb = ULONG(p->bin.size());
        HRESULT h = mem.more(ULONG(p->bin.size() + 1), parent, reinterpret_cast<void**>(&out.Value.bin.lpb));
        if (SUCCEEDED(h) && !p->bin.empty()) std::memcpy(out.Value.bin.lpb, p->bin.data(), p->bin.size());
        return h;
    }
    case PT_MV_STRING8: {
        out.Value.MVszA.cValues = ULONG(p->texts.size());
        HRESULT h = mem.more(ULONG(sizeof(char*) * (p->texts.size() + 1)), parent,
                             reinterpret_cast<void**>(&out.Value.MVszA.lppszA));
        for (size_t i = 0; i < p->texts.size() && SUCCEEDED(h); ++i)
            h = copyText(mem, parent, p->texts[i], &out.Value.MVszA.lppszA[i]);
        return h;
    }
    default: return MAPI_E_BAD_VALUE;
    }
}

// Values for the tags (all properties without tags) as one root buffer.
HRESULT valuesOut(const Allocator& mem, const std::vector<Prop>& props, const SPropTagArray* tags, ULONG* count,
                  SPropValue** out) {
    const ULONG n = tags ? tags->cValues : ULONG(props.size());
    SPropValue* values = nullptr;
    HRESULT h = mem.allocate(ULONG(sizeof(SPropValue) * (n ? n : 1)), reinterpret_cast<void**>(&values));
    if (FAILED(h)) return h;
    for (ULONG i = 0; i < n && SUCCEEDED(h); ++i)
        h = tags ? valueOut(mem, values, findProp(props, tags->aulPropTag[i]), tags->aulPropTag[i], values[i])
                 : valueOut(mem, values, &props[i], 0, values[i]);
    if (FAILED(h)) {
        mem.free(values);
        return h;
    }
    *count = n;
    *out = values;
    return S_OK;
}

template <class Base>
class Counted : public Base {
public:
    ULONG AddRef() override { return ++refs_; }
    ULONG Release() override {
        const ULONG left = --refs_;
        if (!left) delete this;
        return left;
    }

protected:
    virtual ~Counted() = default;
    std::atomic<ULONG> refs_{1};
};

class Table final : public Counted<IMAPITable> {
public:
    Table(std::shared_ptr<Book> book, std::vector<std::vector<Prop>> rows) : book_(std::move(book)), rows_(std::move(rows)) {}
    HRESULT QueryInterface(LPCIID iid, void** out) override {
        if (!isIid(iid, IID_IUnknown) && !isIid(iid, IID_IMAPITable)) return E_NOINTERFACE;
        AddRef();
        *out = this;
        return S_OK;
    }
    HRESULT GetLastError(HRESULT, ULONG, MAPIERROR**) override { return MAPI_E_NO_SUPPORT; }
    HRESULT Advise(ULONG, IMAPIAdviseSink*, ULONG_PTR*) override { return MAPI_E_NO_SUPPORT; }
    HRESULT Unadvise(ULONG_PTR) override { return MAPI_E_NO_SUPPORT; }
    HRESULT GetStatus(ULONG* s, ULONG* t) override {
        *s = *t = 0;
        return S_OK;
    }
    HRESULT SetColumns(const SPropTagArray* columns, ULONG) override {
        if (!columns || !columns->cValues) return E_INVALIDARG;
        columns_.assign(columns->aulPropTag, columns->aulPropTag + columns->cValues);
        return S_OK;
    }
    HRESULT QueryColumns(ULONG, SPropTagArray**) override { return MAPI_E_NO_SUPPORT; }
    HRESULT GetRowCount(ULONG, ULONG* count) override {
        *count = ULONG(rows_.size());
        return S_OK;
    }
    HRESULT SeekRow(BOOKMARK origin, LONG n, LONG* sought) override {
        if (origin != BOOKMARK_BEGINNING) return MAPI_E_NO_SUPPORT;
        cursor_ = std::min<size_t>(size_t(std::max<LONG>(n, 0)), rows_.size());
        if (sought) *sought = LONG(cursor_);
        return S_OK;
    }
    HRESULT SeekRowApprox(ULONG, ULONG) override { return MAPI_E_NO_SUPPORT; }
    HRESULT QueryPosition(ULONG*, ULONG*, ULONG*) override { return MAPI_E_NO_SUPPORT; }
    HRESULT FindRow(SRestriction*, BOOKMARK, ULONG) override { return MAPI_E_NO_SUPPORT; }
    HRESULT Restrict(SRestriction*, ULONG) override { return MAPI_E_NO_SUPPORT; }
    HRESULT CreateBookmark(BOOKMARK*) override { return MAPI_E_NO_SUPPORT; }
    HRESULT FreeBookmark(BOOKMARK) override { return MAPI_E_NO_SUPPORT; }
    HRESULT SortTable(SSortOrderSet*, ULONG) override { return MAPI_E_NO_SUPPORT; }
    HRESULT QuerySortOrder(SSortOrderSet**) override { return MAPI_E_NO_SUPPORT; }
    HRESULT QueryRows(LONG n, ULONG, SRowSet** out) override {
        if (n <= 0) return E_INVALIDARG;
        const size_t count = std::min(size_t(n), rows_.size() - cursor_);
        SRowSet* set = nullptr;
        HRESULT h = book_->mem.allocate(ULONG(cbRowSet(ULONG(count))), reinterpret_cast<void**>(&set));
        if (FAILED(h)) return h;
        set->cRows = 0;
        for (size_t i = 0; i < count; ++i) {
            SRow& row = set->aRow[i];
            row = {};
            h = valuesOut(book_->mem, rows_[cursor_ + i], columns_.empty() ? nullptr : tags().get(), &row.cValues,
                          &row.lpProps);
            if (FAILED(h)) break;
            set->cRows = ULONG(i + 1);
        }
        if (FAILED(h)) {
            for (ULONG i = 0; i < set->cRows; ++i) book_->mem.free(set->aRow[i].lpProps);
            book_->mem.free(set);
            return h;
        }
        cursor_ += count;
        *out = set;
        return S_OK;
    }
    HRESULT Abort() override { return S_OK; }
    HRESULT ExpandRow(BOOKMARK, ULONG, ULONG, SRowSet**, ULONG*) override { return MAPI_E_NO_SUPPORT; }
    HRESULT CollapseRow(BOOKMARK, ULONG, ULONG*) override { return MAPI_E_NO_SUPPORT; }
    HRESULT WaitForCompletion(ULONG, ULONG, ULONG*) override { return MAPI_E_NO_SUPPORT; }
    HRESULT GetCollapseState(ULONG, ULONG, BYTE*, ULONG*, BYTE**) override { return MAPI_E_NO_SUPPORT; }
    HRESULT SetCollapseState(ULONG, ULONG, BYTE*, BOOKMARK*) override { return MAPI_E_NO_SUPPORT; }

private:
    std::vector<ULONG> tagStore() const {
        std::vector<ULONG> t{ULONG(columns_.size())};
        t.insert(t.end(), columns_.begin(), columns_.end());
        return t;
    }
    struct Tags {
        std::vector<ULONG> words;
        const SPropTagArray* get() const { return reinterpret_cast<const SPropTagArray*>(words.data()); }
    };
    Tags tags() const { return Tags{tagStore()}; }

    std::shared_ptr<Book> book_;
    std::vector<std::vector<Prop>> rows_;
    std::vector<ULONG> columns_;
    size_t cursor_ = 0;
};

HRESULT openEntry(const std::shared_ptr<Book>& book, ULONG cb, ENTRYID* id, ULONG* type, IUnknown** out);

// IUnknown and IMAPIProp over one entry of the book.
template <class Base>
class PropEntry : public Counted<Base> {
public:
    PropEntry(std::shared_ptr<Book> book, int index, std::initializer_list<IID> iids)
        : book_(std::move(book)), index_(index), iids_(iids) {}
    HRESULT QueryInterface(LPCIID iid, void** out) override {
        if (!out) return E_INVALIDARG;
        for (const IID& known : iids_)
            if (isIid(iid, known)) {
                this->AddRef();
                *out = this;
                return S_OK;
            }
        return E_NOINTERFACE;
    }
    HRESULT GetLastError(HRESULT, ULONG, MAPIERROR**) override { return MAPI_E_NO_SUPPORT; }
    HRESULT SaveChanges(ULONG) override { return MAPI_E_NO_SUPPORT; }
    HRESULT GetProps(const SPropTagArray* tags, ULONG, ULONG* count, SPropValue** values) override {
        return valuesOut(book_->mem, book_->propsOf(index_), tags, count, values);
    }
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

protected:
    std::shared_ptr<Book> book_;
    int index_;
    std::vector<IID> iids_;
};

class MailUser final : public PropEntry<IMailUser> {
public:
    MailUser(std::shared_ptr<Book> book, int index)
        : PropEntry(std::move(book), index, {IID_IUnknown, IID_IMAPIProp, IID_IMailUser}) {}
};

template <class Base>
class ContainerEntry : public PropEntry<Base> {
public:
    using PropEntry<Base>::PropEntry;
    HRESULT GetContentsTable(ULONG, IMAPITable** out) override {
        const Book& b = *this->book_;
        std::vector<std::vector<Prop>> rows;
        const Entry& self = b.entries[size_t(this->index_)];
        if (self.kind == Kind::DistList) {
            for (int m : self.members) rows.push_back(b.rowOf(m));
        } else {
            for (size_t i = 0; i < b.entries.size(); ++i)
                if (b.entries[i].kind != Kind::Container && b.entries[i].parent == this->index_)
                    rows.push_back(b.rowOf(int(i)));
        }
        *out = new Table(this->book_, std::move(rows));
        return S_OK;
    }
    HRESULT GetHierarchyTable(ULONG flags, IMAPITable** out) override {
        std::vector<std::vector<Prop>> rows;
        addChildren(this->index_, 0, flags & CONVENIENT_DEPTH, rows);
        *out = new Table(this->book_, std::move(rows));
        return S_OK;
    }
    HRESULT OpenEntry(ULONG cb, ENTRYID* id, LPCIID, ULONG, ULONG* type, IUnknown** out) override {
        return openEntry(this->book_, cb, id, type, out);
    }
    HRESULT SetSearchCriteria(SRestriction*, ENTRYLIST*, ULONG) override { return MAPI_E_NO_SUPPORT; }
    HRESULT GetSearchCriteria(ULONG, SRestriction**, ENTRYLIST**, ULONG*) override { return MAPI_E_NO_SUPPORT; }
    HRESULT CreateEntry(ULONG, ENTRYID*, ULONG, IMAPIProp**) override { return MAPI_E_NO_SUPPORT; }
    HRESULT CopyEntries(ENTRYLIST*, ULONG_PTR, IMAPIProgress*, ULONG) override { return MAPI_E_NO_SUPPORT; }
    HRESULT DeleteEntries(ENTRYLIST*, ULONG) override { return MAPI_E_NO_SUPPORT; }
    HRESULT ResolveNames(const SPropTagArray*, ULONG, ADRLIST*, SFlagList*) override { return MAPI_E_NO_SUPPORT; }

private:
    void addChildren(int parent, int depth, bool deep, std::vector<std::vector<Prop>>& rows) const {
        const Book& b = *this->book_;
        for (size_t i = 0; i < b.entries.size(); ++i) {
            if (b.entries[i].kind != Kind::Container || b.entries[i].parent != parent || int(i) == parent) continue;
            rows.push_back(b.propsOf(int(i), depth));
            if (deep) addChildren(int(i), depth + 1, deep, rows);
        }
    }
};

class Container final : public ContainerEntry<IABContainer> {
public:
    Container(std::shared_ptr<Book> book, int index)
        : ContainerEntry(std::move(book), index,
                         {IID_IUnknown, IID_IMAPIProp, IID_IMAPIContainer, IID_IABContainer}) {}
};

class DistList final : public ContainerEntry<IDistList> {
public:
    DistList(std::shared_ptr<Book> book, int index)
        : ContainerEntry(std::move(book), index, {IID_IUnknown, IID_IMAPIProp, IID_IMAPIContainer, IID_IDistList}) {}
};

HRESULT openEntry(const std::shared_ptr<Book>& book, ULONG cb, ENTRYID* id, ULONG* type, IUnknown** out) {
    const int index = id ? book->indexOf(cb, id) : 0;
    if (index < 0) return MAPI_E_UNKNOWN_ENTRYID;
    const Entry& e = book->entries[size_t(index)];
    switch (e.kind) {
    case Kind::Container:
        *type = MAPI_ABCONT;
        *out = reinterpret_cast<IUnknown*>(static_cast<IABContainer*>(new Container(book, index)));
        break;
    case Kind::DistList:
        *type = MAPI_DISTLIST;
        *out = reinterpret_cast<IUnknown*>(static_cast<IDistList*>(new DistList(book, index)));
        break;
    case Kind::MailUser:
        *type = MAPI_MAILUSER;
        *out = reinterpret_cast<IUnknown*>(static_cast<IMailUser*>(new MailUser(book, index)));
        break;
    }
    return S_OK;
}

// The provider object, called by the session through the IAddrBook slots.
class Provider final : public Counted<IAddrBook> {
public:
    explicit Provider(std::shared_ptr<Book> book) : book_(std::move(book)) {}
    HRESULT QueryInterface(LPCIID iid, void** out) override {
        if (!isIid(iid, IID_IUnknown) && !isIid(iid, IID_IAddrBook)) return E_NOINTERFACE;
        AddRef();
        *out = this;
        return S_OK;
    }
    HRESULT GetLastError(HRESULT, ULONG, MAPIERROR**) override { return MAPI_E_NO_SUPPORT; }
    HRESULT SaveChanges(ULONG) override { return MAPI_E_NO_SUPPORT; }
    HRESULT GetProps(const SPropTagArray* tags, ULONG, ULONG* count, SPropValue** values) override {
        return valuesOut(book_->mem, book_->propsOf(0, 0), tags, count, values);
    }
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
        return openEntry(book_, cb, id, type, out);
    }
    HRESULT CompareEntryIDs(ULONG, ENTRYID*, ULONG, ENTRYID*, ULONG, ULONG*) override { return MAPI_E_NO_SUPPORT; }
    HRESULT Advise(ULONG, ENTRYID*, ULONG, IMAPIAdviseSink*, ULONG_PTR*) override { return MAPI_E_NO_SUPPORT; }
    HRESULT Unadvise(ULONG_PTR) override { return MAPI_E_NO_SUPPORT; }
    HRESULT CreateOneOff(char*, char*, char*, ULONG, ULONG*, ENTRYID**) override { return MAPI_E_NO_SUPPORT; }
    HRESULT NewEntry(ULONG_PTR, ULONG, ULONG, ENTRYID*, ULONG, ENTRYID*, ULONG*, ENTRYID**) override {
        return MAPI_E_NO_SUPPORT;
    }
    HRESULT ResolveName(ULONG_PTR, ULONG, char*, ADRLIST*) override { return MAPI_E_NO_SUPPORT; }
    HRESULT Address(ULONG_PTR*, ADRPARM*, ADRLIST**) override { return MAPI_E_NO_SUPPORT; }
    HRESULT Details(ULONG_PTR*, DismissFn, void*, ULONG, ENTRYID*, ButtonFn, void*, char*, ULONG) override {
        return MAPI_E_NO_SUPPORT;
    }
    HRESULT RecipOptions(ULONG_PTR, ULONG, ADRENTRY*) override { return MAPI_E_NO_SUPPORT; }
    HRESULT QueryDefaultRecipOpt(char*, ULONG, ULONG*, SPropValue**) override { return MAPI_E_NO_SUPPORT; }
    HRESULT GetPAB(ULONG*, ENTRYID**) override { return MAPI_E_NO_SUPPORT; }
    HRESULT SetPAB(ULONG, ENTRYID*) override { return MAPI_E_NO_SUPPORT; }
    HRESULT GetDefaultDir(ULONG*, ENTRYID**) override { return MAPI_E_NO_SUPPORT; }
    HRESULT SetDefaultDir(ULONG, ENTRYID*) override { return MAPI_E_NO_SUPPORT; }
    HRESULT GetSearchPath(ULONG, SRowSet**) override { return MAPI_E_NO_SUPPORT; }
    HRESULT SetSearchPath(ULONG, SRowSet*) override { return MAPI_E_NO_SUPPORT; }
    // Each entry comes back with the requested tags first, then the rest of
    // what it had.
    HRESULT PrepareRecips(ULONG, const SPropTagArray* tags, ADRLIST* list) override {
        for (ULONG i = 0; i < list->cEntries; ++i) {
            ADRENTRY& entry = list->aEntries[i];
            int index = -1;
            for (ULONG v = 0; v < entry.cValues && index < 0; ++v)
                if (entry.rgPropVals[v].ulPropTag == PR_ENTRYID)
                    index = book_->indexOf(entry.rgPropVals[v].Value.bin.cb,
                                           reinterpret_cast<ENTRYID*>(entry.rgPropVals[v].Value.bin.lpb));
            if (index < 0) continue;
            std::vector<Prop> props = book_->propsOf(index);
            Prop recipientType;
            recipientType.tag = PR_RECIPIENT_TYPE;
            recipientType.number = MAPI_TO;
            props.push_back(recipientType);
            std::vector<ULONG> order{0};
            if (tags) order.insert(order.end(), tags->aulPropTag, tags->aulPropTag + tags->cValues);
            for (const Prop& p : props) {
                bool asked = false;
                for (size_t t = 1; t < order.size(); ++t) asked = asked || PROP_ID(order[t]) == PROP_ID(p.tag);
                if (!asked) order.push_back(p.tag);
            }
            order[0] = ULONG(order.size() - 1);
            ULONG count = 0;
            SPropValue* values = nullptr;
            if (HRESULT h = valuesOut(book_->mem, props, reinterpret_cast<const SPropTagArray*>(order.data()), &count,
                                      &values);
                FAILED(h))
                return h;
            book_->mem.free(entry.rgPropVals);
            entry.rgPropVals = values;
            entry.cValues = count;
        }
        return S_OK;
    }

private:
    std::shared_ptr<Book> book_;
};

// ---- the book file

bool parseBook(const std::string& path, Book& book) {
    std::ifstream in(path);
    if (!in) return false;
    std::map<std::string, int> byKey;
    Entry root;
    root.kind = Kind::Container;
    root.key = "root";
    book.entries.push_back(root);
    byKey["root"] = 0;
    std::vector<std::string> parentKeys{""};
    Entry* current = nullptr;
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty() || line[0] == '#') continue;
        if (line[0] == '[') {
            const std::string head = line.substr(1, line.find(']') - 1);
            if (head == "root") {
                current = &book.entries[0];
                continue;
            }
            const size_t colon = head.find(':');
            Entry e;
            const std::string kind = head.substr(0, colon);
            e.kind = kind == "container" ? Kind::Container : kind == "distlist" ? Kind::DistList : Kind::MailUser;
            e.key = head.substr(colon + 1);
            byKey[e.key] = int(book.entries.size());
            book.entries.push_back(e);
            parentKeys.push_back("root");
            current = &book.entries.back();
            continue;
        }
        if (!current) continue;
        const size_t eq = line.find('=');
        if (eq == std::string::npos) continue;
        const std::string key = line.substr(0, eq), value = line.substr(eq + 1);
        const size_t index = size_t(current - book.entries.data());
        if (key == "in" || key == "parent") {
            parentKeys[index] = value;
        } else if (key == "members") {
            std::stringstream list(value);
            for (std::string m; std::getline(list, m, ',');) current->memberKeys.push_back(m);
        } else {
            const bool rowOnly = key.rfind("row:", 0) == 0;
            Prop p;
            p.tag = ULONG(std::strtoul(key.c_str() + (rowOnly ? 4 : 0), nullptr, 16));
            switch (PROP_TYPE(p.tag)) {
            case PT_LONG: p.number = LONG(std::strtol(value.c_str(), nullptr, 10)); break;
            case PT_ERROR: p.number = LONG(std::strtoul(value.c_str(), nullptr, 16)); break;
            case PT_MV_STRING8: {
                std::stringstream items(value);
                for (std::string item; std::getline(items, item, '|');) p.texts.push_back(item);
                break;
            }
            default: p.text = value;
            }
            (rowOnly ? current->rowProps : current->props).push_back(p);
        }
    }
    for (size_t i = 1; i < book.entries.size(); ++i) {
        auto it = byKey.find(parentKeys[i]);
        book.entries[i].parent = it == byKey.end() ? 0 : it->second;
    }
    for (Entry& e : book.entries)
        for (const std::string& m : e.memberKeys)
            if (auto it = byKey.find(m); it != byKey.end()) e.members.push_back(it->second);
    return true;
}

const char* sectionText(IProfSect* section, ULONG tag, FreeBufferFn freeBuffer, std::string& out) {
    SPropTagArray tags{1, {tag}};
    ULONG n = 0;
    SPropValue* v = nullptr;
    if (section && SUCCEEDED(section->GetProps(&tags, 0, &n, &v)) && v && n == 1 && v[0].ulPropTag == tag)
        out = v[0].Value.lpszA;
    if (v && freeBuffer) freeBuffer(v);
    return out.empty() ? nullptr : out.c_str();
}

} // namespace

BOOK_EXPORT HRESULT BookServiceEntry(void*, ULONG_PTR, ULONG, ULONG context, ULONG, const SPropValue*,
                                     IProfSect* section, IPDXSupport*) {
    const char* file = std::getenv("PDXBOOK_FILE");
    if (context != MSG_SERVICE_CREATE || !file || !section) return S_OK;
    SPropValue v{};
    v.ulPropTag = PR_FAX_AB_FILE_PATH;
    v.Value.lpszA = const_cast<char*>(file);
    HRESULT h = section->SetProps(1, &v, nullptr);
    return SUCCEEDED(h) ? section->SaveChanges(0) : h;
}

BOOK_EXPORT HRESULT ABProviderOpen(void*, IPDXSupport* support, IProfSect* section, ULONG_PTR, ULONG,
                                   AllocateBufferFn allocate, AllocateMoreFn more, FreeBufferFn freeBuffer,
                                   IAddrBook** provider) {
    *provider = nullptr;
    auto book = std::make_shared<Book>();
    book->mem = {allocate, more, freeBuffer};
    std::string path;
    sectionText(section, PR_FAX_AB_FILE_PATH, freeBuffer, path);
    if (path.empty() && std::getenv("PDXBOOK_FILE")) path = std::getenv("PDXBOOK_FILE");
    if (!parseBook(path, *book)) return MAPI_E_LOGON_FAILED;
    // The provider UID is made from the file's path, so two services of two files differ.
    const char kTag[8] = {'B', 'O', 'O', 'K', 'T', 'E', 'S', 'T'};
    std::memcpy(book->uid.ab, kTag, 8);
    uint64_t hash = 1469598103934665603ull;
    for (char c : path) hash = (hash ^ uint8_t(c)) * 1099511628211ull;
    std::memcpy(book->uid.ab + 8, &hash, 8);
    if (HRESULT h = support->SetProviderUID(&book->uid, 0); FAILED(h)) return h;
    *provider = new Provider(book);
    return S_OK;
}
