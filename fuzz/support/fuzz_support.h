#pragma once
// What every fuzz target shares: a private temporary world (HOME, the XDG
// folders and the registry point below one folder made for the process), files
// written into it, a reader of option bytes, and invariant checks that stop the
// run with a report.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace velmo::fuzz {

// The folder made for this process; removed at exit. The first call sets
// HOME, XDG_* and VELMO_REGISTRY (a file inside it).
const std::string& sandbox();
// Writes `bytes` to <sandbox>/<name> and returns the path.
std::string writeFile(const std::string& name, std::string_view bytes);
std::string readFile(const std::string& path);

// Points the registry at a new, empty in-memory store (fast enough to start
// afresh for every input). The store lives until the next call.
void freshMemoryRegistry();

// Reports a broken invariant and aborts, so the fuzzer keeps the input.
[[noreturn]] void fail(const char* condition, const char* file, int line, const std::string& detail);

#define FUZZ_CHECK(cond, detail)                                                                        \
    do {                                                                                                \
        if (!(cond)) ::velmo::fuzz::fail(#cond, __FILE__, __LINE__, (detail));                          \
    } while (0)

// The input as option bytes at the front and the payload behind them.
class Input {
public:
    Input(const uint8_t* data, size_t size) : data_(data), size_(size) {}
    // The next option byte, 0 once the input is used up.
    uint8_t byte() { return pos_ < size_ ? data_[pos_++] : 0; }
    std::string_view rest() const {
        return pos_ < size_ ? std::string_view(reinterpret_cast<const char*>(data_) + pos_, size_ - pos_)
                            : std::string_view();
    }

private:
    const uint8_t* data_;
    size_t size_;
    size_t pos_ = 0;
};

// Printable form of bytes for reports.
std::string escaped(std::string_view bytes);

} // namespace velmo::fuzz
