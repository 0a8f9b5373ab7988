#include "member_list.h"

#include <algorithm>

namespace vqfax {

void MemberList::add(Member m) {
    if (present_.insert(key(m)).second) members_.push_back(m);
}

bool MemberList::remove(Member m) {
    auto it = std::find(members_.begin(), members_.end(), m);
    if (it == members_.end()) return false;
    members_.erase(it);
    present_.erase(key(m));
    return true;
}

} // namespace vqfax
