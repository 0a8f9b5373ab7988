#include "files/field_codec.h"

#include "files/byte_set.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <limits>

namespace lisotrex {

void appendField(std::string& out, std::string_view field) {
    const bool quoted = field.find(',') != std::string_view::npos;
    // The reader takes two quotes in a row as one quote, never as an opening
    // quote and a quote of the field: quotes that lead an enclosed field are
    // therefore written (doubled) ahead of the opening quote.
    size_t lead = 0;
    while (quoted && lead < field.size() && field[lead] == '"') ++lead;
    for (size_t i = 0; i < lead; ++i) out.append("\"\"");
    if (quoted) out.push_back('"');
    for (char c : field.substr(lead)) {
        if (c == '"') out.append("\"\"");
        else if (c == '\n' || c == '\0') out.push_back(' '); // would end the record for the reader
        else out.push_back(c);
    }
    if (quoted) out.push_back('"');
}

namespace {

// The bytes readField looks at one by one; the runs between them are found
// sixteen bytes at a time.
const ByteSet<5> kSpecial({',', '"', '\n', '\0', '\r'});

} // namespace

bool FieldReader::takeLineEnd() {
    char c = data_[pos_];
    if (c == '\0' || c == '\n') {
        ++pos_;
        return true;
    }
    if (textMode_ && c == '\r' && pos_ + 1 < data_.size() && data_[pos_ + 1] == '\n') {
        pos_ += 2;
        return true;
    }
    return false;
}

bool FieldReader::readField(char* buf, size_t capacity) {
    size_t n = 0;
    auto store = [&](char c) {
        if (capacity > 0 && n + 1 < capacity) buf[n++] = c;
    };
    auto finish = [&](bool more) {
        if (capacity > 0) buf[n] = '\0';
        kept_ = n;
        return more;
    };
    bool inQuote = false;
    while (pos_ < data_.size()) {
        // Bytes that neither end nor quote anything are taken as one run,
        // and the byte that ends it is looked at right away.
        const size_t end = pos_ + kSpecial.find(data_.data() + pos_, data_.size() - pos_);
        if (end > pos_) {
            const size_t room = capacity > 0 ? capacity - 1 - n : 0;
            const size_t take = std::min(room, end - pos_);
            if (take > 0) std::memcpy(buf + n, data_.data() + pos_, take);
            n += take;
            pos_ = end;
            if (pos_ >= data_.size()) break;
        }
        if (takeLineEnd()) return finish(false);
        char c = data_[pos_++];
        if (c == ',' && !inQuote) return finish(true);
        if (c != '"') {
            store(c);
            continue;
        }
        if (pos_ >= data_.size()) return finish(false);
        if (data_[pos_] == '"') {
            ++pos_;
            store('"');
        } else if (inQuote) {
            if (data_[pos_] == ',') {
                ++pos_;
                return finish(true);
            }
            // Anything but a comma after a closing quote ends the record;
            // the rest of its line goes with it.
            skipLine();
            return finish(false);
        } else {
            inQuote = true;
            if (takeLineEnd()) return finish(false);
            store(data_[pos_++]);
        }
    }
    return finish(false);
}

void FieldReader::skipLine() {
    while (pos_ < data_.size()) {
        if (takeLineEnd()) return;
        ++pos_;
    }
}

int32_t parseDecimal(const char* s) {
    while (*s == ' ' || *s == '\t') ++s;
    bool negative = false;
    if (*s == '+' || *s == '-') negative = *s++ == '-';
    int64_t v = 0;
    for (; *s >= '0' && *s <= '9'; ++s) {
        v = v * 10 + (*s - '0');
        if (v > int64_t(std::numeric_limits<int32_t>::max()) + 1) v = int64_t(std::numeric_limits<int32_t>::max()) + 1;
    }
    if (negative) v = -v;
    if (v > std::numeric_limits<int32_t>::max()) v = std::numeric_limits<int32_t>::max();
    return static_cast<int32_t>(v);
}

} // namespace lisotrex
