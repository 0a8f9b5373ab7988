#include "membership.h"

#include <algorithm>
#include <map>

namespace vqfax {
namespace {

bool shown(const BookRow& row, const std::optional<RecordKey>& edited) {
    if (row.entryId.empty()) return false;
    const auto key = recordKeyOf(row.entryId);
    return key && (!edited || *key != *edited);
}

bool sameRecord(const Bytes& a, const Bytes& b) {
    const auto ka = recordKeyOf(a);
    const auto kb = recordKeyOf(b);
    return ka && kb && *ka == *kb;
}

} // namespace

uint32_t selectorBit(Selector selector) {
    switch (selector) {
    case kPrimaryDestination: return kPrimarySelected;
    case kSecondaryDestination: return kSecondarySelected;
    default: return 0;
    }
}

void Membership::open(const std::vector<BookRow>& rootRows, const std::vector<BookRow>& groupRows,
                      const std::optional<RecordKey>& edited) {
    original_.clear();
    current_.clear();
    std::map<RecordKey, const BookRow*> inGroup;
    for (const BookRow& row : groupRows)
        if (const auto key = recordKeyOf(row.entryId)) inGroup.emplace(*key, &row);
    for (const BookRow& row : rootRows) {
        if (!shown(row, edited)) continue;
        const auto found = inGroup.find(*recordKeyOf(row.entryId));
        if (found == inGroup.end()) continue;
        const BookRow& member = *found->second;
        uint32_t flags = 0;
        if (!member.primaryFax.empty()) flags |= kPrimarySelected;
        if (!member.secondaryFax.empty()) flags |= kSecondarySelected;
        original_.push_back({row.entryId, flags});
    }
    current_ = original_;
}

std::vector<MemberNode>::iterator Membership::nodeOf(const Bytes& entryId) {
    return std::find_if(current_.begin(), current_.end(),
                        [&](const MemberNode& m) { return sameRecord(m.entryId, entryId); });
}

std::optional<uint32_t> Membership::flagsOf(const Bytes& entryId) const {
    auto found = std::find_if(current_.begin(), current_.end(),
                              [&](const MemberNode& m) { return sameRecord(m.entryId, entryId); });
    if (found == current_.end()) return std::nullopt;
    return found->flags;
}

void Membership::add(const BookRow& row, Selector selector) {
    auto node = nodeOf(row.entryId);
    if (node == current_.end()) current_.push_back({row.entryId, selectorBit(selector)});
    else node->flags |= selectorBit(selector);
}

void Membership::remove(const BookRow& row, Selector selector) {
    auto node = nodeOf(row.entryId);
    if (node == current_.end()) return;
    node->flags &= ~selectorBit(selector);
    if (node->flags == 0) current_.erase(node);
}

std::vector<Destination> availableDestinations(const std::vector<BookRow>& rows, const Membership& members,
                                               ShowFilter filter, const std::optional<RecordKey>& edited) {
    std::vector<Destination> out;
    for (size_t i = 0; i < rows.size(); ++i) {
        const BookRow& row = rows[i];
        if (!shown(row, edited)) continue;
        const auto flags = members.flagsOf(row.entryId);
        if (row.isGroup()) {
            if (filter.groups && !flags) out.push_back({i, kGroupDestination});
            continue;
        }
        if (!filter.persons) continue;
        const uint32_t taken = flags.value_or(0);
        if (!row.primaryFax.empty() && !(taken & kPrimarySelected)) out.push_back({i, kPrimaryDestination});
        if (!row.secondaryFax.empty() && !(taken & kSecondarySelected)) out.push_back({i, kSecondaryDestination});
    }
    return out;
}

std::vector<Destination> memberDestinations(const std::vector<BookRow>& rows, const Membership& members,
                                            const std::optional<RecordKey>& edited) {
    std::vector<Destination> out;
    for (size_t i = 0; i < rows.size(); ++i) {
        const BookRow& row = rows[i];
        if (!shown(row, edited)) continue;
        const auto flags = members.flagsOf(row.entryId);
        if (!flags) continue;
        if (row.isGroup()) {
            out.push_back({i, kGroupDestination});
            continue;
        }
        if (!row.primaryFax.empty() && (*flags & kPrimarySelected)) out.push_back({i, kPrimaryDestination});
        if (!row.secondaryFax.empty() && (*flags & kSecondarySelected)) out.push_back({i, kSecondaryDestination});
    }
    return out;
}

} // namespace vqfax
