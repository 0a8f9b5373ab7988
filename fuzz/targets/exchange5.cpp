// Microsoft Exchange 5.x directory exports, through File > Import. Option
// byte 4 picks the delimiter, quote and group symbol.

#include "../support/exchange_fields_check.h"
#include "../support/import_harness.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    velmo::fuzz::runImportInput(lisotrex::kSourceExchange, data, size, [](lisotrex::Preferences& p, uint8_t own) {
        p.exchange.version = 0;
        p.exchange.column = own & 3;
        p.exchange.quote = (own >> 2) & 1;
        p.exchange.groupSymbol = (own >> 3) & 7;
    });
    velmo::fuzz::Input in(data, size);
    for (int i = 0; i < 3; ++i) in.byte();
    lisotrex::ExchangeSettings settings;
    const uint8_t own = in.byte();
    settings.column = own & 3;
    settings.quote = (own >> 2) & 1;
    settings.groupSymbol = (own >> 3) & 7;
    velmo::fuzz::checkFieldsInPlace(in.rest(), lisotrex::exchangeFormat(settings, false));
    return 0;
}
