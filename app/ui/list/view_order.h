#pragma once
// Which entries the list shows, and in what order: the fax/e-mail filter and
// the sort keys with the program's comparison (empty texts and missing
// numbers last in both directions, the shorter of two equal texts first).

#include "model/entry.h"

#include <cstdint>
#include <memory>
#include <vector>

namespace lisotrex::ui {

inline constexpr int kFilterFax = 1;
inline constexpr int kFilterEmail = 2;

bool passesFilter(const CAddrUserDataObj& e, int filter);

// Sorts positions (into `entries`) by key and direction (0 ascending,
// 1 descending). Entries that compare as equal keep their relative order.
// n log n: texts are compared through precomputed collation keys.
void sortPositions(std::vector<size_t>& positions, const std::vector<std::unique_ptr<CAddrUserDataObj>>& entries,
                   int key, int direction);

// Refill: the entries that pass the filter, in list order, sorted when key != 0.
std::vector<size_t> collectView(const std::vector<std::unique_ptr<CAddrUserDataObj>>& entries, int filter, int key,
                                int direction);

} // namespace lisotrex::ui
