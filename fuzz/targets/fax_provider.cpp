// The fax address book provider's readers of what reaches it from outside:
// entry identifiers handed in by callers, and the element buffers the store
// library hands back. An identifier the provider accepts as its own reads
// back to the same fields; an element buffer is read without passing its end
// or the claimed count, its elements write and read back the same, and they
// map to exactly the properties their known field codes name.
//
// Input: option byte (bits 0-3 the claimed element count, bit 4 the logon's
// UID taken from the identifier), the identifier's length byte, the
// identifier, a 4-byte record id a group lookup is made for, then the
// element buffer.

#include "../support/fuzz_support.h"

#include "entry_id.h"
#include "fax_tags.h"
#include "prop_list.h"
#include "store_elements.h"
#include "store_records.h"

#include <cstring>
#include <vector>

using namespace velmo::fuzz;
using namespace vqfax;

namespace {

bool sameElement(const Element& a, const Element& b) {
    return a.code == b.code && a.text == b.text && a.member == b.member && a.flags == b.flags &&
           a.reserved == b.reserved;
}

// The bytes an element takes up in a buffer.
size_t footprint(const Element& e) {
    return e.isMember() ? sizeof(vqconv::MemberElement) : sizeof(vqconv::FieldElement);
}

void entryIdentifier(uint8_t options, std::string_view id) {
    MAPIUID logon{};
    for (size_t i = 0; i < 16; ++i) logon.ab[i] = uint8_t(0xA0 + i);
    if ((options & 0x10) && id.size() >= 20) std::memcpy(logon.ab, id.data() + 4, 16);

    // The caller's bytes in a block of exactly their length, so a read past
    // them is caught.
    std::vector<uint8_t> block(id.begin(), id.end());
    const auto* eid = block.empty() ? nullptr : reinterpret_cast<const ENTRYID*>(block.data());
    const ULONG cb = ULONG(block.size());

    const ULONG kind = classify(cb, eid, logon);
    EntryId parsed;
    const bool own = parseOwn(cb, eid, logon, parsed);
    if (cb == 0) FUZZ_CHECK(kind == kKindRoot && !own, "an absent identifier is not the root");
    if (!own) {
        FUZZ_CHECK(cb == 0 || kind == kKindForeign, "a refused identifier was given a kind of its own");
        return;
    }
    FUZZ_CHECK(cb >= kEntryIdSize, "an identifier shorter than its fields was taken");
    FUZZ_CHECK(kind == parsed.kind, "classify and parse disagree on the kind");
    FUZZ_CHECK(validForComparison(cb, eid, logon), "an accepted identifier cannot be compared");
    const auto bytes = parsed.bytes();
    FUZZ_CHECK(std::memcmp(bytes.data() + 4, block.data() + 4, 16) == 0, "the UID did not read back");
    FUZZ_CHECK(std::memcmp(bytes.data() + 24, block.data() + 24, 16) == 0, "the record fields did not read back");
    const EntryId again = EntryId::parse(bytes.data());
    FUZZ_CHECK(again.record == parsed.record && again.kind == parsed.kind && again.parentRecord == parsed.parentRecord &&
                   again.parentKind == parsed.parentKind,
               "a written identifier reads back different");
}

void elementBuffer(size_t claimed, int32_t record, std::string_view rest) {
    std::vector<uint8_t> buffer(rest.begin(), rest.end());
    const std::vector<Element> elements = parseElements(buffer.data(), buffer.size(), claimed);
    FUZZ_CHECK(elements.size() <= claimed, "more elements than the library claimed");
    size_t used = 0;
    for (const Element& e : elements) {
        used += footprint(e);
        FUZZ_CHECK(e.isMember() || e.text.size() <= kFieldTextLimit, "a field text over its limit");
        FUZZ_CHECK(e.text.find('\0') == std::string::npos, "a field text holds its terminator");
    }
    FUZZ_CHECK(used <= buffer.size(), "elements read past the buffer");

    const std::vector<uint8_t> written = serializeElements(elements);
    const std::vector<Element> back = parseElements(written.data(), written.size(), elements.size());
    FUZZ_CHECK(back.size() == elements.size(), "written elements read back as " + std::to_string(back.size()));
    for (size_t i = 0; i < back.size(); ++i)
        FUZZ_CHECK(sameElement(back[i], elements[i]), "element " + std::to_string(i) + " read back different");

    PropList props;
    appendFields(elements, props);
    size_t known = 0;
    for (const Element& e : elements)
        if (!e.isMember() && tagForCode(e.code) != 0) ++known;
    FUZZ_CHECK(props.size() == known, "fields and properties differ in number");
    for (const PropValue& v : props.values()) FUZZ_CHECK(v.type() == PT_STRING8, "a field is not a string");

    // Seen through a group, a number the member element does not select is empty.
    maskUnselected(elements, record, props);
    uint32_t flags = 0;
    for (const Element& e : elements)
        if (e.isMember() && e.member == record) {
            flags = e.flags;
            break;
        }
    if (!(flags & kPrimaryFax))
        FUZZ_CHECK(props.text(PR_BUSINESS_FAX_NUMBER).empty(), "an unselected primary number shows");
    if (!(flags & kSecondaryFax))
        FUZZ_CHECK(props.text(PR_HOME_FAX_NUMBER).empty(), "an unselected secondary number shows");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Input in(data, size);
    const uint8_t options = in.byte();
    const size_t idLength = in.byte();
    std::string_view rest = in.rest();
    const std::string_view id = rest.substr(0, std::min(idLength, rest.size()));
    rest.remove_prefix(id.size());
    int32_t record = 0;
    if (rest.size() >= 4) {
        std::memcpy(&record, rest.data(), 4);
        rest.remove_prefix(4);
    }
    entryIdentifier(options, id);
    elementBuffer(options & 15, record, rest);
    return 0;
}
