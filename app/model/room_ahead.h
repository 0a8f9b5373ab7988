#pragma once
// Growing a vector ahead of an append, so that the append itself cannot fail
// once the operation has started changing things. Growth stays geometric.

#include <algorithm>
#include <cstddef>

namespace lisotrex {

template <class Vector>
void reserveAhead(Vector& v, std::size_t more = 1) {
    if (v.capacity() - v.size() >= more) return;
    v.reserve(std::max(v.size() + more, v.capacity() * 2));
}

} // namespace lisotrex
