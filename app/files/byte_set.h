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

// Index of the first byte below 0x20 (a control character) in p[0..n), or n.
inline size_t findControlByte(const char* p, size_t n) {
    size_t i = 0;
#if defined(__SSE2__)
    const __m128i highest = _mm_set1_epi8(0x1F);
    for (; i + 16 <= n; i += 16) {
        const __m128i chunk = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
        // Unsigned: a byte is at most 0x1F exactly when the smaller of it and 0x1F is itself.
        const __m128i low = _mm_cmpeq_epi8(_mm_min_epu8(chunk, highest), chunk);
        if (const int mask = _mm_movemask_epi8(low)) return i + static_cast<size_t>(__builtin_ctz(mask));
    }
    // The last bytes of a text of sixteen or more: the last sixteen, again in
    // one load, the ones already looked at masked off.
    if (i < n && n >= 16) {
        const __m128i chunk = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + n - 16));
        const __m128i low = _mm_cmpeq_epi8(_mm_min_epu8(chunk, highest), chunk);
        const int mask = _mm_movemask_epi8(low) >> (16 - (n - i));
        return mask ? i + static_cast<size_t>(__builtin_ctz(mask)) : n;
    }
#endif
    while (i < n && static_cast<unsigned char>(p[i]) >= 0x20) ++i;
    return i;
}

} // namespace lisotrex
