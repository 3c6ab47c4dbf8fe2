// The occupied playing squares of the mailbox board as 64-bit sets: bit
// (X - 1) * 8 + (Y - 1) for cell X*10 + Y, so walking a set from the lowest
// bit visits the squares file by file, each file from rank 8 down to rank 1.
//
// Where SSE2 is at hand (every x86-64) a file's eight cells are compared at
// once; elsewhere, or with CHESS_NO_SIMD defined, plain loops give the same
// sets.
#pragma once

#include <bit>
#include <cstdint>

#include "model/game_state.h"

#if defined(__SSE2__) && !defined(CHESS_NO_SIMD)
#include <emmintrin.h>
#endif

namespace chess {

inline uint64_t occupied_squares(const int16_t* board) {
    uint64_t set = 0;
#if defined(__SSE2__) && !defined(CHESS_NO_SIMD)
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

// Each side's pieces by kind, index 0 White and 1 Black: the queens count as
// both diagonal and straight sliders. The piece codes' magnitudes 1..6 are
// read as three bit planes: pawn 001, knight 010, bishop 011, rook 100,
// queen 101, king 110.
struct Armies {
    uint64_t side[2];
    uint64_t pawns[2];
    uint64_t knights[2];
    uint64_t diagonal[2];  // bishops and queens
    uint64_t straight[2];  // rooks and queens
    uint64_t kings[2];
    uint64_t bishops[2];
};

inline Armies armies_of(const int16_t* board) {
    uint64_t negative = 0;
    uint64_t occupied = 0;
    uint64_t plane[3] = {0, 0, 0};
#if defined(__SSE2__) && !defined(CHESS_NO_SIMD)
    const __m128i zero = _mm_setzero_si128();
    for (int x = 0; x < 8; x += 2) {
        // Two files at once, as bytes: file x in the low half.
        const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(board + 10 * x + 11));
        const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(board + 10 * x + 21));
        const __m128i value = _mm_packs_epi16(a, b);
        const __m128i size = _mm_packs_epi16(_mm_max_epi16(a, _mm_sub_epi16(zero, a)),
                                             _mm_max_epi16(b, _mm_sub_epi16(zero, b)));
        const int shift = 8 * x;
        negative |= static_cast<uint64_t>(_mm_movemask_epi8(value)) << shift;
        occupied |= static_cast<uint64_t>(~_mm_movemask_epi8(_mm_cmpeq_epi8(value, zero)) & 0xffff)
                    << shift;
        // Shifting each 16-bit lane left by 7 - k brings bit k of both its
        // bytes to their top bits.
        plane[0] |= static_cast<uint64_t>(_mm_movemask_epi8(_mm_slli_epi16(size, 7))) << shift;
        plane[1] |= static_cast<uint64_t>(_mm_movemask_epi8(_mm_slli_epi16(size, 6))) << shift;
        plane[2] |= static_cast<uint64_t>(_mm_movemask_epi8(_mm_slli_epi16(size, 5))) << shift;
    }
#else
    for (int x = 0; x < 8; ++x) {
        for (int y = 0; y < 8; ++y) {
            const int v = board[10 * x + 11 + y];
            const unsigned size = static_cast<unsigned>(v < 0 ? -v : v);
            const int bit = 8 * x + y;
            negative |= static_cast<uint64_t>(v < 0) << bit;
            occupied |= static_cast<uint64_t>(v != 0) << bit;
            for (int k = 0; k < 3; ++k) plane[k] |= static_cast<uint64_t>((size >> k) & 1u) << bit;
        }
    }
#endif
    const uint64_t p0 = plane[0];
    const uint64_t p1 = plane[1];
    const uint64_t p2 = plane[2];
    const uint64_t pawns = p0 & ~p1 & ~p2;
    const uint64_t knights = ~p0 & p1 & ~p2;
    const uint64_t diagonal = p0 & (p1 ^ p2);
    const uint64_t straight = p2 & ~p1;
    const uint64_t kings = ~p0 & p1 & p2;
    const uint64_t bishops = p0 & p1 & ~p2;
    Armies a{};
    a.side[0] = negative;
    a.side[1] = occupied & ~negative;
    for (int i = 0; i < 2; ++i) {
        a.pawns[i] = pawns & a.side[i];
        a.knights[i] = knights & a.side[i];
        a.diagonal[i] = diagonal & a.side[i];
        a.straight[i] = straight & a.side[i];
        a.kings[i] = kings & a.side[i];
        a.bishops[i] = bishops & a.side[i];
    }
    return a;
}

// The armies from the squares of each piece code (index code + 6).
inline Armies armies_of_sets(const uint64_t* sets) {
    Armies a;
    a.side[0] = sets[0] | sets[1] | sets[2] | sets[3] | sets[4] | sets[5];
    a.side[1] = sets[7] | sets[8] | sets[9] | sets[10] | sets[11] | sets[12];
    for (int i = 0; i < 2; ++i) {
        // White's codes -6..-1 stand at 0..5, Black's 1..6 at 7..12.
        const auto of = [&](int kind) { return sets[6 + (i == 0 ? -kind : kind)]; };
        a.pawns[i] = of(1);
        a.knights[i] = of(2);
        a.bishops[i] = of(3);
        a.diagonal[i] = of(3) | of(5);
        a.straight[i] = of(4) | of(5);
        a.kings[i] = of(6);
    }
    return a;
}

// The bishops, kings and pawns of the armies.
inline PieceSets piece_sets(const Armies& a) {
    PieceSets sets;
    for (int i = 0; i < 2; ++i) {
        sets.bishops[i] = a.bishops[i];
        sets.kings[i] = a.kings[i];
        sets.pawns[i] = a.pawns[i];
    }
    return sets;
}

// The last square of a set in the walk's order, or -1 for an empty set. Of
// two kings of one colour, the last one is the one that moves and the one
// the evaluation remembers.
inline int last_bit(uint64_t set) { return set != 0 ? 63 - std::countl_zero(set) : -1; }

// The mailbox cell of bit `bit`.
constexpr int cell_of_bit(int bit) { return (bit >> 3) * 10 + 11 + (bit & 7); }

}  // namespace chess
