#pragma once
// The one-touch numbers a run of appended entries gets: each the book's
// lowest free one, as CLisotrexDoc::lowestFreeOneTouch() finds it, kept up to
// date as numbers are taken instead of looking over the whole book for every
// entry (an import or a paste of thousands of entries).

#include <cstddef>
#include <cstdint>
#include <vector>

namespace lisotrex {

class CLisotrexDoc;

class OneTouchTally {
public:
    // mayAdd: how many entries the run may append at most.
    OneTouchTally(const CLisotrexDoc& doc, size_t mayAdd);
    // The number for the entry about to be appended (0: none is free). Only
    // entries appended with their number from here may change the book meanwhile.
    int32_t take();

private:
    const CLisotrexDoc& doc_;
    std::vector<bool> used_;
    size_t next_ = 1;
    bool oneTaken_ = false;
};

} // namespace lisotrex
