#include "resolve.h"

#include "pdx/status.h"
#include "pdx/tags.h"
#include "session.h"
#include "wab_tags.h"

namespace wab32 {

using namespace pdx;
using common::PropArray;

namespace {

bool equalNoCase(std::string_view a, std::string_view b, bool prefix) {
    if (prefix ? a.size() < b.size() : a.size() != b.size()) return false;
    for (size_t i = 0; i < b.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

HRESULT replaceEntry(ADRENTRY& entry, std::vector<const SPropValue*> values, std::vector<SPropValue> missing) {
    SPropValue* fresh = nullptr;
    HRESULT h = common::copyPropPointers(values.data(), missing.data(), ULONG(values.size()), wabDomain(), &fresh);
    if (FAILED(h)) return h;
    if (entry.rgPropVals) wabDomain().free(entry.rgPropVals);
    entry.rgPropVals = fresh;
    entry.cValues = ULONG(values.size());
    return S_OK;
}

} // namespace

std::vector<const Entry*> matchName(const ContactStore& store, std::string_view name) {
    std::vector<const Entry*> exact, prefix;
    if (name.empty()) return exact;
    for (const Entry& e : store.entries()) {
        const std::string_view display = e.props->string(PR_DISPLAY_NAME);
        const std::string_view email = e.props->string(PR_EMAIL_ADDRESS);
        if (equalNoCase(display, name, false) || equalNoCase(email, name, false)) exact.push_back(&e);
        else if (equalNoCase(display, name, true) || equalNoCase(email, name, true)) prefix.push_back(&e);
    }
    return exact.empty() ? prefix : exact;
}

HRESULT fillAdrEntry(ADRENTRY& entry, const PropArray& props, const SPropTagArray* tags) {
    static const ULONG standard[] = {PR_DISPLAY_NAME, PR_ENTRYID, PR_OBJECT_TYPE, PR_DISPLAY_TYPE,
                                     PR_ADDRTYPE, PR_EMAIL_ADDRESS, PR_SEARCH_KEY};
    std::vector<ULONG> wanted = tags ? std::vector<ULONG>(tags->aulPropTag, tags->aulPropTag + tags->cValues)
                                     : std::vector<ULONG>(std::begin(standard), std::end(standard));
    // The recipient type the caller gave stays with the entry.
    const SPropValue* type = common::findProp(entry.rgPropVals, entry.rgPropVals ? entry.cValues : 0, PR_RECIPIENT_TYPE);
    std::vector<const SPropValue*> values;
    std::vector<SPropValue> missing;
    for (ULONG tag : wanted) {
        const SPropValue* v = props.find(tag);
        values.push_back(v);
        SPropValue m{};
        m.ulPropTag = CHANGE_PROP_TYPE(tag, PT_ERROR);
        m.Value.err = MAPI_E_NOT_FOUND;
        missing.push_back(m);
    }
    if (type && !props.find(PR_RECIPIENT_TYPE)) {
        values.push_back(type);
        missing.push_back({});
    }
    return replaceEntry(entry, std::move(values), std::move(missing));
}

HRESULT prepareAdrEntry(ADRENTRY& entry, const PropArray* props, const SPropTagArray* tags) {
    const SPropValue* own = entry.rgPropVals;
    const ULONG ownCount = own ? entry.cValues : 0;
    std::vector<const SPropValue*> values;
    std::vector<SPropValue> missing;
    const ULONG n = tags ? tags->cValues : 0;
    for (ULONG i = 0; i < n; ++i) {
        const ULONG tag = tags->aulPropTag[i];
        const SPropValue* v = props ? props->find(tag) : nullptr;
        if (!v) v = common::findProp(own, ownCount, tag);
        values.push_back(v);
        SPropValue m{};
        m.ulPropTag = CHANGE_PROP_TYPE(tag, PT_ERROR);
        m.Value.err = MAPI_E_NOT_FOUND;
        missing.push_back(m);
    }
    for (ULONG i = 0; i < ownCount; ++i) {
        bool requested = false;
        for (ULONG k = 0; k < n; ++k) requested = requested || PROP_ID(own[i].ulPropTag) == PROP_ID(tags->aulPropTag[k]);
        if (requested) continue;
        values.push_back(&own[i]);
        missing.push_back({});
    }
    return replaceEntry(entry, std::move(values), std::move(missing));
}

} // namespace wab32
