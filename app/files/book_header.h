#pragma once
// The header line of a native book file: kind, signature, one-touch maximum
// and the export settings kept with the book.

#include "files/field_codec.h"
#include "settings/preferences.h"

#include <cstdint>
#include <string>

namespace lisotrex {

struct BookHeader {
    int32_t kind = 0;
    int32_t maxOneTouch = 0;
    ExportSettings exports;
};

// False when any header rule is broken (a format error).
bool readBookHeader(FieldReader& reader, BookHeader& header);
void appendBookHeader(std::string& out, const BookHeader& header);

} // namespace lisotrex
