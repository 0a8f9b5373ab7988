// Microsoft Exchange 2000 directory exports (X'..' hexadecimal UTF-8 cells),
// through File > Import. Option byte 4 picks the code page the cells become.

#include "../support/exchange_fields_check.h"
#include "../support/import_harness.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    velmo::fuzz::runImportInput(lisotrex::kSourceExchange, data, size, [](lisotrex::Preferences& p, uint8_t own) {
        p.exchange.version = 1;
        static const char* const kCodePages[] = {"UTF-8", "CP950", "CP932", "UTF-8"};
        setenv("VELMO_CODEPAGE", kCodePages[own & 3], 1);
    });
    velmo::fuzz::Input in(data, size);
    for (int i = 0; i < 4; ++i) in.byte();
    velmo::fuzz::checkFieldsInPlace(in.rest(), lisotrex::exchangeFormat({}, true));
    return 0;
}
