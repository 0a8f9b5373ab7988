#include "address.h"

#include "address_picker.h"
#include "entry_id.h"
#include "pdx/status.h"
#include "pdx/tags.h"
#include "pdx_common/prop_copy.h"
#include "pdx_common/row_filter.h"
#include "platform/codepage.h"
#include "resolve.h"
#include "wab_tags.h"

namespace wab32 {

using namespace pdx;
using common::PropArray;

namespace {

// More wells than any address dialog offers means a damaged parameter block.
constexpr ULONG kMaxWells = 32;

// What a recipient carries from its entry.
constexpr ULONG kRecipientTags[] = {PR_DISPLAY_NAME, PR_ENTRYID,       PR_OBJECT_TYPE, PR_DISPLAY_TYPE,
                                    PR_ADDRTYPE,     PR_EMAIL_ADDRESS, PR_SEARCH_KEY};

std::string utf8(const char* systemText) { return systemText ? platform::systemToUtf8(systemText) : std::string(); }

PropArray recipientFrom(const PropArray& entry, ULONG recipientType) {
    PropArray r;
    for (ULONG tag : kRecipientTags)
        if (const SPropValue* v = entry.find(tag)) r.set(*v);
    r.setLong(PR_RECIPIENT_TYPE, LONG(recipientType));
    return r;
}

PropArray copyOf(const ADRENTRY& given) {
    PropArray r;
    for (ULONG i = 0; given.rgPropVals && i < given.cValues; ++i) r.set(given.rgPropVals[i]);
    return r;
}

PropArray givenWithType(const ADRENTRY& given, ULONG recipientType) {
    PropArray r = copyOf(given);
    r.setLong(PR_RECIPIENT_TYPE, LONG(recipientType));
    return r;
}

const SPropValue* givenValue(const ADRENTRY& e, ULONG tag) {
    return common::findProp(e.rgPropVals, e.rgPropVals ? e.cValues : 0, tag);
}

// A new list in the component's domain holding `entries`.
HRESULT makeList(const std::vector<PropArray>& entries, ADRLIST** out) {
    void* p = nullptr;
    HRESULT h = wabDomain().allocate(ULONG(cbAdrList(ULONG(entries.size()))), &p);
    if (FAILED(h)) return h;
    auto* list = static_cast<ADRLIST*>(p);
    for (const PropArray& e : entries) {
        ADRENTRY& slot = list->aEntries[list->cEntries];
        h = common::copyProps(e.data(), e.size(), wabDomain(), &slot.rgPropVals);
        if (FAILED(h)) {
            common::freeAdrList(list, wabDomain());
            return h;
        }
        slot.cValues = e.size();
        ++list->cEntries;
    }
    *out = list;
    return S_OK;
}

} // namespace

HRESULT address(const std::shared_ptr<Session>& session, ULONG_PTR* ui, ADRPARM* params, ADRLIST** list) {
    if (!ui || !params) return E_INVALIDARG;
    const ULONG flags = params->ulFlags;
    if (flags & MAPI_UNICODE) return MAPI_E_BAD_CHARWIDTH;
    // One of the two kinds of dialog; the modeless one is shown modal, as
    // every address book but Outlook's does.
    if (!(flags & DIALOG_MODAL) == !(flags & DIALOG_SDI)) return E_INVALIDARG;
    const ULONG wellCount = params->cDestFields;
    const bool pickOne = wellCount == 0 && (flags & ADDRESS_ONE);
    if (wellCount > kMaxWells || ((wellCount || pickOne) && !list)) return E_INVALIDARG;
    // lpABContEntryID names the container to start in; the file's container is
    // the only one, and callers behind the contacts provider hand it in
    // wrapped, so it is not looked at.

    // The caller may show only some entries (e.g. only those with a fax number).
    const SRestriction* shownOnly = params->lpContRestriction;
    if (shownOnly)
        if (HRESULT h = common::checkRestriction(shownOnly); FAILED(h)) return h;

    AddressRequest request;
    request.caption = params->lpszCaption ? utf8(params->lpszCaption) : dialogText(40);
    request.wellsTitle = utf8(params->lpszDestWellsTitle);
    request.pickOne = pickOne;
    request.focus = params->nDestFieldFocus;
    std::vector<std::shared_ptr<const PropArray>> entries;
    {
        std::lock_guard g(session->store->mutex());
        session->store->refresh();
        for (const Entry& e : session->store->entries()) {
            if (shownOnly && !common::rowMatches(*shownOnly, *e.props)) continue;
            entries.push_back(e.props);
            request.candidates.push_back({platform::systemToUtf8(e.props->string(PR_DISPLAY_NAME)),
                                          platform::systemToUtf8(e.props->string(PR_EMAIL_ADDRESS)),
                                          e.kind == EntryKind::DistList});
        }
    }
    for (ULONG i = 0; i < wellCount; ++i) {
        AddressWell well;
        well.title = params->lppszDestTitles && params->lppszDestTitles[i] ? utf8(params->lppszDestTitles[i])
                                                                            : dialogText(46);
        well.recipientType = params->lpulDestComps ? params->lpulDestComps[i] : MAPI_TO;
        request.wells.push_back(std::move(well));
    }
    // The caller's recipients start in the well of their recipient type.
    const ADRLIST* given = list ? *list : nullptr;
    std::vector<bool> shown(given ? given->cEntries : 0, false);
    for (ULONG i = 0; given && i < given->cEntries; ++i) {
        const ADRENTRY& e = given->aEntries[i];
        const SPropValue* type = givenValue(e, PR_RECIPIENT_TYPE);
        for (AddressWell& well : request.wells) {
            if (!type || ULONG(type->Value.l) != well.recipientType) continue;
            const SPropValue* name = givenValue(e, PR_DISPLAY_NAME);
            if (!name || PROP_TYPE(name->ulPropTag) != PT_STRING8) name = givenValue(e, PR_EMAIL_ADDRESS);
            const bool text = name && PROP_TYPE(name->ulPropTag) == PT_STRING8;
            well.items.push_back({WellItem::Source::Given, i, text ? utf8(name->Value.lpszA) : std::string()});
            shown[i] = true;
            break;
        }
    }

    AddressChoice choice;
    switch (pickAddresses(*ui, request, choice)) {
    case DialogResult::Cancel: return MAPI_E_USER_CANCEL;
    case DialogResult::Unavailable: return MAPI_E_NO_SUPPORT;
    case DialogResult::Ok: break;
    }
    if (!pickOne && wellCount == 0) return S_OK; // browsing only

    std::vector<PropArray> result;
    if (pickOne) {
        if (!choice.picked || *choice.picked >= entries.size()) return MAPI_E_USER_CANCEL;
        result.push_back(recipientFrom(*entries[*choice.picked], MAPI_TO));
    }
    for (const AddressWell& well : choice.wells) {
        for (const WellItem& item : well.items) {
            if (item.source == WellItem::Source::Candidate) {
                if (item.index < entries.size()) result.push_back(recipientFrom(*entries[item.index], well.recipientType));
                continue;
            }
            if (!given || item.index >= given->cEntries) continue;
            const ADRENTRY& e = given->aEntries[item.index];
            // A name typed without an entry takes the one entry it names.
            if ((flags & AB_RESOLVE) && !givenValue(e, PR_ENTRYID)) {
                const SPropValue* name = givenValue(e, PR_DISPLAY_NAME);
                std::lock_guard g(session->store->mutex());
                const std::vector<const Entry*> found =
                    name && PROP_TYPE(name->ulPropTag) == PT_STRING8 ? matchName(*session->store, name->Value.lpszA)
                                                                     : std::vector<const Entry*>();
                if (found.size() == 1) {
                    result.push_back(recipientFrom(*found.front()->props, well.recipientType));
                    continue;
                }
            }
            result.push_back(givenWithType(e, well.recipientType));
        }
    }
    // Recipients of a type no well shows stay as they were (picking one
    // replaces the list).
    for (ULONG i = 0; given && !pickOne && i < given->cEntries; ++i)
        if (!shown[i]) result.push_back(copyOf(given->aEntries[i]));

    ADRLIST* made = nullptr;
    HRESULT h = makeList(result, &made);
    if (FAILED(h)) return h;
    if (*list) common::freeAdrList(*list, wabDomain());
    *list = made;
    return S_OK;
}

} // namespace wab32
