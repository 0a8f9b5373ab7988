#include "ldap_values.h"

#include <set>

#include "entry_ids.h"
#include "pdx/mapi.h"
#include "pdx/tags.h"
#include "platform/codepage.h"
#include "wab_tags.h"

namespace mapi32 {

using namespace pdx;

namespace {

// Length of the UTF-8 sequence at s[i], or 0 when it is not a valid one.
size_t sequenceLength(std::string_view s, size_t i) {
    const auto c = static_cast<unsigned char>(s[i]);
    if (c < 0x80) return 1;
    size_t n;
    char32_t cp;
    if ((c & 0xE0) == 0xC0) n = 2, cp = c & 0x1F;
    else if ((c & 0xF0) == 0xE0) n = 3, cp = c & 0x0F;
    else if ((c & 0xF8) == 0xF0) n = 4, cp = c & 0x07;
    else return 0;
    if (i + n > s.size()) return 0;
    for (size_t k = 1; k < n; ++k) {
        const auto d = static_cast<unsigned char>(s[i + k]);
        if ((d & 0xC0) != 0x80) return 0;
        cp = (cp << 6) | (d & 0x3F);
    }
    // Overlong forms, surrogates and values beyond Unicode are not text.
    static constexpr char32_t kMin[] = {0, 0, 0x80, 0x800, 0x10000};
    if (cp < kMin[n] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return 0;
    return n;
}

// Valid UTF-8 with every control character but tab made a blank.
std::string cleanUtf8(std::string_view in) {
    std::string out;
    out.reserve(in.size());
    for (size_t i = 0; i < in.size();) {
        const size_t n = sequenceLength(in, i);
        if (!n) {
            out += '?';
            ++i;
            continue;
        }
        const auto c = static_cast<unsigned char>(in[i]);
        if (n == 1 && ((c < 0x20 && c != '\t') || c == 0x7F)) out += ' ';
        else out.append(in.substr(i, n));
        i += n;
    }
    return out;
}

bool equalsNoCase(std::string_view a, std::string_view b) { return platform::equalsIgnoreAsciiCase(a, b); }

std::string trimmed(std::string_view s) {
    const auto b = s.find_first_not_of(" \t");
    if (b == std::string_view::npos) return {};
    const auto e = s.find_last_not_of(" \t");
    return std::string(s.substr(b, e - b + 1));
}

// The leading RDN's value of a DN ("cn=Team,ou=..." -> "Team"), for an entry without a name.
std::string_view leadingRdnValue(std::string_view dn) {
    const auto eq = dn.find('=');
    if (eq == std::string_view::npos) return dn;
    auto rest = dn.substr(eq + 1);
    for (size_t i = 0; i < rest.size(); ++i) {
        if (rest[i] == '\\') ++i;
        else if (rest[i] == ',' || rest[i] == '+') return rest.substr(0, i);
    }
    return rest;
}

} // namespace

const std::vector<std::string>* LdapEntry::values(std::string_view name) const {
    for (const LdapAttribute& a : attributes)
        if (equalsNoCase(a.name, name)) return &a.values;
    return nullptr;
}

std::string_view LdapEntry::first(std::string_view name) const {
    const auto* v = values(name);
    return v && !v->empty() ? std::string_view((*v)[0]) : std::string_view();
}

const std::vector<const char*>& recipientAttributes() {
    static const std::vector<const char*> attributes = {
        "objectClass", "displayName", "cn", "sn", "givenName", "o", "ou", "department", "facsimileTelephoneNumber",
        "mail", nullptr};
    return attributes;
}

const std::vector<const char*>& memberAttributes() {
    static const std::vector<const char*> attributes = {"member", "uniqueMember", nullptr};
    return attributes;
}

DirectoryText::DirectoryText() : codePage_(platform::systemCodePage()), utf8_(platform::systemCodePageIsUtf8()) {}

std::string DirectoryText::operator()(std::string_view utf8) const {
    std::string clean = cleanUtf8(utf8);
    if (utf8_) return clean;
    return platform::convertCodePage(clean, "UTF-8", codePage_, '?');
}

bool isGroup(const LdapEntry& entry) {
    if (const auto* classes = entry.values("objectClass"))
        for (const std::string& c : *classes)
            if (equalsNoCase(c, "groupOfNames") || equalsNoCase(c, "groupOfUniqueNames")) return true;
    return false;
}

common::TableRow recipientRow(const LdapEntry& entry, const MAPIUID& uid, const DirectoryText& text) {
    auto row = std::make_shared<common::PropArray>();
    const bool group = isGroup(entry);
    const std::string id = makeId(uid, group ? IdKind::DistList : IdKind::MailUser, entry.dn);
    row->setBinary(PR_ENTRYID, id.data(), ULONG(id.size()));
    row->setBinary(PR_INSTANCE_KEY, id.data(), ULONG(id.size()));
    row->setBinary(wab32::PR_RECORD_KEY, id.data(), ULONG(id.size()));
    row->setLong(PR_OBJECT_TYPE, LONG(group ? MAPI_DISTLIST : MAPI_MAILUSER));
    row->setLong(PR_DISPLAY_TYPE, LONG(group ? DT_DISTLIST : DT_MAILUSER));

    std::string_view name = entry.first("displayName");
    if (name.empty()) name = entry.first("cn");
    if (name.empty()) name = leadingRdnValue(entry.dn);
    row->setString(PR_DISPLAY_NAME, text(trimmed(name)));

    auto put = [&](ULONG tag, std::string_view value) {
        const std::string t = trimmed(value);
        if (!t.empty()) row->setString(tag, text(t));
    };
    put(wab32::PR_SURNAME, entry.first("sn"));
    put(wab32::PR_GIVEN_NAME, entry.first("givenName"));
    put(PR_COMPANY_NAME, entry.first("o"));
    std::string_view department = entry.first("ou");
    put(PR_DEPARTMENT_NAME, department.empty() ? entry.first("department") : department);
    std::string_view fax = entry.first("facsimileTelephoneNumber");
    put(PR_BUSINESS_FAX_NUMBER, fax.substr(0, fax.find('$')));
    const std::string mail = trimmed(entry.first("mail"));
    if (!mail.empty()) {
        row->setString(PR_EMAIL_ADDRESS, text(mail));
        row->setString(PR_ADDRTYPE, "SMTP");
    } else if (group) {
        row->setString(PR_ADDRTYPE, "MAPIPDL");
    }
    return row;
}

std::vector<std::string> memberDns(const LdapEntry& entry) {
    std::vector<std::string> out;
    std::set<std::string> seen;
    auto add = [&](std::string dn) {
        if (!dn.empty() && seen.insert(dn).second) out.push_back(std::move(dn));
    };
    if (const auto* members = entry.values("member"))
        for (const std::string& m : *members) add(m);
    if (const auto* members = entry.values("uniqueMember"))
        for (const std::string& m : *members) {
            // NameAndOptionalUID: "dn#'0101'B"; a "#" inside the DN is escaped.
            std::string dn = m;
            if (const auto hash = dn.rfind("#'"); hash != std::string::npos && dn.size() >= 2 &&
                                                   dn.compare(dn.size() - 2, 2, "'B") == 0 &&
                                                   (hash == 0 || dn[hash - 1] != '\\'))
                dn.resize(hash);
            add(std::move(dn));
        }
    return out;
}

} // namespace mapi32
