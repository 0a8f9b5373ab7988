#include "objects.h"

#include "entry_ids.h"
#include "pdx/mapi.h"
#include "pdx/tags.h"
#include "prop_object.h"

namespace mapi32 {

using namespace pdx;

namespace {

template <ULONG N> struct Tags {
    ULONG cValues;
    ULONG aulPropTag[N];
    const SPropTagArray* get() const { return reinterpret_cast<const SPropTagArray*>(this); }
};

constexpr Tags<8> kContentsColumns{8, {PR_DISPLAY_NAME, PR_ENTRYID, PR_OBJECT_TYPE, PR_DISPLAY_TYPE, PR_ADDRTYPE,
                                       PR_EMAIL_ADDRESS, PR_INSTANCE_KEY, PR_BUSINESS_FAX_NUMBER}};
constexpr Tags<6> kHierarchyColumns{
    6, {PR_DISPLAY_NAME, PR_ENTRYID, PR_OBJECT_TYPE, PR_CONTAINER_FLAGS, PR_DEPTH, PR_INSTANCE_KEY}};

// The container slots the root, the service containers and the lists share.
template <class Iface>
class Container : public PropObject<Iface> {
public:
    Container(std::shared_ptr<BookState> book, TableRow props, std::initializer_list<const IID*> answers)
        : PropObject<Iface>(std::move(props), answers), book_(std::move(book)) {}

    HRESULT OpenProperty(ULONG tag, LPCIID iid, ULONG, ULONG flags, IUnknown** out) override {
        if (!out) return E_INVALIDARG;
        *out = nullptr;
        if (!isIid(iid, IID_IMAPITable)) return E_NOINTERFACE;
        IMAPITable* table = nullptr;
        HRESULT h = tag == PR_CONTAINER_CONTENTS    ? GetContentsTable(flags, &table)
                    : tag == PR_CONTAINER_HIERARCHY ? GetHierarchyTable(flags, &table)
                                                    : MAPI_E_NO_SUPPORT;
        *out = table;
        return h;
    }
    HRESULT GetContentsTable(ULONG flags, IMAPITable** table) override {
        if (!table) return E_INVALIDARG;
        *table = nullptr;
        if (flags & MAPI_UNICODE) return MAPI_E_BAD_CHARWIDTH;
        return guarded([&] {
            std::vector<TableRow> rows;
            if (HRESULT h = contents(rows); FAILED(h)) return h;
            return newTable(std::move(rows), contentsColumns(), table);
        });
    }
    HRESULT GetHierarchyTable(ULONG flags, IMAPITable** table) override {
        if (!table) return E_INVALIDARG;
        *table = nullptr;
        if (flags & MAPI_UNICODE) return MAPI_E_BAD_CHARWIDTH;
        return guarded([&] { return newTable(hierarchy(), hierarchyColumns(), table); });
    }
    HRESULT OpenEntry(ULONG cb, ENTRYID* id, LPCIID, ULONG, ULONG* type, IUnknown** out) override {
        if (!type || !out || (cb && !id)) return E_INVALIDARG;
        return guarded([&] {
            return book_->open(std::string_view(reinterpret_cast<const char*>(id), id ? cb : 0), type, out);
        });
    }
    HRESULT SetSearchCriteria(SRestriction*, ENTRYLIST*, ULONG) override { return MAPI_E_NO_SUPPORT; }
    HRESULT GetSearchCriteria(ULONG, SRestriction**, ENTRYLIST**, ULONG*) override { return MAPI_E_NO_SUPPORT; }
    HRESULT CreateEntry(ULONG, ENTRYID*, ULONG, IMAPIProp** out) override {
        if (out) *out = nullptr;
        return E_ACCESSDENIED;
    }
    HRESULT CopyEntries(ENTRYLIST*, ULONG_PTR, IMAPIProgress*, ULONG) override { return E_ACCESSDENIED; }
    HRESULT DeleteEntries(ENTRYLIST*, ULONG) override { return E_ACCESSDENIED; }
    HRESULT ResolveNames(const SPropTagArray*, ULONG, ADRLIST*, SFlagList*) override { return MAPI_E_NO_SUPPORT; }

protected:
    virtual HRESULT contents(std::vector<TableRow>& rows) = 0;
    virtual std::vector<TableRow> hierarchy() { return {}; }
    BookState& book() const { return *book_; }

private:
    std::shared_ptr<BookState> book_;
};

TableRow rootProps() {
    auto row = std::make_shared<common::PropArray>();
    const std::string id = rootId();
    row->setString(PR_DISPLAY_NAME, "");
    row->setBinary(PR_ENTRYID, id.data(), ULONG(id.size()));
    row->setLong(PR_OBJECT_TYPE, LONG(MAPI_ABCONT));
    row->setLong(PR_CONTAINER_FLAGS, LONG(AB_SUBCONTAINERS | AB_UNMODIFIABLE));
    row->setLong(PR_DISPLAY_TYPE, LONG(DT_GLOBAL));
    return row;
}

class RootContainer final : public Container<IABContainer> {
public:
    explicit RootContainer(std::shared_ptr<BookState> book)
        : Container(std::move(book), rootProps(), {&IID_IUnknown, &IID_IMAPIProp, &IID_IMAPIContainer, &IID_IABContainer}) {}

private:
    // The root holds containers only.
    HRESULT contents(std::vector<TableRow>&) override { return MAPI_E_NO_SUPPORT; }
    std::vector<TableRow> hierarchy() override {
        std::vector<TableRow> rows;
        for (const auto& d : book().directories()) rows.push_back(d->containerRow());
        return rows;
    }
};

class ServiceContainer final : public Container<IABContainer> {
public:
    ServiceContainer(std::shared_ptr<BookState> book, std::shared_ptr<Directory> directory)
        : Container(std::move(book), directory->containerRow(),
                    {&IID_IUnknown, &IID_IMAPIProp, &IID_IMAPIContainer, &IID_IABContainer}),
          directory_(std::move(directory)) {}

private:
    HRESULT contents(std::vector<TableRow>& rows) override { return directory_->contents(rows); }
    std::shared_ptr<Directory> directory_;
};

class DistList final : public Container<IDistList> {
public:
    DistList(std::shared_ptr<BookState> book, std::shared_ptr<Directory> directory, TableRow props)
        : Container(std::move(book), std::move(props),
                    {&IID_IUnknown, &IID_IMAPIProp, &IID_IMAPIContainer, &IID_IDistList}),
          directory_(std::move(directory)) {}

private:
    HRESULT contents(std::vector<TableRow>& rows) override {
        const SPropValue* id = props().find(PR_ENTRYID);
        if (!id) return MAPI_E_NOT_FOUND;
        return directory_->members(std::string(reinterpret_cast<const char*>(id->Value.bin.lpb), id->Value.bin.cb),
                                   rows);
    }
    std::shared_ptr<Directory> directory_;
};

class MailUser final : public PropObject<IMailUser> {
public:
    explicit MailUser(TableRow props) : PropObject(std::move(props), {&IID_IUnknown, &IID_IMAPIProp, &IID_IMailUser}) {}
};

} // namespace

const SPropTagArray* contentsColumns() { return kContentsColumns.get(); }
const SPropTagArray* hierarchyColumns() { return kHierarchyColumns.get(); }

HRESULT newTable(std::vector<TableRow> rows, const SPropTagArray* columns, IMAPITable** out) {
    *out = common::SnapshotTable::create(std::move(rows), columns, mapiDomain());
    return *out ? S_OK : E_OUTOFMEMORY;
}

IABContainer* newRootContainer(std::shared_ptr<BookState> book) { return new RootContainer(std::move(book)); }

IABContainer* newServiceContainer(std::shared_ptr<BookState> book, std::shared_ptr<Directory> directory) {
    return new ServiceContainer(std::move(book), std::move(directory));
}

IMailUser* newMailUser(TableRow props) { return new MailUser(std::move(props)); }

IDistList* newDistList(std::shared_ptr<BookState> book, std::shared_ptr<Directory> directory, TableRow props) {
    return new DistList(std::move(book), std::move(directory), std::move(props));
}

} // namespace mapi32
