#pragma once
// The records a container lists: every record of the store for the root, the
// members of a group. Ordered (record id, kind) pairs; a pair already present
// keeps its place.

#include <cstdint>
#include <unordered_set>
#include <vector>

#include "pdx/types.h"

namespace vqfax {

struct Member {
    int32_t record;
    pdx::ULONG kind;
    bool operator==(const Member&) const = default;
};

class MemberList {
public:
    void add(Member m);
    // Removes the first pair with that record id and kind; false when absent.
    bool remove(Member m);
    const std::vector<Member>& members() const { return members_; }
    size_t size() const { return members_.size(); }
    bool empty() const { return members_.empty(); }

private:
    static uint64_t key(Member m) { return (uint64_t(uint32_t(m.record)) << 32) | m.kind; }
    std::vector<Member> members_;
    std::unordered_set<uint64_t> present_; // the root of a large store lists thousands
};

} // namespace vqfax
