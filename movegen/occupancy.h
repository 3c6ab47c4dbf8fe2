// The occupied playing squares of the mailbox board as 64-bit sets: bit
// (X - 1) * 8 + (Y - 1) for cell X*10 + Y, so walking a set from the lowest
// bit visits the squares file by file, each file from rank 8 down to rank 1.
#pragma once

#include <cstdint>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace chess {

struct Sides {
    uint64_t occupied;
    uint64_t white;
    uint64_t black;
    uint64_t white_pawns;
    uint64_t black_pawns;
};

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

// The squares of White's pieces (negative codes) and of Black's, and of
// each side's pawns.
inline Sides sides_of(const int16_t* board) {
    Sides sd{0, 0, 0, 0, 0};
#if defined(__SSE2__)
    const __m128i zero = _mm_setzero_si128();
    const __m128i white_pawn = _mm_set1_epi16(-1);
    const __m128i black_pawn = _mm_set1_epi16(1);
    for (int x = 0; x < 8; ++x) {
        const __m128i file = _mm_loadu_si128(reinterpret_cast<const __m128i*>(board + 10 * x + 11));
        const __m128i w = _mm_cmplt_epi16(file, zero);
        const __m128i b = _mm_cmpgt_epi16(file, zero);
        const __m128i wp = _mm_cmpeq_epi16(file, white_pawn);
        const __m128i bp = _mm_cmpeq_epi16(file, black_pawn);
        // One bit per cell: White in the low byte, Black in the high one.
        const unsigned sides = static_cast<unsigned>(_mm_movemask_epi8(_mm_packs_epi16(w, b)));
        const unsigned pawns = static_cast<unsigned>(_mm_movemask_epi8(_mm_packs_epi16(wp, bp)));
        sd.white |= static_cast<uint64_t>(sides & 0xffu) << (8 * x);
        sd.black |= static_cast<uint64_t>(sides >> 8) << (8 * x);
        sd.white_pawns |= static_cast<uint64_t>(pawns & 0xffu) << (8 * x);
        sd.black_pawns |= static_cast<uint64_t>(pawns >> 8) << (8 * x);
    }
#else
    for (int x = 0; x < 8; ++x) {
        for (int y = 0; y < 8; ++y) {
            const int16_t p = board[10 * x + 11 + y];
            sd.white |= static_cast<uint64_t>(p < 0) << (8 * x + y);
            sd.black |= static_cast<uint64_t>(p > 0) << (8 * x + y);
            sd.white_pawns |= static_cast<uint64_t>(p == -1) << (8 * x + y);
            sd.black_pawns |= static_cast<uint64_t>(p == 1) << (8 * x + y);
        }
    }
#endif
    sd.occupied = sd.white | sd.black;
    return sd;
}

// The mailbox cell of bit `bit`, and of the bit's square seen from the other
// side (rank 8 and rank 1 exchanged).
inline int cell_of_bit(int bit) { return (bit >> 3) * 10 + 11 + (bit & 7); }
inline int mirrored_cell_of_bit(int bit) { return (bit >> 3) * 10 + 18 - (bit & 7); }

}  // namespace chess
