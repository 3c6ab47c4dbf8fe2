// The board's geometry as the passes use it (internal to movegen/): the eight
// directions in the mailbox pass's order, the rays, knight jumps and king
// steps of every square as bit sets, the mailbox cell of each bit, the
// castling-path squares and the pawns' capture targets. Bit (X - 1) * 8 +
// (Y - 1) stands for cell X*10 + Y, as in occupancy.h.
#pragma once

#include <bit>
#include <cstdint>

#include "model/board.h"
#include "movegen/occupancy.h"

namespace chess::passes {

// The eight directions as file and row steps, in the order the mailbox deltas
// -1, +1, +10, -10, +9, +11, -11, -9 name them.
inline constexpr int dir_dx[8] = {0, 0, 1, -1, 1, 1, -1, -1};
inline constexpr int dir_dy[8] = {-1, 1, 0, 0, -1, 1, -1, 1};
inline constexpr int dir_cells[8] = {-1, 1, 10, -10, 9, 11, -11, -9};
enum Direction { up, down, right, left, up_right, down_right, up_left, down_left };
// Queens try +9, +11, -11, -9, then -1, +1, +10, -10; bishops and rooks keep
// their part of that order.
inline constexpr int slide_rank[8] = {4, 5, 6, 7, 0, 1, 2, 3};
inline constexpr int opposite[8] = {down,      up,      left,       right,
                                    down_left, up_left, down_right, up_right};

// Of the occupied squares `blockers` on the ray in direction d from a square,
// the one nearest that square: the lowest bit where the direction counts bits
// up, else the highest.
[[gnu::always_inline]] inline int nearest_on_ray(int d, uint64_t blockers) {
    return dir_dx[d] * 8 + dir_dy[d] > 0 ? std::countr_zero(blockers)
                                         : 63 - std::countl_zero(blockers);
}

// Knight jumps in the order +8, -12, +19, +21, +12, -8, -21, -19.
inline constexpr int knight_dx[8] = {1, -1, 2, 2, 1, -1, -2, -2};
inline constexpr int knight_dy[8] = {-2, -2, -1, 1, 2, 2, -1, 1};

struct Geometry {
    uint64_t ray[8][64] = {};  // squares beyond the square, to the edge
    uint64_t knight[64] = {};
    uint64_t king[64] = {};
};

// The set of one-step targets from (x, y) by the eight steps.
constexpr uint64_t step_targets(int x, int y, const int* dx, const int* dy) {
    uint64_t set = 0;
    for (int j = 0; j < 8; ++j) {
        const int tx = x + dx[j];
        const int ty = y + dy[j];
        if (tx >= 0 && tx < 8 && ty >= 0 && ty < 8) set |= uint64_t{1} << (tx * 8 + ty);
    }
    return set;
}

constexpr Geometry make_geometry() {
    Geometry t;
    for (int b = 0; b < 64; ++b) {
        const int x = b >> 3;
        const int y = b & 7;
        for (int d = 0; d < 8; ++d) {
            int tx = x + dir_dx[d];
            int ty = y + dir_dy[d];
            while (tx >= 0 && tx < 8 && ty >= 0 && ty < 8) {
                t.ray[d][b] |= uint64_t{1} << (tx * 8 + ty);
                tx += dir_dx[d];
                ty += dir_dy[d];
            }
        }
        t.knight[b] = step_targets(x, y, knight_dx, knight_dy);
        t.king[b] = step_targets(x, y, dir_dx, dir_dy);
    }
    return t;
}
inline constexpr Geometry geometry = make_geometry();

// The rank of a knight's jump and of a king's step by bit difference + 17:
// the jumps in the order +8, -12, +19, +21, +12, -8, -21, -19 and the steps
// in the order -1, +1, +10, -10, +9, +11, -11, -9 of the mailbox pass.
struct StepRanks {
    int8_t of[35] = {};
};
constexpr StepRanks make_step_ranks(const int* dx, const int* dy) {
    StepRanks r;
    for (int j = 0; j < 8; ++j) r.of[dx[j] * 8 + dy[j] + 17] = static_cast<int8_t>(j);
    return r;
}
inline constexpr StepRanks knight_ranks = make_step_ranks(knight_dx, knight_dy);
inline constexpr StepRanks king_ranks = make_step_ranks(dir_dx, dir_dy);

// The mailbox cell of each bit.
struct Cells {
    int8_t of[64] = {};
};
inline constexpr Cells cells = [] {
    Cells c;
    for (int b = 0; b < 64; ++b) c.of[b] = static_cast<int8_t>(cell_of_bit(b));
    return c;
}();

constexpr uint64_t bit_at(int x, int y) { return uint64_t{1} << ((x - 1) * 8 + (y - 1)); }
// Castling-path squares by flag: a White quiet move onto F8/G8 sets 5, onto
// C8/D8 sets 6; a Black one onto F1/G1 sets 2, onto C1/D1 sets 3.
inline constexpr uint64_t path_5 = bit_at(6, 1) | bit_at(7, 1);
inline constexpr uint64_t path_6 = bit_at(3, 1) | bit_at(4, 1);
inline constexpr uint64_t path_2 = bit_at(6, 8) | bit_at(7, 8);
inline constexpr uint64_t path_3 = bit_at(3, 8) | bit_at(4, 8);

// Bit sets of the rows and files: Y1 is rank 8, Y8 rank 1.
constexpr uint64_t row_bits(int y) { return uint64_t{0x0101010101010101} << (y - 1); }
inline constexpr uint64_t file_a_bits = 0xffull;
inline constexpr uint64_t file_h_bits = 0xffull << 56;

// The flag word of a move, less its kind and captured piece: side * 1000 +
// |piece| * 100 by piece code + 6.
inline constexpr int flags_base_by_code[13] = {1600, 1500, 1400, 1300, 1200, 1100, 0,
                                               2100, 2200, 2300, 2400, 2500, 2600};

// Index of a colour's sets: 0 White (-1), 1 Black (+1).
constexpr int side_index(int colour) { return colour < 0 ? 0 : 1; }

// A side's pawns that can move: not those on their last row.
template <int Colour>
[[gnu::always_inline]] inline uint64_t movable_pawns(uint64_t pawns) {
    return pawns & ~row_bits(Colour < 0 ? 1 : 8);
}

// The squares a side's pawns take on, toward the H file and toward the A
// file. White's +9 is seven bits up and -11 nine bits down; Black's +11 is
// nine bits up and -9 seven bits down.
struct PawnTakes {
    uint64_t right;
    uint64_t left;
};
template <int Colour>
[[gnu::always_inline]] inline PawnTakes pawn_takes(uint64_t pawns) {
    const uint64_t movable = movable_pawns<Colour>(pawns);
    if (Colour < 0) return {(movable & ~file_h_bits) << 7, (movable & ~file_a_bits) >> 9};
    return {(movable & ~file_h_bits) << 9, (movable & ~file_a_bits) >> 7};
}

}  // namespace chess::passes
