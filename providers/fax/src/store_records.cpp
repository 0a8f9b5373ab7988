#include "store_records.h"

#include "fax_tags.h"
#include "pdx/status.h"
#include "platform/codepage.h"
#include "store_elements.h"

namespace vqfax {
namespace {

constexpr ULONG kPrimaryTags[] = {PR_BUSINESS_FAX_NUMBER, PR_PRIMARY_FAX_DESCRIPTION, PR_PRIMARY_FAX_EXTRA1,
                                  PR_PRIMARY_FAX_EXTRA2};
constexpr ULONG kSecondaryTags[] = {PR_HOME_FAX_NUMBER, PR_SECONDARY_FAX_DESCRIPTION, PR_SECONDARY_FAX_EXTRA1,
                                    PR_SECONDARY_FAX_EXTRA2};

const Element* findMember(const std::vector<Element>& elements, int32_t record) {
    for (const Element& e : elements)
        if (e.isMember() && e.member == record) return &e;
    return nullptr;
}

// The flags a member element gets from the numbers an object holds.
uint32_t selectionFlags(const PropList& props) {
    uint32_t flags = 0;
    if (!props.text(PR_BUSINESS_FAX_NUMBER).empty()) flags |= kPrimaryFax;
    if (!props.text(PR_HOME_FAX_NUMBER).empty()) flags |= kSecondaryFax;
    return flags;
}

// The text a property is stored with; only string values have a field.
bool fieldText(const PropValue& v, std::string& text) {
    if (v.type() == PT_STRING8) {
        text = std::string(v.text());
        return true;
    }
    if (v.type() == PT_UNICODE && !v.data().empty()) {
        const auto* wide = reinterpret_cast<const char16_t*>(v.data().data());
        text = platform::utf16ToSystem(std::u16string_view(wide));
        return true;
    }
    return false;
}

// The record written whole: its fields in list order, then (groups) one
// member element per member, keeping the selection each had before.
HRESULT writeWhole(OpenBook& book, const EntryId& id, const PropList& props, const MemberList* members) {
    std::vector<Element> elements;
    for (const PropValue& v : props.values()) {
        const uint32_t code = codeForTag(v.tag());
        std::string text;
        if (code && fieldText(v, text)) elements.push_back(Element::field(code, text));
    }
    if (members && kindBase(id.kind) == kKindGroup) {
        std::vector<Element> before;
        if (HRESULT h = book.readElements(id.record, before); FAILED(h)) return h;
        for (const Member& m : members->members()) {
            const Element* old = findMember(before, m.record);
            Element e = old ? *old : Element::memberOf(m.record, m.kind == kKindContact ? 3u : 0u);
            e.member = m.record;
            elements.push_back(e);
        }
    }
    return book.writeElements(id.record, elements);
}

// Seen through a group, an object only changes which of its numbers the group selects.
HRESULT writeSelection(OpenBook& book, const EntryId& id, const PropList& props) {
    std::vector<Element> group;
    if (HRESULT h = book.readElements(id.parentRecord, group); FAILED(h)) return h;
    bool found = false;
    for (Element& e : group) {
        if (e.isMember() && e.member == id.record) {
            e.flags = selectionFlags(props);
            found = true;
            break;
        }
    }
    if (!found) return MAPI_E_NOT_FOUND;
    return book.writeElements(id.parentRecord, group);
}

// A record created through a group: its fields are written like any new
// record's, and the group gains it as a member with the numbers it holds.
HRESULT writeNewInGroup(OpenBook& book, const EntryId& id, const PropList& props, const MemberList* members) {
    if (HRESULT h = writeWhole(book, id, props, members); FAILED(h)) return h;
    std::vector<Element> group;
    if (HRESULT h = book.readElements(id.parentRecord, group); FAILED(h)) return h;
    if (findMember(group, id.record)) return S_OK;
    group.push_back(Element::memberOf(id.record, kindBase(id.kind) == kKindContact ? selectionFlags(props) : 0u));
    return book.writeElements(id.parentRecord, group);
}

} // namespace

HRESULT resolveEntry(OpenBook& book, int32_t& record, ULONG& kind, ResolveMode mode) {
    if (mode == ResolveMode::Other) return E_FAIL;
    if (kind == kKindRoot) {
        record = kRootRecord;
        return S_OK;
    }
    if (record != kNewContactRecord && record != kNewGroupRecord) {
        int32_t count = 0;
        return book.elementCount(record, count);
    }
    if (mode == ResolveMode::MustExist) return MAPI_E_NOT_FOUND;
    int32_t created = 0;
    if (kindBase(kind) == kKindContact) {
        if (HRESULT h = book.createContact(created); FAILED(h)) return h;
        kind = kKindContact;
    } else if (kindBase(kind) == kKindGroup) {
        if (HRESULT h = book.createGroup(created); FAILED(h)) return h;
        kind = kKindGroup;
    } else {
        return MAPI_E_INVALID_ENTRYID;
    }
    record = created;
    return S_OK;
}

void appendFields(const std::vector<Element>& elements, PropList& props) {
    for (const Element& e : elements) {
        if (e.isMember()) continue;
        if (ULONG tag = tagForCode(e.code)) props.append(PropValue::string8(tag, e.text));
    }
}

void maskUnselected(const std::vector<Element>& group, int32_t record, PropList& props) {
    const Element* member = findMember(group, record);
    const uint32_t flags = member ? member->flags : 0;
    if (!(flags & kPrimaryFax))
        for (ULONG tag : kPrimaryTags) props.put(PropValue::string8(tag, ""));
    if (!(flags & kSecondaryFax))
        for (ULONG tag : kSecondaryTags) props.put(PropValue::string8(tag, ""));
}

HRESULT loadFields(OpenBook& book, int32_t record, ULONG kind, int32_t parentRecord, ULONG parentKind,
                   PropList& props, const int32_t* knownCount) {
    if (kind == kKindRoot) return S_OK;
    std::vector<Element> elements;
    if (HRESULT h = book.readElements(record, elements, knownCount); FAILED(h)) return h;
    appendFields(elements, props);
    if (parentKind != kKindGroup) return S_OK;
    std::vector<Element> group;
    if (HRESULT h = book.readElements(parentRecord, group); FAILED(h)) return h;
    maskUnselected(group, record, props);
    return S_OK;
}

HRESULT loadMembers(OpenBook& book, int32_t record, ULONG kind, MemberList& members) {
    if (kind == kKindRoot) {
        std::vector<int32_t> ids;
        if (HRESULT h = book.allRecords(ids); FAILED(h)) return h;
        for (int32_t id : ids) members.add({id, kindOfRecord(id)});
        return S_OK;
    }
    if (kind == kKindGroup) {
        std::vector<Element> elements;
        if (HRESULT h = book.readElements(record, elements); FAILED(h)) return h;
        for (const Element& e : elements)
            if (e.isMember()) members.add({e.member, kindOfRecord(e.member)});
        return S_OK;
    }
    if (kind == kKindContact) return S_OK;
    return E_INVALIDARG;
}

HRESULT writeEntry(OpenBook& book, EntryId& id, const PropList& props, const MemberList* members) {
    bool created = false;
    HRESULT h = resolveEntry(book, id.record, id.kind, ResolveMode::MustExist);
    if (h == MAPI_E_NOT_FOUND) {
        h = resolveEntry(book, id.record, id.kind, ResolveMode::Create);
        created = SUCCEEDED(h);
    }
    if (FAILED(h)) return h;
    if (id.parentKind == kKindRoot) return writeWhole(book, id, props, members);
    if (id.parentKind == kKindGroup)
        return created ? writeNewInGroup(book, id, props, members) : writeSelection(book, id, props);
    return S_OK;
}

HRESULT deleteRecord(OpenBook& book, int32_t record, ULONG kind) {
    if (kind == kKindRoot) return E_INVALIDARG;
    return book.deleteRecord(record);
}

} // namespace vqfax
