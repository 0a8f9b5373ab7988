#include "selection/address_rules.h"

#include "selection/entry_tags.h"

namespace vqbridge {

using namespace pdx;

namespace {

bool endsWith(const std::string& text, const std::string& suffix) {
    return !suffix.empty() && text.size() >= suffix.size() &&
           text.compare(text.size() - suffix.size(), suffix.size(), suffix) == 0;
}

// A one-off fax entry: "<name>@<number>"-like address after its original name.
void oneOffFax(const PropView& props, const SelectionLabels& labels, EntryAddresses& a) {
    const std::string shown = props.text(PR_DISPLAY_NAME);
    const SPropValue* original = props.find(PR_ORIGINAL_DISPLAY_NAME);
    a.displayName = original && original->ulPropTag == PR_ORIGINAL_DISPLAY_NAME ? props.text(PR_ORIGINAL_DISPLAY_NAME)
                                                                                : shown;
    const std::string address = props.text(PR_EMAIL_ADDRESS);
    const size_t skip = a.displayName.size() + 1;
    a.oneOffFax = address.size() > skip ? address.substr(skip) : std::string();
    if (endsWith(shown, labels.compHome)) a.homeFax = a.oneOffFax;
    else if (endsWith(shown, labels.compBusiness)) a.businessFax = a.oneOffFax;
    else if (endsWith(shown, labels.compOther)) a.otherFax = a.oneOffFax;
    else a.primaryFax = a.oneOffFax;
}

// The first proxy address naming SMTP, without the marker and the separator after it.
std::string smtpAddress(const PropView& props, const std::string& smtp) {
    for (const std::string& proxy : props.texts(PR_PROXY_ADDRESSES)) {
        const size_t at = smtp.empty() ? std::string::npos : proxy.find(smtp);
        if (at == std::string::npos) continue;
        const size_t start = at + smtp.size() + 1;
        return start < proxy.size() ? proxy.substr(start) : std::string();
    }
    return {};
}

// A number property overrides what the address type gave only when present.
void takeNumber(const PropView& props, ULONG tag, std::string& slot) {
    const SPropValue* v = props.find(tag);
    if (v && v->ulPropTag == tag) slot = props.text(tag);
}

} // namespace

EntryAddresses readAddresses(const PropView& props, const SelectionLabels& labels) {
    EntryAddresses a;
    const std::string type = props.text(PR_ADDRTYPE);
    if (type == labels.faxType) {
        oneOffFax(props, labels, a);
    } else if (type == labels.exchangeType) {
        a.displayName = props.text(PR_DISPLAY_NAME);
        a.email = smtpAddress(props, labels.smtp);
    } else {
        a.displayName = props.text(PR_DISPLAY_NAME);
        a.email = props.text(PR_EMAIL_ADDRESS);
        const SPropValue* original = props.find(PR_ORIGINAL_DISPLAY_NAME);
        if (original && original->ulPropTag == PR_ORIGINAL_DISPLAY_NAME && !labels.compEmail.empty()) {
            const size_t at = a.displayName.find(labels.compEmail);
            if (at != std::string::npos) a.displayName.erase(at, labels.compEmail.size());
        }
    }
    takeNumber(props, PR_PRIMARY_FAX_NUMBER, a.primaryFax);
    takeNumber(props, PR_HOME_FAX_NUMBER, a.homeFax);
    takeNumber(props, PR_BUSINESS_FAX_NUMBER, a.businessFax);
    a.homeTexts = {props.text(PR_HOME_FAX_TEXT1), props.text(PR_HOME_FAX_TEXT2), props.text(PR_HOME_FAX_TEXT3)};
    a.businessTexts = {props.text(PR_BUSINESS_FAX_TEXT1), props.text(PR_BUSINESS_FAX_TEXT2),
                       props.text(PR_BUSINESS_FAX_TEXT3)};
    return a;
}

} // namespace vqbridge
