// The occupied playing squares of the mailbox board as a 64-bit set: bit
// (X - 1) * 8 + (Y - 1) for cell X*10 + Y, so walking the set from the lowest
// bit visits the squares file by file, each file from rank 8 down to rank 1.
#pragma once

#include <cstdint>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace chess {

inline uint64_t occupied_squares(const int16_t* board) {
    uint64_t set = 0;
#if defined(__SSE2__)
    const __m128i zero = _mm_setzero_si128();
    for (int x = 0; x < 8; ++x) {
        // The eight cells of one file are contiguous.
        const __m128i file = _mm_loadu_si128(reinterpret_cast<const __m128i*>(board + 10 * x + 11));
        const __m128i empty = _mm_cmpeq_epi16(file, zero);
        const unsigned mask =
            static_cast<unsigned>(_mm_movemask_epi8(_mm_packs_epi16(empty, zero)));
        set |= static_cast<uint64_t>(~mask & 0xffu) << (8 * x);
    }
#else
    for (int x = 0; x < 8; ++x) {
        const int16_t* file = board + 10 * x + 11;
        unsigned bits = 0;
        for (int y = 0; y < 8; ++y) bits |= static_cast<unsigned>(file[y] != 0) << y;
        set |= static_cast<uint64_t>(bits) << (8 * x);
    }
#endif
    return set;
}

}  // namespace chess
