#pragma once
// The address book most bridge tests select from, as a fixture of the test
// provider (tests/core/test_provider/tp_store.h): the provider's root
// "通訊錄" holds "Sales", which holds "East".

namespace bridgetest {

// The provider UID line every book fixture starts with.
#define BRIDGETEST_BOOK_UID "uid\t424f4f4b544553540000000000000001\n"

inline constexpr char kSampleBook[] =
    BRIDGETEST_BOOK_UID
    "root\tname=通訊錄\n"
    "container\tkey=sales\tname=Sales\tflags=5\n"
    "container\tkey=east\tin=sales\tname=East\tflags=5\n"
    // Primary fax, business fax with its texts, and e-mail: three rows.
    "user\tkey=ann\tin=sales\tname=Ann Lee\tfax=02-1111-0000\tbfax=02-2222-0000\t5802001E=AnnB1\t5803001E=AnnB2"
    "\t5801001E=AnnB3\taddrtype=SMTP\temail=ann@example.com\tcompany=Acme\tdept=Sales Dept\t3A06001E=Ann"
    "\t3A11001E=Lee\t3004001E=Prefers fax\n"
    // A one-off fax entry whose name ends with the business suffix.
    "user\tkey=bob\tin=sales\tname=Bob Wu(公司傳真)\taddrtype=FAX\t3A13001E=Bob Wu"
    "\temail=Bob Wu@+886-2-5555-0000\n"
    // A directory entry: its internet address is among the proxy addresses.
    "user\tkey=carol\tin=sales\tname=Carol Chen\taddrtype=EX\temail=/o=Org/cn=carol"
    "\t800F101E=X400:c=TW;a= ;p=Org|SMTP:carol@example.com\n"
    // Company left out of the contents row: it is read from the entry.
    "user\tkey=dan\tin=sales\tname=Dan Ho\thfax=03-3333-0000\tcompany=Delta\tdept=Support\tnotinrows=3A16001E\n"
    // No address at all.
    "user\tkey=nobody\tin=sales\tname=Nobody\n"
    // A list with a nested list.
    "list\tkey=team\tin=sales\tname=Team\tmembers=eve,frank,inner\n"
    "list\tkey=inner\tin=east\tname=Inner\tmembers=ann\n"
    // Business and home fax but no primary fax.
    "user\tkey=eve\tin=east\tname=Eve Lin\tbfax=04-4444-0000\t5802001E=EB1\t5803001E=EB2\thfax=05-5555-0000"
    "\t5805001E=EH1\t5806001E=EH2\temail=eve@example.com\tcompany=Echo\n"
    "user\tkey=frank\tin=east\tname=Frank Yu\tfax=06-6666-0000\temail=frank@example.com\n";

} // namespace bridgetest
