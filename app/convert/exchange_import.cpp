#include "convert/exchange_import.h"

#include "model/prompter.h"
#include "platform/codepage.h"
#include "strings/strings.h"

#include <algorithm>
#include <array>
#include <optional>
#include <vector>

namespace lisotrex {

ExchangeFormat exchangeFormat(const ExchangeSettings& s, bool version2000) {
    ExchangeFormat f;
    f.version2000 = version2000;
    if (version2000) return f;
    static constexpr char kDelimiters[] = {',', '\t', ' ', ';'};
    static constexpr char kQuotes[] = {'\'', '"'};
    static constexpr char kGroups[] = {'!', '#', '$', '%', '&', '*', '@', '^'};
    // An index out of range (the registry is read without checks) keeps the default.
    if (s.column >= 0 && s.column < 4) f.delimiter = kDelimiters[s.column];
    if (s.quote >= 0 && s.quote < 2) f.quote = kQuotes[s.quote];
    if (s.groupSymbol >= 0 && s.groupSymbol < 8) f.groupSymbol = kGroups[s.groupSymbol];
    return f;
}

void ExchangeFieldReader::markSpecials() {
    special_ = ByteSet<6>({format_.quote, format_.delimiter, format_.groupSymbol, '\\', '\0', '\n'});
    fieldEnds_ = ByteSet<5>({format_.quote, format_.delimiter, '\\', '\0', '\n'});
    quotedEnds_ = ByteSet<4>({format_.quote, '\\', '\0', '\n'});
}

void ExchangeFieldReader::skipRestOfLine() {
    for (int c = in_.next(); c >= 0 && c != '\n'; c = in_.next()) {
    }
}

void ExchangeFieldReader::readField(std::string& value, bool& moreFields, std::string_view prefix) {
    const auto quote = static_cast<unsigned char>(format_.quote);
    const auto delimiter = static_cast<unsigned char>(format_.delimiter);
    const auto group = static_cast<unsigned char>(format_.groupSymbol);
    value.clear();
    bool quoted = false;
    bool prefixFound = prefix.empty();
    bool dropping = false; // the wanted group is over; the rest of the field is read only
    moreFields = false;

    // The group symbol is never stored, however it is reached (escaped, or
    // as the first byte of a quoted stretch). With a prefix, it ends the
    // wanted group, or starts a new one while the prefix is still missing.
    auto atGroupSymbol = [&] {
        if (prefix.empty()) return;
        if (prefixFound) dropping = true;
        else value.clear();
    };
    auto store = [&](int c) {
        if (c == group) return atGroupSymbol();
        if (dropping) return;
        if (value.size() < kFieldLimit) value.push_back(static_cast<char>(c));
        if (!prefixFound && value.size() == prefix.size() && value == prefix) {
            value.clear();
            prefixFound = true;
        }
    };

    // Bytes without a meaning of their own are taken in runs while nothing
    // depends on them one by one (the prefix is found or not asked for).
    for (;;) {
        if (prefixFound) {
            std::string_view run = in_.buffered();
            const size_t k = special_.find(run.data(), run.size());
            if (k > 0) {
                if (!dropping) value.append(run.data(), std::min(k, kFieldLimit - std::min(kFieldLimit, value.size())));
                in_.take(k);
                continue;
            }
        }
        int c = in_.next();
        if (c < 0 || c == 0 || c == '\n') break;
        if (c == '\\') {
            int lit = in_.next();
            if (lit < 0 || lit == '\n') break;
            store(lit);
            continue;
        }
        if (c == quote) {
            int n = in_.peek();
            if (n == quote) {
                in_.skip();
                store(quote);
            } else if (quoted) {
                if (n == delimiter) {
                    in_.skip();
                    moreFields = true;
                } else {
                    // Anything else after a closing quote ends the line.
                    skipRestOfLine();
                }
                break;
            } else {
                quoted = true;
                if (n >= 0) {
                    in_.skip();
                    store(n);
                }
            }
            continue;
        }
        if (c == delimiter && !quoted) {
            moreFields = true;
            break;
        }
        store(c);
    }
    if (!prefixFound) value.clear();
}

// What readField keeps of a plain field holding group symbols: without a
// prefix, all but the group symbols; with one, the rest of the first group
// that starts with it. Either way no more than the field limit.
std::string_view ExchangeFieldReader::groupOf(std::string_view field, std::string& scratch,
                                              std::string_view prefix) const {
    const char group = format_.groupSymbol;
    if (prefix.empty()) {
        scratch.clear();
        for (const char c : field) {
            if (scratch.size() == kFieldLimit) break;
            if (c != group) scratch.push_back(c);
        }
        return scratch;
    }
    for (;;) {
        const size_t end = field.find(group);
        const std::string_view part = field.substr(0, end);
        if (part.substr(0, prefix.size()) == prefix) return part.substr(prefix.size(), kFieldLimit);
        if (end == std::string_view::npos) return {};
        field.remove_prefix(end + 1);
    }
}

std::string decodeExchange2000Value(std::string_view value) {
    if (value.substr(0, 2) != "X'") return std::string(value);
    std::string_view hex = value.substr(2);
    if (auto close = hex.find('\''); close != std::string_view::npos) hex = hex.substr(0, close);
    auto digit = [](char c) -> int {
        if (c >= '0' && c <= '9') return c - '0';
        if (c >= 'a' && c <= 'f') return c - 'a' + 10;
        if (c >= 'A' && c <= 'F') return c - 'A' + 10;
        return 0;
    };
    std::string bytes;
    for (size_t i = 0; i + 1 < hex.size(); i += 2)
        bytes.push_back(static_cast<char>(digit(hex[i]) * 16 + digit(hex[i + 1])));

    // UTF-8 into 16-bit characters; what does not fit in 16 bits becomes "-".
    std::u16string wide;
    size_t i = 0;
    while (i < bytes.size()) {
        auto b = static_cast<unsigned char>(bytes[i]);
        int len = b < 0x80 ? 1 : b < 0xC0 ? 0 : b < 0xE0 ? 2 : b < 0xF0 ? 3 : b < 0xF8 ? 4 : b <= 0xFB ? 5 : 0;
        if (len == 0) { // stray continuation byte or a lead byte above 0xFB
            ++i;
            continue;
        }
        uint32_t cp = len == 1 ? b : b & (0xFF >> (len + 1));
        size_t k = 1;
        for (; k < static_cast<size_t>(len) && i + k < bytes.size(); ++k) {
            auto cc = static_cast<unsigned char>(bytes[i + k]);
            if ((cc & 0xC0) != 0x80) break;
            cp = (cp << 6) | (cc & 0x3F);
        }
        if (k < static_cast<size_t>(len)) { // cut short: drop the lead byte
            ++i;
            continue;
        }
        i += k;
        wide.push_back(cp > 0xFFFF || (cp >= 0xD800 && cp <= 0xDFFF) ? u'-' : static_cast<char16_t>(cp));
    }
    return platform::utf16ToSystem(wide, '-');
}

namespace {

enum Slot { kGiven, kSurname, kFax, kEmail, kDisplay, kDepartment, kCompany, kSlotCount };

// One row's texts. A field seen in place stays a view into the read-ahead
// (no copy), until a refill is about to overwrite it; a field read into
// scratch or decoded is copied at once, as scratch is used again.
class RowTexts {
public:
    void clear() {
        views_ = {};
        inPlace_ = 0;
    }
    void set(int slot, std::string_view value, bool inPlace) {
        value = value.substr(0, std::min(value.size(), kCapacities[slot] - 1));
        if (inPlace) {
            views_[slot] = value;
            inPlace_ |= 1u << slot;
        } else {
            owned_[slot].assign(value);
            views_[slot] = owned_[slot];
            inPlace_ &= ~(1u << slot);
        }
    }
    // Copies the texts still seen in place.
    void keep() {
        for (unsigned left = inPlace_; left; left &= left - 1) {
            const int slot = __builtin_ctz(left);
            owned_[slot].assign(views_[slot]);
            views_[slot] = owned_[slot];
        }
        inPlace_ = 0;
    }
    ImportRecordView view() const {
        return {views_[kDisplay], views_[kGiven],      views_[kSurname], views_[kFax],
                {},               views_[kEmail], views_[kDepartment], views_[kCompany]};
    }

private:
    // The capacities of the record's fields, which keep their first capacity - 1 bytes.
    static constexpr size_t kCapacities[kSlotCount] = {
        decltype(ImportRecord::givenName)::kCapacity,  decltype(ImportRecord::surname)::kCapacity,
        decltype(ImportRecord::fax1)::kCapacity,       decltype(ImportRecord::email)::kCapacity,
        decltype(ImportRecord::displayName)::kCapacity, decltype(ImportRecord::department)::kCapacity,
        decltype(ImportRecord::company)::kCapacity};
    std::array<std::string_view, kSlotCount> views_{};
    std::array<std::string, kSlotCount> owned_;
    unsigned inPlace_ = 0;
};

} // namespace

namespace {

void importRows(ExchangeFieldReader& reader, bool version2000, const FieldMap& map, const std::string& emailPrefix,
                ImportContext& ctx, ImportResult& result);

} // namespace

ImportResult importExchange(const std::string& path, bool version2000, const ExchangeSettings& settings,
                            const FieldMaps& maps, ImportContext& ctx) {
    ImportRun run(path, ctx, ImportRun::Streamed);
    ImportResult& result = run.result;
    if (!run.ready()) return result;
    ctx.conversion.useFax1 = ctx.conversion.importFax;
    ctx.conversion.useFax2 = false;

    const FieldMap* map = maps.find(version2000 ? kExchange2000Section : kExchange5Section);
    static const FieldMap kEmptyMap{};
    if (!map) map = &kEmptyMap;
    const std::string emailPrefix = version2000 ? std::string() : map->value(FieldKey::EmailProperty);

    // One pass over the file: each row is converted as soon as it is read.
    ExchangeFieldReader reader(run.file, exchangeFormat(settings, version2000));
    importRows(reader, version2000, *map, emailPrefix, ctx, result);
    if (reader.failure() != platform::FileCause::None) result.fileError = reader.failure();
    return result;
}

namespace {

void importRows(ExchangeFieldReader& reader, bool version2000, const FieldMap& map, const std::string& emailPrefix,
                ImportContext& ctx, ImportResult& result) {
    const std::array<FieldKey, kSlotCount> slotKeys = {FieldKey::FirstName, FieldKey::LastName,  FieldKey::FaxNumber1,
                                                       FieldKey::Email1,    FieldKey::DisplayName, FieldKey::Department,
                                                       FieldKey::Company};
    // Column position of each slot, -1 while the header does not name it.
    std::array<int, kSlotCount> position;
    position.fill(-1);
    bool more = true;
    std::string scratch;
    scratch.reserve(ExchangeFieldReader::kFieldLimit);
    for (int column = 0; more; ++column) {
        const std::string_view value = reader.viewField(scratch, more);
        for (int s = 0; s < kSlotCount; ++s) {
            const std::string& wanted = map.value(slotKeys[s]);
            // An empty name in the map means "no such column", never an empty header cell.
            if (!wanted.empty() && value == wanted) position[s] = column;
        }
    }
    auto present = [&](int s) { return position[s] >= 0; };
    bool complete = version2000 ? (present(kFax) || present(kEmail)) &&
                                      (present(kGiven) || present(kSurname) || present(kDisplay))
                                : present(kGiven) && present(kSurname) && present(kFax) && present(kEmail);
    if (!complete) {
        // A header cut short by a failed read is the file's failure, not its form's.
        if (reader.failure() != platform::FileCause::None) return;
        ctx.prompter.message(ids::IDS_MSG_EXCHANGE_FIELDS_MISSING, Icon::Stop);
        result.formatError = true;
        return;
    }

    // The slots each column fills (a column may serve more than one).
    std::vector<unsigned> slotsOfColumn;
    for (int s = 0; s < kSlotCount; ++s) {
        if (position[s] < 0) continue;
        if (slotsOfColumn.size() <= static_cast<size_t>(position[s])) slotsOfColumn.resize(position[s] + 1, 0);
        slotsOfColumn[position[s]] |= 1u << s;
    }
    RowTexts row;
    // Texts seen in place are copied just before the read-ahead holding them
    // is refilled; the reader outlives the row, so the call goes with it.
    reader.beforeRefill([&row] { row.keep(); });
    struct Unhook {
        ExchangeFieldReader& reader;
        ~Unhook() { reader.beforeRefill(nullptr); }
    } unhook{reader};
    for (;;) {
        row.clear();
        size_t column = 0;
        bool lineGoesOn = true;
        bool firstField = true;
        bool stop = false;
        while (lineGoesOn) {
            bool isEmail = position[kEmail] == static_cast<int>(column);
            const std::string_view value =
                reader.viewField(scratch, lineGoesOn, isEmail ? std::string_view(emailPrefix) : "");
            if (firstField && !lineGoesOn) {
                stop = true; // an empty or single-field line ends the data
                break;
            }
            firstField = false;
            const unsigned slots = column < slotsOfColumn.size() ? slotsOfColumn[column] : 0;
            if (slots) {
                // 2000 values are decoded into a text of their own, copied at once.
                const std::string decoded = version2000 ? decodeExchange2000Value(value) : std::string();
                const std::string_view text = version2000 ? std::string_view(decoded) : value;
                const bool inPlace = !version2000 && reader.holdsInReadAhead(value);
                for (unsigned left = slots; left; left &= left - 1) row.set(__builtin_ctz(left), text, inPlace);
            }
            ++column;
        }
        if (stop) break;
        RecordOutcome outcome = ctx.conversion.recordToEntries(row.view(), ctx.out, ctx.log);
        if (outcome == RecordOutcome::LogFailed) break;
        if (outcome == RecordOutcome::NoRoom) {
            // This row's own destinations did not all fit.
            result.code = kImportRoomExhausted;
            break;
        }
        if (ctx.out.size() >= ctx.conversion.room) {
            // Full: only a further row makes this a cut import. Reading
            // stops here, so the look ahead may consume it.
            bool further = false;
            reader.readField(scratch, further);
            if (further) result.code = kImportRoomExhausted;
            break;
        }
    }
}

} // namespace

} // namespace lisotrex
