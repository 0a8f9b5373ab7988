#include "selection/list_expansion.h"

#include <cstring>

#include "pdx/status.h"
#include "selection/address_rules.h"
#include "selection/entry_tags.h"

namespace vqbridge {

using namespace pdx;

namespace {

// An address list whose entries the session frees (each entry's values are a
// root buffer of their own, as ExpandDistLists expects).
class AddressList {
public:
    AddressList(const PdxAccess& pdx) : pdx_(pdx) {}
    ~AddressList() {
        if (list_) pdx_.session->FreePadrlist(list_);
    }
    AddressList(const AddressList&) = delete;
    AddressList& operator=(const AddressList&) = delete;

    HRESULT allocate(ULONG entries) {
        HRESULT h = pdx_.api.allocateBuffer(ULONG(cbAdrList(entries)), reinterpret_cast<void**>(&list_));
        if (SUCCEEDED(h)) std::memset(list_, 0, cbAdrList(entries));
        return h;
    }
    ADRLIST* get() const { return list_; }
    ADRLIST** out() { return &list_; }

private:
    const PdxAccess& pdx_;
    ADRLIST* list_ = nullptr;
};

// The list's entry as the session expands it: its identifier, recipient
// type 1, display name, address type and object type, read from the list.
HRESULT listEntry(const PdxAccess& pdx, const EntryRow& list, ADRENTRY& entry) {
    object_ptr<IUnknown> opened = openEntry(pdx, list.entryId);
    if (!opened) return MAPI_E_NOT_FOUND;
    const TagList<4> tags = {4, {PR_ENTRYID, PR_DISPLAY_NAME, PR_ADDRTYPE, PR_OBJECT_TYPE}};
    ULONG count = 0;
    buffer_ptr<SPropValue> read(pdx.api.freeBuffer);
    if (HRESULT h = reinterpret_cast<IMAPIProp*>(opened.get())->GetProps(tags.get(), 0, &count, read.out()); FAILED(h))
        return h;
    if (!read || count != 4) return MAPI_E_NOT_FOUND;
    SPropValue* values = nullptr;
    if (HRESULT h = pdx.api.allocateBuffer(sizeof(SPropValue) * 5, reinterpret_cast<void**>(&values)); FAILED(h))
        return h;
    std::memset(values, 0, sizeof(SPropValue) * 5);
    entry.rgPropVals = values; // from here on freed with the list
    entry.cValues = 5;
    auto copyText = [&](SPropValue& to, const SPropValue& from) -> HRESULT {
        to.ulPropTag = from.ulPropTag;
        if (PROP_TYPE(from.ulPropTag) != PT_STRING8 || !from.Value.lpszA) return S_OK;
        const size_t n = std::strlen(from.Value.lpszA) + 1;
        HRESULT h = pdx.api.allocateMore(ULONG(n), values, reinterpret_cast<void**>(&to.Value.lpszA));
        if (SUCCEEDED(h)) std::memcpy(to.Value.lpszA, from.Value.lpszA, n);
        return h;
    };
    values[0] = read[0];
    if (PROP_TYPE(read[0].ulPropTag) == PT_BINARY) {
        const ULONG cb = read[0].Value.bin.cb;
        if (HRESULT h = pdx.api.allocateMore(cb ? cb : 1, values, reinterpret_cast<void**>(&values[0].Value.bin.lpb));
            FAILED(h))
            return h;
        if (cb) std::memcpy(values[0].Value.bin.lpb, read[0].Value.bin.lpb, cb);
    }
    values[1].ulPropTag = PR_RECIPIENT_TYPE;
    values[1].Value.l = LONG(MAPI_TO);
    if (HRESULT h = copyText(values[2], read[1]); FAILED(h)) return h;
    if (HRESULT h = copyText(values[3], read[2]); FAILED(h)) return h;
    values[4] = read[3];
    return S_OK;
}

Recipient recipient(const PropView& member, const std::string& name, const std::string& address, uint32_t kind,
                    const FaxTexts* texts) {
    Recipient r;
    r.displayName = name;
    r.address = address;
    r.company = member.text(PR_COMPANY_NAME);
    r.department = member.text(PR_DEPARTMENT_NAME);
    if (texts) {
        r.faxText1 = texts->first;
        r.faxText2 = texts->second;
    }
    r.kind = kind;
    r.givenName = member.text(PR_GIVEN_NAME);
    r.surname = member.text(PR_SURNAME);
    return r;
}

} // namespace

void memberRecipients(const PropView& member, const SelectionLabels& labels, std::vector<Recipient>& out) {
    const EntryAddresses a = readAddresses(member, labels);
    const std::string& fax = !a.primaryFax.empty() ? a.primaryFax : a.oneOffFax;
    if (!fax.empty()) {
        out.push_back(recipient(member, a.displayName, fax, kFaxRecipient, nullptr));
    } else {
        if (!a.businessFax.empty())
            out.push_back(recipient(member, a.displayName, a.businessFax, kFaxRecipient, &a.businessTexts));
        if (!a.homeFax.empty())
            out.push_back(recipient(member, a.displayName, a.homeFax, kFaxRecipient, &a.homeTexts));
    }
    if (!a.email.empty()) out.push_back(recipient(member, a.displayName, a.email, kEmailRecipient, nullptr));
}

std::vector<Recipient> expandLists(const PdxAccess& pdx, const std::vector<const EntryRow*>& lists,
                                   const SelectionLabels& labels) {
    std::vector<Recipient> out;
    if (lists.empty()) return out;
    AddressList list(pdx);
    if (FAILED(list.allocate(ULONG(lists.size())))) return out;
    ULONG filled = 0;
    for (const EntryRow* row : lists) {
        ADRENTRY& entry = list.get()->aEntries[filled];
        const HRESULT h = listEntry(pdx, *row, entry);
        if (entry.rgPropVals) list.get()->cEntries = ++filled; // counted, so it is freed with the list
        if (FAILED(h)) return out;
    }
    if (FAILED(pdx.session->ExpandDistLists(0, list.out())) || !list.get()) return out;
    if (FAILED(pdx.book->PrepareRecips(0, kEntryColumns.get(), list.get()))) return out;
    for (ULONG i = 0; i < list.get()->cEntries; ++i) {
        const ADRENTRY& member = list.get()->aEntries[i];
        memberRecipients(PropView(member.rgPropVals, member.cValues), labels, out);
    }
    return out;
}

} // namespace vqbridge
