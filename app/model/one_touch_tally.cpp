#include "model/one_touch_tally.h"

#include "model/document.h"

#include <algorithm>

namespace lisotrex {

OneTouchTally::OneTouchTally(const CLisotrexDoc& doc, size_t mayAdd) : doc_(doc) {
    if (doc.m_nMaxOneTouch < 1) {
        oneTaken_ = std::any_of(doc.m_list.begin(), doc.m_list.end(), [](const auto& e) { return e->m_nOneTouch == 1; });
        return;
    }
    // The book never holds more than it holds now plus what may come.
    const size_t cap = std::min(static_cast<size_t>(doc.m_nMaxOneTouch), doc.count() + mayAdd + 1);
    used_.assign(cap + 1, false);
    for (const auto& e : doc.m_list)
        if (e->m_nOneTouch >= 1 && static_cast<size_t>(e->m_nOneTouch) <= cap)
            used_[static_cast<size_t>(e->m_nOneTouch)] = true;
}

int32_t OneTouchTally::take() {
    if (doc_.m_nMaxOneTouch < 1) {
        if (oneTaken_) return 0;
        oneTaken_ = true;
        return 1;
    }
    // Numbers are only ever taken, so the lowest free one never moves down.
    const size_t last = std::min({static_cast<size_t>(doc_.m_nMaxOneTouch), doc_.count() + 1, used_.size() - 1});
    while (next_ <= last && used_[next_]) ++next_;
    if (next_ > last) return 0;
    used_[next_] = true;
    return static_cast<int32_t>(next_);
}

} // namespace lisotrex
