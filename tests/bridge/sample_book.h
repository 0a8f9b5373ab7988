#pragma once
// The address book most bridge tests select from: the provider's root
// "通訊錄" holds "Sales", which holds "East".

namespace bridgetest {

inline constexpr char kSampleBook[] =
    "[root]\n"
    "3001001E=通訊錄\n"
    "[container:sales]\n"
    "3001001E=Sales\n"
    "[container:east]\n"
    "parent=sales\n"
    "3001001E=East\n"
    // Primary fax, business fax with its texts, and e-mail: three rows.
    "[mailuser:ann]\n"
    "in=sales\n"
    "3001001E=Ann Lee\n"
    "3A23001E=02-1111-0000\n"
    "3A24001E=02-2222-0000\n"
    "5802001E=AnnB1\n"
    "5803001E=AnnB2\n"
    "5801001E=AnnB3\n"
    "3002001E=SMTP\n"
    "3003001E=ann@example.com\n"
    "3A16001E=Acme\n"
    "3A18001E=Sales Dept\n"
    "3A06001E=Ann\n"
    "3A11001E=Lee\n"
    "3004001E=Prefers fax\n"
    // A one-off fax entry whose name ends with the business suffix.
    "[mailuser:bob]\n"
    "in=sales\n"
    "3001001E=Bob Wu(公司傳真)\n"
    "3002001E=FAX\n"
    "3A13001E=Bob Wu\n"
    "3003001E=Bob Wu@+886-2-5555-0000\n"
    // A directory entry: its internet address is among the proxy addresses.
    "[mailuser:carol]\n"
    "in=sales\n"
    "3001001E=Carol Chen\n"
    "3002001E=EX\n"
    "3003001E=/o=Org/cn=carol\n"
    "800F101E=X400:c=TW;a= ;p=Org|SMTP:carol@example.com\n"
    // Company and department reported as errors by the contents row.
    "[mailuser:dan]\n"
    "in=sales\n"
    "3001001E=Dan Ho\n"
    "3A25001E=03-3333-0000\n"
    "3A16001E=Delta\n"
    "3A18001E=Support\n"
    "row:3A16000A=8004010F\n"
    // No address at all.
    "[mailuser:nobody]\n"
    "in=sales\n"
    "3001001E=Nobody\n"
    // A list with a nested list.
    "[distlist:team]\n"
    "in=sales\n"
    "3001001E=Team\n"
    "members=eve,frank,inner\n"
    "[distlist:inner]\n"
    "in=east\n"
    "3001001E=Inner\n"
    "members=ann\n"
    // Business and home fax but no primary fax.
    "[mailuser:eve]\n"
    "in=east\n"
    "3001001E=Eve Lin\n"
    "3A24001E=04-4444-0000\n"
    "5802001E=EB1\n"
    "5803001E=EB2\n"
    "3A25001E=05-5555-0000\n"
    "5805001E=EH1\n"
    "5806001E=EH2\n"
    "3003001E=eve@example.com\n"
    "3A16001E=Echo\n"
    "[mailuser:frank]\n"
    "in=east\n"
    "3001001E=Frank Yu\n"
    "3A23001E=06-6666-0000\n"
    "3003001E=frank@example.com\n";

} // namespace bridgetest
