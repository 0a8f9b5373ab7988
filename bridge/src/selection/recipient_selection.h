#pragma once
// The recipient selection without a window: the containers of an address
// book, the entry rows of the chosen container in the list's order, and the
// import list the chosen recipients collect in. The dialog shows this model;
// the headless selection drives it directly, so both build the same
// recipients from the same rows.

#include <optional>
#include <string>
#include <vector>

#include "selection/container_tree.h"
#include "selection/entry_row.h"
#include "selection/row_order.h"
#include "selection/selection_labels.h"

namespace vqbridge {

class RecipientSelection {
public:
    RecipientSelection(PdxAccess pdx, SelectionLabels labels, uint32_t capacity, std::vector<Recipient> preselected);

    // ---- containers
    // Reads the container tree; empty when the address book has none.
    void loadContainers();
    const std::vector<ContainerNode>& containers() const { return containers_; }
    // The node of the address book's default directory, or -1.
    int defaultContainer() const;

    // ---- entry rows of one container
    // Fills the rows from the container and sorts them by name, ascending.
    void showContainer(int node);
    int shownContainer() const { return shown_; }
    const std::vector<EntryRow>& rows() const { return rows_; }
    const SortState& sortState() const { return sort_; }
    // A click on a column header.
    void sortBy(int column);
    // The row where the id is now, or -1.
    int rowOfId(uint32_t id) const;
    // The first row whose name starts with `prefix` (system code page; ASCII
    // letters match either case), or -1.
    int findByPrefix(const std::string& prefix) const;
    // Whether Add has anything to take: a selected list or a selected row with an address.
    bool canAdd(const std::vector<size_t>& selected) const;
    // The information box of a single selected row (UTF-8, lines joined by CR LF).
    std::string informationText(size_t row) const;

    // ---- the import list, kept in the list box's sorted order
    enum class AddResult { Added, NothingNew, TooMany };
    // Adds the recipients of the selected rows (mail users first, then the
    // lists, expanded together). Too many for the capacity adds nothing.
    // `added` receives the import list positions of the new items.
    AddResult add(const std::vector<size_t>& selected, std::vector<size_t>* added = nullptr);
    // Removes the items; returns the position to select next, or -1 when the list is empty.
    int remove(std::vector<size_t> positions);
    const std::vector<Recipient>& importList() const { return items_; }
    // "%s - %s": the name and the address (system code page).
    std::string itemText(size_t position) const;
    bool changed() const { return changed_; }
    uint32_t capacity() const { return capacity_; }

private:
    void insertSorted(std::vector<Recipient> fresh, std::vector<size_t>* added);

    PdxAccess pdx_;
    SelectionLabels labels_;
    uint32_t capacity_;
    std::vector<ContainerNode> containers_;
    int shown_ = -1;
    std::vector<EntryRow> rows_;
    uint32_t nextRowId_ = 0;
    SortState sort_;
    std::vector<Recipient> items_;
    std::vector<std::wstring> itemKeys_; // collation keys of the item texts
    bool changed_ = false;
};

} // namespace vqbridge
