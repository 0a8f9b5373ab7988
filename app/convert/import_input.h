#pragma once
// The bytes of an import file, read as the original text-mode reads did (a CR
// before an LF is dropped), one block at a time: a reader walks the file once
// without holding all of it, and converts each record as it comes.

#include "platform/file.h"

#include <cstddef>
#include <functional>
#include <memory>
#include <string_view>

namespace lisotrex {

class ImportInput {
public:
    static constexpr size_t kBlock = 64 * 1024;

    // Text already in memory, taken as it is (no line ends are changed).
    explicit ImportInput(std::string_view text) : data_(text.data()), end_(text.size()) {}
    // An open file, read from its current position.
    explicit ImportInput(const platform::File& file);
    ImportInput(const ImportInput&) = delete;
    ImportInput& operator=(const ImportInput&) = delete;

    // The next byte (0..255), or -1 at the end of the data (or at a read failure).
    int next() {
        if (pos_ < end_ || refill()) return static_cast<unsigned char>(data_[pos_++]);
        return -1;
    }
    int peek() {
        if (pos_ < end_ || refill()) return static_cast<unsigned char>(data_[pos_]);
        return -1;
    }
    void skip() { ++pos_; } // after a peek that found a byte
    // The bytes read ahead and not yet taken (empty at the end of the data);
    // take(n) takes the first n of them.
    std::string_view buffered() {
        if (pos_ >= end_ && !refill()) return {};
        return {data_ + pos_, end_ - pos_};
    }
    void take(size_t n) { pos_ += n; }
    // Whether text lies in the bytes read ahead (and so lasts until the next refill).
    bool holds(std::string_view text) const {
        return std::less_equal<const char*>()(data_, text.data()) &&
               std::less_equal<const char*>()(text.data() + text.size(), data_ + end_);
    }
    // Called before a refill overwrites the bytes read ahead: a reader that
    // keeps views into them copies what it still needs.
    void beforeRefill(std::function<void()> keep) { beforeRefill_ = std::move(keep); }
    bool atEnd() { return pos_ >= end_ && !refill(); }
    // Set when reading the file failed; the data then ends there.
    platform::FileCause failure() const { return failure_; }

private:
    bool refill();

    const char* data_;
    size_t pos_ = 0;
    size_t end_ = 0;
    int fd_ = -1;
    bool heldCr_ = false; // a CR ended the last block: its LF may start the next
    platform::FileCause failure_ = platform::FileCause::None;
    std::unique_ptr<char[]> block_;
    std::function<void()> beforeRefill_;
};

} // namespace lisotrex
