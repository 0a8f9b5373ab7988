#pragma once
// From directory entries to recipients: the attribute mapping of the LDAP
// service and the conversion of the directory's UTF-8 values into the
// system code page. Plain functions over values already read, so that they
// can be tested and fuzzed without a server.
//
//   displayName, else cn        -> PR_DISPLAY_NAME
//   sn, givenName               -> PR_SURNAME, PR_GIVEN_NAME
//   o                           -> PR_COMPANY_NAME
//   ou, else department         -> PR_DEPARTMENT_NAME
//   facsimileTelephoneNumber    -> PR_BUSINESS_FAX_NUMBER (the number before any "$" parameters)
//   mail                        -> PR_EMAIL_ADDRESS, with PR_ADDRTYPE "SMTP"
// groupOfNames and groupOfUniqueNames entries are distribution lists whose
// members are the DNs of member and uniqueMember.

#include <string>
#include <string_view>
#include <vector>

#include "pdx/types.h"
#include "pdx_common/snapshot_table.h"

namespace mapi32 {

struct LdapAttribute {
    std::string name;
    std::vector<std::string> values; // as the server sent them
};

struct LdapEntry {
    std::string dn;
    std::vector<LdapAttribute> attributes;

    // The attribute's values (name compared without regard to case); null when absent.
    const std::vector<std::string>* values(std::string_view name) const;
    std::string_view first(std::string_view name) const;
};

// The attributes a recipient is read with; groups' members are read separately.
const std::vector<const char*>& recipientAttributes();
const std::vector<const char*>& memberAttributes();

// UTF-8 text of the directory in the system code page, as it stood when the
// converter was made. Byte sequences that are not UTF-8 and characters the
// code page cannot hold become "?"; control characters other than tab become blanks.
class DirectoryText {
public:
    DirectoryText();
    std::string operator()(std::string_view utf8) const;

private:
    std::string codePage_;
    bool utf8_ = true;
};

bool isGroup(const LdapEntry& entry);
// The properties of an entry of the service with `uid` (its identifier carries the DN).
pdx::common::TableRow recipientRow(const LdapEntry& entry, const pdx::MAPIUID& uid, const DirectoryText& text);
// The DNs a group names, in order, each once: member and uniqueMember (whose
// optional "#'...'B" unique identifier is dropped).
std::vector<std::string> memberDns(const LdapEntry& entry);

} // namespace mapi32
