#pragma once
// The property tags an entry is read with: every contents table and every
// expanded list is read with these 23 columns, in this order.

#include "pdx/tags.h"
#include "selection/pdx_access.h"

namespace vqbridge {

constexpr pdx::ULONG PR_COMMENT = 0x3004001E;
constexpr pdx::ULONG PR_ORIGINAL_DISPLAY_NAME = 0x3A13001E;
constexpr pdx::ULONG PR_GIVEN_NAME = 0x3A06001E;
constexpr pdx::ULONG PR_SURNAME = 0x3A11001E;
// The fax provider's auxiliary texts of the home and business numbers.
constexpr pdx::ULONG PR_HOME_FAX_TEXT1 = 0x5805001E;
constexpr pdx::ULONG PR_HOME_FAX_TEXT2 = 0x5806001E;
constexpr pdx::ULONG PR_HOME_FAX_TEXT3 = 0x5804001E;
constexpr pdx::ULONG PR_BUSINESS_FAX_TEXT1 = 0x5802001E;
constexpr pdx::ULONG PR_BUSINESS_FAX_TEXT2 = 0x5803001E;
constexpr pdx::ULONG PR_BUSINESS_FAX_TEXT3 = 0x5801001E;
// Multi-valued proxy addresses ("SMTP:..." and the like) of directory entries.
constexpr pdx::ULONG PR_PROXY_ADDRESSES = 0x800F101E;
constexpr pdx::ULONG PR_PROXY_SPARE = 0x8011001E;

inline constexpr TagList<23> kEntryColumns = {
    23,
    {pdx::PR_DISPLAY_NAME, pdx::PR_ENTRYID, pdx::PR_OBJECT_TYPE, pdx::PR_ADDRTYPE, pdx::PR_PRIMARY_FAX_NUMBER,
     pdx::PR_HOME_FAX_NUMBER, PR_HOME_FAX_TEXT1, PR_HOME_FAX_TEXT2, PR_HOME_FAX_TEXT3, pdx::PR_BUSINESS_FAX_NUMBER,
     PR_BUSINESS_FAX_TEXT1, PR_BUSINESS_FAX_TEXT2, PR_BUSINESS_FAX_TEXT3, PR_COMMENT, PR_ORIGINAL_DISPLAY_NAME,
     pdx::PR_EMAIL_ADDRESS, pdx::PR_COMPANY_NAME, pdx::PR_DEPARTMENT_NAME, PR_GIVEN_NAME, PR_SURNAME,
     pdx::PR_DISPLAY_TYPE, PR_PROXY_ADDRESSES, PR_PROXY_SPARE}};

} // namespace vqbridge
