#pragma once
// The rows of the entry list and the recipients of the import list.

#include <cstdint>
#include <string>

#include "selection/pdx_access.h"
#include "vqbridge.h"

namespace vqbridge {

enum class EntryKind { MailUser, DistList };

// Which of an entry's addresses a row carries, in the order rows are made.
enum class AddressKind { None, PrimaryFax, HomeFax, BusinessFax, OtherFax, Email };

// The three auxiliary texts of a home or business fax number.
struct FaxTexts {
    std::string first, second, third;
};

// One row of the entry list: an entry with at most one of its addresses.
// Texts are bytes in the system code page.
struct EntryRow {
    uint32_t id = 0; // stays with the row through sorting
    EntryKind kind = EntryKind::MailUser;
    EntryId entryId;
    std::string name, company, department, givenName, surname, comment;
    AddressKind addressKind = AddressKind::None;
    std::string address;
    FaxTexts texts; // home and business rows only

    bool isList() const { return kind == EntryKind::DistList; }
    bool hasAddress() const { return addressKind != AddressKind::None; }
};

// One item of the import list; becomes a recipient record.
struct Recipient {
    std::string displayName, address, company, department, faxText1, faxText2;
    uint32_t kind = kFaxRecipient; // or kEmailRecipient
    std::string givenName, surname;
};

} // namespace vqbridge
