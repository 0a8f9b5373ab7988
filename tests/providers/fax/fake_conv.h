#pragma once
// A scripted stand-in for the fax store library: an in-memory store that
// records every call and can be told to fail a call with an error word or to
// answer GetProps with raw bytes. The test reaches it through the export
// "FakeConvState" of the same loaded module the provider uses.

#include <cstdint>
#include <deque>
#include <map>
#include <mutex>
#include <string>
#include <vector>

namespace fakeconv {

struct RawAnswer {
    int32_t count;   // answer to GetProps without a buffer
    int32_t written; // answer to GetProps with a buffer
    std::vector<uint8_t> bytes; // copied into the buffer, cut to its size
};

struct State {
    std::mutex lock;
    std::map<int32_t, std::vector<std::vector<uint8_t>>> records; // elements of each record
    int32_t nextContact = 1;
    int32_t nextGroup = 1;
    std::vector<std::string> calls;              // function names in call order
    std::vector<std::string> openedPaths;        // path given to each OpenAddressBook ("(null)" for none)
    std::map<std::string, std::deque<uint32_t>> failures; // next calls of a function fail with these words
    std::map<int32_t, RawAnswer> raw;            // GetProps answers that bypass the store

    void reset() {
        records.clear();
        nextContact = nextGroup = 1;
        calls.clear();
        openedPaths.clear();
        failures.clear();
        raw.clear();
    }
    size_t count(const std::string& function) const {
        size_t n = 0;
        for (const auto& c : calls) n += c == function;
        return n;
    }
};

using StateFn = State* (*)();
constexpr const char* kStateSymbol = "FakeConvState";

} // namespace fakeconv
