// Lotus Notes structured-text exports, through File > Import. Option byte 4
// picks the separator (form feed, 0, or a byte of the input), the Notes
// version, the mail field and the fax fields.

#include "../support/import_harness.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const uint8_t separatorFromInput = size > 4 ? data[4] : 0;
    velmo::fuzz::runImportInput(lisotrex::kSourceNotes, data, size, [&](lisotrex::Preferences& p, uint8_t own) {
        static const int32_t kSeparators[] = {12, 0, 10, -1};
        int32_t code = kSeparators[own & 3];
        p.notes.sectionCode = code < 0 ? separatorFromInput : code;
        p.notes.version = (own >> 2) & 1;
        p.notes.emailField = (own >> 3) & 1;
        p.notes.officeFax = (own >> 4) & 1;
        p.notes.homeFax = (own >> 5) & 1;
    });
    return 0;
}
