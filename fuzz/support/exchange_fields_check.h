#pragma once
// The Exchange field reader takes most fields in place from its read-ahead
// and leaves the rest to byte-by-byte reading: both ways must give the same
// fields, the same line ends and the same place to go on from.

#include "fuzz_support.h"

#include "convert/exchange_import.h"

namespace velmo::fuzz {

inline void checkFieldsInPlace(std::string_view text, const lisotrex::ExchangeFormat& format) {
    lisotrex::ExchangeFieldReader inPlace(text, format);
    lisotrex::ExchangeFieldReader byteWise(text, format);
    std::string scratch;
    for (int field = 0; !byteWise.atEnd(); ++field) {
        // Every third field is read for its "SMTP:" group, as the e-mail column is.
        const std::string_view prefix = field % 3 == 1 ? "SMTP:" : "";
        bool moreA = false, moreB = false;
        const std::string expected = byteWise.readField(moreB, prefix);
        const std::string got(inPlace.viewField(scratch, moreA, prefix));
        FUZZ_CHECK(got == expected && moreA == moreB,
                   "field " + std::to_string(field) + " read in place as " + escaped(got) + ", byte by byte as " +
                       escaped(expected));
    }
    FUZZ_CHECK(inPlace.atEnd(), "reading in place left bytes behind");
}

} // namespace velmo::fuzz
