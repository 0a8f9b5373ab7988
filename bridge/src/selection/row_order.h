#pragma once
// The order of the entry list: by the clicked column's text in the user's
// collation, ties settled by kind, the other columns, the digits of the
// address and the third auxiliary fax text.

#include <vector>

#include "selection/entry_row.h"

namespace vqbridge {

enum Column { kColumnName = 0, kColumnAddress = 1, kColumnCompany = 2, kColumnDepartment = 3, kColumnCount = 4 };

struct SortState {
    int column = kColumnName;
    bool descending = false;
    // A click on a column header: the same column again reverses, another sorts ascending.
    void click(int clicked) {
        descending = clicked == column ? !descending : false;
        column = clicked;
    }
};

// The text a column shows for a row (system code page); columns 1 to 3 are
// empty for a list.
const std::string& columnText(const EntryRow& row, int column);

// Sorts the rows; the result does not depend on their previous order.
void sortRows(std::vector<EntryRow>& rows, const SortState& sort);

// Negative, zero or positive, as the list compares two rows.
int compareRows(const EntryRow& a, const EntryRow& b, const SortState& sort);

} // namespace vqbridge
