#include "duplicates.h"

#include "platform/codepage.h"
#include "pdx/tags.h"

namespace wab32 {

using namespace pdx;

namespace {

// Display names are compared by character, not by byte: a CP950 trail byte
// may look like an ASCII letter.
std::string folded(std::string_view systemText) { return platform::foldCaseUtf8(platform::systemToUtf8(systemText)); }

} // namespace

const Entry* findDuplicate(const ContactStore& store, EntryKind kind, const common::PropArray& props,
                           ULONG createFlags) {
    if (!(createFlags & (CREATE_CHECK_DUP_STRICT | CREATE_CHECK_DUP_LOOSE | CREATE_REPLACE))) return nullptr;
    const bool strict = (createFlags & CREATE_CHECK_DUP_STRICT) || !(createFlags & CREATE_CHECK_DUP_LOOSE);
    const std::string_view name = props.string(PR_DISPLAY_NAME);
    if (name.empty()) return nullptr;
    const std::string wantedName = folded(name);
    const std::string_view email = props.string(PR_EMAIL_ADDRESS);
    for (const Entry& e : store.entries()) {
        if (e.kind != kind) continue;
        if (folded(e.props->string(PR_DISPLAY_NAME)) != wantedName) continue;
        if (strict && !platform::equalsIgnoreAsciiCase(e.props->string(PR_EMAIL_ADDRESS), email)) continue;
        return &e;
    }
    return nullptr;
}

} // namespace wab32
