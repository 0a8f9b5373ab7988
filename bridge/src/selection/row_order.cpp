#include "selection/row_order.h"

#include <algorithm>
#include <numeric>
#include <string>

#include "platform/codepage.h"

namespace vqbridge {

namespace {

const std::string kEmpty;

std::string digitsOf(const std::string& text) {
    std::string digits;
    for (char c : text)
        if (c >= '0' && c <= '9') digits.push_back(c);
    return digits;
}

// The third auxiliary text of the business number, or of the home number
// when there is no business number.
const std::string& thirdFaxText(const EntryRow& row) {
    return row.addressKind == AddressKind::BusinessFax || row.addressKind == AddressKind::HomeFax ? row.texts.third
                                                                                                    : kEmpty;
}

int sign(int v) { return v < 0 ? -1 : v > 0 ? 1 : 0; }

// What a row is compared by, computed once per sort.
struct RowKeys {
    std::wstring text[kColumnCount];
    std::string digits;
    std::wstring third;
    bool list = false;
};

RowKeys keysOf(const EntryRow& row) {
    RowKeys k;
    for (int c = 0; c < kColumnCount; ++c) {
        const std::string& t = columnText(row, c);
        if (!t.empty()) k.text[c] = platform::collationKey(t);
    }
    k.digits = digitsOf(columnText(row, kColumnAddress));
    if (!thirdFaxText(row).empty()) k.third = platform::collationKey(thirdFaxText(row));
    k.list = row.isList();
    return k;
}

int compareKeys(const RowKeys& a, const RowKeys& b, const SortState& sort) {
    int r = sign(a.text[sort.column].compare(b.text[sort.column]));
    if (r == 0) {
        if (a.list != b.list) {
            r = a.list ? 1 : -1; // mail users before lists
        } else {
            for (int c : {int(kColumnName), int(kColumnCompany), int(kColumnDepartment)}) {
                if (c == sort.column) continue;
                if ((r = sign(a.text[c].compare(b.text[c]))) != 0) break;
            }
            if (r == 0) r = sign(a.digits.compare(b.digits));
            if (r == 0) r = sign(a.third.compare(b.third));
        }
    }
    return sort.descending ? -r : r;
}

} // namespace

const std::string& columnText(const EntryRow& row, int column) {
    switch (column) {
    case kColumnName: return row.name;
    case kColumnAddress: return row.isList() ? kEmpty : row.address;
    case kColumnCompany: return row.isList() ? kEmpty : row.company;
    case kColumnDepartment: return row.isList() ? kEmpty : row.department;
    default: return kEmpty;
    }
}

int compareRows(const EntryRow& a, const EntryRow& b, const SortState& sort) {
    return compareKeys(keysOf(a), keysOf(b), sort);
}

void sortRows(std::vector<EntryRow>& rows, const SortState& sort) {
    std::vector<RowKeys> keys;
    keys.reserve(rows.size());
    for (const EntryRow& row : rows) keys.push_back(keysOf(row));
    std::vector<size_t> order(rows.size());
    std::iota(order.begin(), order.end(), size_t(0));
    // Rows that compare equal keep the order they were read in.
    std::stable_sort(order.begin(), order.end(), [&](size_t x, size_t y) {
        const int r = compareKeys(keys[x], keys[y], sort);
        return r != 0 ? r < 0 : rows[x].id < rows[y].id;
    });
    std::vector<EntryRow> sorted;
    sorted.reserve(rows.size());
    for (size_t i : order) sorted.push_back(std::move(rows[i]));
    rows = std::move(sorted);
}

} // namespace vqbridge
