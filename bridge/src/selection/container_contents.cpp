#include "selection/container_contents.h"

#include "pdx/status.h"
#include "selection/address_rules.h"
#include "selection/entry_tags.h"

namespace vqbridge {

using namespace pdx;

namespace {

// A pair of texts the contents row reported as error values, read from the
// entry itself.
void readPairFromEntry(const PdxAccess& pdx, const EntryId& id, ULONG first, ULONG second, std::string& a,
                       std::string& b) {
    a.clear();
    b.clear();
    object_ptr<IUnknown> entry = openEntry(pdx, id);
    if (!entry) return;
    const TagList<2> tags = {2, {first, second}};
    ULONG count = 0;
    buffer_ptr<SPropValue> values(pdx.api.freeBuffer);
    if (FAILED(reinterpret_cast<IMAPIProp*>(entry.get())->GetProps(tags.get(), 0, &count, values.out())) || !values)
        return;
    const PropView view(values.get(), count);
    a = view.text(first);
    b = view.text(second);
}

void addRow(std::vector<EntryRow>& rows, uint32_t& nextId, const EntryRow& base, AddressKind kind,
            const std::string& address, const FaxTexts& texts = {}) {
    EntryRow row = base;
    row.id = nextId++;
    row.addressKind = kind;
    row.address = address;
    row.texts = texts;
    rows.push_back(std::move(row));
}

} // namespace

HRESULT readContainerRows(const PdxAccess& pdx, const EntryId& container, const SelectionLabels& labels,
                          uint32_t& nextId, std::vector<EntryRow>& rows) {
    object_ptr<IUnknown> opened = openEntry(pdx, container);
    if (!opened) return MAPI_E_NOT_FOUND;
    object_ptr<IMAPITable> table;
    if (HRESULT h = reinterpret_cast<IMAPIContainer*>(opened.get())->GetContentsTable(0, table.out()); FAILED(h))
        return h;
    if (!table) return MAPI_E_NOT_FOUND;
    return readTable(pdx, *table.get(), kEntryColumns.get(), [&](const SRow& row) {
        const PropView view(row);
        const long type = view.number(PR_OBJECT_TYPE, 0);
        if (type != long(MAPI_MAILUSER) && type != long(MAPI_DISTLIST)) return;
        EntryRow base;
        base.kind = type == long(MAPI_DISTLIST) ? EntryKind::DistList : EntryKind::MailUser;
        base.entryId = view.binary(PR_ENTRYID);
        base.comment = view.text(PR_COMMENT);
        if (view.isError(PR_COMPANY_NAME) || view.isError(PR_DEPARTMENT_NAME)) {
            readPairFromEntry(pdx, base.entryId, PR_COMPANY_NAME, PR_DEPARTMENT_NAME, base.company, base.department);
        } else {
            base.company = view.text(PR_COMPANY_NAME);
            base.department = view.text(PR_DEPARTMENT_NAME);
        }
        if (view.isError(PR_GIVEN_NAME) || view.isError(PR_SURNAME)) {
            readPairFromEntry(pdx, base.entryId, PR_GIVEN_NAME, PR_SURNAME, base.givenName, base.surname);
        } else {
            base.givenName = view.text(PR_GIVEN_NAME);
            base.surname = view.text(PR_SURNAME);
        }
        const EntryAddresses a = readAddresses(view, labels);
        base.name = a.displayName;
        if (base.isList()) {
            addRow(rows, nextId, base, AddressKind::None, {});
            return;
        }
        const size_t before = rows.size();
        if (!a.primaryFax.empty()) addRow(rows, nextId, base, AddressKind::PrimaryFax, a.primaryFax);
        if (!a.homeFax.empty()) addRow(rows, nextId, base, AddressKind::HomeFax, a.homeFax, a.homeTexts);
        if (!a.businessFax.empty()) addRow(rows, nextId, base, AddressKind::BusinessFax, a.businessFax, a.businessTexts);
        if (!a.otherFax.empty()) addRow(rows, nextId, base, AddressKind::OtherFax, a.otherFax);
        if (!a.email.empty()) addRow(rows, nextId, base, AddressKind::Email, a.email);
        if (rows.size() == before) addRow(rows, nextId, base, AddressKind::None, {});
    });
}

std::vector<std::string> listMemberNames(const PdxAccess& pdx, const EntryId& list) {
    std::vector<std::string> names;
    object_ptr<IUnknown> opened = openEntry(pdx, list);
    if (!opened) return names;
    object_ptr<IMAPITable> table;
    if (FAILED(reinterpret_cast<IMAPIContainer*>(opened.get())->GetContentsTable(0, table.out())) || !table)
        return names;
    const TagList<1> columns = {1, {PR_DISPLAY_NAME}};
    readTable(pdx, *table.get(), columns.get(), [&](const SRow& row) { names.push_back(PropView(row).text(PR_DISPLAY_NAME)); });
    return names;
}

} // namespace vqbridge
