#include "element_codec.h"

#include <algorithm>
#include <cstring>

namespace vqconv {

std::vector<Element> decodeElements(const uint8_t* bytes, uint32_t count) {
    std::vector<Element> elements;
    elements.reserve(count);
    const uint8_t* p = bytes;
    for (uint32_t i = 0; i < count; ++i) {
        Element e;
        std::memcpy(&e.code, p, sizeof e.code);
        if (e.isMember()) {
            MemberElement m;
            std::memcpy(&m, p, sizeof m);
            e.member = m.recordId;
            e.flags = m.flags;
            std::memcpy(e.reserved.data(), m.reserved, sizeof m.reserved);
            p += sizeof(MemberElement);
        } else {
            const char* text = reinterpret_cast<const char*>(p + offsetof(FieldElement, text));
            e.text.assign(text, strnlen(text, kMaxFieldText));
            p += sizeof(FieldElement);
        }
        elements.push_back(std::move(e));
    }
    return elements;
}

void encodeElements(const std::vector<Element>& elements, uint8_t* out) {
    for (const Element& e : elements) {
        if (e.isMember()) {
            MemberElement m{};
            m.code = kMemberCode;
            m.recordId = e.member;
            m.flags = e.flags;
            std::memcpy(m.reserved, e.reserved.data(), sizeof m.reserved);
            std::memcpy(out, &m, sizeof m);
            out += sizeof m;
        } else {
            FieldElement f{};
            f.code = e.code;
            std::memcpy(f.text, e.text.data(), std::min(e.text.size(), kMaxFieldText));
            std::memcpy(out, &f, sizeof f);
            out += sizeof f;
        }
    }
}

} // namespace vqconv
