#include "card_mapping.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>

#include "pdx/status.h"
#include "platform/codepage.h"
#include "vcard/vcard_text.h"
#include "wab_tags.h"

namespace wab32 {

using namespace pdx;
using common::PropArray;
using vcard::Card;
using vcard::Property;

namespace {

constexpr std::string_view kGenericPrefix = "X-VELMO-MAPI-";

enum class Tel { None, BusinessFax, HomeFax, PrimaryFax, Business, Home, Mobile };

Tel telKind(const Property& p) {
    const bool fax = p.hasType("fax");
    const bool work = p.hasType("work");
    const bool home = p.hasType("home");
    if (fax) return work ? Tel::BusinessFax : home ? Tel::HomeFax : Tel::PrimaryFax;
    if (p.hasType("cell")) return Tel::Mobile;
    if (work) return Tel::Business;
    if (home) return Tel::Home;
    return Tel::None;
}

Tel telOfTag(ULONG tag) {
    switch (tag) {
    case PR_BUSINESS_FAX_NUMBER: return Tel::BusinessFax;
    case PR_HOME_FAX_NUMBER: return Tel::HomeFax;
    case PR_PRIMARY_FAX_NUMBER: return Tel::PrimaryFax;
    case PR_BUSINESS_TELEPHONE_NUMBER: return Tel::Business;
    case PR_HOME_TELEPHONE_NUMBER: return Tel::Home;
    case PR_MOBILE_TELEPHONE_NUMBER: return Tel::Mobile;
    default: return Tel::None;
    }
}

ULONG tagOfTel(Tel t) {
    switch (t) {
    case Tel::BusinessFax: return PR_BUSINESS_FAX_NUMBER;
    case Tel::HomeFax: return PR_HOME_FAX_NUMBER;
    case Tel::PrimaryFax: return PR_PRIMARY_FAX_NUMBER;
    case Tel::Business: return PR_BUSINESS_TELEPHONE_NUMBER;
    case Tel::Home: return PR_HOME_TELEPHONE_NUMBER;
    case Tel::Mobile: return PR_MOBILE_TELEPHONE_NUMBER;
    default: return 0;
    }
}

bool startsWithNoCase(std::string_view s, std::string_view prefix) {
    if (s.size() < prefix.size()) return false;
    for (size_t i = 0; i < prefix.size(); ++i)
        if (std::toupper(static_cast<unsigned char>(s[i])) != std::toupper(static_cast<unsigned char>(prefix[i])))
            return false;
    return true;
}

std::string telNumber(const Property& p, std::string_view version) {
    std::string t = vcard::text(p, version);
    if (startsWithNoCase(t, "tel:")) t.erase(0, 4);
    return t;
}

// Texts leave in the system code page; when that is UTF-8 they stay as they
// are. The code page is the process's, so one flag serves every thread (a
// thread-local one would leave the loader's thread data of this module behind
// when the provider unloads it).
std::atomic<bool> g_systemIsUtf8{true};
std::string toSystem(const std::string& utf8) {
    return g_systemIsUtf8.load(std::memory_order_relaxed) ? utf8 : platform::utf8ToSystem(utf8, '?');
}
// Sets a text property from UTF-8 without an intermediate copy when none is needed.
void setSystemString(PropArray& props, ULONG tag, const std::string& utf8) {
    if (g_systemIsUtf8.load(std::memory_order_relaxed)) props.setString(tag, utf8);
    else props.setString(tag, platform::utf8ToSystem(utf8, '?'));
}

// The index of the component of N or ORG a tag maps to, or -1.
int nameComponent(ULONG tag) {
    switch (tag) {
    case PR_SURNAME: return 0;
    case PR_GIVEN_NAME: return 1;
    case PR_MIDDLE_NAME: return 2;
    case PR_DISPLAY_NAME_PREFIX: return 3;
    case PR_GENERATION: return 4;
    default: return -1;
    }
}

const char* singleLineOf(ULONG tag) {
    switch (tag) {
    case PR_TITLE: return "TITLE";
    case PR_COMMENT: return "NOTE";
    case PR_NICKNAME: return "NICKNAME";
    default: return nullptr;
    }
}

// Preferred e-mail: TYPE=PREF (2.1, 3.0) or the lowest PREF=n (4.0); else the first.
const Property* preferredEmail(const Card& card) {
    const Property* best = nullptr;
    long bestRank = 1000;
    for (const Property& p : card.lines) {
        if (!p.isNamed("EMAIL")) continue;
        long rank = 101;
        if (p.hasType("pref")) rank = 1;
        for (const std::string& v : p.paramValues("PREF")) rank = std::min(rank, std::strtol(v.c_str(), nullptr, 10));
        if (!best || rank < bestRank) {
            best = &p;
            bestRank = rank;
        }
    }
    return best;
}

std::string hexOf(const BYTE* b, ULONG n) {
    static const char* d = "0123456789ABCDEF";
    std::string s;
    for (ULONG i = 0; i < n; ++i) (s += d[b[i] >> 4]) += d[b[i] & 0xF];
    return s;
}

std::string genericName(ULONG tag) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%08X", tag);
    return std::string(kGenericPrefix) + buf;
}

void readGeneric(const Property& p, std::string_view version, PropArray& props) {
    const std::string hex = p.name.substr(kGenericPrefix.size());
    char* end = nullptr;
    const ULONG tag = ULONG(std::strtoul(hex.c_str(), &end, 16));
    if (hex.size() != 8 || *end) return;
    const std::string value = vcard::text(p, version);
    SPropValue v{};
    v.ulPropTag = tag;
    switch (PROP_TYPE(tag)) {
    case PT_STRING8: setSystemString(props, tag, value); return;
    case PT_LONG: v.Value.l = LONG(std::strtol(value.c_str(), nullptr, 10)); break;
    case PT_BOOLEAN: v.Value.b = value == "1" ? 1 : 0; break;
    case PT_BINARY: {
        std::string bytes;
        for (size_t i = 0; i + 1 < value.size(); i += 2)
            bytes += char(std::strtoul(value.substr(i, 2).c_str(), nullptr, 16));
        props.setBinary(tag, bytes.data(), ULONG(bytes.size()));
        return;
    }
    default: return;
    }
    props.set(v);
}

std::string genericText(const SPropValue& v) {
    switch (PROP_TYPE(v.ulPropTag)) {
    case PT_STRING8: return platform::systemToUtf8(v.Value.lpszA ? v.Value.lpszA : "");
    case PT_LONG: return std::to_string(v.Value.l);
    case PT_BOOLEAN: return v.Value.b ? "1" : "0";
    case PT_BINARY: return hexOf(v.Value.bin.lpb, v.Value.bin.cb);
    default: return {};
    }
}

Property* findNamed(Card& card, std::string_view name) { return card.find(name); }

Property* findTel(Card& card, Tel kind) {
    for (Property& p : card.lines)
        if (p.isNamed("TEL") && telKind(p) == kind) return &p;
    return nullptr;
}

Property newLine(std::string name) {
    Property p;
    p.name = std::move(name);
    return p;
}

std::vector<std::string> telTypes(Tel kind, bool lower) {
    std::vector<std::string> t;
    switch (kind) {
    case Tel::BusinessFax: t = {"WORK", "FAX"}; break;
    case Tel::HomeFax: t = {"HOME", "FAX"}; break;
    case Tel::PrimaryFax: t = {"FAX"}; break;
    case Tel::Business: t = {"WORK", "VOICE"}; break;
    case Tel::Home: t = {"HOME", "VOICE"}; break;
    case Tel::Mobile: t = {"CELL"}; break;
    default: break;
    }
    if (lower)
        for (auto& s : t)
            for (auto& c : s) c = char(std::tolower(static_cast<unsigned char>(c)));
    return t;
}

void setSingle(Card& card, const char* name, const std::string& utf8, bool keepEmpty) {
    const std::string version = card.version();
    Property* p = findNamed(card, name);
    if (utf8.empty() && !keepEmpty) {
        if (p) card.remove(p);
        return;
    }
    if (!p) p = &card.add(newLine(name));
    vcard::setText(*p, utf8, version);
    card.changed = true;
}

void setComponent(Card& card, const char* name, size_t index, const std::string& utf8, size_t minimum) {
    const std::string version = card.version();
    Property* p = findNamed(card, name);
    if (!p) {
        if (utf8.empty()) return;
        p = &card.add(newLine(name));
    }
    std::vector<std::string> parts = p->value.empty() ? std::vector<std::string>() : vcard::components(*p, version);
    if (parts.size() < std::max(minimum, index + 1)) parts.resize(std::max(minimum, index + 1));
    parts[index] = utf8;
    vcard::setComponents(*p, parts, version);
    card.changed = true;
}

void setTel(Card& card, Tel kind, const std::string& number) {
    const std::string version = card.version();
    Property* p = findTel(card, kind);
    if (number.empty()) {
        if (p) card.remove(p);
        return;
    }
    if (!p) {
        Property line = newLine("TEL");
        if (version == "2.1") {
            for (std::string& t : telTypes(kind, false)) line.params.push_back({"", {t}});
        } else {
            line.params.push_back({"TYPE", telTypes(kind, version == "4.0")});
        }
        p = &card.add(std::move(line));
    }
    const bool uri = startsWithNoCase(p->value, "tel:");
    vcard::setText(*p, uri ? "tel:" + number : number, version);
    card.changed = true;
}

void setEmail(Card& card, const std::string& address) {
    const std::string version = card.version();
    Property* p = const_cast<Property*>(preferredEmail(card));
    if (address.empty()) {
        if (p) card.remove(p);
        return;
    }
    if (!p) {
        Property line = newLine("EMAIL");
        if (version == "2.1") line.params.push_back({"", {"INTERNET"}});
        else if (version == "3.0") line.params.push_back({"TYPE", {"INTERNET"}});
        p = &card.add(std::move(line));
    }
    vcard::setText(*p, address, version);
    card.changed = true;
}

void setGeneric(Card& card, ULONG tag, const SPropValue* value) {
    // One line per identifier, whatever type it was written with.
    for (size_t i = card.lines.size(); i-- > 0;) {
        const Property& p = card.lines[i];
        if (!p.opaque && startsWithNoCase(p.name, kGenericPrefix) && p.name.size() == kGenericPrefix.size() + 8 &&
            startsWithNoCase(p.name.substr(kGenericPrefix.size()), genericName(tag).substr(kGenericPrefix.size(), 4)))
            card.remove(&card.lines[i]);
    }
    if (!value) return;
    Property& line = card.add(newLine(genericName(value->ulPropTag)));
    vcard::setText(line, genericText(*value), card.version());
}

void writeOne(Card& card, ULONG tag, const SPropValue* value) {
    const std::string utf8 =
        value && PROP_TYPE(value->ulPropTag) == PT_STRING8 && value->Value.lpszA ? platform::systemToUtf8(value->Value.lpszA) : std::string();
    const ULONG id = PROP_ID(tag);
    if (id == PROP_ID(PR_DISPLAY_NAME)) return setSingle(card, "FN", utf8, card.version() != "2.1");
    if (const int n = nameComponent(CHANGE_PROP_TYPE(tag, PT_STRING8)); n >= 0)
        return setComponent(card, "N", size_t(n), utf8, 5);
    if (id == PROP_ID(PR_COMPANY_NAME)) return setComponent(card, "ORG", 0, utf8, 1);
    if (id == PROP_ID(PR_DEPARTMENT_NAME)) return setComponent(card, "ORG", 1, utf8, 2);
    if (const char* line = singleLineOf(CHANGE_PROP_TYPE(tag, PT_STRING8))) return setSingle(card, line, utf8, false);
    if (const Tel t = telOfTag(CHANGE_PROP_TYPE(tag, PT_STRING8)); t != Tel::None) return setTel(card, t, utf8);
    if (id == PROP_ID(PR_EMAIL_ADDRESS)) return setEmail(card, utf8);
    if (id == PROP_ID(PR_ADDRTYPE) && (!value || utf8.empty() || utf8 == "SMTP" || utf8 == "smtp"))
        return setGeneric(card, tag, nullptr);
    setGeneric(card, tag, value);
}

} // namespace

bool isComputed(ULONG tag) {
    switch (CHANGE_PROP_TYPE(tag, PT_UNSPECIFIED)) {
    case CHANGE_PROP_TYPE(PR_ENTRYID, PT_UNSPECIFIED):
    case CHANGE_PROP_TYPE(PR_OBJECT_TYPE, PT_UNSPECIFIED):
    case CHANGE_PROP_TYPE(PR_DISPLAY_TYPE, PT_UNSPECIFIED):
    case CHANGE_PROP_TYPE(PR_RECORD_KEY, PT_UNSPECIFIED):
    case CHANGE_PROP_TYPE(PR_INSTANCE_KEY, PT_UNSPECIFIED):
    case CHANGE_PROP_TYPE(PR_SEARCH_KEY, PT_UNSPECIFIED):
    case CHANGE_PROP_TYPE(PR_WAB_PARENT_IDS, PT_UNSPECIFIED):
    case CHANGE_PROP_TYPE(PR_CONTAINER_FLAGS, PT_UNSPECIFIED):
    case CHANGE_PROP_TYPE(PR_DEF_CREATE_DL, PT_UNSPECIFIED):
    case CHANGE_PROP_TYPE(PR_DEF_CREATE_MAILUSER, PT_UNSPECIFIED):
        return true;
    default:
        return false;
    }
}

HRESULT canStore(const SPropValue& v) {
    if (isComputed(v.ulPropTag)) return MAPI_E_COMPUTED;
    switch (PROP_TYPE(v.ulPropTag)) {
    case PT_STRING8: return v.Value.lpszA ? S_OK : E_INVALIDARG;
    case PT_LONG:
    case PT_BOOLEAN: return S_OK;
    case PT_BINARY: return v.Value.bin.cb && !v.Value.bin.lpb ? E_INVALIDARG : S_OK;
    case PT_UNICODE: return MAPI_E_BAD_CHARWIDTH;
    default: return MAPI_E_TYPE_NO_SUPPORT;
    }
}

void readCard(const Card& card, PropArray& props, CardFacts& facts) {
    g_systemIsUtf8.store(platform::systemCodePageIsUtf8(), std::memory_order_relaxed);
    const std::string version = card.version();
    std::string fn;
    std::vector<std::string> n;
    std::vector<std::string> org;
    std::vector<const Property*> tels[7];
    for (const Property& p : card.lines) {
        if (p.opaque) continue;
        if (p.isNamed("FN")) {
            if (fn.empty()) fn = vcard::text(p, version);
        } else if (p.isNamed("N")) {
            if (n.empty()) n = vcard::components(p, version);
        } else if (p.isNamed("ORG")) {
            if (org.empty()) org = vcard::components(p, version);
        } else if (p.isNamed("TITLE") || p.isNamed("NOTE") || p.isNamed("NICKNAME")) {
            const ULONG tag = p.isNamed("TITLE") ? PR_TITLE : p.isNamed("NOTE") ? PR_COMMENT : PR_NICKNAME;
            if (!props.find(tag)) setSystemString(props, tag, vcard::text(p, version));
        } else if (p.isNamed("TEL")) {
            tels[int(telKind(p))].push_back(&p);
        } else if (p.isNamed("UID")) {
            facts.uid = vcard::text(p, version);
        } else if (p.isNamed("KIND") || p.isNamed("X-ADDRESSBOOKSERVER-KIND")) {
            const std::string kind = vcard::text(p, version);
            facts.isList = facts.isList || startsWithNoCase(kind, "group");
        } else if (p.isNamed("MEMBER") || p.isNamed("X-ADDRESSBOOKSERVER-MEMBER")) {
            facts.members.push_back(vcard::text(p, version));
        } else if (startsWithNoCase(p.name, kGenericPrefix)) {
            readGeneric(p, version, props);
        }
    }
    static const ULONG nameTags[] = {PR_SURNAME, PR_GIVEN_NAME, PR_MIDDLE_NAME, PR_DISPLAY_NAME_PREFIX, PR_GENERATION};
    for (size_t i = 0; i < n.size() && i < 5; ++i)
        if (!n[i].empty()) setSystemString(props, nameTags[i], n[i]);
    if (!org.empty() && !org[0].empty()) setSystemString(props, PR_COMPANY_NAME, org[0]);
    if (org.size() > 1 && !org[1].empty()) setSystemString(props, PR_DEPARTMENT_NAME, org[1]);
    for (int k = 1; k < 7; ++k)
        if (!tels[k].empty()) setSystemString(props, tagOfTel(Tel(k)), telNumber(*tels[k].front(), version));
    std::string email;
    if (const Property* e = preferredEmail(card)) email = vcard::text(*e, version);
    if (!email.empty()) {
        setSystemString(props, PR_EMAIL_ADDRESS, email);
        if (!props.find(PR_ADDRTYPE)) props.setString(PR_ADDRTYPE, "SMTP");
        std::string key = "SMTP:" + toSystem(email);
        for (char& c : key) c = char(std::toupper(static_cast<unsigned char>(c)));
        props.setBinary(PR_SEARCH_KEY, key.c_str(), ULONG(key.size() + 1));
    }
    // A card without FN still shows a name: from N, the company or the address.
    if (fn.empty() && n.size() > 1) fn = n[1].empty() ? n[0] : n[0].empty() ? n[1] : n[1] + " " + n[0];
    if (fn.empty() && !org.empty()) fn = org[0];
    if (fn.empty()) fn = email;
    setSystemString(props, PR_DISPLAY_NAME, fn);
}

void writeProps(Card& card, const PropArray& values, const std::vector<ULONG>& deleted) {
    for (ULONG tag : deleted) writeOne(card, tag, nullptr);
    for (ULONG i = 0; i < values.size(); ++i) writeOne(card, values.data()[i].ulPropTag, &values.data()[i]);
}

Card newCard(std::string_view version, const Key& key, bool list, std::string_view eol) {
    std::string text = "BEGIN:VCARD\nVERSION:" + std::string(version) + "\n";
    if (version == "4.0") text += "UID:urn:uuid:" + keyToUuid(key) + "\n";
    else text += "UID:" + keyToUuid(key) + "\n";
    if (list) text += version == "4.0" ? "KIND:group\n" : "X-ADDRESSBOOKSERVER-KIND:group\n";
    text += version == "4.0" ? "FN:\n" : "N:;;;;\nFN:\n";
    text += "END:VCARD\n";
    vcard::Document doc = vcard::parse(text);
    Card card = std::move(doc.segments.front().card);
    // Written anew with the file's line ends.
    for (Property& p : card.lines) p.raw.clear();
    card.eol = std::string(eol);
    card.changed = true;
    return card;
}

void ensureUid(Card& card, const Key& key) {
    if (card.find("UID")) return;
    Property p = newLine("UID");
    p.value = card.version() == "4.0" ? "urn:uuid:" + keyToUuid(key) : keyToUuid(key);
    card.add(std::move(p));
}

std::string memberRef(std::string_view uid) {
    return startsWithNoCase(uid, "urn:") ? std::string(uid) : "urn:uuid:" + std::string(uid);
}

Key keyOfMemberRef(std::string_view ref) {
    if (startsWithNoCase(ref, "urn:uuid:")) ref.remove_prefix(9);
    return keyFromUid(ref);
}

void addMember(Card& list, std::string_view ref) {
    Property p = newLine(list.version() == "4.0" ? "MEMBER" : "X-ADDRESSBOOKSERVER-MEMBER");
    p.value = std::string(ref);
    list.add(std::move(p));
}

std::vector<std::string> memberRefs(const Card& list) {
    std::vector<std::string> refs;
    const std::string version = list.version();
    for (const Property& p : list.lines)
        if (p.isNamed("MEMBER") || p.isNamed("X-ADDRESSBOOKSERVER-MEMBER")) refs.push_back(vcard::text(p, version));
    return refs;
}

size_t removeMembers(Card& list, const std::function<bool(std::string_view ref)>& drop) {
    size_t removed = 0;
    const std::string version = list.version();
    for (size_t i = list.lines.size(); i-- > 0;) {
        const Property& p = list.lines[i];
        if ((p.isNamed("MEMBER") || p.isNamed("X-ADDRESSBOOKSERVER-MEMBER")) && drop(vcard::text(p, version))) {
            list.remove(&list.lines[i]);
            ++removed;
        }
    }
    return removed;
}

} // namespace wab32
