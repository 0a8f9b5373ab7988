#pragma once
// What the person and group dialogs read from and write to the fax book. All
// of it goes through the logon's PDX objects (OpenEntry, contents tables,
// SetProps, SaveChanges, CreateEntry, CopyEntries, DeleteEntries), so the
// store keeps its own rules. Plain C++: the dialogs call in, nothing here
// shows anything.

#include <array>
#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "pdx/interfaces.h"
#include "pdx/status.h"
#include "pdx/tags.h"

namespace vqfax {

using namespace pdx;

constexpr ULONG kBestAccess = 0x10;             // MAPI_BEST_ACCESS
constexpr size_t kMaxBookEntries = 3000;        // persons and groups of one book
constexpr size_t kMaxGroupDestinations = 256;   // fax numbers one group reaches
constexpr uint32_t kPrimarySelected = 0x1;      // member flags
constexpr uint32_t kSecondarySelected = 0x2;

using Bytes = std::vector<uint8_t>;

// The record an identifier names, as identifiers compare: provider, record id
// and kind, whatever parent the identifier was reached through.
struct RecordKey {
    std::array<uint8_t, 16> uid{};
    int32_t record = 0;
    ULONG kind = 0;
    auto operator<=>(const RecordKey&) const = default;
};
// Absent for an identifier too short to be one of ours.
std::optional<RecordKey> recordKeyOf(const Bytes& entryId);

// One row of a contents table, read with the dialogs' ten columns. Texts are
// in the system code page; a missing column is empty.
struct BookRow {
    Bytes entryId; // empty when the row carries none
    ULONG objectType = 0;
    std::string name, company, department, primaryFax, primaryDescription, secondaryFax, secondaryDescription,
        comment;
    bool isGroup() const { return objectType == MAPI_DISTLIST; }
};

// The rows of the root (an empty identifier) or of a group, in table order.
HRESULT readContents(IAddrBook* logon, const Bytes& containerId, std::vector<BookRow>& rows);

// What the person dialog edits, in the order it writes them.
enum PersonField {
    kGivenName,
    kSurname,
    kCourtesyTitle,
    kNamePrefix,
    kDisplayName,
    kCompany,
    kDepartment,
    kPrimaryFaxNumber,
    kPrimaryDescription,
    kSecondaryFaxNumber,
    kSecondaryDescription,
    kKeyword,
    kPersonFieldCount
};
extern const ULONG kPersonTags[kPersonFieldCount];
using PersonValues = std::array<std::optional<std::string>, kPersonFieldCount>; // absent: not stored

// Where a dialog's entry lives: the entry edited, or the container and
// template a new one is made from.
struct EntryTarget {
    Bytes entryId;     // editing when not empty
    Bytes containerId; // a new entry's container; empty: the root
    Bytes templateId;
    bool editing() const { return !entryId.empty(); }
};

// An edited entry is opened as a member of the root, whatever parent its
// identifier names: through a group, the store would write back only the
// group's choice of numbers and drop every other change.
Bytes asRootMember(const Bytes& entryId);

HRESULT loadPerson(IAddrBook* logon, const Bytes& entryId, PersonValues& values);
// Sets the twelve values (the absent ones as empty strings) and saves. A new
// entry's identifier comes back in `createdId` and becomes the target's, so
// that saving again after a later failure edits it instead of making another.
HRESULT savePerson(IAddrBook* logon, EntryTarget& target, const PersonValues& values, Bytes& createdId);

struct GroupHeader {
    std::optional<std::string> name, comment;
};
HRESULT loadGroupHeader(IAddrBook* logon, const Bytes& entryId, GroupHeader& header);

// A member of a group: the entry and which of its numbers the group takes
// (0 for a member group).
struct MemberNode {
    Bytes entryId;
    uint32_t flags = 0;
};

// Saves the name, the keyword and the members: the members the group had are
// removed, the current ones added, and the numbers a member does not
// contribute are blanked through the group so that the store records the
// choice. A new group's identifier is handled as savePerson's.
HRESULT saveGroup(IAddrBook* logon, EntryTarget& target, const std::string& name, const std::string& comment,
                  const std::vector<MemberNode>& original, const std::vector<MemberNode>& current,
                  Bytes& createdId);

// Reads groups through the logon (each once) to count the fax numbers they
// reach and to find groups inside groups. A group met again inside itself is
// not followed a second time.
class GroupWalker {
public:
    explicit GroupWalker(IAddrBook* logon) : logon_(logon) {}
    // Fax numbers reached through the group: each member person's numbers as
    // the group selects them, member groups counted the same way. A group in
    // `totals` counts as that total instead of what the store holds.
    size_t destinations(const Bytes& groupId, const std::map<RecordKey, size_t>& totals = {});
    // Whether `target` is inside the group, at any depth.
    bool contains(const Bytes& groupId, const RecordKey& target);
    // The first failure met while reading (the reading goes on without it).
    HRESULT status() const { return status_; }

private:
    const std::vector<BookRow>& rowsOf(const Bytes& groupId, const RecordKey& key);
    size_t count(const Bytes& groupId, const std::map<RecordKey, size_t>& totals, std::set<RecordKey>& path);
    bool find(const Bytes& groupId, const RecordKey& target, std::set<RecordKey>& seen);

    IAddrBook* logon_;
    std::map<RecordKey, std::vector<BookRow>> cache_;
    HRESULT status_ = S_OK;
};

// Fax numbers a person row contributes: its non-empty numbers.
size_t personDestinations(const BookRow& row);

} // namespace vqfax
