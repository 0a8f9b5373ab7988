#pragma once
// The test provider's data: a root, containers, mail users and distribution
// lists read from a small fixture file and written back after every change.
//
// Fixture lines, fields separated by tabs:
//   uid <32 hex digits>          a provider UID to register (the first one is
//                                carried by entries unless they name another)
//   fail <8 hex digits>          ABProviderOpen answers this status
//   root name=<text>
//   container key=<k> name=<text> flags=<decimal> [in=<container key>]
//   user key=<k> in=<container key> name=<text> [addrtype= email= fax= bfax=
//        hfax= company= dept= uid=<index>]
//   list key=<k> [in=<container key>] name=<text> members=<k>,<k>,...
// A user or list without "in" belongs to the lists that name it only.
// Any record may also carry
//   <8 hex digits>=<text>        a text property by its tag (PT_STRING8, or
//                                PT_MV_STRING8 with the values split by "|")
//   notinrows=<tag>,<tag>        properties its contents-table row leaves out,
//                                as a provider that reads them lazily does

#include <mutex>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "pdx/pdx.h"

namespace testprovider {

using namespace pdx;

enum class Kind { Root, Container, MailUser, DistList };

// A record's PT_STRING8 properties, in the order they were first set.
class Texts {
public:
    std::string& operator[](ULONG tag) {
        for (auto& [have, text] : items_)
            if (have == tag) return text;
        return items_.emplace_back(tag, std::string()).second;
    }
    const std::string* get(ULONG tag) const {
        for (const auto& [have, text] : items_)
            if (have == tag) return &text;
        return nullptr;
    }
    auto begin() const { return items_.begin(); }
    auto end() const { return items_.end(); }

private:
    std::vector<std::pair<ULONG, std::string>> items_;
};

struct Record {
    Kind kind = Kind::MailUser;
    std::string key;
    int parent = -1; // index of the container holding it; -1: none
    int uidIndex = 0;
    ULONG containerFlags = 0;
    Texts texts;
    std::vector<int> members;
    bool deleted = false;
    std::vector<ULONG> notInRows;
};

// One property as the provider keeps it.
struct Prop {
    ULONG tag;
    ULONG number = 0;
    std::string text;
    std::vector<uint8_t> bytes;
};
using Props = std::vector<Prop>;

// A property seen in place, without copying it.
struct PropRef {
    ULONG tag;
    ULONG number = 0;
    std::string_view text;
    const uint8_t* bytes = nullptr;
    size_t size = 0;
};
constexpr size_t kMaxRecordProps = 32;

struct Allocator {
    AllocateBufferFn allocate = nullptr;
    AllocateMoreFn more = nullptr;
    FreeBufferFn free = nullptr;
};

constexpr ULONG kTemplateBase = 0xFFFF0000u;
// Entry identifiers: 4 flag bytes, 16 UID bytes, 4-byte record index (or a template marker).
constexpr ULONG kEntryIdSize = 24;

class Store {
public:
    // MAPI_E_NOT_FOUND when the file cannot be read, MAPI_E_CORRUPT_DATA for a bad line.
    HRESULT load(const std::string& path);
    HRESULT save(); // caller holds the lock

    std::recursive_mutex lock;
    std::vector<MAPIUID> uids;
    std::vector<Record> records; // index 0 is the root
    HRESULT openStatus = S_OK;
    Allocator alloc;

    std::vector<uint8_t> entryId(int index) const;
    std::vector<uint8_t> templateId(ULONG objectType) const;
    // The record index of one of our identifiers (live records only), or -1;
    // `templ` receives the object type of a template identifier instead.
    int decode(ULONG cb, const ENTRYID* id, ULONG* templ = nullptr) const;

    Props props(int index) const;
    // The same as references into the store (valid while the lock is held);
    // `id` and `templ` hold the identifier bytes they point at. The count.
    size_t refs(int index, PropRef (&out)[kMaxRecordProps], uint8_t (&id)[kEntryIdSize],
                uint8_t (&templ)[kEntryIdSize]) const;
    // The same as the record's contents-table row shows them.
    size_t rowRefs(int index, PropRef (&out)[kMaxRecordProps], uint8_t (&id)[kEntryIdSize],
                   uint8_t (&templ)[kEntryIdSize]) const;
    // Every property, PT_OBJECT tags included, as GetPropList reports them.
    std::vector<ULONG> propTags(int index) const;
    // A new record (not yet saved); its index.
    int add(Record record);
    void remove(int index);
    std::string name(int index) const;

private:
    std::string path_;
};

// The values for `tags` (or all of them) in one buffer from `alloc`;
// MAPI_W_ERRORS_RETURNED when one was missing.
HRESULT copyProps(const Allocator& alloc, const Props& props, const SPropTagArray* tags, ULONG* count,
                  SPropValue** out);
HRESULT copyRefs(const Allocator& alloc, const PropRef* props, size_t n, const SPropTagArray* tags, ULONG* count,
                 SPropValue** out);
HRESULT copyTags(const Allocator& alloc, const std::vector<ULONG>& tags, SPropTagArray** out);
HRESULT copyBytesOut(const Allocator& alloc, const std::vector<uint8_t>& bytes, ULONG* cb, ENTRYID** out);

// One line to the file named by PDXTEST_LOG, if set.
void logEvent(const std::string& line);

} // namespace testprovider
