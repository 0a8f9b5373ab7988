#pragma once
// What the recipient selection reads through: an open address book, its
// session, and the vqcore routines that free what the tables hand out.

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "core_binding.h"
#include "pdx/interfaces.h"
#include "pdx/memory.h"

namespace vqbridge {

using EntryId = std::vector<uint8_t>;

struct PdxAccess {
    pdx::IAddrBook* book = nullptr;
    pdx::IPDXSession* session = nullptr;
    CoreApi api;
};

// Opens an entry of the address book by its identifier (an empty one opens
// the root container); null when it cannot be opened.
pdx::object_ptr<pdx::IUnknown> openEntry(const PdxAccess& pdx, const EntryId& id);

// Reads a table from its beginning with `columns`, in batches of its row
// count (at most 10000 rows), each batch freed once its rows are seen. A
// failure ends the reading; the rows seen until then stay seen.
pdx::HRESULT readTable(const PdxAccess& pdx, pdx::IMAPITable& table, const pdx::SPropTagArray* columns,
                       const std::function<void(const pdx::SRow&)>& each);

// A fixed list of property tags, laid out as an SPropTagArray.
template <size_t N>
struct TagList {
    pdx::ULONG count = N;
    pdx::ULONG tags[N];
    const pdx::SPropTagArray* get() const { return reinterpret_cast<const pdx::SPropTagArray*>(this); }
};

// The properties of one entry (a table row or an address entry), found by tag.
class PropView {
public:
    PropView(const pdx::SPropValue* values, pdx::ULONG count) : values_(values), count_(values ? count : 0) {}
    explicit PropView(const pdx::SRow& row) : PropView(row.lpProps, row.cValues) {}
    const pdx::SPropValue* find(pdx::ULONG tag) const;
    // The text of a PT_STRING8 property; empty when it is missing or an error value.
    std::string text(pdx::ULONG tag) const;
    // True when the property is reported as an error value (PT_ERROR).
    bool isError(pdx::ULONG tag) const;
    // A PT_LONG value, or `otherwise`.
    long number(pdx::ULONG tag, long otherwise) const;
    EntryId binary(pdx::ULONG tag) const;
    std::vector<std::string> texts(pdx::ULONG tag) const; // PT_MV_STRING8

private:
    const pdx::SPropValue* values_;
    pdx::ULONG count_;
};

} // namespace vqbridge
