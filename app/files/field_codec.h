#pragma once
// The comma-separated field form shared by the native book file and the
// clipboard block: quoting with doubled quotes on writing, and the byte-wise
// reader with per-field capacities.

#include <cstddef>
#include <string>
#include <string_view>

namespace lisotrex {

// Appends one field: enclosed in quotes when it holds a comma, every quote
// doubled. A line feed or NUL, which would end the record, is written as a
// blank, so whatever is written reads back.
void appendField(std::string& out, std::string_view field);

class FieldReader {
public:
    // textMode: CR LF counts as one line end, as a file read in text mode.
    FieldReader(std::string_view data, bool textMode) : data_(data), textMode_(textMode) {}

    // Reads one field into buf (at most capacity - 1 bytes kept, always
    // NUL-terminated; capacity 0 reads and discards). True when more fields
    // follow on the same line; false when the line (record) or data ended.
    bool readField(char* buf, size_t capacity);
    // The bytes the last readField kept in its buffer (before the NUL).
    size_t keptLength() const { return kept_; }
    // Reads and discards the fields left on the current line.
    void skipLine();
    bool atEnd() const { return pos_ >= data_.size(); }
    size_t position() const { return pos_; }

private:
    // True when the byte at pos_ ends a line; consumes it.
    bool takeLineEnd();

    std::string_view data_;
    size_t pos_ = 0;
    size_t kept_ = 0;
    bool textMode_;
};

// Decimal conversion that stops at the first non-digit (leading blanks and a
// sign accepted; no digits give 0; out-of-range values saturate).
int32_t parseDecimal(const char* s);

} // namespace lisotrex
