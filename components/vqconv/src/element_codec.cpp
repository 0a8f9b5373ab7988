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

uint8_t* encodeField(uint32_t code, std::string_view text, uint8_t* out) {
    FieldElement f{};
    f.code = code;
    if (!text.empty()) std::memcpy(f.text, text.data(), std::min(text.size(), kMaxFieldText));
    std::memcpy(out, &f, sizeof f);
    return out + sizeof f;
}

uint8_t* encodeMember(int32_t member, uint32_t flags, std::string_view reserved, uint8_t* out) {
    MemberElement m{};
    m.code = kMemberCode;
    m.recordId = member;
    m.flags = flags;
    if (!reserved.empty()) std::memcpy(m.reserved, reserved.data(), std::min(reserved.size(), sizeof m.reserved));
    std::memcpy(out, &m, sizeof m);
    return out + sizeof m;
}

} // namespace vqconv
