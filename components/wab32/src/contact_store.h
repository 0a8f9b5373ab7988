#pragma once
// The contacts store: one vCard file, read whole, indexed by entry key, and
// rewritten atomically for every change. The file is never written when it
// changed on disk since it was read (MAPI_E_OBJECT_CHANGED) or when its
// structure is damaged (MAPI_E_CORRUPT_DATA); cards and lines a change does
// not touch are written back byte for byte.

#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include <sys/types.h>

#include "entry_id.h"
#include "pdx/types.h"
#include "pdx_common/prop_array.h"
#include "pdx_common/snapshot_table.h"
#include "vcard/vcard_document.h"

namespace wab32 {

struct Entry {
    EntryKind kind = EntryKind::MailUser; // MailUser or DistList
    Key key{};
    size_t segment = 0;    // its card among the file's segments
    uint64_t cardHash = 0; // of the card's bytes, to tell a changed card
    std::string uid;       // as written, UTF-8 (empty when none)
    std::shared_ptr<const pdx::common::PropArray> props;
    std::vector<std::string> memberIds; // lists: entry ids of the members found, in order
};

// What SaveChanges of a mail user or list writes.
struct SaveRequest {
    std::optional<Key> key;        // the entry saved; none for a new one
    bool list = false;             // a new entry is a list
    uint64_t expectedHash = 0;     // the card as the object read it
    pdx::common::PropArray values; // properties set
    std::vector<pdx::ULONG> deleted;
    std::optional<Key> memberOf;   // also becomes a member of this list
    std::vector<std::string> members; // a new list's members (entry ids)
};

class ContactStore {
public:
    // Reads the file (a missing file is an empty store, created on the first
    // write). A file that is not vCard text at all: MAPI_E_CORRUPT_DATA.
    static pdx::HRESULT open(const std::string& path, std::shared_ptr<ContactStore>& out);

    std::mutex& mutex() { return lock_; }
    const std::string& path() const { return path_; }
    // The file's name without its folder, in the system code page.
    std::string displayName() const;
    bool damaged() const { return damaged_; }
    // The file's bytes as last read or written.
    const std::string& bytes() const { return bytes_; }

    // Reads the file again when another program changed it. Caller holds the lock.
    pdx::HRESULT refresh();

    const std::vector<Entry>& entries() const { return entries_; }
    const Entry* find(const Key& key) const;
    std::vector<pdx::common::TableRow> rows() const;
    std::vector<pdx::common::TableRow> memberRows(const Entry& list) const;
    // The properties of an entry id (a card's or a one-off's); null when unknown.
    std::shared_ptr<const pdx::common::PropArray> propsOf(const EntryRef& ref) const;

    // Writes; each is one atomic rewrite of the file. Caller holds the lock.
    pdx::HRESULT save(const SaveRequest& request, Key* savedKey);
    pdx::HRESULT deleteEntries(const std::vector<Key>& keys, size_t* deleted);
    // Entry ids that name nothing of ours are skipped; `added` counts those that are members now.
    pdx::HRESULT addMembers(const Key& list, const std::vector<std::string>& memberIds, size_t* added);
    pdx::HRESULT removeMembers(const Key& list, const std::vector<std::string>& memberIds, size_t* removed);
    pdx::HRESULT duplicate(const Key& source, Key* copy);

    // The card of an entry as the file holds it.
    std::optional<vcard::Card> cardOf(const Key& key) const;
    // The entry marked as the user's own contact ("me"), if any. The mark is
    // a line other address books ignore (kMeLine).
    std::optional<Key> me() const { return me_; }
    // Marks the entry, and no other, as the user's own. Caller holds the lock.
    pdx::HRESULT setMe(const Key& key);
    static constexpr const char* kMeLine = "X-VELMO-ME";
    // Appends cards read from another file, byte for byte as they were
    // written; a card whose UID the store holds already (or that came
    // before in the same file) is left out. Caller holds the lock.
    pdx::HRESULT importCards(std::vector<vcard::Card> cards, size_t* added);

    // The store's entry ids of its fixed objects.
    static std::string rootId() { return makeEntryId(EntryKind::Root); }
    static std::string containerId() { return makeEntryId(EntryKind::Container); }

private:
    class Edit;
    explicit ContactStore(std::string path) : path_(std::move(path)) {}
    void load(std::string bytes, bool exists);
    struct DiskState {
        bool exists = false;
        off_t size = 0;
        int64_t mtimeNs = 0;
        ino_t inode = 0;
    };
    DiskState diskState() const;
    pdx::HRESULT commit(const Edit& edit);
    pdx::HRESULT writable() const;
    std::string_view spanText(size_t segment) const;
    std::string newCardVersion() const;
    std::string newCardEol() const;
    // The member reference of an entry id, making sure a member card has a UID.
    std::optional<std::string> referenceFor(Edit& edit, const std::string& memberId);

    std::mutex lock_;
    std::string path_;
    std::string bytes_;      // the file as last read or written
    DiskState state_;
    std::vector<vcard::Span> spans_;
    bool damaged_ = false;
    std::string firstVersion_ = "3.0"; // of the first card: new cards follow it
    std::string firstEol_ = "\r\n";
    std::vector<Entry> entries_;
    std::map<Key, size_t> byKey_;
    std::optional<Key> me_;
};

} // namespace wab32
