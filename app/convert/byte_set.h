#pragma once
// A few bytes that end a run of text, found sixteen bytes at a time where the
// processor has SSE2 (every x86-64 has) and one by one elsewhere: the field
// readers spend most of their time looking for the next delimiter or quote.

#include <array>
#include <cstddef>
#include <initializer_list>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace lisotrex {

template <size_t Count>
class ByteSet {
public:
    ByteSet() = default;
    // Exactly Count bytes; repeats are allowed.
    explicit ByteSet(std::initializer_list<char> bytes) {
        size_t k = 0;
        for (char b : bytes) {
            if (k == Count) break;
            member_[static_cast<unsigned char>(b)] = true;
            bytes_[k++] = b;
        }
        for (; k < Count; ++k) bytes_[k] = bytes_[0];
#if defined(__SSE2__)
        for (size_t i = 0; i < Count; ++i) wide_[i] = _mm_set1_epi8(bytes_[i]);
#endif
    }

    bool contains(char c) const { return member_[static_cast<unsigned char>(c)]; }

    // Index of the first byte of the set in p[0..n), or n when there is none.
    size_t find(const char* p, size_t n) const {
        size_t i = 0;
#if defined(__SSE2__)
        for (; i + 16 <= n; i += 16) {
            const __m128i chunk = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
            __m128i hit = _mm_cmpeq_epi8(chunk, wide_[0]);
            for (size_t k = 1; k < Count; ++k) hit = _mm_or_si128(hit, _mm_cmpeq_epi8(chunk, wide_[k]));
            if (const int mask = _mm_movemask_epi8(hit)) return i + static_cast<size_t>(__builtin_ctz(mask));
        }
#endif
        while (i < n && !contains(p[i])) ++i;
        return i;
    }

private:
    std::array<char, Count> bytes_{};
    bool member_[256] = {};
#if defined(__SSE2__)
    __m128i wide_[Count];
#endif
};

} // namespace lisotrex
