#pragma once
// Who belongs to the group a group dialog edits: the members it had when the
// dialog opened and the current ones, each with the numbers the group takes,
// and which fax destinations the dialog lists as available or as members.

#include <optional>
#include <vector>

#include "entry_book.h"

namespace vqfax {

// What one list item stands for: a group, or one number of a person.
enum Selector : int { kGroupDestination = 0, kPrimaryDestination = 1, kSecondaryDestination = 2 };

struct Destination {
    size_t row; // index into the root rows
    Selector selector;
    bool operator==(const Destination&) const = default;
};

// The member flag an item's selector stands for (0 for a group).
uint32_t selectorBit(Selector selector);

class Membership {
public:
    // From the root rows and the rows of the edited group (none for a new
    // one): every root entry found among the group's rows is a member, taking
    // the numbers that show there.
    void open(const std::vector<BookRow>& rootRows, const std::vector<BookRow>& groupRows,
              const std::optional<RecordKey>& edited);

    const std::vector<MemberNode>& original() const { return original_; }
    const std::vector<MemberNode>& current() const { return current_; }
    size_t count() const { return current_.size(); }
    // The current flags of an entry, or nothing when it is not a member.
    std::optional<uint32_t> flagsOf(const Bytes& entryId) const;

    // Adds the item's number (or the group) to the entry's node, making the
    // node when the entry was not a member.
    void add(const BookRow& row, Selector selector);
    // Takes the item's number away; the node goes once no number is left.
    void remove(const BookRow& row, Selector selector);

private:
    std::vector<MemberNode>::iterator nodeOf(const Bytes& entryId);

    std::vector<MemberNode> original_;
    std::vector<MemberNode> current_;
};

// Which rows a list shows.
struct ShowFilter {
    bool persons = true;
    bool groups = true;
};

// The destinations not yet in the group, in row order: no row without an
// identifier, never the edited group, no group that is a member, and of a
// person only the non-empty numbers the group does not take yet.
std::vector<Destination> availableDestinations(const std::vector<BookRow>& rows, const Membership& members,
                                               ShowFilter filter, const std::optional<RecordKey>& edited);
// The destinations the group has, in row order.
std::vector<Destination> memberDestinations(const std::vector<BookRow>& rows, const Membership& members,
                                            const std::optional<RecordKey>& edited);

} // namespace vqfax
