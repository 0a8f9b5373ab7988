// Microsoft Exchange 5.x directory exports, through File > Import. Option
// byte 4 picks the delimiter, quote and group symbol.

#include "../support/import_harness.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    velmo::fuzz::runImportInput(lisotrex::kSourceExchange, data, size, [](lisotrex::Preferences& p, uint8_t own) {
        p.exchange.version = 0;
        p.exchange.column = own & 3;
        p.exchange.quote = (own >> 2) & 1;
        p.exchange.groupSymbol = (own >> 3) & 7;
    });
    return 0;
}
