#pragma once
// Microsoft Exchange 5.x and 2000 directory exports: delimited text with a
// header line naming the columns.

#include "convert/byte_set.h"
#include "convert/import_input.h"
#include "convert/importer.h"
#include "settings/field_maps.h"
#include "settings/preferences.h"

#include <string>
#include <string_view>

namespace lisotrex {

struct ExchangeFormat {
    char delimiter = ',';
    char quote = '"';
    char groupSymbol = '%';
    bool version2000 = false;
};

// 5.x takes its characters from the Exchange preferences; 2000 is fixed.
ExchangeFormat exchangeFormat(const ExchangeSettings& settings, bool version2000);

// Reads fields byte by byte from the export text.
class ExchangeFieldReader {
public:
    static constexpr size_t kFieldLimit = 768;

    ExchangeFieldReader(std::string_view text, const ExchangeFormat& format) : in_(text), format_(format) {
        markSpecials();
    }
    ExchangeFieldReader(const platform::File& file, const ExchangeFormat& format) : in_(file), format_(format) {
        markSpecials();
    }

    // Reads one field into value; moreFields tells whether the line goes on.
    // With a prefix, only the group that starts with it counts, without the prefix.
    void readField(std::string& value, bool& moreFields, std::string_view prefix = {});
    // The same field as readField gives, seen in place where the read-ahead
    // holds it whole and plain (most fields); otherwise read into scratch.
    // The view lasts until the next read.
    std::string_view viewField(std::string& scratch, bool& moreFields, std::string_view prefix = {});
    std::string readField(bool& moreFields, std::string_view prefix = {}) {
        std::string value;
        readField(value, moreFields, prefix);
        return value;
    }
    bool atEnd() { return in_.atEnd(); }
    platform::FileCause failure() const { return in_.failure(); }

private:
    void skipRestOfLine();
    void markSpecials();
    bool plainField(std::string_view& field, bool& moreFields, bool& grouped);
    std::string_view groupOf(std::string_view field, std::string& scratch, std::string_view prefix) const;

    ImportInput in_;
    ExchangeFormat format_;
    ByteSet<6> special_;       // bytes the field reading looks at one by one
    ByteSet<5> fieldEnds_;     // the same but the group symbol: where an unquoted field may end
    ByteSet<4> quotedEnds_;    // the same inside quotes, where the delimiter is text
};

// X'E999B3...' cells of Exchange 2000: hexadecimal UTF-8, turned into the
// system code page with "-" for what it cannot hold. Other values unchanged.
std::string decodeExchange2000Value(std::string_view value);

// The import run: returns 0, 4 or 5 (or a file failure); 6012 when required
// columns are missing.
ImportResult importExchange(const std::string& path, bool version2000, const ExchangeSettings& settings,
                            const FieldMaps& maps, ImportContext& ctx);

} // namespace lisotrex
