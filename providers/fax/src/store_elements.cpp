#include "store_elements.h"

#include <algorithm>
#include <cstring>

#include "fax_tags.h"

namespace vqfax {
namespace {

constexpr size_t kFieldSize = sizeof(vqconv::FieldElement);
constexpr size_t kMemberSize = sizeof(vqconv::MemberElement);

struct FieldCode {
    uint32_t code;
    ULONG tag;
};
constexpr FieldCode kFieldCodes[] = {
    {1, PR_DISPLAY_NAME},
    {2, PR_DISPLAY_NAME_PREFIX},
    {3, PR_GIVEN_NAME},
    {4, PR_MIDDLE_NAME},
    {5, PR_SURNAME},
    {6, PR_COURTESY_TITLE},
    {8, PR_COMMENT},
    {272, PR_HOME_FAX_NUMBER},
    {273, PR_SECONDARY_FAX_DESCRIPTION},
    {274, PR_SECONDARY_FAX_EXTRA1},
    {275, PR_SECONDARY_FAX_EXTRA2},
    {512, PR_COMPANY_NAME},
    {513, PR_DEPARTMENT_NAME},
    {528, PR_BUSINESS_FAX_NUMBER},
    {529, PR_PRIMARY_FAX_DESCRIPTION},
    {530, PR_PRIMARY_FAX_EXTRA1},
    {531, PR_PRIMARY_FAX_EXTRA2},
};

uint32_t readWord(const uint8_t* p) {
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}
void writeWord(uint8_t* p, uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
}

} // namespace

Element Element::field(uint32_t code, std::string_view text) {
    Element e;
    e.code = code;
    e.text = std::string(text.substr(0, kFieldTextLimit));
    return e;
}

Element Element::memberOf(int32_t record, uint32_t flags) {
    Element e;
    e.code = vqconv::kMemberCode;
    e.member = record;
    e.flags = flags;
    return e;
}

std::vector<Element> parseElements(const uint8_t* bytes, size_t size, size_t claimed) {
    std::vector<Element> out;
    size_t at = 0;
    while (out.size() < claimed && size - at >= 4) {
        Element e;
        e.code = readWord(bytes + at);
        if (e.isMember()) {
            if (size - at < kMemberSize) break;
            e.member = static_cast<int32_t>(readWord(bytes + at + 4));
            e.flags = readWord(bytes + at + 8);
            std::memcpy(e.reserved.data(), bytes + at + 12, e.reserved.size());
            at += kMemberSize;
        } else {
            if (size - at < kFieldSize) break;
            const char* text = reinterpret_cast<const char*>(bytes + at + 4);
            e.text.assign(text, strnlen(text, kFieldTextLimit));
            at += kFieldSize;
        }
        out.push_back(std::move(e));
    }
    return out;
}

std::vector<uint8_t> serializeElements(const std::vector<Element>& elements) {
    std::vector<uint8_t> buffer(elements.size() * vqconv::kElementSlot, 0);
    size_t at = 0;
    for (const Element& e : elements) {
        writeWord(buffer.data() + at, e.code);
        if (e.isMember()) {
            writeWord(buffer.data() + at + 4, static_cast<uint32_t>(e.member));
            writeWord(buffer.data() + at + 8, e.flags);
            std::memcpy(buffer.data() + at + 12, e.reserved.data(), e.reserved.size());
            at += kMemberSize;
        } else {
            const size_t n = std::min(e.text.size(), kFieldTextLimit);
            std::memcpy(buffer.data() + at + 4, e.text.data(), n);
            at += kFieldSize;
        }
    }
    return buffer;
}

ULONG tagForCode(uint32_t code) {
    for (const auto& f : kFieldCodes)
        if (f.code == code) return f.tag;
    return 0;
}

uint32_t codeForTag(ULONG tag) {
    for (const auto& f : kFieldCodes)
        if (PROP_ID(f.tag) == PROP_ID(tag)) return f.code;
    return 0;
}

} // namespace vqfax
