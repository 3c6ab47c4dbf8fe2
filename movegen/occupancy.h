// The occupied playing squares of the mailbox board as 64-bit sets: bit
// (X - 1) * 8 + (Y - 1) for cell X*10 + Y, so walking a set from the lowest
// bit visits the squares file by file, each file from rank 8 down to rank 1.
//
// Where SSE2 is at hand (every x86-64) a file's eight cells are compared at
// once; elsewhere, or with CHESS_NO_SIMD defined, plain loops give the same
// sets.
#pragma once

#include <cstdint>

#if defined(__SSE2__) && !defined(CHESS_NO_SIMD)
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

// The squares of White's pieces (negative codes) and of Black's, and of
// each side's pawns.
inline Sides sides_of(const int16_t* board) {
    Sides sd{0, 0, 0, 0, 0};
#if defined(__SSE2__) && !defined(CHESS_NO_SIMD)
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

// The squares of the bishops and kings of each side and of all pawns.
struct PieceSets {
    uint64_t white_bishops;
    uint64_t black_bishops;
    uint64_t white_kings;
    uint64_t black_kings;
    uint64_t pawns;
};

inline PieceSets piece_sets(const int16_t* board) {
    PieceSets ps{0, 0, 0, 0, 0};
#if defined(__SSE2__) && !defined(CHESS_NO_SIMD)
    const __m128i white_bishop = _mm_set1_epi16(-3);
    const __m128i black_bishop = _mm_set1_epi16(3);
    const __m128i white_king = _mm_set1_epi16(-6);
    const __m128i black_king = _mm_set1_epi16(6);
    const __m128i one = _mm_set1_epi16(1);
    for (int x = 0; x < 8; ++x) {
        const __m128i file = _mm_loadu_si128(reinterpret_cast<const __m128i*>(board + 10 * x + 11));
        const __m128i bishops = _mm_packs_epi16(_mm_cmpeq_epi16(file, white_bishop),
                                                _mm_cmpeq_epi16(file, black_bishop));
        const __m128i kings =
            _mm_packs_epi16(_mm_cmpeq_epi16(file, white_king), _mm_cmpeq_epi16(file, black_king));
        // A pawn of either colour: the value times itself is 1.
        const __m128i pawns = _mm_cmpeq_epi16(_mm_mullo_epi16(file, file), one);
        const unsigned b = static_cast<unsigned>(_mm_movemask_epi8(bishops));
        const unsigned k = static_cast<unsigned>(_mm_movemask_epi8(kings));
        const unsigned p = static_cast<unsigned>(_mm_movemask_epi8(_mm_packs_epi16(pawns, pawns)));
        ps.white_bishops |= static_cast<uint64_t>(b & 0xffu) << (8 * x);
        ps.black_bishops |= static_cast<uint64_t>(b >> 8) << (8 * x);
        ps.white_kings |= static_cast<uint64_t>(k & 0xffu) << (8 * x);
        ps.black_kings |= static_cast<uint64_t>(k >> 8) << (8 * x);
        ps.pawns |= static_cast<uint64_t>(p & 0xffu) << (8 * x);
    }
#else
    for (int x = 0; x < 8; ++x) {
        for (int y = 0; y < 8; ++y) {
            const int16_t v = board[10 * x + 11 + y];
            const int bit = 8 * x + y;
            ps.white_bishops |= static_cast<uint64_t>(v == -3) << bit;
            ps.black_bishops |= static_cast<uint64_t>(v == 3) << bit;
            ps.white_kings |= static_cast<uint64_t>(v == -6) << bit;
            ps.black_kings |= static_cast<uint64_t>(v == 6) << bit;
            ps.pawns |= static_cast<uint64_t>(v == 1 || v == -1) << bit;
        }
    }
#endif
    return ps;
}

// The mailbox cell of bit `bit`, and of the bit's square seen from the other
// side (rank 8 and rank 1 exchanged).
inline int cell_of_bit(int bit) { return (bit >> 3) * 10 + 11 + (bit & 7); }
inline int mirrored_cell_of_bit(int bit) { return (bit >> 3) * 10 + 18 - (bit & 7); }

}  // namespace chess
