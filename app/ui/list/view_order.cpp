#include "ui/list/view_order.h"

#include "platform/codepage.h"

#include <algorithm>
#include <cstring>
#include <string>

namespace lisotrex::ui {

bool passesFilter(const CAddrUserDataObj& e, int filter) {
    return e.m_nType == kEntryFax ? (filter & kFilterFax) != 0 : (filter & kFilterEmail) != 0;
}

namespace {

const char* textOf(const CAddrUserDataObj& e, int key) {
    switch (key) {
    case kSortName: return e.m_szName;
    case kSortReading: return e.m_szReading;
    case kSortDestination: return e.m_szDestination;
    default: return e.m_szDepartment;
    }
}

// What one entry sorts by, computed once.
struct SortItem {
    size_t position;
    bool missing;     // empty text, number 0, or (update key) not marked
    std::wstring collation;
    size_t length = 0;
    int32_t number = 0;
};

} // namespace

void sortPositions(std::vector<size_t>& positions, const std::vector<std::unique_ptr<CAddrUserDataObj>>& entries,
                   int key, int direction) {
    if (key < kSortName || key > kSortUpdated) return;
    std::vector<SortItem> items;
    items.reserve(positions.size());
    for (size_t p : positions) {
        const CAddrUserDataObj& e = *entries[p];
        SortItem item{p, false, {}, 0, 0};
        if (key <= kSortDepartment) {
            const char* t = textOf(e, key);
            item.missing = !*t;
            if (!item.missing) {
                item.collation = platform::collationKey(t);
                item.length = std::strlen(t);
            }
        } else if (key == kSortUpdated) {
            item.missing = !e.m_bUpdated;
        } else {
            item.number = key == kSortAccessCode ? e.m_nAccessCode : e.m_nOneTouch;
            item.missing = item.number == 0;
        }
        items.push_back(std::move(item));
    }
    const bool descending = direction != 0;
    auto before = [&](const SortItem& a, const SortItem& b) {
        if (key == kSortUpdated) {
            // Marked entries first when ascending, last when descending.
            return descending ? (a.missing && !b.missing) : (!a.missing && b.missing);
        }
        if (a.missing != b.missing) return !a.missing; // empty or none: last either way
        if (a.missing) return false;
        int r;
        if (key <= kSortDepartment) {
            r = a.collation < b.collation ? -1 : b.collation < a.collation ? 1 : 0;
            // Texts the locale calls equal: the shorter first (ascending).
            if (r == 0) r = a.length < b.length ? -1 : a.length > b.length ? 1 : 0;
        } else {
            r = a.number < b.number ? -1 : a.number > b.number ? 1 : 0;
        }
        return descending ? r > 0 : r < 0;
    };
    std::stable_sort(items.begin(), items.end(), before);
    for (size_t i = 0; i < items.size(); ++i) positions[i] = items[i].position;
}

std::vector<size_t> collectView(const std::vector<std::unique_ptr<CAddrUserDataObj>>& entries, int filter, int key,
                                int direction) {
    std::vector<size_t> positions;
    positions.reserve(entries.size());
    for (size_t i = 0; i < entries.size(); ++i)
        if (passesFilter(*entries[i], filter)) positions.push_back(i);
    if (key != 0) sortPositions(positions, entries, key, direction);
    return positions;
}

} // namespace lisotrex::ui
