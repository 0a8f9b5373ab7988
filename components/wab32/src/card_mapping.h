#pragma once
// Between a vCard card and the properties of a mail user or distribution
// list. Texts cross in the system code page (unmappable characters as "?").
//
// FN -> PR_DISPLAY_NAME; N -> PR_SURNAME, PR_GIVEN_NAME, PR_MIDDLE_NAME,
// PR_DISPLAY_NAME_PREFIX, PR_GENERATION; ORG -> PR_COMPANY_NAME,
// PR_DEPARTMENT_NAME; TITLE; NICKNAME; NOTE -> PR_COMMENT; TEL fax+work ->
// PR_BUSINESS_FAX_NUMBER, fax+home -> PR_HOME_FAX_NUMBER, fax alone ->
// PR_PRIMARY_FAX_NUMBER, and the work, home and cell voice numbers; the
// preferred EMAIL -> PR_EMAIL_ADDRESS with PR_ADDRTYPE "SMTP". Properties
// with no vCard counterpart are kept in X-VELMO-MAPI-<tag> lines.

#include <functional>
#include <string>
#include <vector>

#include "entry_id.h"
#include "pdx/types.h"
#include "pdx_common/prop_array.h"
#include "vcard/vcard_document.h"

namespace wab32 {

struct CardFacts {
    bool isList = false;
    std::string uid;
    std::vector<std::string> members; // MEMBER values as written (urn:uuid:..., mailto:...)
};

// The card's own properties (identity properties are the store's).
void readCard(const vcard::Card& card, pdx::common::PropArray& props, CardFacts& facts);

// Properties the store computes; SetProps refuses them with MAPI_E_COMPUTED.
bool isComputed(pdx::ULONG tag);
// S_OK when SetProps can keep the value, else the problem's status.
pdx::HRESULT canStore(const pdx::SPropValue& value);

// Writes values (set) and tags (deleted) into the card, changing only the
// lines they map to.
void writeProps(vcard::Card& card, const pdx::common::PropArray& values, const std::vector<pdx::ULONG>& deleted);

// A new card of `version` with its UID from `key`; a list when `list`.
vcard::Card newCard(std::string_view version, const Key& key, bool list, std::string_view eol);
// Gives a card without UID the UID of its current key, so the key survives the edit.
void ensureUid(vcard::Card& card, const Key& key);
// The reference a list keeps to a member card with that UID.
std::string memberRef(std::string_view uid);
// The key of the card a member reference names (see keyFromUid).
Key keyOfMemberRef(std::string_view ref);
void addMember(vcard::Card& list, std::string_view ref);
// The member references of a list, as written.
std::vector<std::string> memberRefs(const vcard::Card& list);
// Removes every member line whose reference `drop` picks; the number removed.
size_t removeMembers(vcard::Card& list, const std::function<bool(std::string_view ref)>& drop);

} // namespace wab32
