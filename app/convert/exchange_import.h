#pragma once
// Microsoft Exchange 5.x and 2000 directory exports: delimited text with a
// header line naming the columns.

#include "files/byte_set.h"
#include "convert/import_input.h"
#include "convert/importer.h"
#include "settings/field_maps.h"
#include "settings/preferences.h"

#include <functional>
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
    // Inline: it runs once for every field of a file, and a call costs more
    // than most fields do.
    [[gnu::always_inline]] inline std::string_view viewField(std::string& scratch, bool& moreFields,
                                                             std::string_view prefix = {});
    std::string readField(bool& moreFields, std::string_view prefix = {}) {
        std::string value;
        readField(value, moreFields, prefix);
        return value;
    }
    bool atEnd() { return in_.atEnd(); }
    // Whether a view viewField gave lies in the read-ahead rather than in scratch.
    bool holdsInReadAhead(std::string_view field) const { return in_.holds(field); }
    // Called before the read-ahead is refilled, which ends the views into it.
    void beforeRefill(std::function<void()> keep) { in_.beforeRefill(std::move(keep)); }
    platform::FileCause failure() const { return in_.failure(); }

private:
    void skipRestOfLine();
    void markSpecials();
    [[gnu::always_inline]] inline bool plainField(std::string_view& field, bool& moreFields, bool& grouped);
    std::string_view groupOf(std::string_view field, std::string& scratch, std::string_view prefix) const;

    ImportInput in_;
    ExchangeFormat format_;
    ByteSet<6> special_;       // bytes the field reading looks at one by one
    ByteSet<5> fieldEnds_;     // the same but the group symbol: where an unquoted field may end
    ByteSet<4> quotedEnds_;    // the same inside quotes, where the delimiter is text
};

// A field that ends in the read-ahead, unquoted or quoted once around bytes
// without a meaning of their own (group symbols aside, and the delimiter
// inside the quotes), is those bytes: taken without a copy. Anything else
// (escapes, doubled quotes, a quoted field not followed by the delimiter or
// the line's end, the block's end) is left to readField, with nothing taken.
// grouped tells whether the field holds a group symbol.
inline bool ExchangeFieldReader::plainField(std::string_view& field, bool& moreFields, bool& grouped) {
    const std::string_view run = in_.buffered();
    const char quote = format_.quote;
    const char group = format_.groupSymbol;
    if (!run.empty() && run[0] == quote) {
        // The byte after an opening quote is taken as it is, whatever it is.
        if (run.size() < 3 || run[1] == quote || run[1] == group) return false;
        const size_t k = 2 + quotedEnds_.find(run.data() + 2, run.size() - 2);
        if (k + 1 >= run.size() || run[k] != quote) return false;
        if (run[k + 1] == format_.delimiter) moreFields = true;
        else if (run[k + 1] == '\n') moreFields = false; // the rest of the line is only its end
        else return false;
        field = run.substr(1, k - 1);
        grouped = field.find(group) != std::string_view::npos;
        in_.take(k + 2);
        return true;
    }
    // Most fields hold no group symbol: the first special byte ends them.
    size_t k = special_.find(run.data(), run.size());
    grouped = k < run.size() && run[k] == group;
    if (grouped) k += 1 + fieldEnds_.find(run.data() + k + 1, run.size() - k - 1);
    if (k >= run.size()) return false;
    const char stop = run[k];
    if (stop == format_.delimiter) moreFields = true;
    else if (stop == '\n' || stop == '\0') moreFields = false;
    else return false;
    field = run.substr(0, k);
    in_.take(k + 1);
    return true;
}

inline std::string_view ExchangeFieldReader::viewField(std::string& scratch, bool& moreFields,
                                                       std::string_view prefix) {
    std::string_view field;
    bool grouped = false;
    if (prefix.size() < kFieldLimit && plainField(field, moreFields, grouped)) {
        if (grouped) return groupOf(field, scratch, prefix);
        // One group: wanted when it starts with the prefix.
        if (!prefix.empty()) {
            if (field.substr(0, prefix.size()) != prefix) return {};
            field.remove_prefix(prefix.size());
        }
        return field.substr(0, kFieldLimit);
    }
    readField(scratch, moreFields, prefix);
    return scratch;
}

// X'E999B3...' cells of Exchange 2000: hexadecimal UTF-8, turned into the
// system code page with "-" for what it cannot hold. Other values unchanged.
std::string decodeExchange2000Value(std::string_view value);

// The import run: returns 0, 4 or 5 (or a file failure); 6012 when required
// columns are missing.
ImportResult importExchange(const std::string& path, bool version2000, const ExchangeSettings& settings,
                            const FieldMaps& maps, ImportContext& ctx);

} // namespace lisotrex
